#include <gtest/gtest.h>

#include <algorithm>

#include "DocTestSupport.h"
#include "doc/CVostrelleDoc.h"
#include "platform/CommandIds.h"
#include "platform/Cp932.h"
#include "platform/FileSystem.h"
#include "store/ChatLog.h"

namespace vostrelle {
namespace {

using test::DocHarness;
using test::Packet;
using test::Setting;

bool Contains(const std::vector<std::string>& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

std::string LogOf(DocHarness& h, const std::string& roomFolder) {
  return test::ReadFile(h.settings.Log.SaveFolder + "/" + roomFolder + "/" + LogFileNameFor(h.now));
}

TEST(CVostrelleDoc, FirstStartAsksOnceAndCancelLeavesNoRoom) {
  DocHarness h;
  ASSERT_TRUE(h.doc.OnNewDocument());
  EXPECT_EQ(h.ui.connectDialogs, 1);
  EXPECT_EQ(h.doc.SessionCount(), 0);
  EXPECT_EQ(h.doc.CurrentRoom(), -1);
  EXPECT_EQ(h.doc.CurrentSession(), nullptr);
  EXPECT_TRUE(h.settings.Connects.empty());
  EXPECT_EQ(h.doc.GetTitle(), "未接続"_sjis);
  // Stepping and leaving with no room do nothing.
  h.doc.StepRoom(1);
  h.doc.OnLeaveRoom();
  EXPECT_EQ(h.doc.CurrentRoom(), -1);
  EXPECT_TRUE(h.ui.messages.empty());
}

TEST(CVostrelleDoc, FirstStartConfirmedIsStoredAndJoins) {
  DocHarness h;
  h.ui.connectAnswers.push_back(Setting("lobby"));
  ASSERT_TRUE(h.doc.OnNewDocument());
  ASSERT_EQ(h.settings.Connects.size(), 1u);
  EXPECT_NE(test::ReadFile(h.dir.File("connects.xml")).find("<RoomName>lobby</RoomName>"),
            std::string::npos);
  ASSERT_EQ(h.doc.SessionCount(), 1);
  EXPECT_EQ(h.doc.CurrentRoom(), 0);
  EXPECT_EQ(h.doc.PendingViews(), std::vector<int>{0});
  h.JoinPending();
  EXPECT_TRUE(h.doc.Session(0)->IsJoined());
  EXPECT_TRUE(h.doc.PendingViews().empty());
}

TEST(CVostrelleDoc, SocketInUseFailsWithMessage) {
  DocHarness h;
  UdpSocket holder;
  ASSERT_TRUE(holder.Open(h.port, false, test::Loopback(1)));
  EXPECT_FALSE(h.doc.OnNewDocument());
  EXPECT_EQ(h.ui.messages, std::vector<std::string>{"ソケットを初期化できませんでした。"_sjis});
  EXPECT_EQ(h.doc.Socket(), nullptr);
}

TEST(CVostrelleDoc, SameRoomTwiceGivesOneSessionSelected) {
  DocHarness h;
  h.settings.Connects = {Setting("r", "a"), Setting("r", "b", "127.0.0.255"),
                         Setting("nowhere", "c", "10.99.0.255")};
  ASSERT_TRUE(h.doc.OnNewDocument());
  EXPECT_EQ(h.ui.connectDialogs, 0);
  EXPECT_EQ(h.doc.SessionCount(), 1);  // the third matches no interface: silently none
  EXPECT_EQ(h.doc.CurrentRoom(), 0);
  EXPECT_EQ(h.doc.Session(0)->Name(), "a");
  // The duplicate selected the existing room: two passes of hint 2.
  EXPECT_TRUE(Contains(h.trace, "hint 2 show room"));
  EXPECT_TRUE(Contains(h.trace, "hint 2 hide room"));
}

class ThreeRooms : public ::testing::Test {
 protected:
  void SetUp() override {
    h.settings.Connects = {Setting("a"), Setting("b"), Setting("c")};
    ASSERT_TRUE(h.doc.OnNewDocument());
    ASSERT_EQ(h.doc.SessionCount(), 3);
    h.JoinPending();
    h.trace.clear();
  }
  DocHarness h;
};

TEST_F(ThreeRooms, StepRoomCyclesThroughJoinedRoomsAndNone) {
  h.doc.Session(1)->Leave();  // joined no longer: skipped
  h.doc.SelectRoom(0);
  std::vector<int> seen;
  for (int i = 0; i < 4; ++i) {
    h.doc.StepRoom(+1);
    seen.push_back(h.doc.CurrentRoom());
  }
  EXPECT_EQ(seen, (std::vector<int>{2, -1, 0, 2}));
  seen.clear();
  for (int i = 0; i < 4; ++i) {
    h.doc.StepRoom(-1);
    seen.push_back(h.doc.CurrentRoom());
  }
  EXPECT_EQ(seen, (std::vector<int>{0, -1, 2, 0}));
  h.trace.clear();
  h.doc.StepRoom(0);
  EXPECT_TRUE(h.trace.empty());
}

TEST_F(ThreeRooms, LeavingCurrentRoomMovesSelectionDown) {
  h.Send(2, Packet("Join", "b", {{"Name", "peer"}}));
  h.Received(2);
  h.doc.SelectRoom(1);
  RoomSession* third = h.doc.Session(2);
  h.trace.clear();
  h.doc.OnLeaveRoom();
  EXPECT_EQ(h.doc.SessionCount(), 2);
  EXPECT_EQ(h.doc.CurrentRoom(), 1);
  EXPECT_EQ(h.doc.CurrentSession(), third);
  EXPECT_TRUE(Contains(h.trace, "hint 5"));
  EXPECT_EQ(h.Received(2), std::vector<std::string>{"Part"});
}

TEST_F(ThreeRooms, LeavingTheOnlyRoomSelectsNone) {
  h.doc.SelectRoom(2);
  h.doc.OnLeaveRoom();
  h.doc.SelectRoom(1);
  h.doc.OnLeaveRoom();
  h.doc.SelectRoom(0);
  h.doc.OnLeaveRoom();
  EXPECT_EQ(h.doc.SessionCount(), 0);
  EXPECT_EQ(h.doc.CurrentRoom(), -1);
}

TEST_F(ThreeRooms, LeaveRefusedWhenSelectionCannotMove) {
  // A view that puts the selection back whenever it changes.
  h.view.onHint = [&](long hint, HintObject*) {
    if (hint == kHintSelectRoom && h.doc.CurrentRoom() != 1) h.doc.SelectRoom(1);
  };
  h.doc.SelectRoom(1);
  h.doc.OnLeaveRoom();
  h.view.onHint = nullptr;
  EXPECT_EQ(h.ui.messages, std::vector<std::string>{"消去できません。"_sjis});
  EXPECT_EQ(h.doc.SessionCount(), 3);
}

TEST_F(ThreeRooms, NameCallInAnotherRoomComesFirst) {
  h.doc.SelectRoom(0);
  h.Send(2, Packet("Join", "c", {{"Name", "peer"}}));
  h.trace.clear();
  h.Send(2, Packet("Message", "c", {{"Name", "peer"}, {"Message", "hi me!"}}));
  ASSERT_GE(h.trace.size(), 2u);
  EXPECT_EQ(h.trace[0], "command 33001");
  EXPECT_EQ(h.trace[1], "hint 9 other [2 1 hi me!]");
  h.trace.clear();
  h.Send(2, Packet("Message", "c", {{"Name", "peer"}, {"Message", "hi ME"}}));
  EXPECT_EQ(h.trace, std::vector<std::string>{"hint 9 other [1 1 hi ME]"});
}

TEST(CVostrelleDoc, NameCallIsMultibyteAware) {
  DocHarness h;
  // A name "\\" must not be found in the trail byte of "ソ" (0x83 0x5C).
  h.settings.Connects = {Setting("r", "\\")};
  ASSERT_TRUE(h.doc.OnNewDocument());
  RoomSession& s = *h.doc.Session(0);
  EXPECT_FALSE(CVostrelleDoc::NameCalled(s, "\x83\x5C"));
  EXPECT_TRUE(CVostrelleDoc::NameCalled(s, "\x83\x5C\\"));
  h.settings.Connects = {Setting("r", "")};
  ASSERT_TRUE(h.doc.OnNewDocument());
  EXPECT_FALSE(CVostrelleDoc::NameCalled(*h.doc.Session(0), "anything"));
}

TEST(CVostrelleDoc, EventTextsHintsAndLogInOrder) {
  DocHarness h;
  h.settings.Connects = {Setting("")};
  ASSERT_TRUE(h.doc.OnNewDocument());
  h.JoinPending();
  EXPECT_EQ(h.trace[0], "hint 10 member -1");
  EXPECT_EQ(h.trace[1], "hint 9 current [4 0 " + "(Default)(127.0.0.1) に接続。"_sjis + "]");

  // The log line is written after the views had the batch.
  std::string logDuringHint;
  h.view.onHint = [&](long hint, HintObject*) {
    if (hint == kHintEvents) logDuringHint = LogOf(h, "(Default)");
  };
  h.trace.clear();
  h.Send(2, Packet("Join", "", {{"Name", "peer"}}));
  const std::string joined = "peerが参加しました。"_sjis;
  EXPECT_EQ(h.trace[0], "hint 11 member 1");
  EXPECT_EQ(h.trace[1], "hint 9 current [4 0 " + joined + "]");
  EXPECT_EQ(logDuringHint.find(joined), std::string::npos);
  EXPECT_NE(LogOf(h, "(Default)").find(joined), std::string::npos);
  h.view.onHint = nullptr;

  h.trace.clear();
  h.Send(2,
         Packet("Information", "", {{"Name", "peer"}, {"RealName", "Peer P"}, {"Version", "v9"}}));
  EXPECT_EQ(h.trace, std::vector<std::string>{"hint 9 current [4 0 " + "名前: peer"_sjis +
                                              "] [4 0 " + "本名: Peer P"_sjis + "] [4 0 " +
                                              "バージョン: v9"_sjis + "]"});

  h.trace.clear();
  h.Send(2, Packet("Message", "", {{"Name", "peer2"}, {"Message", "x"}}));
  EXPECT_EQ(h.trace[0], "hint 13 member 1");
  EXPECT_EQ(h.trace[1], "hint 9 current [4 0 " + "peerがpeer2に変更されました。"_sjis + "]");

  // Own line: batch first, then the packet to the other members.
  h.Received(2);
  h.trace.clear();
  h.doc.CurrentSession()->EnterLine("こんにちは"_sjis);
  EXPECT_EQ(h.trace, std::vector<std::string>{"hint 9 current [3 0 " + "こんにちは"_sjis + "]"});
  EXPECT_EQ(h.Received(2), std::vector<std::string>{"Message " + "こんにちは"_sjis});

  h.trace.clear();
  h.Send(2, Packet("Part", ""));
  EXPECT_EQ(h.trace[0], "hint 12 member 1");
  EXPECT_EQ(h.trace[1], "hint 9 current [4 0 " + "peer2が退出しました。"_sjis + "]");

  const std::string log = LogOf(h, "(Default)");
  EXPECT_NE(log.find("こんにちは"_sjis), std::string::npos);
  EXPECT_NE(log.find("peer2が退出しました。"_sjis), std::string::npos);
}

// A line that could not go out to the members is followed by "送信失敗" in the
// views and the log; alone in the room there is nobody to send to, which is fine.
TEST(CVostrelleDoc, LineThatCouldNotGoOutIsFollowedBySendFailed) {
  DocHarness h;
  h.settings.Connects = {Setting("r")};
  ASSERT_TRUE(h.doc.OnNewDocument());
  h.JoinPending();
  RoomSession* room = h.doc.CurrentSession();
  ASSERT_TRUE(room);
  const std::string failed = "hint 9 current [4 0 " + "送信失敗"_sjis + "]";
  h.trace.clear();
  room->EnterLine("alone");
  EXPECT_EQ(h.trace, std::vector<std::string>{"hint 9 current [3 0 alone]"});

  h.Send(2, Packet("Join", "r", {{"Name", "peer"}}));
  h.Received(2);
  h.trace.clear();
  room->EnterLine("said");
  EXPECT_EQ(h.trace, std::vector<std::string>{"hint 9 current [3 0 said]"});
  EXPECT_EQ(h.Received(2), std::vector<std::string>{"Message said"});
  // The packet is refused: a line break would forge fields at the receiver.
  h.trace.clear();
  room->EnterLine("one\ntwo");
  EXPECT_EQ(h.trace, (std::vector<std::string>{"hint 9 current [3 0 one\ntwo]", failed}));
  EXPECT_TRUE(h.Received(2).empty());
  const std::string stamp = LogTimeText(static_cast<std::time_t>(h.now));
  const std::string tail = stamp + " (me) one\ntwo\r\n" + stamp + " " + "送信失敗"_sjis + "\r\n";
  const std::string log = LogOf(h, "r");
  ASSERT_GE(log.size(), tail.size());
  EXPECT_EQ(log.substr(log.size() - tail.size()), tail);
  EXPECT_EQ(log.find("送信失敗"_sjis), log.rfind("送信失敗"_sjis));  // once
}

TEST(CVostrelleDoc, RemovalTextsByReason) {
  EXPECT_EQ(event_text::Removed("a", kRemovalLeft), "aが退出しました。"_sjis);
  EXPECT_EQ(event_text::Removed("a", kRemovalDropped), "aが落ちました。"_sjis);
  EXPECT_EQ(event_text::Removed("a", 7), "aが不明な理由で退出しました。"_sjis);
  // Values are copied whatever they hold, "%s" included.
  EXPECT_EQ(event_text::Renamed("%s", "b"), "%sがbに変更されました。"_sjis);
}

TEST(CVostrelleDoc, SilentMemberIsDroppedAfterSixTicks) {
  DocHarness h;
  h.settings.Connects = {Setting("r")};
  ASSERT_TRUE(h.doc.OnNewDocument());
  h.JoinPending();
  h.Send(2, Packet("Join", "r", {{"Name", "peer"}}));
  h.trace.clear();
  for (int i = 0; i < 6; ++i) h.doc.Session(0)->Tick();
  EXPECT_TRUE(Contains(h.trace, "hint 9 current [4 0 " + "peerが落ちました。"_sjis + "]"));
}

TEST(CVostrelleDoc, WithLoggingOffViewsStillGetEverything) {
  DocHarness h;
  h.settings.Log.Save = false;
  h.settings.Connects = {Setting("r")};
  ASSERT_TRUE(h.doc.OnNewDocument());
  h.JoinPending();
  h.Send(2, Packet("Message", "r", {{"Name", "peer"}, {"Message", "m"}}));
  EXPECT_TRUE(Contains(h.trace, "hint 9 current [1 1 m]"));
  EXPECT_FALSE(PathExists(h.settings.Log.SaveFolder));
}

TEST(CVostrelleDoc, NewConnectionPrefillsAndPrefersTheStoredSetting) {
  DocHarness h;
  h.settings.Connects = {Setting("a", "stored")};
  h.settings.Connects[0].AutoConnect = false;
  ASSERT_TRUE(h.doc.OnNewDocument());
  EXPECT_EQ(h.doc.SessionCount(), 0);

  h.ui.connectAnswers.push_back(Setting("a", "typed"));
  h.trace.clear();
  h.doc.OnNewConnection();
  ASSERT_EQ(h.doc.SessionCount(), 1);
  EXPECT_EQ(h.doc.Session(0)->Name(), "stored");  // the stored one wins
  EXPECT_EQ(h.settings.Connects.size(), 1u);
  EXPECT_TRUE(Contains(h.trace, "hint 3"));

  h.ui.connectAnswers.push_back(Setting("b", "new"));
  h.doc.OnNewConnection();
  EXPECT_EQ(h.settings.Connects.size(), 2u);
  EXPECT_EQ(h.doc.SessionCount(), 2);
  EXPECT_EQ(h.doc.PendingViews(), (std::vector<int>{0, 1}));

  h.ui.connectAnswers.push_back(std::nullopt);  // cancelled: nothing changes
  h.doc.OnNewConnection();
  EXPECT_EQ(h.settings.Connects.size(), 2u);
}

TEST(CVostrelleDoc, NewConnectionDialogIsPrefilledFromTheLastSetting) {
  DocHarness h;
  h.settings.Connects = {Setting("a", "first"), Setting("b", "last", "127.0.0.255")};
  for (auto& c : h.settings.Connects) c.AutoConnect = false;
  ASSERT_TRUE(h.doc.OnNewDocument());
  struct PrefillUi : test::ScriptedUi {
    ConnectSetting shown;
    bool EditConnectSetting(ConnectSetting& s) override {
      shown = s;
      return false;
    }
  } ui;
  CVostrelleDoc doc(h.settings, ui, h.loop);
  doc.OnNewConnection();
  EXPECT_EQ(ui.shown.Name, "last");
  EXPECT_EQ(ui.shown.ConnectTo, "127.0.0.255");
  EXPECT_EQ(ui.shown.RealName, "real last");
  EXPECT_EQ(ui.shown.RoomName, "");
}

TEST(CVostrelleDoc, ReconnectLeavesEveryRoomAndJoinsAgain) {
  DocHarness h;
  h.settings.Connects = {Setting("a"), Setting("b")};
  ASSERT_TRUE(h.doc.OnNewDocument());
  h.JoinPending();
  h.Send(2, Packet("Join", "a", {{"Name", "p"}}));
  h.Send(2, Packet("Join", "b", {{"Name", "p"}}));
  h.Received(2);
  h.ui.connectList = [](std::vector<ConnectSetting>&) { return cmd::kReconnectResult; };
  h.doc.OnEditConnects();
  ASSERT_EQ(h.ui.commands.back(), cmd::kFileNew);
  // What the frame does on 57600.
  ASSERT_TRUE(h.doc.OnNewDocument());
  EXPECT_EQ(h.Received(2), (std::vector<std::string>{"Part", "Part"}));
  h.JoinPending();
  EXPECT_EQ(h.doc.SessionCount(), 2);
  EXPECT_TRUE(h.doc.Session(0)->IsJoined() && h.doc.Session(1)->IsJoined());
}

TEST(CVostrelleDoc, EditConnectsSavesWhateverTheOutcome) {
  DocHarness h;
  ASSERT_TRUE(h.doc.OnNewDocument());
  h.ui.connectList = [](std::vector<ConnectSetting>& list) {
    list.push_back(Setting("kept"));
    return 2;  // closed with the close box
  };
  h.doc.OnEditConnects();
  EXPECT_NE(test::ReadFile(h.dir.File("connects.xml")).find("kept"), std::string::npos);
  EXPECT_TRUE(h.ui.commands.empty());
}

TEST(CVostrelleDoc, FailedSaveIsShown) {
  DocHarness h;
  ASSERT_TRUE(h.doc.OnNewDocument());
  h.settings.SettingFolder = h.dir.File("gone");
  h.doc.OnEditConnects();
  ASSERT_EQ(h.ui.messages.size(), 1u);
  EXPECT_EQ(h.ui.messages[0].rfind("書込エラー: "_sjis, 0), 0u);
}

TEST(CVostrelleDoc, OptionsAreCopiedBackOnlyOnOk) {
  DocHarness h;
  h.settings.Connects = {Setting("r")};
  ASSERT_TRUE(h.doc.OnNewDocument());
  h.JoinPending();
  h.Send(2, Packet("Message", "r", {{"Name", "p"}, {"Message", "m"}}));
  ASSERT_EQ(h.doc.LogRegistry()->Count(), 1u);

  h.ui.options = [](AppSettings& copy) {
    copy.ConfirmExit = true;
    return false;
  };
  h.trace.clear();
  h.doc.OnOptions();
  EXPECT_FALSE(h.settings.ConfirmExit);
  EXPECT_TRUE(h.trace.empty());

  h.ui.options = [](AppSettings& copy) {
    copy.ConfirmExit = true;
    copy.Log.Save = false;
    return true;
  };
  h.doc.OnOptions();
  EXPECT_TRUE(h.settings.ConfirmExit);
  EXPECT_EQ(h.trace, (std::vector<std::string>{"hint 8", "command 33000"}));
  EXPECT_EQ(h.doc.LogRegistry()->Count(), 0u);
  EXPECT_NE(test::ReadFile(h.dir.File("options.xml")).find("<ConfirmExit>1</ConfirmExit>"),
            std::string::npos);
}

TEST(CVostrelleDoc, ExitIsConfirmedOnlyWhenAsked) {
  DocHarness h;
  EXPECT_TRUE(h.doc.SaveModified());
  EXPECT_TRUE(h.ui.messages.empty());
  h.settings.ConfirmExit = true;
  h.ui.answer = MsgAnswer::Cancel;
  EXPECT_FALSE(h.doc.SaveModified());
  h.ui.answer = MsgAnswer::Ok;
  EXPECT_TRUE(h.doc.SaveModified());
  EXPECT_EQ(h.ui.messages.back(), "終了します。よろしいですか？"_sjis);
}

TEST(CVostrelleDoc, RenameCommandNeedsACurrentRoom) {
  DocHarness h;
  ASSERT_TRUE(h.doc.OnNewDocument());
  EXPECT_FALSE(h.doc.IsCommandEnabled(cmd::kRename));
  EXPECT_TRUE(h.doc.OnCommand(cmd::kRename));  // harmless without a room
  EXPECT_FALSE(h.doc.OnCommand(12345));
}

// A view that makes the room leave while the room is still telling the document
// something: nothing may touch a destroyed session, and no hint may carry one.
TEST(CVostrelleDoc, LeavingInsideANotificationIsSafe) {
  DocHarness h;
  h.settings.Connects = {Setting("a"), Setting("b")};
  ASSERT_TRUE(h.doc.OnNewDocument());
  h.JoinPending();
  h.Send(2, Packet("Join", "a", {{"Name", "p"}}));
  h.Send(3, Packet("Join", "a", {{"Name", "q"}}));
  h.view.onHint = [&](long hint, HintObject*) {
    if (hint == kHintEvents && h.doc.CurrentRoom() == 0) h.doc.OnLeaveRoom();
  };
  h.Send(2, Packet("Message", "a", {{"Name", "p"}, {"Message", "bye"}}));
  h.view.onHint = nullptr;
  EXPECT_EQ(h.doc.SessionCount(), 1);
  EXPECT_EQ(h.doc.Session(0)->RoomName(), "b");
  // Own line whose delivery makes the room leave: the line is not sent afterwards.
  h.doc.SelectRoom(0);
  h.view.onHint = [&](long hint, HintObject*) {
    if (hint == kHintEvents) h.doc.OnLeaveRoom();
  };
  h.doc.Session(0)->EnterLine("last");
  h.view.onHint = nullptr;
  EXPECT_EQ(h.doc.SessionCount(), 0);
  // A tick that drops members while a view leaves the room at the first removal.
  h.settings.Connects = {Setting("c")};
  ASSERT_TRUE(h.doc.OnNewDocument());
  h.JoinPending();
  h.Send(2, Packet("Join", "c", {{"Name", "p"}}));
  h.Send(3, Packet("Join", "c", {{"Name", "q"}}));
  h.view.onHint = [&](long hint, HintObject*) {
    if (hint == kHintMemberRemoving && h.doc.SessionCount() > 0) h.doc.OnLeaveRoom();
  };
  for (int i = 0; i < 6 && h.doc.SessionCount() > 0; ++i) h.doc.Session(0)->Tick();
  h.view.onHint = nullptr;
  EXPECT_EQ(h.doc.SessionCount(), 0);
}

// The transfer lists hear every room after the document: a file offered by a member
// reaches the receive list, a file the user picks for a member reaches the send list.
TEST(CVostrelleDoc, TransferListsFollowTheRooms) {
  DocHarness h;
  h.settings.Connects = {Setting("r")};
  ASSERT_TRUE(h.doc.OnNewDocument());
  ASSERT_NE(h.doc.SendList(), nullptr);
  ASSERT_NE(h.doc.ReceiveList(), nullptr);
  h.JoinPending();
  h.Send(2, Packet("Join", "r", {{"Name", "peer"}}));
  h.Send(2, Packet("File", "r",
                   {{"ID", "0001abcd"}, {"FileName", "a.txt"}, {"FileSize", "5"}, {"Port", "1"}}));
  EXPECT_EQ(h.doc.ReceiveList()->Count(), 1);
  const std::string path = h.dir.File("send.bin");
  test::WriteFile(path, "12345");
  h.doc.Session(0)->RequestFileSend(1, path);
  EXPECT_EQ(h.doc.SendList()->Count(), 1);
  // The member leaves: both entries learn of it; the lists go with the document.
  h.Send(2, Packet("Part", "r"));
  h.doc.DeleteContents();
  EXPECT_EQ(h.doc.SendList(), nullptr);
  EXPECT_EQ(h.doc.ReceiveList(), nullptr);
}

TEST(CVostrelleDoc, FloodOfGarbageAndValidDatagrams) {
  DocHarness h;
  h.settings.Connects = {Setting("r")};
  ASSERT_TRUE(h.doc.OnNewDocument());
  h.JoinPending();
  std::string text;
  for (int i = 0; i < 2000; ++i) {
    FieldMap f = Packet(i % 3 ? "Message" : (i % 2 ? "Join" : "Part"), "r",
                        {{"Name", "p" + std::to_string(i % 7)}, {"Message", std::to_string(i)}});
    HeaderBlock::Build(f, text);
    if (i % 4 == 0) text.resize(static_cast<std::size_t>(i) % text.size());  // cut short
    if (i % 5 == 0 && !text.empty()) text[static_cast<std::size_t>(i) % text.size()] = '\xFF';
    h.Peer(2 + i % 5).SendTo(text, test::Loopback(1), h.port);
    if (i % 50 == 0) h.Pump();
  }
  h.Pump();
  EXPECT_TRUE(h.doc.Session(0)->IsJoined());
  EXPECT_LE(h.doc.Session(0)->MemberCount(), 6);
}

}  // namespace
}  // namespace vostrelle
