#include "dialogs/CLogPage.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "dialogs/DialogSupport.h"
#include "dialogs/FolderBrowser.h"
#include "qt/QtText.h"
#include "qt/SingleLineEdit.h"

namespace vostrelle {

CLogPage::CLogPage(QWidget* parent) : COptionsPage(parent) {
  save_ = new QCheckBox(UiText("ログを保存する(&L)"), this);
  save_->setObjectName(QStringLiteral("check%1").arg(kSaveId));
  connect(save_, &QCheckBox::clicked, this, [this] {
    TakeValues();
    UpdateEnabling();
  });
  auto* label = new QLabel(UiText("保存先フォルダ(&F)"), this);
  folder_ = new QLineEdit(this);
  folder_->setObjectName(QStringLiteral("edit%1").arg(kFolderId));
  MakeSingleLineEdit(folder_);
  folder_->setMinimumWidth(260);
  label->setBuddy(folder_);
  folderInUse_ = FolderInUseNote(folder_, FolderInUse);
  browse_ = new QPushButton(UiText("参照"), this);
  browse_->setObjectName(QStringLiteral("button%1").arg(kBrowseId));
  connect(browse_, &QPushButton::clicked, this, &CLogPage::OnBrowse);

  auto* layout = new QGridLayout(this);
  layout->addWidget(save_, 0, 0, 1, 2);
  layout->addWidget(label, 1, 0, 1, 2);
  layout->addWidget(folder_, 2, 0);
  layout->addWidget(browse_, 2, 1);
  layout->addWidget(folderInUse_, 3, 0, 1, 2);
  layout->setRowStretch(4, 1);
}

void CLogPage::ShowValues() {
  save_->setChecked(Save);
  folder_->setText(ToQString(SaveFolder));
}

void CLogPage::TakeValues() {
  Save = save_->isChecked();
  SaveFolder = ToCp932(folder_->text());
}

void CLogPage::UpdateEnabling() {
  folder_->setEnabled(Save);
  browse_->setEnabled(Save);
}

void CLogPage::OnOpen() {
  ShowValues();
  UpdateEnabling();
}

void CLogPage::OnBrowse() {
  TakeValues();
  FolderBrowser browser(this);
  browser.SetInitialPath(SaveFolder);
  if (browser.Run() != FolderBrowser::kChosen) return;
  SaveFolder = browser.GetPath();
  ShowValues();
}

}  // namespace vostrelle
