#include "fieldbus/gap_timers.h"

#include <gtest/gtest.h>

#include "platform/clock.h"

namespace {

int g_fired[6];
template <int N>
void Fire() {
  ++g_fired[N];
}

class GapTimers : public ::testing::Test {
 protected:
  void SetUp() override {
    RCT_Init();
    for (int& n : g_fired) n = 0;
  }
  void TearDown() override { RCT_Init(); }
  plat::ScopedTestClock clock_;
};

TEST_F(GapTimers, FiveTimersThenNone) {
  for (int h = 1; h <= 5; ++h) EXPECT_EQ(RCT_Allocate(Fire<0>), h);
  EXPECT_EQ(RCT_Allocate(Fire<0>), 0);
  RCT_Release(3);
  EXPECT_EQ(RCT_Allocate(Fire<0>), 3);
  // Handle 0 (a failed allocation) and handles out of range do nothing.
  RCT_Set(0, 1000, kRctOneShotUs);
  RCT_Start(0);
  RCT_Start(6);
  RCT_Release(-1);
  EXPECT_EQ(RctState(0), 0);
}

TEST_F(GapTimers, BaudTimeoutExpiresAfterItsPeriodAndEachRestartPushesItBack) {
  const int h = RCT_Allocate(Fire<1>);
  RCT_Set(h, 5, kRctBaudTimeout);  // 9600 baud: 266 ticks
  RCT_Start(h);
  clock_->AdvanceTicks(200);
  RctISR();
  RCT_Start(h);  // a byte arrived
  clock_->AdvanceTicks(266);
  RctISR();
  EXPECT_EQ(g_fired[1], 0);
  clock_->AdvanceTicks(1);
  RctISR();
  EXPECT_EQ(g_fired[1], 1);
  EXPECT_EQ(RctState(h), 1);  // a one-shot stops
  clock_->AdvanceTicks(1000);
  RctISR();
  EXPECT_EQ(g_fired[1], 1);
}

TEST_F(GapTimers, MicrosecondOneShotAndPeriodic) {
  const int once = RCT_Allocate(Fire<1>);
  const int every = RCT_Allocate(Fire<2>);
  RCT_Set(once, 2000, kRctOneShotUs);  // 20 ticks
  RCT_Set(every, 1000, kRctPeriodic);  // 10 ticks
  RCT_Start(once);
  RCT_Start(every);
  for (int i = 0; i < 10; ++i) {
    clock_->AdvanceTicks(3);
    RctISR();
  }
  EXPECT_EQ(g_fired[1], 1);
  EXPECT_EQ(g_fired[2], 2);
  EXPECT_EQ(RctState(every), 2);
}

TEST_F(GapTimers, PeriodZeroNeverStartsAndStopHolds) {
  const int h = RCT_Allocate(Fire<1>);
  RCT_Set(h, 50, kRctOneShotUs);  // below one tick
  RCT_Start(h);
  EXPECT_EQ(RctState(h), 1);
  RCT_Set(h, 1000, kRctOneShotUs);
  RCT_Start(h);
  RCT_Stop(h);
  clock_->AdvanceTicks(100);
  RctISR();
  EXPECT_EQ(g_fired[1], 0);
}

TEST_F(GapTimers, StartingAnotherTimerBringsRunningOnesUpToDate) {
  struct Case {
    uint32_t period, passed, left;
  } cases[] = {{10, 5, 5}, {3, 5, 8}};
  for (const Case& c : cases) {
    RCT_Init();
    const int first = RCT_Allocate(Fire<1>);
    const int second = RCT_Allocate(Fire<2>);
    RCT_Set(first, c.period * 100, kRctOneShotUs);
    RCT_Set(second, 10000, kRctOneShotUs);
    RCT_Start(first);
    clock_->AdvanceTicks(c.passed);
    RCT_Start(second);
    EXPECT_EQ(RctRemaining(first), c.left) << c.period;
  }
}

// The time base is monotonic: setting the wall clock back or forth cuts no frame.
TEST_F(GapTimers, WallClockJumpsDoNotExpireTimers) {
  const int h = RCT_Allocate(Fire<1>);
  RCT_Set(h, 5, kRctBaudTimeout);
  RCT_Start(h);
  clock_->SetWallNs(0);
  RctISR();
  clock_->SetWallNs(4'000'000'000'000'000'000LL);
  RctISR();
  EXPECT_EQ(g_fired[1], 0);
  EXPECT_EQ(RctState(h), 2);
}

}  // namespace
