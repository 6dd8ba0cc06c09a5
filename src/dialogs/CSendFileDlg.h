#pragma once
// The "ファイル送信" window of the send list.

#include "CTransferDlg.h"

namespace vostrelle {

class SendFileList;

class CSendFileDlg : public CTransferDlg {
  Q_OBJECT

 public:
  static constexpr int kSendId = 1024;
  static constexpr int kSendAllId = 1025;
  static constexpr int kStopId = 1026;

  CSendFileDlg(SendFileList& list, QWidget* owner);

 private:
  SendFileList* SendList() const;
};

}  // namespace vostrelle
