#include "dialogs/COptionsPage.h"

namespace vostrelle {

void COptionsPage::showEvent(QShowEvent* event) {
  if (!opened_) {
    opened_ = true;
    OnOpen();
  }
  QWidget::showEvent(event);
}

}  // namespace vostrelle
