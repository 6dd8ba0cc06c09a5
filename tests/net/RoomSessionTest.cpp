#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "NetTestSupport.h"
#include "net/RoomSession.h"

namespace vostrelle {
namespace {

using test::Addr;
using test::ReadPacket;
using Events = std::vector<std::string>;

struct NullReceiver : ChatReceiver {
  void Receive(const FieldMap&, Ipv4) override {}
};

ConnectSetting Setting(const char* connectTo, const char* mask, const char* room,
                       const char* name = "me") {
  ConnectSetting s;
  s.ConnectTo = connectTo;
  s.NetMask = mask;
  s.RoomName = room;
  s.Name = name;
  s.RealName = "Real Me";
  return s;
}

// The session lives on 127.0.0.1; members B and C are peers on 127.0.0.2 and
// 127.0.0.3 that read what the session sends them.
class RoomSessionTest : public ::testing::Test {
 protected:
  const std::uint16_t kPort = test::FreeUdpPort();
  const Ipv4 kSelf = Addr("127.0.0.1"), kB = Addr("127.0.0.2"), kC = Addr("127.0.0.3");

  void SetUp() override {
    ASSERT_TRUE(chat.Create(nullptr, kSelf));
    ASSERT_TRUE(b.Open(kPort, false, kB));
    ASSERT_TRUE(c.Open(kPort, false, kC));
    session.SetLocalAddress(kSelf);
    session.Attach(&observer);
    ASSERT_TRUE(session.Join());
    ASSERT_EQ(ReadPacket(b).at("Command"), "Join");
    observer.events.clear();
  }
  void From(Ipv4 source, FieldMap fields) { session.Receive(fields, source); }
  void AddB() { From(kB, {{"Command", "Notice"}, {"Room", "lobby"}, {"Name", "bee"}}); }
  void AddC() { From(kC, {{"Command", "Notice"}, {"Room", "lobby"}, {"Name", "sea"}}); }

  NullReceiver receiver;
  ChatSocket chat{&receiver, kPort};
  UdpSocket b, c;
  test::FakeUserInterface ui;
  test::RecordingObserver observer;  // outlives the session, which notifies it on destruction
  RoomSession session{Setting("127.0.0.2", "255.0.0.0", "lobby"), &chat, &ui};
};

TEST_F(RoomSessionTest, JoinAloneLeavesOnlyTheUser) {
  ASSERT_EQ(session.MemberCount(), 1);
  EXPECT_EQ(session.Member(0)->Address, kSelf);
  EXPECT_EQ(session.Member(0)->Name, "me");
  EXPECT_TRUE(session.IsJoined());
  // Nobody else to send to: Message, Notice and Part report failure.
  EXPECT_FALSE(session.SendMessage("hello"));
  EXPECT_TRUE(ReadPacket(b, 100).empty());
}

TEST_F(RoomSessionTest, ChatPacketsAddRenameAndDeliver) {
  From(kB, {{"Command", "Message"}, {"Room", "lobby"}, {"Name", "bee"}, {"Message", "hi"}});
  From(kB, {{"Command", "Notice"}, {"Room", "lobby"}, {"Name", "bee"}});
  From(kB, {{"Command", "Notice"}, {"Room", "lobby"}, {"Name", "bea"}});
  From(kB, {{"Command", "Message"}, {"Room", "lobby"}, {"Name", "bea"}});  // no text
  EXPECT_EQ(observer.events, (Events{"added 1", "message 1 bee hi", "renamed 1 bee bea"}));
  EXPECT_EQ(session.Member(1)->Name, "bea");
}

TEST_F(RoomSessionTest, OutOfLimitPacketsAreIgnoredWhole) {
  From(kB, {{"Command", "Message"},
            {"Room", "lobby"},
            {"Name", "bee"},
            {"Message", std::string(257, 'm')}});
  From(kB, {{"Command", "Notice"}, {"Room", "lobby"}, {"Name", std::string(17, 'n')}});
  From(kB, {{"Command", "Notice"}, {"Room", "lobby"}});  // Name required
  EXPECT_TRUE(observer.events.empty());
  EXPECT_EQ(session.MemberCount(), 1);
  From(kB, {{"Command", "Notice"}, {"Room", "lobby"}, {"Name", std::string(16, 'n')}});
  EXPECT_EQ(session.MemberCount(), 2);
}

TEST_F(RoomSessionTest, JoinFromMemberReappendsAndIsAnswered) {
  AddB();
  AddC();
  observer.events.clear();
  From(kB, {{"Command", "Join"}, {"Room", "lobby"}, {"Name", "bee2"}});
  EXPECT_EQ(observer.events, (Events{"removed 1 0", "added 2"}));
  EXPECT_EQ(session.Member(1)->Address, kC);
  EXPECT_EQ(session.Member(2)->Address, kB);
  EXPECT_EQ(session.Member(2)->Name, "bee2");
  const FieldMap notice = ReadPacket(b);
  EXPECT_EQ(notice, (FieldMap{{"Command", "Notice"}, {"Room", "lobby"}, {"Name", "me"}}));
}

TEST_F(RoomSessionTest, SilentMemberIsPolledOnFourthTickAndDroppedOnSixth) {
  AddB();
  observer.events.clear();
  for (int tick = 1; tick <= 3; ++tick) session.Tick();
  EXPECT_TRUE(ReadPacket(b, 100).empty());
  session.Tick();
  EXPECT_EQ(ReadPacket(b).at("Command"), "ReqNotice");
  session.Tick();
  EXPECT_TRUE(observer.events.empty());
  session.Tick();
  EXPECT_EQ(observer.events, (Events{"removed 1 1"}));
  // The user's own record is never polled or dropped.
  for (int tick = 0; tick < 10; ++tick) session.Tick();
  ASSERT_EQ(session.MemberCount(), 1);
  EXPECT_EQ(session.Member(0)->Address, kSelf);
}

TEST_F(RoomSessionTest, AnyPacketFromMemberResetsItsSilence) {
  AddB();
  AddC();
  observer.events.clear();
  for (int tick = 1; tick <= 4; ++tick) session.Tick();
  From(kB, {{"Command", "Notice"}, {"Room", "lobby"}, {"Name", "bee"}});
  From(kC, {{"Command", "Bogus"}, {"Room", "lobby"}});
  EXPECT_EQ(session.Member(1)->MissCount, 0u);
  EXPECT_EQ(session.Member(2)->MissCount, 0u);
  session.Tick();
  session.Tick();
  EXPECT_TRUE(observer.events.empty());
  EXPECT_EQ(session.MemberCount(), 3);
}

TEST_F(RoomSessionTest, RequestsOnlyFromMembers) {
  From(kC, {{"Command", "ReqInformation"}, {"Room", "lobby"}});
  From(kC, {{"Command", "Information"},
            {"Room", "lobby"},
            {"Name", "s"},
            {"RealName", "r"},
            {"Version", "v"}});
  EXPECT_TRUE(ReadPacket(c, 100).empty());
  EXPECT_TRUE(observer.events.empty());
  EXPECT_EQ(session.MemberCount(), 1);

  AddC();
  From(kC, {{"Command", "ReqInformation"}, {"Room", "lobby"}});
  EXPECT_EQ(ReadPacket(c), (FieldMap{{"Command", "Information"},
                                     {"Room", "lobby"},
                                     {"Name", "me"},
                                     {"RealName", "Real Me"},
                                     {"Version", "Vostrelle ver 1.02"}}));
  From(kC, {{"Command", "ReqNotice"}, {"Room", "lobby"}});
  EXPECT_EQ(ReadPacket(c).at("Command"), "Notice");
  From(kC, {{"Command", "Information"},
            {"Room", "lobby"},
            {"Name", "s"},
            {"RealName", "r"},
            {"Version", "v"}});
  EXPECT_EQ(observer.events.back(), "info s r v");
}

// A poll from someone we no longer list is answered with a "Join" to that sender alone,
// once per sender until the next tick however many polls arrive.
TEST_F(RoomSessionTest, PollFromStrangerIsAnsweredWithOneJoinPerTick) {
  for (int i = 0; i < 50; ++i) From(kC, {{"Command", "ReqNotice"}, {"Room", "lobby"}});
  EXPECT_EQ(ReadPacket(c), (FieldMap{{"Command", "Join"}, {"Room", "lobby"}, {"Name", "me"}}));
  EXPECT_TRUE(ReadPacket(c, 100).empty());
  EXPECT_TRUE(ReadPacket(b, 50).empty());  // nobody else hears it
  EXPECT_EQ(session.MemberCount(), 1);     // the poll itself adds nobody

  From(kB, {{"Command", "ReqNotice"}, {"Room", "lobby"}});
  EXPECT_EQ(ReadPacket(b).at("Command"), "Join");

  session.Tick();
  From(kC, {{"Command", "ReqNotice"}, {"Room", "lobby"}});
  EXPECT_EQ(ReadPacket(c).at("Command"), "Join");

  // Once the two know each other again, a poll gets the usual "Notice".
  AddC();
  From(kC, {{"Command", "ReqNotice"}, {"Room", "lobby"}});
  EXPECT_EQ(ReadPacket(c).at("Command"), "Notice");
  EXPECT_EQ(observer.events, (Events{"added 1"}));
}

TEST_F(RoomSessionTest, FileOfferNumbersUseDecimalPrefix) {
  AddB();
  observer.events.clear();
  auto offer = [&](const char* size, const char* port) {
    From(kB, {{"Command", "File"},
              {"Room", "lobby"},
              {"FileName", "a.txt"},
              {"FileSize", size},
              {"Port", port},
              {"ID", "7"}});
  };
  offer(" 12abc", "port");
  offer("99999999999", "28889");  // saturates rather than wrapping
  From(kB, {{"Command", "File"}, {"Room", "lobby"}, {"FileName", "a.txt"}, {"ID", "7"}});
  EXPECT_EQ(observer.events, (Events{"file 1 7 a.txt 12 0", "file 1 7 a.txt 4294967295 28889"}));
}

TEST_F(RoomSessionTest, MessagesReachEveryOtherMemberButLineBreaksSendNothing) {
  AddB();
  AddC();
  ASSERT_TRUE(session.SendMessage("yo"));
  EXPECT_EQ(ReadPacket(b).at("Message"), "yo");
  EXPECT_EQ(ReadPacket(c).at("Message"), "yo");
  EXPECT_FALSE(session.SendMessage("hi\r\nName: forged"));
  EXPECT_FALSE(session.SendMessage(std::string("a\0b", 3)));
  EXPECT_FALSE(session.OfferFile(1, "id", "a\nb", 1, 1));
  EXPECT_TRUE(ReadPacket(b, 100).empty());
}

TEST_F(RoomSessionTest, OwnInformationAndRequestsAreLocal) {
  AddB();
  observer.events.clear();
  session.RequestInformation(0);
  session.RequestInformation(7);
  session.RequestFileSend(0, "/tmp/x");
  session.RequestFileSend(1, "/tmp/y");
  session.EnterLine("typed");
  EXPECT_EQ(observer.events,
            (Events{"info me Real Me Vostrelle ver 1.02", "sendfile 1 /tmp/y", "line 0 me typed"}));
  EXPECT_TRUE(ReadPacket(b, 100).empty());
}

TEST_F(RoomSessionTest, RenameUpdatesOwnRecordAndNotifiesMembers) {
  AddB();
  observer.events.clear();
  ASSERT_TRUE(session.Rename("me"));
  EXPECT_EQ(ReadPacket(b).at("Name"), "me");
  ui.enteredName = "newme";
  session.RenameByDialog();
  EXPECT_EQ(ui.shownName, "me");
  EXPECT_EQ(ReadPacket(b).at("Name"), "newme");
  ui.confirmName = false;
  ui.enteredName = "ignored";
  session.RenameByDialog();
  EXPECT_EQ(observer.events, (Events{"renamed 0 me me", "renamed 0 me newme"}));
  EXPECT_EQ(session.Member(0)->Name, "newme");
  EXPECT_EQ(session.Name(), "newme");
}

TEST_F(RoomSessionTest, OwnAddressCannotTouchOwnRecord) {
  From(kSelf, {{"Command", "Join"}, {"Room", "lobby"}, {"Name", "evil"}});
  From(kSelf, {{"Command", "Notice"}, {"Room", "lobby"}, {"Name", "evil"}});
  ASSERT_EQ(session.MemberCount(), 1);
  EXPECT_EQ(session.Member(0)->Name, "me");
  EXPECT_TRUE(observer.events.empty());
}

TEST_F(RoomSessionTest, LeaveSendsPartWithoutRemovalEvents) {
  AddB();
  observer.events.clear();
  session.Leave();
  EXPECT_EQ(observer.events, (Events{"leaving"}));
  EXPECT_EQ(ReadPacket(b), (FieldMap{{"Command", "Part"}, {"Room", "lobby"}}));
  EXPECT_FALSE(session.IsJoined());
  EXPECT_EQ(session.MemberCount(), 0);
  session.Leave();
  EXPECT_EQ(observer.events.size(), 1u);
}

TEST(RoomSessionLifetime, ObserversHearInAttachOrderAndForgetTheSession) {
  std::vector<std::string> order;
  struct Named : test::RecordingObserver {
    std::vector<std::string>* order;
    std::string name;
    void OnAttached(RoomSession* s) override {
      order->push_back(name + " attached");
      EXPECT_EQ(Session(), s);
    }
    void OnSessionDestroyed(RoomSession* s) override {
      order->push_back(name + " destroyed");
      RoomObserver::OnSessionDestroyed(s);
    }
  } first, second;
  first.order = second.order = &order;
  first.name = "first";
  second.name = "second";
  {
    RoomSession session{Setting("127.0.0.1", "255.0.0.0", ""), nullptr, nullptr};
    session.Attach(&first);
    session.Attach(&second);
    EXPECT_EQ(session.RoomDisplayName(), "(Default)");
    EXPECT_FALSE(session.Join());  // no socket: the send fails, the session stays out
    EXPECT_FALSE(session.IsJoined());
    session.Receive({{"Command", "Notice"}, {"Room", ""}, {"Name", "n"}}, Addr("127.0.0.2"));
    EXPECT_EQ(session.MemberCount(), 0);
  }
  EXPECT_EQ(order,
            (Events{"first attached", "second attached", "first destroyed", "second destroyed"}));
  EXPECT_EQ(first.Session(), nullptr);
  EXPECT_EQ(second.Session(), nullptr);
}

TEST(RoomAddressing, NetworkAndSameRoom) {
  RoomSession room{Setting("192.168.1.255", "255.255.255.0", "a"), nullptr, nullptr};
  EXPECT_TRUE(room.ContainsAddress(Addr("192.168.1.7")));
  EXPECT_FALSE(room.ContainsAddress(Addr("192.168.2.7")));
  RoomSession same{Setting("192.168.1.3", "255.255.255.0", "a"), nullptr, nullptr};
  RoomSession otherCase{Setting("192.168.1.255", "255.255.255.0", "A"), nullptr, nullptr};
  room.SetLocalAddress(Addr("192.168.1.5"));
  same.SetLocalAddress(Addr("192.168.1.5"));
  otherCase.SetLocalAddress(Addr("192.168.1.5"));
  EXPECT_TRUE(room.SameRoom(same));
  EXPECT_FALSE(room.SameRoom(otherCase));
  same.SetLocalAddress(Addr("192.168.1.6"));
  EXPECT_FALSE(room.SameRoom(same));
  EXPECT_EQ(RoomDisplayName("x"), "x");
}

TEST(RoomAddressing, InterfaceChoiceSkipsUnusableEntries) {
  const unsigned upBcast = kIfUp | kIfBroadcast;
  std::vector<InterfaceInfo> list = {
      {upBcast | kIfLoopback, Addr("192.168.1.1"), 0, Addr("255.255.255.0"), {}, {}, {}},
      {upBcast, Addr("192.168.1.2"), 0, Addr("255.255.255.255"), {}, {}, {}},  // point-to-point
      {kIfUp, Addr("192.168.1.3"), 0, Addr("255.255.255.0"), {}, {}, {}},      // no broadcast
      {upBcast, 0, 0, Addr("255.255.255.0"), {}, {}, {}},
      {upBcast, Addr("10.0.0.4"), 0, Addr("255.0.0.0"), {}, {}, {}},
      {upBcast, Addr("192.168.1.5"), 0, Addr("255.255.255.0"), {}, {}, {}},
      {upBcast, Addr("192.168.1.6"), 0, Addr("255.255.255.0"), {}, {}, {}},
  };
  std::vector<int> usable;
  for (std::size_t i = 0; i < list.size(); ++i)
    if (IsUsableInterface(list[i])) usable.push_back(static_cast<int>(i));
  EXPECT_EQ(usable, (std::vector<int>{4, 5, 6}));
  EXPECT_EQ(ChooseInterface(Setting("192.168.1.255", "255.255.255.0", ""), list, usable), 5);
  EXPECT_EQ(ChooseInterface(Setting("10.9.9.9", "255.0.0.0", ""), list, usable), 4);
  EXPECT_EQ(ChooseInterface(Setting("172.16.0.255", "255.255.0.0", ""), list, usable), -1);
}

// Rooms on loopback subnets, so that joining sends nothing off this machine.
TEST(RoomAddressing, ChooseSessionByOwnAddressNetworkAndRoom) {
  NullReceiver receiver;
  ChatSocket chat{&receiver, 40301};
  ASSERT_TRUE(chat.Create(nullptr, Addr("127.0.0.1")));
  std::vector<std::unique_ptr<RoomSession>> sessions;
  auto add = [&](const char* connectTo, const char* room, const char* local, bool join) {
    sessions.push_back(
        std::make_unique<RoomSession>(Setting(connectTo, "255.255.0.0", room), &chat, nullptr));
    sessions.back()->SetLocalAddress(Addr(local));
    if (join) {
      EXPECT_TRUE(sessions.back()->Join());
    }
    return sessions.back().get();
  };
  RoomSession* idle = add("127.1.0.255", "r", "127.1.0.1", false);
  RoomSession* r1 = add("127.1.0.255", "r", "127.1.0.1", true);
  RoomSession* upper1 = add("127.1.0.255", "R", "127.1.0.1", true);
  RoomSession* r2 = add("127.2.0.255", "r", "127.2.0.1", true);
  RoomSession* default2 = add("127.2.0.255", "", "127.2.0.1", true);
  (void)idle;

  auto choose = [&](FieldMap fields, const char* sender) {
    return ChooseSession(sessions, fields, Addr(sender));
  };
  EXPECT_EQ(choose({{"Room", "r"}}, "127.1.3.4"), r1);
  EXPECT_EQ(choose({{"Room", "R"}}, "127.1.3.4"), upper1);
  EXPECT_EQ(choose({{"Room", "r"}}, "127.2.3.4"), r2);
  EXPECT_EQ(choose({}, "127.2.3.4"), default2);  // no Room field = the default room
  EXPECT_EQ(choose({{"Room", ""}}, "127.1.3.4"), nullptr);
  EXPECT_EQ(choose({{"Room", "r"}}, "127.3.3.4"), nullptr);
  // The user's own address on any joined session: dropped even for the other network.
  EXPECT_EQ(choose({{"Room", "r"}}, "127.2.0.1"), nullptr);
  EXPECT_EQ(choose({{"Room", "R"}}, "127.1.0.1"), nullptr);
}

// Extra destinations: "Join" goes to ConnectTo first, then to each extra address once
// (never to ConnectTo twice, never to the user's own address), both when joining and
// when the room announces itself again.
TEST(RoomAddressing, JoinAndAnnounceAlsoGoToEachExtraDestination) {
  const std::uint16_t port = test::FreeUdpPort();
  NullReceiver receiver;
  ChatSocket chat{&receiver, port};
  ASSERT_TRUE(chat.Create(nullptr, Addr("127.0.0.1")));
  UdpSocket b, c, d;
  ASSERT_TRUE(b.Open(port, false, Addr("127.0.0.2")));
  ASSERT_TRUE(c.Open(port, false, Addr("127.0.0.3")));
  ASSERT_TRUE(d.Open(port, false, Addr("127.0.0.4")));
  ConnectSetting setting = Setting("127.0.0.2", "255.255.255.0", "lobby");
  setting.ConnectAlso = "127.0.0.3 127.0.0.2 nonsense 127.0.0.1 127.0.0.4";
  RoomSession session{setting, &chat, nullptr};
  session.SetLocalAddress(Addr("127.0.0.1"));
  EXPECT_EQ(session.ExtraDestinations(), (std::vector<Ipv4>{Addr("127.0.0.3"), Addr("127.0.0.2"),
                                                            Addr("127.0.0.1"), Addr("127.0.0.4")}));
  const FieldMap join{{"Command", "Join"}, {"Room", "lobby"}, {"Name", "me"}};
  for (int round = 0; round < 2; ++round) {
    ASSERT_TRUE(round == 0 ? session.Join() : (session.Tick(), session.Announce()));
    for (UdpSocket* peer : {&b, &c, &d}) {
      EXPECT_EQ(ReadPacket(*peer), join) << round;
      EXPECT_TRUE(ReadPacket(*peer, 50).empty()) << round;
    }
  }
}

// A room takes datagrams from its own network and from what its extra destinations
// cover: a host address itself, a broadcast address the block it closes.
TEST(RoomAddressing, ExtraDestinationsWidenTheReceiveChoice) {
  ConnectSetting setting = Setting("127.1.0.255", "255.255.0.0", "r");
  setting.ConnectAlso = "127.9.0.255 127.8.0.6";
  RoomSession room{setting, nullptr, nullptr};
  EXPECT_TRUE(room.ContainsAddress(Addr("127.1.2.3")));
  EXPECT_TRUE(room.ContainsAddress(Addr("127.9.0.7")));
  EXPECT_FALSE(room.ContainsAddress(Addr("127.9.1.7")));
  EXPECT_TRUE(room.ContainsAddress(Addr("127.8.0.6")));
  EXPECT_FALSE(room.ContainsAddress(Addr("127.8.0.7")));
  EXPECT_FALSE(room.ContainsAddress(Addr("127.7.0.6")));

  NullReceiver receiver;
  ChatSocket chat{&receiver, test::FreeUdpPort()};
  ASSERT_TRUE(chat.Create(nullptr, Addr("127.0.0.1")));
  std::vector<std::unique_ptr<RoomSession>> sessions;
  setting.ConnectTo = "127.1.0.1";  // unicast on loopback: nothing leaves the machine
  sessions.push_back(std::make_unique<RoomSession>(setting, &chat, nullptr));
  sessions.back()->SetLocalAddress(Addr("127.1.0.1"));
  ASSERT_TRUE(sessions.back()->Join());
  EXPECT_EQ(ChooseSession(sessions, {{"Room", "r"}}, Addr("127.9.0.7")), sessions[0].get());
  EXPECT_EQ(ChooseSession(sessions, {{"Room", "r"}}, Addr("127.8.0.6")), sessions[0].get());
  // The room name still has to match, and others stay out.
  EXPECT_EQ(ChooseSession(sessions, {{"Room", "x"}}, Addr("127.9.0.7")), nullptr);
  EXPECT_EQ(ChooseSession(sessions, {{"Room", "r"}}, Addr("127.8.0.7")), nullptr);

  // A later room of the same name on the sender's own network takes it instead.
  setting.ConnectTo = "127.9.0.1";
  setting.NetMask = "255.255.255.0";
  sessions.push_back(std::make_unique<RoomSession>(setting, &chat, nullptr));
  sessions.back()->SetLocalAddress(Addr("127.9.0.1"));
  ASSERT_TRUE(sessions.back()->Join());
  EXPECT_EQ(ChooseSession(sessions, {{"Room", "r"}}, Addr("127.9.0.7")), sessions[1].get());
  EXPECT_EQ(ChooseSession(sessions, {{"Room", "r"}}, Addr("127.8.0.6")), sessions[0].get());
}

// An observer may destroy the session, or make it leave, from inside any notification.
// The call that raised the notification must then touch nothing that is gone (the
// sanitizer builds turn a slip into a failure) and notify nobody further.
class RoomSessionTeardownTest : public ::testing::Test {
 protected:
  const std::uint16_t kPort = test::FreeUdpPort();
  const Ipv4 kSelf = Addr("127.0.0.1"), kB = Addr("127.0.0.2"), kC = Addr("127.0.0.3"),
             kD = Addr("127.0.0.4");

  void SetUp() override {
    ASSERT_TRUE(chat.Create(nullptr, kSelf));
    MakeSession();
  }
  // A fresh joined session with members B and C.
  void MakeSession() {
    first.onEvent = nullptr;
    session.reset();
    session =
        std::make_unique<RoomSession>(Setting("127.0.0.2", "255.0.0.0", "lobby"), &chat, nullptr);
    session->SetLocalAddress(kSelf);
    session->Attach(&first);
    session->Attach(&second);
    ASSERT_TRUE(session->Join());
    From(kB, {{"Command", "Notice"}, {"Room", "lobby"}, {"Name", "bee"}});
    From(kC, {{"Command", "Notice"}, {"Room", "lobby"}, {"Name", "sea"}});
    first.events.clear();
    second.events.clear();
  }
  void From(Ipv4 source, FieldMap fields) { session->Receive(fields, source); }
  // On the first event of first that starts with prefix, run what.
  void On(const std::string& prefix, std::function<void()> what) {
    first.onEvent = [this, prefix, what, done = false](const std::string& e) mutable {
      if (done || e.rfind(prefix, 0) != 0) return;
      done = true;
      what();
    };
  }
  void DestroyOn(const std::string& prefix) {
    On(prefix, [this] { session.reset(); });
  }

  NullReceiver receiver;
  ChatSocket chat{&receiver, kPort};
  test::RecordingObserver first, second;  // outlive the session
  std::unique_ptr<RoomSession> session;
};

TEST_F(RoomSessionTeardownTest, DestroyedFromInsideReceive) {
  struct Case {
    const char* prefix;
    Ipv4 from;
    FieldMap fields;
    Events heard;  // by first, the observer that destroys
  };
  const std::vector<Case> cases = {
      {"message",
       kB,
       {{"Command", "Message"}, {"Room", "lobby"}, {"Name", "bee"}, {"Message", "hi"}},
       {"message 1 bee hi", "destroyed"}},
      // Renamed, then the message would follow.
      {"renamed",
       kB,
       {{"Command", "Message"}, {"Room", "lobby"}, {"Name", "bea"}, {"Message", "hi"}},
       {"renamed 1 bee bea", "destroyed"}},
      // Added, then the "Notice" answer would go out through the session.
      {"added",
       kD,
       {{"Command", "Join"}, {"Room", "lobby"}, {"Name", "dee"}},
       {"added 3", "destroyed"}},
      // A repeated "Join": removed, then the record would be appended again.
      {"removed",
       kB,
       {{"Command", "Join"}, {"Room", "lobby"}, {"Name", "bee"}},
       {"removed 1 0", "destroyed"}},
      {"removed", kC, {{"Command", "Part"}, {"Room", "lobby"}}, {"removed 2 0", "destroyed"}},
      {"added",
       kD,
       {{"Command", "Message"}, {"Room", "lobby"}, {"Name", "dee"}, {"Message", "hi"}},
       {"added 3", "destroyed"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.prefix + std::string(" from ") + InetNtoa(c.from));
    MakeSession();
    DestroyOn(c.prefix);
    From(c.from, c.fields);
    EXPECT_EQ(session, nullptr);
    EXPECT_EQ(first.events, c.heard);
    EXPECT_EQ(second.events, Events{"destroyed"});
    EXPECT_EQ(first.Session(), nullptr);
  }
}

TEST_F(RoomSessionTeardownTest, DestroyedFromInsideTickOrOwnCommands) {
  DestroyOn("removed");
  for (int tick = 0; tick < 6 && session; ++tick) session->Tick();
  EXPECT_EQ(session, nullptr);
  // Both members fell silent together; the tick stopped after the first removal.
  EXPECT_EQ(first.events, (Events{"removed 2 1", "destroyed"}));
  EXPECT_EQ(second.events, Events{"destroyed"});

  MakeSession();
  DestroyOn("leaving");
  session->Leave();
  EXPECT_EQ(first.events, (Events{"leaving", "destroyed"}));
  EXPECT_EQ(second.events, Events{"destroyed"});

  MakeSession();
  DestroyOn("renamed");
  EXPECT_FALSE(session->Rename("new"));
  EXPECT_EQ(first.events, (Events{"renamed 0 me new", "destroyed"}));
}

TEST_F(RoomSessionTeardownTest, LeavingFromInsideANotificationStopsTheCall) {
  // A removal that makes the session leave: the tick and the removal itself must cope
  // with the emptied table.
  On("removed", [this] { session->Leave(); });
  for (int tick = 0; tick < 6; ++tick) session->Tick();
  EXPECT_FALSE(session->IsJoined());
  EXPECT_EQ(session->MemberCount(), 0);
  EXPECT_EQ(first.events, (Events{"removed 2 1", "leaving"}));

  // A repeated "Join" whose removal makes the session leave: the sender is not appended
  // to the left session, and no answer goes out.
  MakeSession();
  On("removed", [this] { session->Leave(); });
  From(kB, {{"Command", "Join"}, {"Room", "lobby"}, {"Name", "bee"}});
  EXPECT_EQ(session->MemberCount(), 0);
  EXPECT_EQ(first.events, (Events{"removed 1 0", "leaving"}));

  MakeSession();
  On("added", [this] { session->Leave(); });
  From(kD, {{"Command", "Message"}, {"Room", "lobby"}, {"Name", "dee"}, {"Message", "hi"}});
  EXPECT_EQ(session->MemberCount(), 0);
  EXPECT_EQ(first.events, (Events{"added 3", "leaving"}));
}

}  // namespace
}  // namespace vostrelle
