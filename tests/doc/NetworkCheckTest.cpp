#include <gtest/gtest.h>

#include "../net/NetTestSupport.h"
#include "doc/NetworkCheck.h"
#include "platform/Cp932.h"

namespace vostrelle {
namespace {

using std::chrono::seconds;
using std::chrono::steady_clock;

struct NullReceiver : ChatReceiver {
  void Receive(const FieldMap&, Ipv4) override {}
};

TEST(NetworkCheck, PortTablesCountBoundUdpAndListeningTcpOnly) {
  const std::string udp =
      "  sl  local_address rem_address   st tx_queue rx_queue tr tm->when retrnsmt   uid\n"
      "  12: 00000000:70D8 00000000:0000 07 00000000:00000000 00:00000000 00000000     0\n"
      "  13: 00000000:70D8 00000000:0000 07 00000000:00000000 00:00000000 00000000     0\n";
  EXPECT_TRUE(TableHasPort(udp, 28888, false));
  EXPECT_FALSE(TableHasPort(udp, 28889, false));
  // The header alone, and a port that only appears as a remote one.
  EXPECT_FALSE(TableHasPort(udp.substr(0, udp.find('\n') + 1), 28888, false));
  const std::string tcp =
      "  sl  local_address rem_address   st\n"
      "   0: 0100007F:1F90 0A00000A:70D9 01\n"   // a connection to 28889 elsewhere
      "   1: 0A00000A:70D9 0A00000B:C350 01\n";  // an accepted transfer, no listener
  EXPECT_FALSE(TableHasPort(tcp, 28889, true));
  EXPECT_TRUE(TableHasPort(tcp + "   2: 00000000:70D9 00000000:0000 0A\n", 28889, true));
}

TEST(NetworkCheck, UfwVerdicts) {
  const ToolAnswer notRun;
  EXPECT_EQ(UfwReport("", notRun), "ufw: 入っていません\n"_sjis);
  EXPECT_EQ(UfwReport("ENABLED=no\n", {true, 1, "ERROR: You need to be root"}), "ufw: 無効\n"_sjis);
  EXPECT_EQ(UfwReport("ENABLED=yes\n", {true, 1, "ERROR: You need to be root"}),
            "ufw: 不明（確かめるには管理者権限が要ります）\n"_sjis);
  EXPECT_EQ(UfwReport("ENABLED=yes\n", {true, 0, "Status: inactive\n"}), "ufw: 無効\n"_sjis);
  const std::string active =
      "Status: active\nDefault: deny (incoming), allow (outgoing)\n\nTo  Action  From\n";
  EXPECT_EQ(UfwReport("ENABLED=yes\n", {true, 0, active + "Vostrelle  ALLOW IN  Anywhere\n"}),
            "ufw: 有効（ポートは開いています）\n"_sjis);
  EXPECT_EQ(UfwReport("ENABLED=yes\n", {true, 0,
                                        active + "28888/udp  ALLOW IN  Anywhere\n"
                                                 "28889/tcp  ALLOW IN  Anywhere\n"}),
            "ufw: 有効（ポートは開いています）\n"_sjis);
  // One port is not enough, and a denying rule is no allowing one.
  EXPECT_EQ(UfwReport("ENABLED=yes\n", {true, 0,
                                        active + "28888/udp  ALLOW IN  Anywhere\n"
                                                 "28889/tcp  DENY IN  Anywhere\n"}),
            "ufw: 有効（ポートが閉じています。sudo ufw allow Vostrelle で開けます）\n"_sjis);
}

TEST(NetworkCheck, FirewalldVerdicts) {
  const ToolAnswer notRun, yes{true, 0, "yes"}, no{true, 1, "no"};
  const ToolAnswer unknownService{true, 101, "Error: INVALID_SERVICE: vostrelle"};
  EXPECT_EQ(FirewalldReport(notRun, notRun, notRun, notRun), "firewalld: 入っていません\n"_sjis);
  EXPECT_EQ(FirewalldReport({true, 252, "not running"}, notRun, notRun, notRun),
            "firewalld: 動いていません\n"_sjis);
  const ToolAnswer running{true, 0, "running"};
  EXPECT_EQ(FirewalldReport(running, yes, no, no),
            "firewalld: 動作中（ポートは開いています）\n"_sjis);
  EXPECT_EQ(FirewalldReport(running, unknownService, yes, yes),
            "firewalld: 動作中（ポートは開いています）\n"_sjis);
  EXPECT_EQ(FirewalldReport(running, unknownService, no, no),
            "firewalld: 動作中（ポートが閉じています。sudo firewall-cmd --permanent "
            "--add-service=vostrelle で開けます）\n"_sjis);
  EXPECT_EQ(FirewalldReport(running, no, yes, no),
            "firewalld: 動作中（ポートが開いているかは不明）\n"_sjis);
}

// Rooms on loopback: the report names interface, destinations and members with the
// time since each was heard; a "Join" counts as answered only by a datagram after it.
TEST(NetworkCheck, RoomReportAndAnswerSince) {
  const std::uint16_t port = test::FreeUdpPort();
  NullReceiver receiver;
  ChatSocket chat{&receiver, port};
  ASSERT_TRUE(chat.Create(nullptr, test::Addr("127.0.0.1")));
  ConnectSetting setting;
  setting.ConnectTo = "127.0.0.2";
  setting.NetMask = "255.0.0.0";
  setting.Name = "me";
  setting.RealName = "r";
  setting.RoomName = "lobby";
  setting.ConnectAlso = "10.8.0.6";
  RoomSession session{setting, &chat, nullptr};
  session.SetLocalAddress(test::Addr("127.0.0.1"));
  std::vector<InterfaceInfo> interfaces(1);
  interfaces[0].name = "lo";
  interfaces[0].address = test::Addr("127.0.0.1");
  const auto before = steady_clock::now();
  EXPECT_EQ(RoomReport(session, interfaces, before),
            "部屋 lobby（入室していません）\n  インターフェース: lo 127.0.0.1\n"
            "  接続先: 127.0.0.2 / 255.0.0.0\n  追加の接続先: 10.8.0.6\n  メンバー: 0人\n"_sjis);
  ASSERT_TRUE(session.Join());
  session.Receive({{"Command", "Notice"}, {"Room", "lobby"}, {"Name", "bee"}},
                  test::Addr("127.0.0.3"));
  const std::string report = RoomReport(session, interfaces, steady_clock::now() + seconds(42));
  EXPECT_NE(report.find("  メンバー: 2人\n    me 127.0.0.1 自分\n    bee 127.0.0.3 42秒前\n"_sjis),
            std::string::npos)
      << report;
  EXPECT_TRUE(AnsweredSince(session, test::Addr("127.0.0.3"), before));
  EXPECT_FALSE(AnsweredSince(session, test::Addr("127.0.0.3"), steady_clock::now() + seconds(1)));
  EXPECT_FALSE(AnsweredSince(session, test::Addr("127.0.0.4"), before));
}

}  // namespace
}  // namespace vostrelle
