#include "UdpSocket.h"

#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "SocketNotifier.h"

namespace vostrelle {

UdpSocket::~UdpSocket() {
  Close();
}

bool UdpSocket::Open(std::uint16_t port, bool broadcast, Ipv4 bindAddress) {
  Close();
  const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  const int on = 1;
  if (broadcast && setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on) != 0) {
    ::close(fd);
    return false;
  }
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_port = htons(port);
  sa.sin_addr.s_addr = bindAddress;
  if (bind(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0) {
    ::close(fd);
    return false;
  }
  fd_ = fd;
  return true;
}

void UdpSocket::Close() {
  if (fd_ < 0) return;
  if (notifier_) notifier_->Unwatch(fd_);
  notifier_ = nullptr;
  ::close(fd_);
  fd_ = -1;
}

std::uint16_t UdpSocket::LocalPort() const {
  sockaddr_in sa{};
  socklen_t len = sizeof sa;
  if (fd_ < 0 || getsockname(fd_, reinterpret_cast<sockaddr*>(&sa), &len) != 0) return 0;
  return ntohs(sa.sin_port);
}

bool UdpSocket::SendTo(std::string_view bytes, Ipv4 address, std::uint16_t port) {
  if (fd_ < 0) return false;
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_port = htons(port);
  sa.sin_addr.s_addr = address;
  const ssize_t n = sendto(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL,
                           reinterpret_cast<sockaddr*>(&sa), sizeof sa);
  return n == static_cast<ssize_t>(bytes.size());
}

long UdpSocket::Receive(char* buf, std::size_t cap, Ipv4* from, std::uint16_t* fromPort) {
  if (fd_ < 0) return -1;
  sockaddr_in sa{};
  socklen_t len = sizeof sa;
  // MSG_TRUNC reports the datagram's real length, so an oversized one can be told apart.
  const ssize_t n = recvfrom(fd_, buf, cap, MSG_TRUNC, reinterpret_cast<sockaddr*>(&sa), &len);
  if (n < 0) return -1;
  if (from) *from = sa.sin_addr.s_addr;
  if (fromPort) *fromPort = ntohs(sa.sin_port);
  return static_cast<long>(n);
}

void UdpSocket::SetNotifier(SocketNotifier* notifier, std::function<void()> onReadable) {
  if (notifier_ && fd_ >= 0) notifier_->Unwatch(fd_);
  notifier_ = notifier;
  if (notifier_ && fd_ >= 0) notifier_->Watch(fd_, std::move(onReadable));
}

}  // namespace vostrelle
