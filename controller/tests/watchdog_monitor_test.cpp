#include <gtest/gtest.h>

#include <chrono>

#include "platform/clock.h"
#include "platform/trace.h"
#include "platform/watchdog.h"
#include "testsupport/reg_fixture.h"
#include "watchdog_monitor.h"

namespace {

class WatchdogMonitor : public ts::RegImageTest {
 protected:
  plat::ScopedTestClock clock;
  void SetUp() override {
    ts::RegImageTest::SetUp();
    plat::WatchdogReset();
    WatchdogMonitorReset();
  }
  void TearDown() override {
    plat::WatchdogReset();
    WatchdogMonitorReset();
    ts::RegImageTest::TearDown();
  }
  // The unit's watchdog: 5 s, fed now.
  void OpenWatchdog() {
    ASSERT_TRUE(plat::WatchdogOpen());
    plat::WatchdogSetTimeout(5);
  }
};

// Time left in milliseconds: the save window is 400..1000 inclusive.
TEST_F(WatchdogMonitor, SavesOnlyInsideItsWindow) {
  struct Case {
    int64_t unfed_ms;
    bool saves;
  };
  for (const Case c : {Case{0, false}, Case{3999, false}, Case{4000, true}, Case{4300, true}, Case{4600, true},
                       Case{4601, false}, Case{6000, false}}) {
    SCOPED_TRACE(c.unfed_ms);
    plat::WatchdogReset();
    WatchdogMonitorReset();
    OpenWatchdog();
    clock->AdvanceMs(c.unfed_ms);
    plat::TraceClear();
    EXPECT_EQ(WatchdogScan(), c.saves ? WatchdogScanResult::kSaved : WatchdogScanResult::kPolled);
    EXPECT_EQ(plat::TraceCountOf("AutoSaveRegisters"), c.saves ? 1u : 0u);
    EXPECT_EQ(plat::TraceCountOf("watchdogStModeStatus"), c.saves ? 0u : 1u);
  }
}

TEST_F(WatchdogMonitor, SavesOnceAsTheMainLoopStopsFeeding) {
  OpenWatchdog();
  for (int i = 0; i < 20; ++i) {  // the loop feeds; the monitor polls every 500 ms
    clock->AdvanceMs(500);
    plat::WatchdogKeepalive();
    EXPECT_EQ(WatchdogScan(), WatchdogScanResult::kPolled);
  }
  for (int i = 0; i < 20; ++i) {  // the loop has stopped
    clock->AdvanceMs(500);
    WatchdogScan();
  }
  EXPECT_EQ(plat::TraceCountOf("AutoSaveRegisters"), 1u);
  EXPECT_EQ(WatchdogScan(), WatchdogScanResult::kWaiting);
  EXPECT_TRUE(plat::WatchdogExpired());
}

TEST_F(WatchdogMonitor, ClosedDeviceOnlyPollsWifi) {
  clock->AdvanceMs(4500);
  EXPECT_EQ(plat::WatchdogTimeLeftMs(), -1);
  EXPECT_EQ(WatchdogScan(), WatchdogScanResult::kPolled);
  EXPECT_EQ(plat::TraceCountOf("AutoSaveRegisters"), 0u);
}

TEST_F(WatchdogMonitor, ThreadPollsAndStops) {
  StartWatchdogMonitor();
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (plat::TraceCountOf("watchdogStModeStatus") == 0 && std::chrono::steady_clock::now() < deadline) {
  }
  StopWatchdogMonitor();
  EXPECT_GE(plat::TraceCountOf("watchdogStModeStatus"), 1u);
}

}  // namespace
