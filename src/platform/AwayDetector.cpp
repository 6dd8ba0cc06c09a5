#include "platform/AwayDetector.h"

#include <time.h>

#include <algorithm>

namespace vostrelle {

namespace {
std::int64_t ReadMs(clockid_t id) {
  timespec ts{};
  clock_gettime(id, &ts);
  return static_cast<std::int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}
}  // namespace

ClockReading ReadSystemClocks() {
  return {ReadMs(CLOCK_MONOTONIC), ReadMs(CLOCK_BOOTTIME)};
}

AwayDetector::AwayDetector(std::chrono::milliseconds interval, std::chrono::milliseconds slack,
                           Clock clock)
    : interval_(interval), slack_(slack), clock_(std::move(clock)), last_(clock_()) {}

std::chrono::milliseconds AwayDetector::Check() {
  const ClockReading now = clock_();
  // The boot-time clock holds both a suspend and a stall; its lead over the monotonic
  // one is the suspend alone.
  const std::int64_t elapsed = now.BoottimeMs - last_.BoottimeMs;
  const std::int64_t slept =
      (now.BoottimeMs - last_.BoottimeMs) - (now.MonotonicMs - last_.MonotonicMs);
  last_ = now;
  slept_ = std::chrono::milliseconds(std::max<std::int64_t>(slept, 0));
  const std::int64_t late = elapsed - interval_.count();
  if (late <= slack_.count()) return std::chrono::milliseconds(0);
  return std::chrono::milliseconds(late);
}

}  // namespace vostrelle
