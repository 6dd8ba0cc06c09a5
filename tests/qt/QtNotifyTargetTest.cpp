// Worker messages on the Qt event loop: order per thread, nothing lost, and a target
// dropped with messages still queued.

#include <QtTest>
#include <thread>
#include <vector>

#include "qt/QtNotifyTarget.h"

using namespace vostrelle;

class QtNotifyTargetTest : public QObject {
  Q_OBJECT
 private slots:
  void DeliversEveryPostInOrderOnTheGuiThread() {
    auto target = std::make_shared<QtNotifyTarget>(this);
    constexpr int kThreads = 4, kEach = 2000;
    std::vector<std::vector<std::uintptr_t>> seen(kThreads);
    bool offThread = false;
    int total = 0;
    target->SetHandler([&](unsigned message, std::uintptr_t value) {
      if (QThread::currentThread() != thread()) offThread = true;
      seen[message - kWmApp].push_back(value);
      ++total;
      return true;
    });
    std::vector<std::thread> posters;
    for (int t = 0; t < kThreads; ++t) {
      posters.emplace_back([&, t] {
        for (int i = 0; i < kEach; ++i) target->Post(kWmApp + t, static_cast<std::uintptr_t>(i));
      });
    }
    for (auto& p : posters) p.join();
    QTRY_COMPARE_WITH_TIMEOUT(total, kThreads * kEach, 5000);
    QVERIFY(!offThread);
    for (const auto& one : seen) {
      QCOMPARE(static_cast<int>(one.size()), kEach);
      for (int i = 0; i < kEach; ++i) QCOMPARE(one[i], static_cast<std::uintptr_t>(i));
    }
  }

  void DroppedTargetIgnoresItsQueuedWakeUp() {
    int delivered = 0;
    {
      auto target = std::make_shared<QtNotifyTarget>(this);
      target->SetHandler([&](unsigned, std::uintptr_t) { return ++delivered, true; });
      target->Post(kWmApp, 1);
    }
    QCoreApplication::sendPostedEvents();  // runs the wake-up queued by Post
    QCOMPARE(delivered, 0);
  }
};

QTEST_MAIN(QtNotifyTargetTest)
#include "QtNotifyTargetTest.moc"
