// A joined session's whole receive path on arbitrary datagrams from a few senders,
// with liveness ticks in between. Everything lives on loopback addresses (127.0.0.x),
// so whatever the session answers never leaves this machine.
#include <arpa/inet.h>

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "net/RoomSession.h"
#include "platform/UserInterface.h"

using namespace vostrelle;

namespace {

struct NoReceiver : ChatReceiver {
  void Receive(const FieldMap&, Ipv4) override {}
};

struct NoUserInterface : UserInterface {
  MsgAnswer MessageBox(const std::string&, const std::string&, MsgButtons, MsgIcon) override {
    return MsgAnswer::Ok;
  }
  bool EditConnectSetting(ConnectSetting&) override { return false; }
  int EditConnectList(std::vector<ConnectSetting>&) override { return 0; }
  bool AskName(std::string&) override { return false; }
  bool EditOptions(AppSettings&) override { return false; }
  void SendCommand(int) override {}
  bool FocusIsMessageView() override { return false; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static NoReceiver receiver;
  static ChatSocket* socket = [] {
    UdpSocket probe;  // a free port on loopback
    probe.Open(0, false, htonl(0x7F000001));
    auto* s = new ChatSocket(&receiver, probe.LocalPort());
    probe.Close();
    s->Create(nullptr, htonl(0x7F000001));
    return s;
  }();
  NoUserInterface ui;
  ConnectSetting setting;
  setting.ConnectTo = "127.0.0.1";
  setting.NetMask = "255.0.0.0";
  setting.Name = "me";
  setting.RealName = "real";
  RoomObserver observer;
  RoomSession session(setting, socket, &ui);
  session.Attach(&observer);
  session.SetLocalAddress(htonl(0x7F000001));
  if (!session.Join()) return 0;
  // Datagrams are separated by 0xFF; the first byte of each picks the sender.
  std::string_view rest(reinterpret_cast<const char*>(data), size);
  while (!rest.empty()) {
    std::size_t cut = rest.find('\xFF');
    std::string_view one = rest.substr(0, cut);
    rest = cut == std::string_view::npos ? std::string_view() : rest.substr(cut + 1);
    if (one.empty()) {
      session.Tick();
      continue;
    }
    const Ipv4 sender = htonl(0x7F000002 + static_cast<unsigned char>(one[0]) % 5);
    FieldMap fields;
    if (HeaderBlock::Parse(one.substr(1, kMaxDatagram), fields)) session.Receive(fields, sender);
  }
  return 0;
}
