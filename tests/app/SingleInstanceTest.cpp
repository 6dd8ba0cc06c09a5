// One instance per user, on a session bus of the test's own: the first start owns the
// application id, a second one finds it taken and drives the first through the bus,
// and the id is free again once the first has ended. The client runs on a thread of its
// own, as a second process would: its call blocks until the service, on the main
// thread's event loop, has answered.

#include <QDBusConnection>
#include <QtTest>
#include <atomic>
#include <thread>

#include "app/SingleInstance.h"
#include "support/PrivateSessionBus.h"

using namespace vostrelle;

namespace {

std::string gBusAddress;

// Runs SendToRunningInstance on another thread and another connection, keeping the
// main event loop turning until it has an answer.
RemoteResult SendFromElsewhere(InstanceCommand command, const QString& address) {
  std::atomic<bool> done{false};
  RemoteResult result = RemoteResult::Failed;
  std::thread client([&] {
    const QString name = QStringLiteral("client-%1").arg(quintptr(&done));
    {
      QDBusConnection bus = QDBusConnection::connectToBus(address, name);
      result = SendToRunningInstance(command, bus);
    }
    QDBusConnection::disconnectFromBus(name);
    done = true;
  });
  while (!done) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  client.join();
  return result;
}

}  // namespace

class SingleInstanceTest : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() {
    QVERIFY2(!gBusAddress.empty(), "dbus-daemon did not start");
  }

  void CommandLineKnowsItsOptionsAndIgnoresTheRest() {
    const auto parse = [](QStringList args) {
      args.prepend(QStringLiteral("vostrelle"));
      return ParseCommandLine(args);
    };
    QCOMPARE(parse({}).command, InstanceCommand::None);
    QVERIFY(!parse({}).minimized);
    QCOMPARE(parse({"--show"}).command, InstanceCommand::Show);
    QCOMPARE(parse({"--toggle"}).command, InstanceCommand::Toggle);
    // A file name, a print switch, an unknown option: nothing, as before.
    const CommandLine mixed = parse({"note.txt", "/p", "--hide", "--bogus"});
    QCOMPARE(mixed.command, InstanceCommand::Hide);
    QVERIFY(!mixed.minimized);
    QCOMPARE(parse({"note.txt", "/p"}).command, InstanceCommand::None);
    QVERIFY(parse({"--minimized"}).minimized);
    QCOMPARE(parse({"--minimized"}).command, InstanceCommand::None);
    // The program's own name is no option even when it looks like one.
    QCOMPARE(ParseCommandLine({QStringLiteral("--hide")}).command, InstanceCommand::None);
  }

  void SecondStartDrivesTheFirstThroughTheBus() {
    const QString address = QString::fromStdString(gBusAddress);
    QList<InstanceCommand> got;
    InstanceService first([&](InstanceCommand c) { got.append(c); });
    QCOMPARE(first.Register(), InstanceService::Claim::Owned);

    // The same user's second start, on its own connection, finds the id taken.
    {
      QDBusConnection other = QDBusConnection::connectToBus(address, QStringLiteral("second"));
      InstanceService second([&](InstanceCommand) { QFAIL("the second start got a command"); },
                             other);
      QCOMPARE(second.Register(), InstanceService::Claim::Taken);
    }
    QDBusConnection::disconnectFromBus(QStringLiteral("second"));

    QCOMPARE(SendFromElsewhere(InstanceCommand::None, address), RemoteResult::Done);
    QCOMPARE(SendFromElsewhere(InstanceCommand::Hide, address), RemoteResult::Done);
    QCOMPARE(SendFromElsewhere(InstanceCommand::Toggle, address), RemoteResult::Done);
    QCOMPARE(SendFromElsewhere(InstanceCommand::Show, address), RemoteResult::Done);
    // A plain second start asks to be shown.
    QCOMPARE(got, (QList<InstanceCommand>{InstanceCommand::Show, InstanceCommand::Hide,
                                         InstanceCommand::Toggle, InstanceCommand::Show}));
  }

  void IdIsFreeOnceTheFirstHasEnded() {
    const QString address = QString::fromStdString(gBusAddress);
    QCOMPARE(SendFromElsewhere(InstanceCommand::Toggle, address), RemoteResult::NotRunning);
    {
      InstanceService first([](InstanceCommand) {});
      QCOMPARE(first.Register(), InstanceService::Claim::Owned);
    }
    // The bus may tell the release a moment later than the call returns; the
    // registration itself is what a new start does.
    int got = 0;
    InstanceService next([&](InstanceCommand) { ++got; });
    QCOMPARE(next.Register(), InstanceService::Claim::Owned);
    QCOMPARE(SendFromElsewhere(InstanceCommand::Show, address), RemoteResult::Done);
    QCOMPARE(got, 1);
  }

  // No session bus (a console login, a minimal container): every start goes on alone.
  void WithoutABusEveryStartGoesOn() {
    QDBusConnection none = QDBusConnection::connectToBus(
        QStringLiteral("unix:path=/nonexistent/vostrelle-bus"), QStringLiteral("none"));
    QVERIFY(!none.isConnected());
    InstanceService service([](InstanceCommand) {}, none);
    QCOMPARE(service.Register(), InstanceService::Claim::NoBus);
    QCOMPARE(SendToRunningInstance(InstanceCommand::Show, none), RemoteResult::NoBus);
    QDBusConnection::disconnectFromBus(QStringLiteral("none"));
  }
};

int main(int argc, char* argv[]) {
  return test::RunOnPrivateSessionBus<SingleInstanceTest>(argc, argv, &gBusAddress);
}

#include "SingleInstanceTest.moc"
