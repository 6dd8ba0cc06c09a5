#include "dialogs/CSettingsFolderDlg.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "dialogs/AccessibleTexts.h"
#include "dialogs/FolderBrowser.h"
#include "platform/Cp932.h"
#include "platform/FileSystem.h"
#include "qt/QtText.h"
#include "qt/SingleLineEdit.h"

namespace vostrelle {

CSettingsFolderDlg::CSettingsFolderDlg(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("設定保存フォルダの指定"));
  auto* label = new QLabel(QStringLiteral("フォルダ(&F):"), this);
  edit_ = new QLineEdit(this);
  edit_->setObjectName(QStringLiteral("edit%1").arg(kFolderEditId));
  MakeSingleLineEdit(edit_);
  edit_->setMinimumWidth(320);
  label->setBuddy(edit_);
  browse_ = new QPushButton(QStringLiteral("参照"), this);
  browse_->setObjectName(QStringLiteral("button%1").arg(kBrowseButtonId));
  connect(browse_, &QPushButton::clicked, this, &CSettingsFolderDlg::OnBrowse);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
  buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("キャンセル"));
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* row = new QHBoxLayout;
  row->addWidget(label);
  row->addWidget(edit_, 1);
  row->addWidget(browse_);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(row);
  layout->addWidget(buttons);
  DescribeControls(this);
}

std::string CSettingsFolderDlg::Proposal() const {
  return JoinPath(BaseFolder, SubPath);
}

void CSettingsFolderDlg::showEvent(QShowEvent* event) {
  // The proposal is made when the dialog opens, after the caller has set its members.
  if (!opened_) {
    opened_ = true;
    Folder = Proposal();
    ShowFolder();
  }
  QDialog::showEvent(event);
}

void CSettingsFolderDlg::ShowFolder() {
  edit_->setText(ToQString(Folder));
}

void CSettingsFolderDlg::OnBrowse() {
  FolderBrowser browser(this);
  browser.SetTitle("設定ファイルの保存先"_sjis);
  browser.SetInitialPath(BaseFolder);
  if (browser.Run() == FolderBrowser::kChosen) {
    BaseFolder = browser.GetPath();
    Folder = Proposal();
  }
  // Either way the edit shows the folder member again, dropping what was typed.
  ShowFolder();
}

void CSettingsFolderDlg::accept() {
  Folder = ToCp932(edit_->text());
  QDialog::accept();
}

void CSettingsFolderDlg::done(int result) {
  // A later exec() opens afresh with a new proposal.
  opened_ = false;
  QDialog::done(result);
}

}  // namespace vostrelle
