// Termination signals reach the event loop as one Qt signal each; a signal ignored at
// start stays ignored, the dispositions from before come back, and a second SIGINT or
// SIGTERM during an end that hangs ends the process at once.

#include <sys/wait.h>
#include <unistd.h>

#include <QtTest>
#include <csignal>

#include "qt/TerminationSignals.h"

using namespace vostrelle;

namespace {

void Marker(int) {}

sighandler_t Current(int number) {
  struct sigaction now = {};
  sigaction(number, nullptr, &now);
  return now.sa_handler;
}

// Runs body in a child process; how the child ended (a signal number, or -1 when it
// returned from body).
int EndOfChild(const std::function<void()>& body) {
  const pid_t child = fork();
  if (child == 0) {
    body();
    _exit(0);
  }
  int status = 0;
  waitpid(child, &status, 0);
  return WIFSIGNALED(status) ? WTERMSIG(status) : -1;
}

}  // namespace

class TerminationSignalsTest : public QObject {
  Q_OBJECT
 private slots:
  void ASignalArrivesOnTheLoop_data() {
    QTest::addColumn<int>("number");
    QTest::newRow("SIGTERM") << int{SIGTERM};
    QTest::newRow("SIGINT") << int{SIGINT};
    QTest::newRow("SIGHUP") << int{SIGHUP};
  }
  void ASignalArrivesOnTheLoop() {
    QFETCH(int, number);
    const sighandler_t before = Current(number);
    QList<int> seen;
    {
      TerminationSignals catcher;
      QVERIFY(catcher.IsInstalled());
      connect(&catcher, &TerminationSignals::Received, this, [&](int n) { seen << n; });
      // Raised before the loop runs: kept in the pipe, nothing done in the handler.
      raise(number);
      QVERIFY(seen.isEmpty());
      QTRY_COMPARE(seen, QList<int>{number});
    }
    QVERIFY(Current(number) == before);
  }

  void IgnoredAtStartStaysIgnoredAndEarlierHandlersComeBack() {
    std::signal(SIGHUP, SIG_IGN);  // as nohup leaves it
    std::signal(SIGTERM, Marker);
    const sighandler_t interrupt = Current(SIGINT);
    {
      TerminationSignals catcher;
      QVERIFY(!TerminationSignals::IsCaught(SIGHUP));
      QVERIFY(TerminationSignals::IsCaught(SIGTERM));
      QVERIFY(TerminationSignals::IsCaught(SIGINT));
      QVERIFY(Current(SIGHUP) == SIG_IGN);
      bool heard = false;
      connect(&catcher, &TerminationSignals::Received, this, [&](int) { heard = true; });
      raise(SIGHUP);  // ignored: this process lives on and hears nothing
      QCoreApplication::processEvents();
      QVERIFY(!heard);
    }
    QVERIFY(Current(SIGHUP) == SIG_IGN);
    QVERIFY(Current(SIGTERM) == Marker);
    QVERIFY(Current(SIGINT) == interrupt);
    std::signal(SIGHUP, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
  }

  // The child stands for a program whose orderly end hangs: it never returns to its
  // loop after the first signal.
  void ASecondSignalDuringAHangingEndEndsAtOnce() {
    QCOMPARE(EndOfChild([] {
               TerminationSignals catcher;
               raise(SIGTERM);  // the orderly end is asked for ...
               raise(SIGINT);   // ... and Ctrl+C while it hangs
             }),
             SIGINT);
    QCOMPARE(EndOfChild([] {
               TerminationSignals catcher;
               TerminationSignals::EndStarted();  // the window was closed
               raise(SIGTERM);
             }),
             SIGTERM);
    // A closed terminal's SIGHUP after the first signal is just one more request.
    QCOMPARE(EndOfChild([] {
               TerminationSignals catcher;
               raise(SIGINT);
               raise(SIGHUP);
             }),
             -1);
  }
};

QTEST_GUILESS_MAIN(TerminationSignalsTest)
#include "TerminationSignalsTest.moc"
