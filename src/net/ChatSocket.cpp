#include "ChatSocket.h"

#include <array>
#include <string_view>

#include "platform/SocketNotifier.h"

namespace vostrelle {

ChatSocket::ChatSocket(ChatReceiver* owner, std::uint16_t port) : owner_(owner), port_(port) {}

bool ChatSocket::Create(SocketNotifier* notifier, Ipv4 bindAddress) {
  // Broadcast permission: without it Linux refuses every broadcast "Join".
  if (!socket_.Open(port_, true, bindAddress)) return false;
  if (notifier) socket_.SetNotifier(notifier, [this] { OnReceive(); });
  return true;
}

void ChatSocket::Close() {
  socket_.Close();
}

bool ChatSocket::SendPacket(const FieldMap& fields, Ipv4 destination, bool reuseLastText) {
  if (!reuseLastText && !HeaderBlock::Build(fields, lastText_)) return false;
  return socket_.SendTo(lastText_, destination, port_);
}

void ChatSocket::OnReceive() {
  // One byte more than the largest datagram, so the text always ends in a NUL.
  std::array<char, kMaxDatagram + 1> buf{};
  Ipv4 from = 0;
  const long n = socket_.Receive(buf.data(), kMaxDatagram, &from);
  if (n < 0 || static_cast<std::size_t>(n) > kMaxDatagram) return;
  FieldMap fields;
  if (!HeaderBlock::Parse(std::string_view(buf.data(), static_cast<std::size_t>(n)), fields))
    return;
  if (owner_) owner_->Receive(fields, from);
}

}  // namespace vostrelle
