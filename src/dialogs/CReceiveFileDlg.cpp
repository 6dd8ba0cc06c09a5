#include "CReceiveFileDlg.h"

#include <QBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

#include "dialogs/AccessibleTexts.h"
#include "dialogs/FolderBrowser.h"
#include "qt/QtText.h"
#include "qt/SingleLineEdit.h"
#include "store/AppSettings.h"
#include "transfer/ReceiveFileList.h"
#include "transfer/TransferTexts.h"

namespace vostrelle {

namespace text = transfer_text;

CReceiveFileDlg::CReceiveFileDlg(ReceiveFileList& list, const AppSettings& settings, QWidget* owner)
    : CTransferDlg(list, text::kReceiveDialogTitle, text::kColumnSentFrom,
                   TransferStateImages(false), owner) {
  setObjectName(QStringLiteral("dialog143"));
  auto* label = new QLabel(ToQString(text::kLabelReceiveFolder), this);
  folder_ = new QLineEdit(ToQString(settings.ReceiveFolderInUse()), this);
  folder_->setObjectName(QStringLiteral("edit1028"));
  MakeSingleLineEdit(folder_);
  label->setBuddy(folder_);
  auto* browse = new QPushButton(ToQString(text::kButtonBrowse), this);
  browse->setObjectName(QStringLiteral("button%1").arg(kBrowseId));
  TopArea()->addWidget(label);
  TopArea()->addWidget(folder_, 1);
  TopArea()->addWidget(browse);
  connect(browse, &QPushButton::clicked, this, &CReceiveFileDlg::OnBrowse);

  connect(AddButton(text::kButtonReceive, kReceiveId), &QPushButton::clicked, this, [this] {
    if (ReceiveFileList* list = ReceiveList()) list->StartRows(SelectedRows(), Folder());
  });
  connect(AddButton(text::kButtonReceiveAll, kReceiveAllId), &QPushButton::clicked, this, [this] {
    if (ReceiveFileList* list = ReceiveList()) list->StartAll(Folder());
  });
  connect(AddButton(text::kButtonStop, kStopId), &QPushButton::clicked, this,
          &CReceiveFileDlg::OnStop);
  QPushButton* close = AddButton(text::kButtonClose, QDialog::Accepted);
  close->setObjectName(QStringLiteral("buttonOk"));
  close->setDefault(true);
  connect(close, &QPushButton::clicked, this, &CReceiveFileDlg::OnClose);
  // The list takes the keyboard first; the folder comes after the buttons.
  setTabOrder(Rows(), findChild<QPushButton*>(QStringLiteral("button%1").arg(kReceiveId)));
  setTabOrder(close, folder_);
  setTabOrder(folder_, browse);
  DescribeControls(this);
}

std::string CReceiveFileDlg::Folder() const {
  return ToCp932(folder_->text());
}

ReceiveFileList* CReceiveFileDlg::ReceiveList() const {
  return static_cast<ReceiveFileList*>(List());
}

void CReceiveFileDlg::OnBrowse() {
  FolderBrowser browser(this);
  browser.SetTitle(text::kBrowseTitle);
  browser.SetInitialPath(Folder());
  if (browser.Run() == FolderBrowser::kChosen) folder_->setText(ToQString(browser.GetPath()));
}

}  // namespace vostrelle
