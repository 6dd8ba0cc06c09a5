// Termination signals reach the event loop as one Qt signal each, in order, and the
// default dispositions come back when the catcher goes.

#include <QtTest>
#include <csignal>

#include "platform/qt/TerminationSignals.h"

using namespace vostrelle;

class TerminationSignalsTest : public QObject {
  Q_OBJECT
 private slots:
  void EachSignalArrivesOnTheLoopOnce() {
    QList<int> seen;
    {
      TerminationSignals catcher;
      QVERIFY(catcher.IsInstalled());
      connect(&catcher, &TerminationSignals::Received, this, [&](int n) { seen << n; });
      // Raised before the loop runs: kept in the pipe, not lost, nothing done in the handler.
      raise(SIGTERM);
      raise(SIGINT);
      raise(SIGHUP);
      QVERIFY(seen.isEmpty());
      QTRY_COMPARE(seen, (QList<int>{SIGTERM, SIGINT, SIGHUP}));
    }
    struct sigaction now = {};
    sigaction(SIGTERM, nullptr, &now);
    QVERIFY(now.sa_handler == SIG_DFL);
  }
};

QTEST_GUILESS_MAIN(TerminationSignalsTest)
#include "TerminationSignalsTest.moc"
