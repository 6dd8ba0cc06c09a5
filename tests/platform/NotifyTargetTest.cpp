#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "platform/NotifyTarget.h"

using namespace vostrelle;

TEST(NotifyTarget, EachThreadsMessagesArriveInOrderOnTheDrainingThread) {
  QueueNotifyTarget target;
  std::vector<std::vector<std::uintptr_t>> seen(4);
  const auto self = std::this_thread::get_id();
  bool elsewhere = false;
  target.SetHandler([&](unsigned message, std::uintptr_t wParam) {
    if (std::this_thread::get_id() != self) elsewhere = true;
    seen[message - kWmApp].push_back(wParam);
    return true;
  });
  std::vector<std::thread> posters;
  for (unsigned t = 0; t < 4; ++t)
    posters.emplace_back([&target, t] {
      for (std::uintptr_t i = 0; i < 2000; ++i) target.Post(kWmApp + t, i);
    });
  std::size_t total = 0;
  ASSERT_TRUE(target.PumpUntil(
      [&] {
        total = seen[0].size() + seen[1].size() + seen[2].size() + seen[3].size();
        return total == 8000;
      },
      10000));
  for (auto& p : posters) p.join();
  EXPECT_FALSE(elsewhere);
  for (const auto& list : seen)
    for (std::size_t i = 0; i < list.size(); ++i) ASSERT_EQ(list[i], i);
}

TEST(NotifyTarget, NestedDeliveryKeepsTheOrder) {
  QueueNotifyTarget target;
  std::vector<std::uintptr_t> order;
  target.SetHandler([&](unsigned, std::uintptr_t w) {
    order.push_back(w);
    if (w == 1) target.Drain();  // a handler running a nested loop
    return true;
  });
  for (std::uintptr_t i = 1; i <= 4; ++i) target.Post(kWmApp, i);
  target.Drain();
  EXPECT_EQ(order, (std::vector<std::uintptr_t>{1, 2, 3, 4}));
}

TEST(NotifyTarget, ClosedTargetDropsWhatIsQueuedAndWhatComes) {
  QueueNotifyTarget target;
  int handled = 0;
  target.SetHandler([&](unsigned, std::uintptr_t) { return ++handled, true; });
  EXPECT_TRUE(target.Post(kWmApp, 1));
  target.Close();
  EXPECT_FALSE(target.Post(kWmApp, 2));
  EXPECT_EQ(target.Drain(), 0u);
  EXPECT_EQ(handled, 0);
  EXPECT_FALSE(target.PumpUntil([] { return false; }, 30));
}
