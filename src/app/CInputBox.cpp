#include "app/CInputBox.h"

#include "qt/QtText.h"
#include "qt/SingleLineEdit.h"

namespace vostrelle {

CInputBox::CInputBox(QWidget* parent) : QLineEdit(parent) {
  setObjectName(QStringLiteral("inputBox"));
  MakeSingleLineEdit(this, kLimitBytes);
  setAccessibleName(QStringLiteral("入力欄"));
  setAccessibleDescription(QStringLiteral("Enter で選択中の部屋に発言を送ります"));
}

std::string CInputBox::Cp932Text() const {
  return ToCp932(text());
}

}  // namespace vostrelle
