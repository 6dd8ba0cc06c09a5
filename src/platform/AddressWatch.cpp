#include "platform/AddressWatch.h"

#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <cerrno>

#include "platform/SocketNotifier.h"

namespace vostrelle {

AddressWatch::~AddressWatch() {
  Close();
}

bool AddressWatch::Open(SocketNotifier* notifier, std::function<void()> onChange) {
  Close();
  fd_ = ::socket(AF_NETLINK, SOCK_RAW | SOCK_NONBLOCK | SOCK_CLOEXEC, NETLINK_ROUTE);
  if (fd_ < 0) return false;
  sockaddr_nl local{};
  local.nl_family = AF_NETLINK;
  local.nl_groups = RTMGRP_IPV4_IFADDR;
  if (::bind(fd_, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
    Close();
    return false;
  }
  notifier_ = notifier;
  if (notifier_) {
    notifier_->Watch(fd_, [this, onChange = std::move(onChange)] {
      if (Drain() && onChange) onChange();
    });
  }
  return true;
}

void AddressWatch::Close() {
  if (fd_ < 0) return;
  if (notifier_) notifier_->Unwatch(fd_);
  notifier_ = nullptr;
  ::close(fd_);
  fd_ = -1;
}

bool AddressWatch::Drain() {
  bool changed = false;
  alignas(nlmsghdr) std::array<char, 8192> buf{};
  for (;;) {
    const ssize_t n = ::recv(fd_, buf.data(), buf.size(), 0);
    if (n < 0) {
      // The kernel dropped messages for want of room: something changed all the same.
      if (errno == ENOBUFS) {
        changed = true;
        continue;
      }
      if (errno == EINTR) continue;
      return changed;
    }
    if (n == 0) return changed;
    int left = static_cast<int>(n);
    for (auto* h = reinterpret_cast<nlmsghdr*>(buf.data()); NLMSG_OK(h, left);
         h = NLMSG_NEXT(h, left)) {
      if (h->nlmsg_type == RTM_NEWADDR || h->nlmsg_type == RTM_DELADDR) changed = true;
    }
  }
}

}  // namespace vostrelle
