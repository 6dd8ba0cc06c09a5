#pragma once
// A non-blocking IPv4 datagram socket whose readiness arrives through a SocketNotifier.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>

#include "Ipv4.h"

namespace vostrelle {

class SocketNotifier;

class UdpSocket {
 public:
  UdpSocket() = default;
  ~UdpSocket();
  UdpSocket(const UdpSocket&) = delete;
  UdpSocket& operator=(const UdpSocket&) = delete;

  // Binds to port on every local address (bindAddress 0) or one address. No address
  // reuse, so a second bind to a port in use fails. broadcast sets SO_BROADCAST.
  bool Open(std::uint16_t port, bool broadcast, Ipv4 bindAddress = 0);
  void Close();
  bool IsOpen() const { return fd_ >= 0; }
  int fd() const { return fd_; }
  std::uint16_t LocalPort() const;

  // One datagram; false when the system refused it.
  bool SendTo(std::string_view bytes, Ipv4 address, std::uint16_t port);

  // Receives one datagram into buf. Returns its full length (which may exceed cap:
  // the rest was cut off), or -1 when nothing could be read.
  long Receive(char* buf, std::size_t cap, Ipv4* from, std::uint16_t* fromPort = nullptr);

  // Readiness: onReadable runs on the notifier's thread while the socket is open. The
  // notifier must outlive the socket (or be replaced first).
  void SetNotifier(SocketNotifier* notifier, std::function<void()> onReadable);

 private:
  int fd_ = -1;
  SocketNotifier* notifier_ = nullptr;
};

}  // namespace vostrelle
