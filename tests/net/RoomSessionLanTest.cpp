// Room sessions on a private LAN. Each host has its own chat socket on the real chat
// port, made inside that host's network namespace, and routes what it receives to its
// rooms the way the document does. Ticks are called directly.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>

#include "NetTestSupport.h"
#include "net/RoomSession.h"
#include "platform/SocketNotifier.h"
#include "support/NetLab.h"

namespace vostrelle {
namespace {

using Events = std::vector<std::string>;
using test::NetLab;

// "こんにちは" in CP932.
const std::string kHello = "\x82\xb1\x82\xf1\x82\xc9\x82\xbf\x82\xcd";

// One instance of the program on host k of the lab.
class Host : public ChatReceiver {
 public:
  Host(NetLab& lab, int k, PollLoop& loop) : lab_(lab), k_(k), socket_(this) {
    EXPECT_TRUE(lab_.Enter(k_));
    created_ = socket_.Create(&loop);
    EXPECT_TRUE(lab_.Leave());
    QueryInterfaces();
  }

  bool Ready() const { return created_; }

  // Queried inside the host's namespace; again after its addresses changed.
  void QueryInterfaces() {
    EXPECT_TRUE(lab_.Enter(k_));
    QueryLocalInterfaces(interfaces_, usable_);
    EXPECT_TRUE(lab_.Leave());
  }

  // A room as the document makes one: the local address of the interface on the room's
  // network. Null (and a failure) when the host has no such interface.
  RoomSession* Open(const std::string& connectTo, const std::string& room, const std::string& name,
                    const std::string& connectAlso = {}) {
    ConnectSetting setting;
    setting.ConnectTo = connectTo;
    setting.ConnectAlso = connectAlso;
    setting.NetMask = "255.255.255.0";
    setting.RoomName = room;
    setting.Name = name;
    setting.RealName = name + " real";
    const int chosen = ChooseInterface(setting, interfaces_, usable_);
    if (chosen < 0) {
      ADD_FAILURE() << "host " << k_ << " has no interface for " << connectTo;
      return nullptr;
    }
    observers_.push_back(std::make_unique<test::RecordingObserver>());
    sessions_.push_back(std::make_unique<RoomSession>(setting, &socket_, nullptr));
    RoomSession* session = sessions_.back().get();
    session->SetLocalAddress(interfaces_[static_cast<std::size_t>(chosen)].address);
    session->Attach(observers_.back().get());
    observers_.back()->events.clear();
    return session;
  }

  // What the session's observer heard since the last call.
  Events Heard(const RoomSession* session) {
    for (std::size_t i = 0; i < sessions_.size(); ++i) {
      if (sessions_[i].get() != session) continue;
      Events events;
      events.swap(observers_[i]->events);
      return events;
    }
    return {};
  }

  void Receive(const FieldMap& fields, Ipv4 sender) override {
    senders.push_back(sender);
    for (const auto& s : sessions_)
      if (s->LocalAddress() == sender) ++ownDatagrams;
    if (RoomSession* session = ChooseSession(sessions_, fields, sender))
      session->Receive(fields, sender);
  }

  // How many events the session's observer holds, without taking them.
  std::size_t Pending(const RoomSession* session) const {
    for (std::size_t i = 0; i < sessions_.size(); ++i)
      if (sessions_[i].get() == session) return observers_[i]->events.size();
    return 0;
  }

  void Silence() { socket_.Close(); }

  int ownDatagrams = 0;       // reached the socket before the room choice dropped them
  std::vector<Ipv4> senders;  // of every datagram the socket took, in order

 private:
  NetLab& lab_;
  int k_;
  ChatSocket socket_;
  bool created_ = false;
  std::vector<InterfaceInfo> interfaces_;
  std::vector<int> usable_;
  std::vector<std::unique_ptr<test::RecordingObserver>> observers_;  // outlive the sessions
  std::vector<std::unique_ptr<RoomSession>> sessions_;
};

// The member names in table order, the user's own first; the others sorted when their
// order depends on which datagram arrived first.
std::vector<std::string> Names(const RoomSession& session, bool sortOthers = false) {
  std::vector<std::string> names;
  for (int i = 0; i < session.MemberCount(); ++i) names.push_back(session.Member(i)->Name);
  if (sortOthers && names.size() > 1) std::sort(names.begin() + 1, names.end());
  return names;
}

int IndexOf(const RoomSession& session, const std::string& name) {
  for (int i = 0; i < session.MemberCount(); ++i)
    if (session.Member(i)->Name == name) return i;
  return -1;
}

TEST(RoomSessionLan, JoinChatRenameLeaveAndLiveness) {
  std::string why;
  auto lab = NetLab::Create(3, 13, &why);
  if (!lab) GTEST_SKIP() << "no private LAN: " << why;
  PollLoop loop;
  Host a(*lab, 1, loop), b(*lab, 2, loop), c(*lab, 3, loop);
  ASSERT_TRUE(a.Ready() && b.Ready() && c.Ready());
  RoomSession* ra = a.Open(lab->Broadcast(), "lobby", "ann");
  RoomSession* rb = b.Open(lab->Broadcast(), "lobby", "bob");
  RoomSession* rc = c.Open(lab->Broadcast(), "lobby", "cat");
  ASSERT_TRUE(ra && rb && rc);
  EXPECT_EQ(ra->LocalAddress(), InetAddr(lab->Address(1)));

  // Alone: the broadcast "Join" comes back to the sender and is dropped.
  ASSERT_TRUE(ra->Join());
  ASSERT_TRUE(loop.RunUntil([&] { return a.ownDatagrams >= 1; }));
  EXPECT_GE(a.ownDatagrams, 1);
  EXPECT_EQ(Names(*ra), (std::vector<std::string>{"ann"}));
  EXPECT_EQ(a.Heard(ra), Events{"joined"});

  // Each later "Join" is seen by those already in, who answer with "Notice".
  ASSERT_TRUE(rb->Join());
  ASSERT_TRUE(loop.RunUntil([&] { return ra->MemberCount() == 2 && rb->MemberCount() == 2; }));
  ASSERT_TRUE(rc->Join());
  ASSERT_TRUE(loop.RunUntil(
      [&] { return ra->MemberCount() == 3 && rb->MemberCount() == 3 && rc->MemberCount() == 3; }));
  EXPECT_EQ(Names(*ra), (std::vector<std::string>{"ann", "bob", "cat"}));
  EXPECT_EQ(Names(*rb), (std::vector<std::string>{"bob", "ann", "cat"}));
  EXPECT_EQ(Names(*rc, true), (std::vector<std::string>{"cat", "ann", "bob"}));
  EXPECT_EQ(a.Heard(ra), (Events{"added 1", "added 2"}));
  EXPECT_EQ(b.Heard(rb), (Events{"joined", "added 1", "added 2"}));
  EXPECT_EQ(c.Heard(rc), (Events{"joined", "added 1", "added 2"}));
  EXPECT_EQ(rb->Member(1)->Address, InetAddr(lab->Address(1)));

  // A line goes to every other member, CP932 bytes unchanged.
  ASSERT_TRUE(rb->SendMessage(kHello));
  ASSERT_TRUE(loop.RunUntil([&] { return a.Pending(ra) >= 1 && c.Pending(rc) >= 1; }));
  EXPECT_EQ(a.Heard(ra), Events{"message 1 bob " + kHello});
  EXPECT_EQ(c.Heard(rc),
            Events{"message " + std::to_string(IndexOf(*rc, "bob")) + " bob " + kHello});
  EXPECT_TRUE(b.Heard(rb).empty());

  ASSERT_TRUE(rc->Rename("cathy"));
  ASSERT_TRUE(loop.RunUntil([&] { return a.Pending(ra) >= 1 && b.Pending(rb) >= 1; }));
  EXPECT_EQ(a.Heard(ra), Events{"renamed 2 cat cathy"});
  EXPECT_EQ(b.Heard(rb), Events{"renamed 2 cat cathy"});

  rc->Leave();
  ASSERT_TRUE(loop.RunUntil([&] { return ra->MemberCount() == 2 && rb->MemberCount() == 2; }));
  EXPECT_EQ(a.Heard(ra), Events{"removed 2 0"});
  EXPECT_EQ(b.Heard(rb), Events{"removed 2 0"});
  EXPECT_EQ(Names(*ra), (std::vector<std::string>{"ann", "bob"}));

  // B polls A on its fourth tick; A answers and stays through the sixth.
  for (int tick = 0; tick < 4; ++tick) rb->Tick();
  ASSERT_TRUE(loop.RunUntil([&] { return rb->Member(1)->MissCount == 0u; }));
  EXPECT_EQ(rb->Member(1)->MissCount, 0u);
  for (int tick = 0; tick < 2; ++tick) rb->Tick();
  EXPECT_TRUE(b.Heard(rb).empty());
  // Once A is silent, B drops it on the sixth tick.
  a.Silence();
  for (int tick = 0; tick < 6; ++tick) {
    rb->Tick();
    loop.RunOnce(0);  // A's socket is closed: nothing comes back to wait for
  }
  EXPECT_EQ(b.Heard(rb), Events{"removed 1 1"});
  EXPECT_EQ(Names(*rb), (std::vector<std::string>{"bob"}));
}

// Host 2 sits on two networks at once and has a "lobby" on each; host 1 is only on the
// first, host 3 only on the second.
TEST(RoomSessionLan, SameRoomNameOnTwoNetworksStaysSeparate) {
  std::string why;
  auto lab = NetLab::Create(3, 14, &why);
  if (!lab) GTEST_SKIP() << "no private LAN: " << why;
  const std::string other = "10.77.15.";
  ASSERT_TRUE(lab->Enter(2));
  ASSERT_EQ(std::system(("ip addr add " + other + "2/24 brd " + other + "255 dev eth0").c_str()),
            0);
  ASSERT_TRUE(lab->Enter(3));
  ASSERT_EQ(std::system(("ip addr add " + other + "3/24 brd " + other + "255 dev eth0 && " +
                         "ip addr del " + lab->Address(3) + "/24 dev eth0")
                            .c_str()),
            0);
  ASSERT_TRUE(lab->Leave());

  PollLoop loop;
  Host a(*lab, 1, loop), b(*lab, 2, loop), c(*lab, 3, loop);
  ASSERT_TRUE(a.Ready() && b.Ready() && c.Ready());
  RoomSession* first = b.Open(lab->Broadcast(), "lobby", "bob");
  RoomSession* second = b.Open(other + "255", "lobby", "bob");
  RoomSession* ra = a.Open(lab->Broadcast(), "lobby", "ann");
  RoomSession* rc = c.Open(other + "255", "lobby", "cat");
  ASSERT_TRUE(first && second && ra && rc);
  EXPECT_EQ(second->LocalAddress(), InetAddr(other + "2"));

  for (RoomSession* s : {first, second, ra, rc}) ASSERT_TRUE(s->Join());
  ASSERT_TRUE(loop.RunUntil([&] {
    return first->MemberCount() == 2 && second->MemberCount() == 2 && ra->MemberCount() == 2 &&
           rc->MemberCount() == 2;
  }));
  EXPECT_EQ(Names(*first), (std::vector<std::string>{"bob", "ann"}));
  EXPECT_EQ(Names(*second), (std::vector<std::string>{"bob", "cat"}));
  EXPECT_EQ(Names(*ra), (std::vector<std::string>{"ann", "bob"}));
  EXPECT_EQ(Names(*rc), (std::vector<std::string>{"cat", "bob"}));
  EXPECT_EQ(first->Member(1)->Address, InetAddr(lab->Address(1)));
  EXPECT_EQ(second->Member(1)->Address, InetAddr(other + "3"));
  b.Heard(first);
  b.Heard(second);

  ASSERT_TRUE(ra->SendMessage("from one"));
  ASSERT_TRUE(rc->SendMessage("from two"));
  ASSERT_TRUE(loop.RunUntil([&] { return b.Pending(first) >= 1 && b.Pending(second) >= 1; }));
  EXPECT_EQ(b.Heard(first), Events{"message 1 ann from one"});
  EXPECT_EQ(b.Heard(second), Events{"message 1 cat from two"});
}

TEST(RoomSessionLan, RoomNamesDifferingInCaseAreDifferentRooms) {
  std::string why;
  auto lab = NetLab::Create(2, 16, &why);
  if (!lab) GTEST_SKIP() << "no private LAN: " << why;
  PollLoop loop;
  Host a(*lab, 1, loop), b(*lab, 2, loop);
  ASSERT_TRUE(a.Ready() && b.Ready());
  RoomSession* lower = a.Open(lab->Broadcast(), "lobby", "ann");
  RoomSession* upper = a.Open(lab->Broadcast(), "Lobby", "ann");
  RoomSession* rb = b.Open(lab->Broadcast(), "Lobby", "bob");
  ASSERT_TRUE(lower && upper && rb);
  EXPECT_FALSE(lower->SameRoom(*upper));

  for (RoomSession* s : {lower, upper, rb}) ASSERT_TRUE(s->Join());
  ASSERT_TRUE(loop.RunUntil([&] { return upper->MemberCount() == 2 && rb->MemberCount() == 2; }));
  EXPECT_EQ(Names(*lower), (std::vector<std::string>{"ann"}));
  EXPECT_EQ(Names(*upper), (std::vector<std::string>{"ann", "bob"}));
  EXPECT_EQ(Names(*rb), (std::vector<std::string>{"bob", "ann"}));
  a.Heard(lower);
  a.Heard(upper);

  ASSERT_TRUE(rb->SendMessage("hi"));
  ASSERT_TRUE(loop.RunUntil([&] { return a.Pending(upper) >= 1; }));
  EXPECT_EQ(a.Heard(upper), Events{"message 1 bob hi"});
  EXPECT_TRUE(a.Heard(lower).empty());
  EXPECT_FALSE(lower->SendMessage("nobody here"));
}

// Two networks behind a router that forwards no broadcast. B is in the room first;
// A joins with B's address as an extra destination, and B lists A's network by its
// broadcast address: A's "Join" reaches B across the router, B takes it and answers,
// and the two chat both ways.
TEST(RoomSessionLan, ExtraDestinationsReachMembersBehindARouter) {
  std::string why;
  auto lab = NetLab::CreateRouted(1, 21, 22, &why);
  if (!lab) GTEST_SKIP() << "no private LAN: " << why;
  PollLoop loop;
  Host a(*lab, 1, loop), b(*lab, 2, loop);
  ASSERT_TRUE(a.Ready() && b.Ready());
  RoomSession* ra = a.Open(lab->Broadcast(1), "lobby", "ann", lab->Address(2));
  RoomSession* rb = b.Open(lab->Broadcast(2), "lobby", "bob", lab->Broadcast(1));
  ASSERT_TRUE(ra && rb);
  ASSERT_TRUE(rb->Join());
  ASSERT_TRUE(ra->Join());
  ASSERT_TRUE(loop.RunUntil([&] { return ra->MemberCount() == 2 && rb->MemberCount() == 2; }));
  EXPECT_EQ(Names(*ra), (std::vector<std::string>{"ann", "bob"}));
  EXPECT_EQ(Names(*rb), (std::vector<std::string>{"bob", "ann"}));
  EXPECT_EQ(ra->Member(1)->Address, InetAddr(lab->Address(2)));
  EXPECT_EQ(rb->Member(1)->Address, InetAddr(lab->Address(1)));
  a.Heard(ra);
  b.Heard(rb);

  ASSERT_TRUE(ra->SendMessage(kHello));
  ASSERT_TRUE(rb->SendMessage("back"));
  ASSERT_TRUE(loop.RunUntil([&] { return a.Pending(ra) >= 1 && b.Pending(rb) >= 1; }));
  EXPECT_EQ(b.Heard(rb), Events{"message 1 ann " + kHello});
  EXPECT_EQ(a.Heard(ra), Events{"message 1 bob back"});
}

// Without extra destinations the broadcast "Join"s stay on their own networks; and a
// "Join" that does cross (A names B) is not taken by a room that does not name A's side.
// Each side learns that nothing more is coming from a datagram it sends last.
TEST(RoomSessionLan, WithoutExtraDestinationsARouterKeepsRoomsApart) {
  std::string why;
  auto lab = NetLab::CreateRouted(2, 23, 24, &why);
  if (!lab) GTEST_SKIP() << "no private LAN: " << why;
  PollLoop loop;
  // Hosts 1 and 3 know nothing of each other; host 2 names host 4, which does not name 2.
  Host a(*lab, 1, loop), a2(*lab, 2, loop), c(*lab, 3, loop), c2(*lab, 4, loop);
  ASSERT_TRUE(a.Ready() && a2.Ready() && c.Ready() && c2.Ready());
  RoomSession* ra = a.Open(lab->Broadcast(1), "lobby", "ann");
  RoomSession* rc = c.Open(lab->Broadcast(3), "lobby", "cat");
  RoomSession* ra2 = a2.Open(lab->Broadcast(2), "hall", "amy", lab->Address(4));
  RoomSession* rc2 = c2.Open(lab->Broadcast(4), "hall", "cal");
  ASSERT_TRUE(ra && rc && ra2 && rc2);
  for (RoomSession* s : {rc, rc2, ra, ra2}) ASSERT_TRUE(s->Join());
  // Markers, sent after the joins on the same sockets: an unknown room, dropped by all.
  FieldMap marker;
  ASSERT_TRUE(ra->SendToAddress("Notice", marker, InetAddr(lab->Address(3))));
  ASSERT_TRUE(rc->SendToAddress("Notice", marker, InetAddr(lab->Address(1))));
  const Ipv4 addr1 = InetAddr(lab->Address(1)), addr2 = InetAddr(lab->Address(2)),
             addr3 = InetAddr(lab->Address(3));
  auto from = [](const Host& h, Ipv4 sender) {
    return std::count(h.senders.begin(), h.senders.end(), sender);
  };
  ASSERT_TRUE(loop.RunUntil(
      [&] { return from(c, addr1) >= 1 && from(a, addr3) >= 1 && from(c2, addr2) >= 1; }));
  EXPECT_EQ(from(c, addr1), 1);  // the marker alone: A's broadcast Join did not cross
  EXPECT_EQ(from(a, addr3), 1);
  EXPECT_EQ(from(c2, addr2), 1);     // A2's Join to host 4 arrived...
  EXPECT_EQ(rc2->MemberCount(), 1);  // ...and was not taken
  for (RoomSession* s : {ra, rc, ra2}) EXPECT_EQ(s->MemberCount(), 1);
}

}  // namespace
}  // namespace vostrelle
