#pragma once
// The one listener of a run: accepts the receivers' connections on the transfer port
// and hands each accepted socket to the send list, touching nothing else of it.

#include <cstdint>
#include <memory>

#include "TransferThread.h"
#include "net/ProtocolTable.h"
#include "platform/Ipv4.h"
#include "platform/NotifyTarget.h"

namespace vostrelle {

class CFileListenSocket {
 public:
  explicit CFileListenSocket(std::shared_ptr<NotifyTarget> notify) : notify_(std::move(notify)) {}
  CFileListenSocket(const CFileListenSocket&) = delete;
  CFileListenSocket& operator=(const CFileListenSocket&) = delete;
  ~CFileListenSocket() { Close(); }

  // TCP on port at address (0: every local address), address reuse, backlog 5.
  bool Create(std::uint16_t port, Ipv4 address);
  // One accept; the socket goes to the send list, or is closed when nobody takes it.
  void OnAccept();
  void Close();
  int fd() const { return fd_; }

 private:
  std::shared_ptr<NotifyTarget> notify_;
  int fd_ = -1;
};

class CSendFileThread : public TransferThread {
 public:
  CSendFileThread(std::shared_ptr<NotifyTarget> notify, std::uint16_t port = kFilePort,
                  Ipv4 address = 0);
  ~CSendFileThread() override;

  // Creates the listening socket before the thread runs, so a connection that comes
  // right after the first offer is not refused; failures are not reported.
  bool Listen();
  // Asks the thread to end (any thread).
  void Quit();
  const CFileListenSocket& Socket() const { return *socket_; }

 protected:
  void Run() override;

 private:
  std::uint16_t port_;
  Ipv4 address_;
  std::unique_ptr<CFileListenSocket> socket_;
  int wake_[2] = {-1, -1};
};

}  // namespace vostrelle
