#include "CSendFileDlg.h"

#include <QPushButton>

#include "dialogs/AccessibleTexts.h"
#include "transfer/SendFileList.h"
#include "transfer/TransferTexts.h"

namespace vostrelle {

namespace text = transfer_text;

CSendFileDlg::CSendFileDlg(SendFileList& list, QWidget* owner)
    : CTransferDlg(list, text::kSendDialogTitle, text::kColumnSendTo, TransferStateImages(true),
                   owner) {
  setObjectName(QStringLiteral("dialog142"));
  connect(AddButton(text::kButtonSend, kSendId), &QPushButton::clicked, this, [this] {
    if (SendFileList* list = SendList()) list->StartRows(SelectedRows());
  });
  connect(AddButton(text::kButtonSendAll, kSendAllId), &QPushButton::clicked, this, [this] {
    if (SendFileList* list = SendList()) list->StartAll();
  });
  connect(AddButton(text::kButtonStop, kStopId), &QPushButton::clicked, this,
          &CSendFileDlg::OnStop);
  QPushButton* close = AddButton(text::kButtonClose, QDialog::Accepted);
  close->setObjectName(QStringLiteral("buttonOk"));
  close->setDefault(true);
  connect(close, &QPushButton::clicked, this, &CSendFileDlg::OnClose);
  DescribeControls(this);
}

SendFileList* CSendFileDlg::SendList() const {
  return static_cast<SendFileList*>(List());
}

}  // namespace vostrelle
