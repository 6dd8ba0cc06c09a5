#include "dialogs/CSettingsFolderDlg.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "dialogs/AccessibleTexts.h"
#include "dialogs/FolderBrowser.h"
#include "platform/FileSystem.h"
#include "platform/qt/QtText.h"
#include "platform/qt/SingleLineEdit.h"

namespace vostrelle {
namespace {

// 設定保存フォルダの指定
const char kCaption[] =
    "\x90\xdd\x92\xe8\x95\xdb\x91\xb6\x83\x74\x83\x48\x83\x8b\x83\x5f\x82\xcc\x8e\x77\x92\xe8";
const char kFolderLabel[] = "\x83\x74\x83\x48\x83\x8b\x83\x5f(&F):";  // フォルダ(&F):
const char kBrowse[] = "\x8e\x51\x8f\xc6";                            // 参照
const char kCancel[] = "\x83\x4c\x83\x83\x83\x93\x83\x5a\x83\x8b";    // キャンセル
// 設定ファイルの保存先
const char kBrowserTitle[] =
    "\x90\xdd\x92\xe8\x83\x74\x83\x40\x83\x43\x83\x8b\x82\xcc\x95\xdb\x91\xb6\x90\xe6";

}  // namespace

CSettingsFolderDlg::CSettingsFolderDlg(QWidget* parent) : QDialog(parent) {
  setWindowTitle(ToQString(kCaption));
  auto* label = new QLabel(ToQString(kFolderLabel), this);
  edit_ = new QLineEdit(this);
  edit_->setObjectName(QStringLiteral("edit%1").arg(kFolderEditId));
  MakeSingleLineEdit(edit_);
  edit_->setMinimumWidth(320);
  label->setBuddy(edit_);
  browse_ = new QPushButton(ToQString(kBrowse), this);
  browse_->setObjectName(QStringLiteral("button%1").arg(kBrowseButtonId));
  connect(browse_, &QPushButton::clicked, this, &CSettingsFolderDlg::OnBrowse);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
  buttons->button(QDialogButtonBox::Cancel)->setText(ToQString(kCancel));
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
  browser.SetTitle(kBrowserTitle);
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
