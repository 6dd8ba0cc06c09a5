#include <gtest/gtest.h>

#include <algorithm>

#include "DocTestSupport.h"
#include "doc/RoomKeeper.h"
#include "platform/Cp932.h"

namespace vostrelle {
namespace {

using test::DocHarness;
using test::Loopback;
using test::Packet;
using test::Setting;
using Commands = std::vector<std::string>;
using std::chrono::milliseconds;

constexpr milliseconds kTick{30000};

// A document whose interface list the test changes: the room's network is
// 127.0.0.0/24, and the document's one interface has the address `local` on it (0: none).
struct Roaming : DocHarness {
  Ipv4 local = Loopback(1);
  RoomKeeper keeper{doc, kTick};
  Roaming() {
    doc.SetInterfaceQuery([this](std::vector<InterfaceInfo>& ifs, std::vector<int>& usable) {
      InterfaceInfo info{};
      info.flags = kIfUp | kIfBroadcast;
      info.address = local ? local : inet_addr("10.99.0.1");
      info.netmask = htonl(0xFFFFFF00u);
      ifs = {info};
      usable = {0};
      return true;
    });
    // Joins go to the peer on 127.0.0.2 alone.
    settings.Connects = {Setting("lobby", "me", "127.0.0.2")};
  }
  bool Shown(const std::string& text) const {
    return std::any_of(trace.begin(), trace.end(), [&](const std::string& line) {
      return line.find(text) != std::string::npos;
    });
  }
};

TEST(RoomKeeper, RoomWaitsForItsNetworkAndJoinsWhenItAppears) {
  Roaming h;
  h.local = 0;
  h.Peer(2);
  ASSERT_TRUE(h.doc.OnNewDocument());
  EXPECT_EQ(h.doc.SessionCount(), 0);
  ASSERT_EQ(h.doc.WaitingRooms().size(), 1u);

  // Another network's address changes nothing.
  h.keeper.OnAddressesChanged();
  EXPECT_EQ(h.doc.SessionCount(), 0);

  h.local = Loopback(1);
  h.keeper.OnAddressesChanged();
  ASSERT_EQ(h.doc.SessionCount(), 1);
  EXPECT_TRUE(h.doc.WaitingRooms().empty());
  EXPECT_TRUE(std::find(h.trace.begin(), h.trace.end(), "hint 3") != h.trace.end());
  h.JoinPending();
  EXPECT_TRUE(h.doc.Session(0)->IsJoined());
  EXPECT_EQ(h.Received(2), Commands{"Join"});
  // Later address messages leave the joined room alone.
  h.keeper.OnAddressesChanged();
  EXPECT_EQ(h.doc.SessionCount(), 1);
  EXPECT_TRUE(h.Received(2).empty());
}

TEST(RoomKeeper, NewAddressIsAnnouncedOncePerTick) {
  Roaming h;
  ASSERT_TRUE(h.doc.OnNewDocument());
  h.JoinPending();
  h.Send(2, Packet("Notice", "lobby", {{"Name", "bee"}}));
  h.Received(2);
  RoomSession& room = *h.doc.Session(0);

  h.local = Loopback(9);
  h.keeper.OnAddressesChanged();
  EXPECT_EQ(room.LocalAddress(), Loopback(9));
  EXPECT_EQ(room.Member(0)->Address, Loopback(9));  // the own record follows
  EXPECT_EQ(room.MemberCount(), 2);
  EXPECT_EQ(h.Received(2), Commands{"Join"});
  EXPECT_TRUE(h.Shown("アドレスが 127.0.0.9 に変わりました。"_sjis));

  // A storm of changes within one tick: the last address is announced on the next tick.
  for (int i = 0; i < 20; ++i) {
    h.local = Loopback(10 + i % 2);
    h.keeper.OnAddressesChanged();
  }
  EXPECT_TRUE(h.Received(2).empty());
  room.Tick();
  EXPECT_EQ(h.Received(2), Commands{"Join"});
  EXPECT_EQ(room.LocalAddress(), Loopback(11));
  room.Tick();
  EXPECT_TRUE(h.Received(2).empty());
}

TEST(RoomKeeper, LongAbsenceRejoinsShortOneReassures) {
  Roaming h;
  ASSERT_TRUE(h.doc.OnNewDocument());
  h.JoinPending();
  h.Send(2, Packet("Notice", "lobby", {{"Name", "bee"}}));
  h.Send(3, Packet("Notice", "lobby", {{"Name", "sea"}}));
  h.Received(2);
  RoomSession& room = *h.doc.Session(0);

  // Not away: nothing at all goes out.
  h.keeper.OnAway(milliseconds(0));
  EXPECT_TRUE(h.Received(2).empty());

  // Away for less than the drop time: each member hears a "Notice", nobody a "Join";
  // once a tick, however often the machine wakes.
  h.keeper.OnAway(kTick * 5);
  h.keeper.OnAway(kTick * 2);
  EXPECT_EQ(h.Received(2), Commands{"Notice"});
  EXPECT_EQ(h.Received(3), Commands{"Notice"});
  room.Tick();

  // Longer: "Join" to the room's address, and the room says so. The members stay listed.
  h.keeper.OnAway(kTick * 6 + milliseconds(1));
  EXPECT_EQ(h.Received(2), Commands{"Join"});
  EXPECT_TRUE(h.Received(3).empty());
  EXPECT_EQ(room.MemberCount(), 3);
  EXPECT_TRUE(h.Shown("しばらく離れていたので、入り直しました。"_sjis));
  // Bounded: later wakes within the same tick send one more "Join" at the next tick,
  // and the room says it once.
  h.trace.clear();
  h.keeper.OnAway(kTick * 7);
  h.keeper.OnAway(kTick * 8);
  EXPECT_TRUE(h.Received(2).empty());
  EXPECT_EQ(std::count_if(h.trace.begin(), h.trace.end(),
                          [](const std::string& line) {
                            return line.find("しばらく離れていたので、入り直しました。"_sjis) !=
                                   std::string::npos;
                          }),
            1);
  room.Tick();
  EXPECT_EQ(h.Received(2), Commands{"Join"});
}

}  // namespace
}  // namespace vostrelle
