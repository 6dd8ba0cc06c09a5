// logind's wake signal, on a private bus standing in for the system bus.
#include <QDBusConnection>
#include <QDBusMessage>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include "app/NetworkWatch.h"
#include "doc/DocTestSupport.h"

using namespace vostrelle;

class NetworkWatchTest : public QObject {
  Q_OBJECT
 private slots:
  void WakeSignalRejoinsAtOnce();
};

void NetworkWatchTest::WakeSignalRejoinsAtOnce() {
  QTemporaryDir dir;
  const QString address = QStringLiteral("unix:path=") + dir.path() + QStringLiteral("/bus");
  QProcess bus;
  bus.start(QStringLiteral("dbus-daemon"),
            {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--nopidfile"),
             QStringLiteral("--print-address"), QStringLiteral("--address=") + address});
  if (!bus.waitForStarted()) QSKIP("dbus-daemon is not installed");
  // The address is printed once the bus listens.
  QVERIFY(bus.waitForReadyRead());
  QDBusConnection login1 = QDBusConnection::connectToBus(address, QStringLiteral("login1"));
  QVERIFY(login1.isConnected());
  QVERIFY(login1.registerService(QStringLiteral("org.freedesktop.login1")));
  qputenv("DBUS_SYSTEM_BUS_ADDRESS", address.toUtf8());

  test::DocHarness h;
  h.settings.Connects = {test::Setting("lobby", "me", "127.0.0.2")};
  h.Peer(2);
  QVERIFY(h.doc.OnNewDocument());
  h.JoinPending();
  QCOMPARE(h.Received(2), std::vector<std::string>{"Join"});

  // The clock checks are too far apart to see the sleep first: only the signal can.
  ClockReading now{1000, 1000};
  NetworkWatch watch(
      h.doc, nullptr, std::chrono::seconds(30), [&] { return now; }, std::chrono::hours(1));
  now = {2000, 202000};  // 200 s asleep
  QDBusMessage wake = QDBusMessage::createSignal(QStringLiteral("/org/freedesktop/login1"),
                                                 QStringLiteral("org.freedesktop.login1.Manager"),
                                                 QStringLiteral("PrepareForSleep"));
  wake << false;
  QVERIFY(login1.send(wake));
  // The signal arrives through the event loop; the Join goes out from inside it.
  std::vector<std::string> got;
  for (int round = 0; round < 100 && got.empty(); ++round) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    got = h.Received(2);
  }
  QCOMPARE(got, std::vector<std::string>{"Join"});

  QDBusConnection::disconnectFromBus(QStringLiteral("login1"));
  bus.kill();
  bus.waitForFinished();
}

QTEST_MAIN(NetworkWatchTest)
#include "NetworkWatchTest.moc"
