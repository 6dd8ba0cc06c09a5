#pragma once
// The accepting side of one transfer: reads the request, asks the send list for the
// entry it names, answers and streams the file.

#include <condition_variable>

#include "CFileThread.h"

namespace vostrelle {

class CSendFileWorker : public CFileThread {
 public:
  // How long one send may wait for the receiver to take bytes before the transfer ends
  // with "送信中にエラーです。". A receiver that stops reading but keeps the connection
  // would otherwise hold the worker for good; the limit is generous so that a slow disk
  // on the other side never trips it.
  static constexpr int kStallTimeoutMs = 60000;

  // Takes ownership of the accepted socket.
  CSendFileWorker(std::shared_ptr<NotifyTarget> notify, int acceptedSocket,
                  int stallTimeoutMs = kStallTimeoutMs);
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
  const int stallTimeoutMs_;
  bool signalled_ = false;
  std::condition_variable event_;
  Ipv4 peer_ = 0;
  std::string requestId_;
  std::string requestRoom_;
};

}  // namespace vostrelle
