#include "dialogs/CNameDlg.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>

#include "dialogs/AccessibleTexts.h"
#include "platform/Cp932.h"
#include "qt/QtText.h"
#include "qt/SingleLineEdit.h"

namespace vostrelle {

CNameDlg::CNameDlg(QWidget* parent) : QDialog(parent) {
  setWindowTitle(UiText("名前入力"));
  Message = [this](const std::string& text) { ShowWarning(this, text); };
  auto* label = new QLabel(UiText("名前入力(N):"), this);
  edit_ = new QLineEdit(this);
  edit_->setObjectName(QStringLiteral("edit%1").arg(kNameId));
  edit_->setMinimumWidth(200);
  MakeSingleLineEdit(edit_, kNameBytes);
  label->setBuddy(edit_);
  auto* hint = new QLabel(UiText("最大16文字"), this);

  QDialogButtonBox* buttons = ConfirmButtons(this, UiText("決定"));

  auto* layout = new QGridLayout(this);
  layout->addWidget(label, 0, 0);
  layout->addWidget(edit_, 0, 1);
  layout->addWidget(hint, 1, 1);
  layout->addWidget(buttons, 2, 0, 1, 2);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  DescribeControls(this);
}

void CNameDlg::showEvent(QShowEvent* event) {
  // Not again when the window comes back from being minimised.
  if (event->spontaneous()) return QDialog::showEvent(event);
  edit_->setText(ToQString(Name));
  edit_->selectAll();
  edit_->setFocus();
  QDialog::showEvent(event);
}

void CNameDlg::accept() {
  const std::string name = ToCp932(edit_->text());
  if (name.empty()) {
    Message("名前がありません。"_sjis);
    return;
  }
  Name = name;
  QDialog::accept();
}

}  // namespace vostrelle
