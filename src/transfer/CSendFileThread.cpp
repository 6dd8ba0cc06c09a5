#include "CSendFileThread.h"

#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "CFileThread.h"

namespace vostrelle {

bool CFileListenSocket::Create(std::uint16_t port, Ipv4 address) {
  Close();
  // Non-blocking: a connection that goes away between the poll and the accept must not
  // leave the listener blocked where a quit cannot reach it.
  fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd_ < 0) return false;
  // On this system reuse only allows a rebind past TIME_WAIT; a second listener on the
  // port still fails.
  const int on = 1;
  ::setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  sockaddr_in at{};
  at.sin_family = AF_INET;
  at.sin_port = htons(port);
  at.sin_addr.s_addr = address;
  if (::bind(fd_, reinterpret_cast<const sockaddr*>(&at), sizeof at) != 0 ||
      ::listen(fd_, kListenBacklog) != 0) {
    Close();
    return false;
  }
  return true;
}

bool CFileListenSocket::OnAccept() {
  sockaddr_in peer{};
  socklen_t peerLength = sizeof peer;
  const int fd = ::accept4(fd_, reinterpret_cast<sockaddr*>(&peer), &peerLength, SOCK_CLOEXEC);
  if (fd < 0) {
    if (errno != EMFILE && errno != ENFILE && errno != ENOBUFS && errno != ENOMEM) return true;
    if (counters_) counters_->FailedAccepts.fetch_add(1);
    return false;
  }
  if (gate_ && !gate_->Admit(fd, peer.sin_addr.s_addr)) {
    ::close(fd);
    return true;
  }
  if (!notify_ || !notify_->Post(kSendAccepted, static_cast<std::uintptr_t>(fd))) {
    if (gate_) gate_->Release(fd);
    ::close(fd);
  }
  return true;
}

void CFileListenSocket::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

CSendFileThread::CSendFileThread(std::shared_ptr<NotifyTarget> notify, std::uint16_t port,
                                 Ipv4 address, std::shared_ptr<RequestGate> gate,
                                 std::shared_ptr<ListenerCounters> counters)
    : port_(port),
      address_(address),
      socket_(std::make_unique<CFileListenSocket>(std::move(notify), std::move(gate), counters)),
      counters_(std::move(counters)) {
  if (::pipe2(wake_, O_CLOEXEC) != 0) wake_[0] = wake_[1] = -1;
}

CSendFileThread::~CSendFileThread() {
  Quit();
  WaitFinished(1000000);
  socket_.reset();
  for (int& fd : wake_)
    if (fd >= 0) ::close(fd);
}

bool CSendFileThread::Listen() {
  return socket_->Create(port_, address_);
}

void CSendFileThread::Quit() {
  if (wake_[1] >= 0) {
    const char byte = 'q';
    [[maybe_unused]] const ssize_t n = ::write(wake_[1], &byte, 1);
  }
}

void CSendFileThread::Run() {
  // Without a listening socket the thread just waits to be told to end.
  int backoffMs = 0;  // > 0 while a failed accept is waited out
  int nextBackoffMs = kBackoffFirstMs;
  for (;;) {
    // While backing off only a quit is waited for: the pending connection would wake
    // the poll at once, and the listener would spin while no descriptor is free.
    const bool listening = socket_->fd() >= 0 && backoffMs == 0;
    pollfd fds[2] = {{wake_[0], POLLIN, 0}, {socket_->fd(), POLLIN, 0}};
    const int n = ::poll(fds, listening ? 2 : 1, backoffMs > 0 ? backoffMs : -1);
    if (n < 0) {
      if (errno == EINTR) continue;
      break;
    }
    if (fds[0].revents) break;
    if (!listening) {
      backoffMs = 0;
      continue;
    }
    if (fds[1].revents == 0) continue;
    if ((fds[1].revents & POLLIN) && socket_->OnAccept()) {
      nextBackoffMs = kBackoffFirstMs;
      continue;
    }
    if (counters_) counters_->Backoffs.fetch_add(1);
    backoffMs = nextBackoffMs;
    nextBackoffMs = std::min(nextBackoffMs * 2, kBackoffLongestMs);
  }
  socket_->Close();
}

}  // namespace vostrelle
