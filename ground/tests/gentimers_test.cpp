#include <gtest/gtest.h>

#include <vector>

#include "ground/gentimers.h"
#include "ground/timebase.h"
#include "platform/clock.h"
#include "ground/power_on.h"

namespace {

struct GeneralTimerTest : ::testing::Test {
  plat::ScopedTestClock clock;
  void SetUp() override {
    TimebaseRestart();
    FPGA_GetFrt();
    Timer_Init(&fpga_port, 100);
  }
  void TearDown() override { TimebaseRestart(); }
};

TEST_F(GeneralTimerTest, AllocationTakesTheFirstFreeRun) {
  struct Case {
    std::vector<int> taken;  // allocated one by one first
    int n;
    int expected;
  };
  const Case cases[] = {
      {{0, 2}, 3, 3},              // slots 3..5
      {{0, 2}, 1, 1},              // the hole between
      {{}, 8, 0},                  // all of them
      {{0, 1, 2, 3, 4, 5}, 3, kNoTimer},
      {{7}, 8, kNoTimer},
      {{}, 0, kNoTimer},           // nothing to reserve
      {{}, 9, kNoTimer},
  };
  for (const Case& c : cases) {
    Timer_Init(&fpga_port, 100);
    for (int i = 0; i < kGeneralTimers; ++i) ASSERT_EQ(Timer_Allocate(1), i);
    for (int i = 0; i < kGeneralTimers; ++i) {
      bool keep = false;
      for (int t : c.taken) keep |= t == i;
      if (!keep) Timer_Release(uint8_t(i));
    }
    EXPECT_EQ(Timer_Allocate(c.n), c.expected) << "n=" << c.n;
  }
}

TEST_F(GeneralTimerTest, ExpiryIsReportedOnceAndThePeriodIsReused) {
  const uint8_t t = Timer_Allocate(1);
  EXPECT_EQ(Timer_Start(t, 0), 0u);  // fresh slot, no period: does not run
  EXPECT_EQ(Timer_Status(t), kTimerStopped);

  EXPECT_EQ(Timer_Start(t, 5), 50u);  // ticks
  clock->AdvanceTicks(49);
  EXPECT_EQ(Timer_Status(t), kTimerRunning);
  EXPECT_TRUE(Timer_Running(t));
  clock->AdvanceTicks(1);
  EXPECT_FALSE(Timer_Running(t));  // and the expiry stays for Timer_Status
  EXPECT_EQ(Timer_Status(t), kTimerExpired);
  EXPECT_EQ(Timer_Status(t), kTimerStopped);

  EXPECT_EQ(Timer_Start(t, 0), 50u);  // the stored period again
  clock->AdvanceTicks(50);
  EXPECT_EQ(Timer_Status(t), kTimerExpired);

  Timer_Start(t, 5);
  Timer_Stop(t);
  clock->AdvanceTicks(100);
  EXPECT_EQ(Timer_Status(t), kTimerStopped);
}

TEST_F(GeneralTimerTest, ExpiryAcrossTheTickWrap) {
  clock->SetMonotonicNs(1'000'000'000'000LL + ((int64_t(1) << 32) - 20) * 100'000);
  FPGA_GetFrt();
  const uint8_t t = Timer_Allocate(1);
  Timer_Start(t, 3);
  clock->AdvanceTicks(29);
  EXPECT_EQ(Timer_Status(t), kTimerRunning);
  clock->AdvanceTicks(1);
  EXPECT_EQ(Timer_Status(t), kTimerExpired);
}

TEST_F(GeneralTimerTest, BadSlotsStartNothing) {
  EXPECT_EQ(Timer_Start(9, 5), 9u);
  EXPECT_EQ(Timer_Status(9), kTimerBadIndex);
  EXPECT_EQ(Timer_Start(4, 5), 4u);  // not allocated
  EXPECT_EQ(Timer_Status(4), kTimerNotAllocated);
  const uint8_t t = Timer_Allocate(1);
  Timer_Start(t, 5);
  Timer_Release(t);
  EXPECT_EQ(Timer_Status(t), kTimerNotAllocated);
}

}  // namespace
