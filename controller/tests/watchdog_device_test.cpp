// The watchdog device against the platform model, on the test clock.
#include <gtest/gtest.h>

#include "controller/startup.h"
#include "ground/sysservices.h"
#include "platform/clock.h"
#include "platform/watchdog.h"

namespace {

class WatchdogDevice : public ::testing::Test {
 protected:
  plat::ScopedTestClock clock;
  void SetUp() override {
    plat::WatchdogReset();
    WatchDogDisable = 0;
  }
  void TearDown() override {
    plat::WatchdogReset();
    WatchDogDisable = 0;
  }
};

TEST_F(WatchdogDevice, StartsWithFiveSecondsAndFeedsKeepItAlive) {
  StartWatchdog();
  ASSERT_TRUE(plat::WatchdogIsOpen());
  EXPECT_EQ(plat::WatchdogTimeLeftMs(), 5000);
  for (int i = 0; i < 10; ++i) {
    clock->AdvanceMs(4000);
    TickleWatchdogReal();
  }
  EXPECT_FALSE(plat::WatchdogExpired());
  clock->AdvanceMs(5000);
  EXPECT_TRUE(plat::WatchdogExpired());  // unfed for its whole timeout
}

TEST_F(WatchdogDevice, StartTwiceKeepsTheRunningCountdown) {
  StartWatchdog();
  clock->AdvanceMs(3000);
  StartWatchdog();
  EXPECT_EQ(plat::WatchdogTimeLeftMs(), 2000);
}

TEST_F(WatchdogDevice, DisabledFromTheCommandLine) {
  WatchDogDisable = 1;
  StartWatchdog();
  EXPECT_FALSE(plat::WatchdogIsOpen());
  TickleWatchdogReal();  // harmless while closed
  EXPECT_FALSE(plat::WatchdogIsOpen());
}

TEST_F(WatchdogDevice, StopClosesAndATimeoutCanBeSet) {
  StartWatchdog();
  set_watchdog_time(60);
  EXPECT_EQ(plat::WatchdogTimeLeftMs(), 60000);
  StopWatchdog();
  EXPECT_FALSE(plat::WatchdogIsOpen());
  clock->AdvanceMs(120000);
  EXPECT_FALSE(plat::WatchdogExpired());  // a stopped watchdog never fires
  StartWatchdog();                        // and can be started again
  EXPECT_EQ(plat::WatchdogTimeLeftMs(), 5000);
}

}  // namespace
