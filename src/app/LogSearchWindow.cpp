#include "app/LogSearchWindow.h"

#include <QLineEdit>

#include "dialogs/CLogSearchDlg.h"

namespace vostrelle {

void ShowLogSearch(QWidget* frame, const std::string& logFolder) {
  auto* dlg = frame->findChild<CLogSearchDlg*>(QString(), Qt::FindDirectChildrenOnly);
  if (!dlg) {
    dlg = new CLogSearchDlg(logFolder, frame);
    dlg->setAttribute(Qt::WA_DeleteOnClose);  // closing also ends its worker
  }
  dlg->show();
  dlg->raise();
  dlg->activateWindow();
  dlg->WordsEdit()->setFocus();
  dlg->WordsEdit()->selectAll();
}

}  // namespace vostrelle
