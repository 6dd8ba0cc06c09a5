#pragma once
// The one UDP socket all rooms share.

#include <cstdint>
#include <string>

#include "HeaderBlock.h"
#include "ProtocolTable.h"
#include "platform/Ipv4.h"
#include "platform/UdpSocket.h"

namespace vostrelle {

class SocketNotifier;

// Where received packets go (the document).
class ChatReceiver {
 public:
  virtual ~ChatReceiver() = default;
  virtual void Receive(const FieldMap& fields, Ipv4 sender) = 0;
};

class ChatSocket {
 public:
  // port is the chat port; tests pass their own so that suites can run side by side.
  explicit ChatSocket(ChatReceiver* owner, std::uint16_t port = kChatPort);

  // Binds the port on every local address (bindAddress 0) with broadcast permission
  // and starts receive notifications through notifier.
  bool Create(SocketNotifier* notifier, Ipv4 bindAddress = 0);
  void Close();

  // Builds the block from fields into the last text unless reuseLastText, then sends it
  // as one datagram to destination on this socket's port.
  bool SendPacket(const FieldMap& fields, Ipv4 destination, bool reuseLastText);

  // The receive path for one readiness notification: one datagram of at most 512
  // bytes, parsed up to its first NUL, handed to the owner.
  void OnReceive();

  std::uint16_t Port() const { return port_; }
  const std::string& LastText() const { return lastText_; }
  UdpSocket& Socket() { return socket_; }

 private:
  ChatReceiver* owner_;
  std::uint16_t port_;
  UdpSocket socket_;
  std::string lastText_;
};

}  // namespace vostrelle
