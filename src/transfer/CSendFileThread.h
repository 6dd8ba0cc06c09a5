#pragma once
// The one listener of a run: accepts the receivers' connections on the transfer port
// and hands each accepted socket to the send list, touching nothing else of it.

#include <atomic>
#include <cstdint>
#include <memory>

#include "RequestGate.h"
#include "TransferThread.h"
#include "net/ProtocolTable.h"
#include "platform/Ipv4.h"
#include "platform/NotifyTarget.h"

namespace vostrelle {

// What the listener had to wait out for want of descriptors or memory; kept by whoever
// hands it in, read from any thread.
struct ListenerCounters {
  std::atomic<int> FailedAccepts{0};  // accepts that failed for want of them
  std::atomic<int> Backoffs{0};       // waits after such a failure
};

class CFileListenSocket {
 public:
  explicit CFileListenSocket(std::shared_ptr<NotifyTarget> notify,
                             std::shared_ptr<RequestGate> gate = nullptr,
                             std::shared_ptr<ListenerCounters> counters = nullptr)
      : notify_(std::move(notify)), gate_(std::move(gate)), counters_(std::move(counters)) {}
  CFileListenSocket(const CFileListenSocket&) = delete;
  CFileListenSocket& operator=(const CFileListenSocket&) = delete;
  ~CFileListenSocket() { Close(); }

  // Connections the system completes before they are accepted. Five would let a burst
  // of connections from anyone make a receiver's connect wait for a second or more.
  static constexpr int kListenBacklog = 64;

  // TCP on port at address (0: every local address), address reuse.
  bool Create(std::uint16_t port, Ipv4 address);
  // One accept; the socket goes to the send list, or is closed when nobody takes it or
  // too many wait for their request already. False when the accept failed for want of
  // descriptors or memory: the caller backs off instead of trying again at once.
  bool OnAccept();
  void Close();
  int fd() const { return fd_; }

 private:
  std::shared_ptr<NotifyTarget> notify_;
  std::shared_ptr<RequestGate> gate_;
  std::shared_ptr<ListenerCounters> counters_;
  int fd_ = -1;
};

class CSendFileThread : public TransferThread {
 public:
  // After a failed accept the listener waits this long before the next, doubling up to
  // the longest; a quit ends the wait at once.
  static constexpr int kBackoffFirstMs = 10;
  static constexpr int kBackoffLongestMs = 1000;

  CSendFileThread(std::shared_ptr<NotifyTarget> notify, std::uint16_t port = kFilePort,
                  Ipv4 address = 0, std::shared_ptr<RequestGate> gate = nullptr,
                  std::shared_ptr<ListenerCounters> counters = nullptr);
  ~CSendFileThread() override;

  // Creates the listening socket before the thread runs, so a connection that comes
  // right after the first offer is not refused; failures are not reported.
  bool Listen();
  // Asks the thread to end (any thread).
  void Quit();

 protected:
  void Run() override;

 private:
  std::uint16_t port_;
  Ipv4 address_;
  std::unique_ptr<CFileListenSocket> socket_;
  std::shared_ptr<ListenerCounters> counters_;
  int wake_[2] = {-1, -1};
};

}  // namespace vostrelle
