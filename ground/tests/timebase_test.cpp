#include <gtest/gtest.h>

#include <cstdint>

#include "ground/timebase.h"
#include "platform/clock.h"
#include "testsupport/stepping_clock.h"
#include "ground/power_on.h"

namespace {

constexpr int64_t kBaseNs = 1'000'000'000'000LL;  // whole seconds: the base
constexpr int64_t kNsPerTick = 100'000;

struct TimebaseTest : ::testing::Test {
  plat::ScopedTestClock clock;
  void SetUp() override {
    TimebaseRestart();
    clock->SetMonotonicNs(kBaseNs);
    ASSERT_EQ(FPGA_GetFrt(), 0u);
  }
  void TearDown() override { TimebaseRestart(); }
  void AtTick(uint64_t tick) { clock->SetMonotonicNs(kBaseNs + int64_t(tick) * kNsPerTick); }
};

TEST_F(TimebaseTest, FirstReadingGivesTheSubSecondPart) {
  TimebaseRestart();
  clock->SetMonotonicNs(kBaseNs + 250'000'000);  // 0.25 s past a whole second
  EXPECT_EQ(FPGA_GetFrt(), 2500u);
  EXPECT_EQ(fpga_port, 2500u);
}

// Around 2^31 ticks (about 2.5 days) and the 2^32 wrap (about 4.97 days) the tick keeps
// its u32 differences and the millisecond count moves on by exactly the time passed.
TEST_F(TimebaseTest, TickAndMillisecondsAcrossTheWraps) {
  for (uint64_t edge : {uint64_t(1) << 31, uint64_t(1) << 32, (uint64_t(1) << 32) * 3}) {
    SCOPED_TRACE(edge);
    AtTick(edge - 5);
    const uint32_t tick0 = FPGA_GetFrt();
    const uint32_t ms0 = tx::_tx_time_get();
    EXPECT_EQ(tick0, uint32_t(edge - 5));
    AtTick(edge + 15);  // 2 ms later
    EXPECT_EQ(uint32_t(FPGA_GetFrt() - tick0), 20u);
    EXPECT_EQ(uint32_t(tx::_tx_time_get() - ms0), 2u);
  }
}

TEST_F(TimebaseTest, MillisecondsFollowTheTick) {
  AtTick(123456789);
  EXPECT_EQ(tx::_tx_time_get(), 12345678u);
}

// A test clock moves only when told; a wait tells it, so the wait ends.
TEST_F(TimebaseTest, AWaitMovesATestClockByItsTime) {
  Delay(300);
  EXPECT_EQ(FPGA_GetFrt(), 3000u);
  SYS_Wait(2);
  EXPECT_EQ(FPGA_GetFrt(), 3200u);
}

TEST(TimebaseWait, DelayAndSysWaitHoldForTheirTime) {
  TimebaseRestart();
  ts::SteppingClock clock(kNsPerTick);
  FPGA_GetFrt();
  int64_t start = clock.MonotonicNow();
  Delay(30);
  EXPECT_GE(clock.MonotonicNow() - start, 30 * 1'000'000);
  EXPECT_LT(clock.MonotonicNow() - start, 31 * 1'000'000);
  start = clock.MonotonicNow();
  SYS_Wait(3);
  EXPECT_GE(clock.MonotonicNow() - start, 30 * 1'000'000);
  EXPECT_LT(clock.MonotonicNow() - start, 31 * 1'000'000);
  TimebaseRestart();
}

}  // namespace
