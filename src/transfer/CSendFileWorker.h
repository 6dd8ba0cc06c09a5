#pragma once
// The accepting side of one transfer: reads the request, asks the send list for the
// entry it names, answers and streams the file.

#include <condition_variable>

#include "CFileThread.h"
#include "RequestGate.h"

namespace vostrelle {

class TransferFile;

class CSendFileWorker : public CFileThread {
 public:
  // How long one send may wait for the receiver to take bytes before the transfer ends
  // with "送信中にエラーです。". A receiver that stops reading but keeps the connection
  // would otherwise hold the worker for good; the limit is generous so that a slow disk
  // on the other side never trips it.
  static constexpr int kStallTimeoutMs = 60000;
  // A receiver sends its request in one piece right after connecting: one that is not
  // complete within this time, or is longer than the size below, is not a receiver, and
  // its connection is closed without an answer.
  static constexpr int kRequestTimeoutMs = 10000;
  static constexpr std::size_t kMaxRequestBytes = 4096;
  // How much of the body one system call hands the kernel.
  static constexpr std::size_t kSendPiece = std::size_t{1} << 20;

  struct Limits {
    int StallTimeoutMs = kStallTimeoutMs;      // 0: none
    int RequestTimeoutMs = kRequestTimeoutMs;  // 0: none
  };

  // Takes ownership of the accepted socket, and of its place in gate (may be null).
  CSendFileWorker(std::shared_ptr<NotifyTarget> notify, int acceptedSocket, Limits limits,
                  std::shared_ptr<RequestGate> gate);
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
  void ReadRequest(FieldMap& request);
  // Posts kSendNeedEntry and waits until the list answers; true when it gave a copy.
  bool WaitForEntry();
  void SendBody(TransferFile& file, std::uint32_t size);
  void Exchange();
  // Gives the connection's place among those not yet matched to an entry back; before
  // the socket is closed, since the gate knows it by its number.
  void ReleaseSlot();

  int accepted_;
  const Limits limits_;
  std::shared_ptr<RequestGate> gate_;
  int slot_ = -1;  // the socket number the gate holds a place for
  bool signalled_ = false;
  std::condition_variable event_;
  Ipv4 peer_ = 0;
  std::string requestId_;
  std::string requestRoom_;
};

}  // namespace vostrelle
