#pragma once
// The accepting side of one transfer: reads the request, asks the send list for the
// entry it names, answers and streams the file.

#include <condition_variable>

#include "CFileThread.h"

namespace vostrelle {

class CSendFileWorker : public CFileThread {
 public:
  // Takes ownership of the accepted socket.
  CSendFileWorker(std::shared_ptr<NotifyTarget> notify, int acceptedSocket);
  ~CSendFileWorker() override;

  // Peer address of the connection, ID and Room of the request read.
  Identity GetIdentity() const override;
  // The list's answer to kSendNeedEntry: replaces the copy the worker may have.
  void GiveItem(const TransferItem& item);
  // Ends the worker's wait for its entry.
  void Signal();

 protected:
  void Run() override;
  void OnAbortLocked() override;
  void OnCloseLocked() override;

 private:
  bool TakeOver();
  // Posts kSendNeedEntry and waits until the list answers; true when it gave a copy.
  bool WaitForEntry();
  void Exchange();

  int accepted_;
  bool signalled_ = false;
  std::condition_variable event_;
  Ipv4 peer_ = 0;
  std::string requestId_;
  std::string requestRoom_;
};

}  // namespace vostrelle
