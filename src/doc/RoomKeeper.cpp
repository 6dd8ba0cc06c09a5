#include "doc/RoomKeeper.h"

#include <vector>

#include "doc/CVostrelleDoc.h"
#include "platform/Cp932.h"
#include "platform/Ipv4.h"

namespace vostrelle {

namespace {
constexpr int kDropTicks = 6;

ConnectSetting NetworkOf(const RoomSession& session) {
  ConnectSetting setting;
  setting.ConnectTo = InetNtoa(session.ConnectTo());
  setting.NetMask = InetNtoa(session.NetMask());
  return setting;
}
}  // namespace

RoomKeeper::RoomKeeper(CVostrelleDoc& doc, std::chrono::milliseconds tick)
    : doc_(doc), tick_(tick) {}

void RoomKeeper::OnAway(std::chrono::milliseconds away) {
  if (away.count() <= 0) return;
  const bool dropped = away > tick_ * kDropTicks;
  for (int i = 0; i < doc_.SessionCount(); ++i) {
    RoomSession* session = doc_.Session(i);
    if (!session || !session->IsJoined()) continue;
    if (dropped) {
      if (session->Announce())
        doc_.TellRoom(session, "しばらく離れていたので、入り直しました。"_sjis);
    } else {
      session->Reassure();
    }
  }
}

void RoomKeeper::OnAddressesChanged() {
  std::vector<InterfaceInfo> interfaces;
  std::vector<int> usable;
  doc_.QueryInterfaces(interfaces, usable);
  // Rooms may leave or be made while we go; walk by index and re-check each time.
  for (int i = 0; i < doc_.SessionCount(); ++i) {
    RoomSession* session = doc_.Session(i);
    if (!session) continue;
    const int chosen = ChooseInterface(NetworkOf(*session), interfaces, usable);
    if (chosen < 0) continue;
    const Ipv4 address = interfaces[static_cast<std::size_t>(chosen)].address;
    if (session->IsJoined()) {
      if (session->MoveTo(address))
        doc_.TellRoom(session, "アドレスが "_sjis + InetNtoa(address) + " に変わりました。"_sjis);
    } else {
      // A room whose Join failed tries again now that its network is there.
      session->MoveTo(address);
      session->Join();
    }
  }
  doc_.JoinWaitingRooms(interfaces, usable);
}

}  // namespace vostrelle
