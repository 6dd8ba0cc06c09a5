#include "app/CInputBox.h"

#include "platform/qt/QtText.h"
#include "platform/qt/SingleLineEdit.h"

namespace vostrelle {

CInputBox::CInputBox(QWidget* parent) : QLineEdit(parent) {
  setObjectName(QStringLiteral("inputBox"));
  MakeSingleLineEdit(this, kLimitBytes);
}

std::string CInputBox::Cp932Text() const {
  return ToCp932(text());
}

}  // namespace vostrelle
