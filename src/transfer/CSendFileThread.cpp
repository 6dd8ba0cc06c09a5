#include "CSendFileThread.h"

#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

#include "CFileThread.h"

namespace vostrelle {

bool CFileListenSocket::Create(std::uint16_t port, Ipv4 address) {
  Close();
  fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
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
      ::listen(fd_, 5) != 0) {
    Close();
    return false;
  }
  return true;
}

void CFileListenSocket::OnAccept() {
  const int fd = ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
  if (fd < 0) return;
  if (!notify_ || !notify_->Post(kSendAccepted, static_cast<std::uintptr_t>(fd))) ::close(fd);
}

void CFileListenSocket::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

CSendFileThread::CSendFileThread(std::shared_ptr<NotifyTarget> notify, std::uint16_t port,
                                 Ipv4 address)
    : port_(port), address_(address), socket_(std::make_unique<CFileListenSocket>(notify)) {
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
  for (;;) {
    pollfd fds[2] = {{wake_[0], POLLIN, 0}, {socket_->fd(), POLLIN, 0}};
    const int n = ::poll(fds, socket_->fd() >= 0 ? 2 : 1, -1);
    if (n < 0) {
      if (errno == EINTR) continue;
      break;
    }
    if (fds[0].revents) break;
    if (fds[1].revents & POLLIN) socket_->OnAccept();
  }
  socket_->Close();
}

}  // namespace vostrelle
