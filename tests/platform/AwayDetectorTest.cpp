#include <gtest/gtest.h>

#include "platform/AwayDetector.h"

using namespace vostrelle;
using std::chrono::milliseconds;

// The clocks are driven by hand: a suspend moves only the boot-time clock, a stall
// moves both.
TEST(AwayDetector, TellsSuspendAndStallFromAnOrdinaryCheck) {
  ClockReading now{1000, 5000};
  AwayDetector away(milliseconds(2000), milliseconds(3000), [&] { return now; });

  now.MonotonicMs += 2000, now.BoottimeMs += 2000;
  EXPECT_EQ(away.Check(), milliseconds(0));
  // A late check within the slack is no absence.
  now.MonotonicMs += 4500, now.BoottimeMs += 4500;
  EXPECT_EQ(away.Check(), milliseconds(0));

  // Suspended for 200 s between two checks.
  now.MonotonicMs += 2000, now.BoottimeMs += 202000;
  EXPECT_EQ(away.Check(), milliseconds(200000));
  EXPECT_EQ(away.LastSlept(), milliseconds(200000));

  // Held up for a minute (stopped, or a frozen event loop): both clocks ran on.
  now.MonotonicMs += 62000, now.BoottimeMs += 62000;
  EXPECT_EQ(away.Check(), milliseconds(60000));
  EXPECT_EQ(away.LastSlept(), milliseconds(0));

  // Each absence is told once.
  now.MonotonicMs += 2000, now.BoottimeMs += 2000;
  EXPECT_EQ(away.Check(), milliseconds(0));
}

TEST(AwayDetector, SystemClocksRunTogetherWhileAwake) {
  const ClockReading a = ReadSystemClocks();
  const ClockReading b = ReadSystemClocks();
  EXPECT_GE(b.MonotonicMs, a.MonotonicMs);
  EXPECT_GE(a.BoottimeMs, a.MonotonicMs);  // boot time has slept at least as long
}
