#include "TransferDialogs.h"

#include "CReceiveFileDlg.h"
#include "CSendFileDlg.h"
#include "transfer/ReceiveFileList.h"
#include "transfer/SendFileList.h"

namespace vostrelle {

void InstallTransferDialogs(FileTransferList& list, AppSettings& settings, QWidget* owner) {
  if (auto* send = dynamic_cast<SendFileList*>(&list)) {
    list.SetDialogFactory([send, owner](FileTransferList&) -> std::unique_ptr<TransferDialog> {
      auto* window = new CSendFileDlg(*send, owner);
      window->show();
      return std::make_unique<QtTransferDialog>(window);
    });
  } else if (auto* receive = dynamic_cast<ReceiveFileList*>(&list)) {
    list.SetDialogFactory(
        [receive, &settings, owner](FileTransferList&) -> std::unique_ptr<TransferDialog> {
          auto* window = new CReceiveFileDlg(*receive, settings, owner);
          window->show();
          return std::make_unique<QtTransferDialog>(window);
        });
  }
}

}  // namespace vostrelle
