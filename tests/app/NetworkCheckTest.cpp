// The network check window offscreen, on the document's loopback rooms, with the
// firewall tools and the interface query replaced: nothing here asks this machine.

#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include "app/NetworkCheckWindow.h"
#include "doc/DocTestSupport.h"
#include "platform/Cp932.h"
#include "qt/QtText.h"

using namespace vostrelle;

namespace {

struct Check {
  Check() {
    h.settings.Connects = {test::Setting("lobby")};
    h.settings.Connects[0].ConnectAlso = "10.8.0.6";
    h.doc.OnNewDocument();
    h.JoinPending();
    window = std::make_unique<NetworkCheckWindow>(h.doc);
    window->Interfaces = [](std::vector<InterfaceInfo>& interfaces, std::vector<int>& usable) {
      interfaces.assign(1, InterfaceInfo{});
      interfaces[0].name = "eth9";
      interfaces[0].address = test::Loopback(1);
      usable = {0};
    };
    window->UfwConfig = [] { return std::string("ENABLED=no\n"); };
    window->Ports = [] { return std::string("UDP 28888: x\nTCP 28889: y\n"); };
    window->RunTool = [this](const QString& program, const QStringList& arguments,
                             std::function<void(const ToolAnswer&)> done) {
      asked << program + QLatin1Char(' ') + arguments.join(QLatin1Char(' '));
      if (program == QLatin1String("ufw"))
        done({true, 1, "ERROR: You need to be root"});
      else if (arguments[0] == QLatin1String("--state"))
        done({true, 0, "running"});
      else
        done({true, arguments[0].contains(QLatin1String("vostrelle")) ? 1 : 0, ""});
    };
  }
  void Try(const QString& address) {
    window->AddressEdit()->setText(address);
    QTest::keyClick(window->AddressEdit(), Qt::Key_Return);
  }
  test::DocHarness h;
  QStringList asked;
  std::unique_ptr<NetworkCheckWindow> window;
};

}  // namespace

class NetworkCheckTest : public QObject {
  Q_OBJECT
 private slots:
  void reportNamesRoomsPortsAndFirewalls() {
    Check c;
    c.h.Send(2, {{"Command", "Notice"}, {"Room", "lobby"}, {"Name", "bee"}});
    c.window->Refresh();
    const QString report = c.window->ReportText();
    for (const char* part : {"部屋 lobby（入室中）", "インターフェース: eth9 127.0.0.1",
                             "接続先: 127.0.0.1 / 255.255.255.0", "追加の接続先: 10.8.0.6",
                             "メンバー: 2人", "bee 127.0.0.2 0秒前", "UDP 28888: x", "ufw: 無効",
                             "firewalld: 動作中（ポートは開いています）"})
      QVERIFY2(report.contains(QString::fromUtf8(part)),
               qPrintable(part + QStringLiteral(" in ") + report));
    QCOMPARE(c.asked, (QStringList{"ufw status verbose", "firewall-cmd --state",
                                   "firewall-cmd --query-service=vostrelle",
                                   "firewall-cmd --query-port=28888/udp",
                                   "firewall-cmd --query-port=28889/tcp"}));
  }

  // A member that answers the trial "Join" is reported with the time it took.
  void tryAnAddressThatAnswers() {
    Check c;
    c.window->Refresh();
    c.h.Received(3);
    c.Try(QStringLiteral("127.0.0.3"));
    QCOMPARE(c.h.Received(3), std::vector<std::string>{"Join"});
    c.h.Send(3, {{"Command", "Notice"}, {"Room", "lobby"}, {"Name", "sea"}});
    QTRY_VERIFY(c.window->ResultText().contains(QStringLiteral("127.0.0.3 から応答がありました")));
  }

  void tryAnAddressThatStaysSilentOrIsNoAddress() {
    Check c;
    c.window->Refresh();
    c.Try(QStringLiteral("10.1.2"));
    QCOMPARE(c.window->ResultText(), QStringLiteral("「10.1.2」はIPv4アドレスではありません。"));
    // Outside the room's network and its extra destinations: even an answer would be
    // dropped, and the window says so.
    c.Try(QStringLiteral("127.0.1.9"));
    QTRY_VERIFY_WITH_TIMEOUT(
        c.window->ResultText().contains(QStringLiteral("3秒以内に応答がありませんでした")), 6000);
    QVERIFY(c.window->ResultText().contains(QStringLiteral("追加の接続先にも入っていない")));
  }
};

QTEST_MAIN(NetworkCheckTest)
#include "NetworkCheckTest.moc"
