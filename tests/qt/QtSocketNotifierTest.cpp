// Socket readiness on the Qt event loop, including changes made from inside a handler.

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QtTest>
#include <memory>

#include "qt/QtSocketNotifier.h"

using namespace vostrelle;

namespace {

struct Pair {
  int fds[2] = {-1, -1};
  Pair() { QVERIFY(socketpair(AF_UNIX, SOCK_DGRAM, 0, fds) == 0); }
  ~Pair() {
    close(fds[0]);
    close(fds[1]);
  }
  int reader() const { return fds[0]; }
  void Send() const { QVERIFY(write(fds[1], "x", 1) == 1); }
  void Drain() const {
    char c;
    QVERIFY(read(fds[0], &c, 1) == 1);
  }
};

// Once the socket is readable, one pass of the event loop would run any handler still
// watching it: after that, a handler that did not run never will.
void Settle(const Pair& pair) {
  pollfd ready{pair.reader(), POLLIN, 0};
  QVERIFY(poll(&ready, 1, 10000) == 1);
  QCoreApplication::processEvents();
}

}  // namespace

class QtSocketNotifierTest : public QObject {
  Q_OBJECT

 private slots:
  void deliversEachReadiness() {
    Pair pair;
    QtSocketNotifier notifier;
    int calls = 0;
    notifier.Watch(pair.reader(), [&] {
      pair.Drain();
      ++calls;
    });
    pair.Send();
    QTRY_COMPARE(calls, 1);
    pair.Send();
    QTRY_COMPARE(calls, 2);
  }

  void unwatchFromInsideItsHandler() {
    Pair pair;
    QtSocketNotifier notifier;
    int calls = 0;
    // The handler owns captured state that must survive its own removal.
    auto state = std::make_shared<int>(7);
    notifier.Watch(pair.reader(), [&, state] {
      pair.Drain();
      notifier.Unwatch(pair.reader());
      calls += *state;
    });
    state.reset();
    pair.Send();
    QTRY_COMPARE(calls, 7);
    QCOMPARE(notifier.watched(), std::size_t(0));
    pair.Send();
    Settle(pair);
    QCOMPARE(calls, 7);
  }

  void watchAgainFromInsideReplacesTheHandler() {
    Pair pair;
    QtSocketNotifier notifier;
    int first = 0, second = 0;
    notifier.Watch(pair.reader(), [&] {
      pair.Drain();
      ++first;
      notifier.Watch(pair.reader(), [&] {
        pair.Drain();
        ++second;
      });
    });
    pair.Send();
    QTRY_COMPARE(first, 1);
    pair.Send();
    QTRY_COMPARE(second, 1);
    QCOMPARE(first, 1);
    QCOMPARE(notifier.watched(), std::size_t(1));
  }

  void destroyedNotifierDeliversNothing() {
    Pair pair;
    int calls = 0;
    {
      QtSocketNotifier notifier;
      notifier.Watch(pair.reader(), [&] { ++calls; });
    }
    pair.Send();
    Settle(pair);
    QCOMPARE(calls, 0);
  }
};

QTEST_GUILESS_MAIN(QtSocketNotifierTest)
#include "QtSocketNotifierTest.moc"
