// Documents on a private LAN of network namespaces: each host runs a whole document
// with the real interface query and the real chat port, as the program would.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>

#include "DocTestSupport.h"
#include "platform/CommandIds.h"
#include "platform/Cp932.h"
#include "store/ChatLog.h"
#include "support/NetLab.h"

namespace vostrelle {
namespace {

using test::NetLab;

struct Host {
  Host(NetLab& lab, int k, const std::vector<ConnectSetting>& connects) : lab(lab), k(k) {
    settings.SettingFolder = dir.Path();
    settings.Log.SaveFolder = dir.File("log");
    settings.Connects = connects;
    doc.SetClock([this] { return now; });
    doc.AddView(&view);
  }
  ~Host() { doc.RemoveView(&view); }

  // The socket is made inside the host's namespace, so it lives there.
  bool Start() {
    if (!lab.Enter(k)) return false;
    const bool ok = doc.OnNewDocument();
    lab.Leave();
    return ok;
  }
  void JoinPending() {
    int first = -1;
    for (int index : doc.TakePendingViews()) {
      if (first < 0) first = index;
      doc.Session(index)->Join();
    }
    if (first >= 0) doc.SelectRoom(first);
  }
  std::string Log(const std::string& room) const {
    // Room folders carry the native (UTF-8) form of the CP932 display name.
    return test::ReadFile(settings.Log.SaveFolder + "/" + Cp932ToUtf8(room) + "/" +
                          LogFileNameFor(now));
  }
  int Members(int session = 0) const {
    RoomSession* s = doc.Session(session);
    return s ? s->MemberCount() : -1;
  }

  NetLab& lab;
  int k;
  test::TempDir dir;
  AppSettings settings;
  test::ScriptedUi ui;
  PollLoop loop;
  std::time_t now = 1700000000;
  std::vector<std::string> trace;
  test::RecordingView view{&trace};
  CVostrelleDoc doc{settings, ui, loop};
};

void PumpAll(std::vector<Host*> hosts) {
  for (int quiet = 0; quiet < 3;) {
    int ran = 0;
    for (Host* h : hosts) ran += h->loop.RunOnce(20);
    quiet = ran ? 0 : quiet + 1;
  }
}

// Runs every host's loop until done() holds; false after ten seconds without it.
bool PumpUntil(std::vector<Host*> hosts, const std::function<bool()>& done) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    for (Host* h : hosts) h->loop.RunOnce(5);
  }
  return true;
}

ConnectSetting Lan(NetLab& lab, const std::string& name, const std::string& room) {
  ConnectSetting s = test::Setting(room, name, lab.Broadcast());
  return s;
}

TEST(DocLan, ChatBetweenHostsReachesViewsAndLogs) {
  std::string why;
  auto lab = NetLab::Create(3, 21, &why);
  if (!lab) GTEST_SKIP() << "no private LAN: " << why;

  Host a(*lab, 1, {Lan(*lab, "alice", "雑談"_sjis)});
  Host b(*lab, 2, {Lan(*lab, "bob", "雑談"_sjis), Lan(*lab, "bob", "other")});
  Host c(*lab, 3, {Lan(*lab, "carol", "other")});
  ASSERT_TRUE(a.Start() && b.Start() && c.Start());
  a.JoinPending();
  PumpAll({&a, &b, &c});
  b.JoinPending();
  c.JoinPending();
  ASSERT_TRUE(PumpUntil({&a, &b, &c}, [&] {
    return a.Members() == 2 && b.Members(0) == 2 && b.Members(1) == 2 && c.Members() == 2;
  }));

  // Join by broadcast; each room sees only its own members.
  EXPECT_EQ(a.Members(), 2);
  EXPECT_EQ(b.Members(0), 2);
  EXPECT_EQ(b.Members(1), 2);
  EXPECT_EQ(c.Members(), 2);

  a.doc.CurrentSession()->EnterLine("こんにちは、bob さん"_sjis);
  const std::string line = "こんにちは、bob さん"_sjis;
  ASSERT_TRUE(PumpUntil({&a, &b, &c}, [&] {
    return b.Log("雑談"_sjis).find(line) != std::string::npos && !b.ui.commands.empty();
  }));
  PumpAll({&a, &b, &c});  // the other room must stay quiet too
  EXPECT_NE(a.Log("雑談"_sjis).find(line), std::string::npos);
  EXPECT_NE(b.Log("雑談"_sjis).find(line), std::string::npos);
  EXPECT_EQ(c.Log("other").find(line), std::string::npos);
  // The line names bob: his frame was told before the batch.
  EXPECT_EQ(b.ui.commands, std::vector<int>{cmd::kNameCalled});
  EXPECT_TRUE(a.ui.commands.empty());

  // Reconnect on b: its rooms are left ("Part") and joined again ("Join").
  b.ui.connectList = [](std::vector<ConnectSetting>&) { return cmd::kReconnectResult; };
  b.doc.OnEditConnects();
  ASSERT_TRUE(b.Start());
  ASSERT_TRUE(PumpUntil({&a, &b, &c}, [&] { return a.Members() == 1; }));
  EXPECT_EQ(a.Members(), 1);
  EXPECT_NE(a.Log("雑談"_sjis).find("bobが退出しました。"_sjis), std::string::npos);
  b.JoinPending();
  ASSERT_TRUE(PumpUntil({&a, &b, &c}, [&] { return a.Members() == 2 && c.Members() == 2; }));
  EXPECT_EQ(a.Members(), 2);
  EXPECT_EQ(c.Members(), 2);
  const std::string log = a.Log("雑談"_sjis);
  const std::string joined = "bobが参加しました。"_sjis;
  EXPECT_NE(log.find(joined), log.rfind(joined));  // once before, once after

  // Leaving a room tells the others.
  c.doc.OnLeaveRoom();
  ASSERT_TRUE(PumpUntil({&a, &b, &c}, [&] { return b.Members(1) == 1; }));
  EXPECT_EQ(b.Members(1), 1);
  EXPECT_EQ(c.doc.SessionCount(), 0);
}

}  // namespace
}  // namespace vostrelle
