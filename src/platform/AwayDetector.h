#pragma once
// Notices that the program was away: the machine slept (the boot-time clock runs on
// through a suspend, the monotonic one does not) or the process was held up (both run
// on, and the check comes late). Either way others may have given up on us.

#include <chrono>
#include <cstdint>
#include <functional>

namespace vostrelle {

struct ClockReading {
  std::int64_t MonotonicMs = 0;
  std::int64_t BoottimeMs = 0;
};

// CLOCK_MONOTONIC and CLOCK_BOOTTIME, read together.
ClockReading ReadSystemClocks();

class AwayDetector {
 public:
  using Clock = std::function<ClockReading()>;
  // interval: how often Check is meant to be called; slack: lateness that is still
  // ordinary (a busy event loop).
  AwayDetector(std::chrono::milliseconds interval, std::chrono::milliseconds slack,
               Clock clock = ReadSystemClocks);

  // How long past its time this check came, counting a suspend in between; zero when
  // within the slack. The first call after construction measures from construction.
  std::chrono::milliseconds Check();
  // The part of the last away time the machine spent asleep.
  std::chrono::milliseconds LastSlept() const { return slept_; }

 private:
  std::chrono::milliseconds interval_;
  std::chrono::milliseconds slack_;
  Clock clock_;
  ClockReading last_;
  std::chrono::milliseconds slept_{0};
};

}  // namespace vostrelle
