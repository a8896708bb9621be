// The software local clock: its first reading, its run on the tick, setting it, daylight
// saving and a clock device that fails.
#include <gtest/gtest.h>

#include "ground/regaccess.h"
#include "rtc_fixture.h"

namespace {
using namespace rtc_test;
namespace model = plat::rtc_model;

using RtcClock = RtcTest;

TEST_F(RtcClock, IsReadOnceFromTheChip) {
  // The chip follows the test's wall clock at first use: 2023-11-14 22:13:20, a Tuesday.
  RtcRecord r{};
  ASSERT_EQ(RtcGet(r), 1);
  EXPECT_EQ(F(r), (Fields{2023, 11, 14, 22, 13, 20}));
  EXPECT_EQ(r.dow, 3);
  model::Hold(Chip(2030, 1, 1, 0, 0, 0));
  EXPECT_EQ(Now(), (Fields{2023, 11, 14, 22, 13, 20}));

  rtc::ResetState();
  model::Hold(Chip(1990, 6, 1, 8, 0, 0));  // behind the first year the clock knows
  EXPECT_EQ(Now(), (Fields{1996, 6, 1, 8, 0, 0}));
}

struct RunCase {
  Fields from;
  int64_t ticks;
  Fields to;
};

TEST_F(RtcClock, RunsOnTheTickWithCarries) {
  const RunCase cases[] = {
      {{2024, 2, 28, 23, 59, 59}, 10000, {2024, 2, 29, 0, 0, 0}},
      {{2023, 2, 28, 23, 59, 59}, 10000, {2023, 3, 1, 0, 0, 0}},
      {{1900, 2, 28, 23, 59, 59}, 10000, {1900, 3, 1, 0, 0, 0}},
      {{2024, 4, 30, 23, 59, 59}, 10000, {2024, 5, 1, 0, 0, 0}},
      {{2023, 12, 31, 23, 59, 59}, 10000, {2024, 1, 1, 0, 0, 0}},
      {{2024, 1, 1, 0, 0, 0}, 9999, {2024, 1, 1, 0, 0, 0}},
      {{2024, 1, 1, 0, 0, 0}, 3725 * 10000 + 9999, {2024, 1, 1, 1, 2, 5}},  // a long gap at once
  };
  for (const auto& c : cases) {
    const auto& f = c.from;
    ASSERT_EQ(RtcSet(Local(f[0], f[1], f[2], f[3], f[4], f[5])), 1);
    clock->AdvanceTicks(c.ticks);
    EXPECT_EQ(Now(), c.to) << ::testing::PrintToString(f) << " + " << c.ticks;
  }
}

TEST_F(RtcClock, KeepsItsPhaseAcrossReadings) {
  ASSERT_EQ(RtcSet(Local(2024, 1, 1, 0, 0, 0)), 1);
  for (int i = 1; i <= 10; ++i) {
    clock->AdvanceTicks(6000);  // 0.6 s between readings
    EXPECT_EQ(Now()[5], i * 6 / 10) << "after " << i * 0.6 << " s";
  }
}

TEST_F(RtcClock, SetWritesTheChipAndTheSoftwareClock) {
  SrSet(4, 0x201);
  ASSERT_EQ(RtcSet(Local(2024, 3, 1, 0, 30, 15)), 1);
  ASSERT_EQ(model::SetCount(), 1u);
  const plat::RtcTime hw = model::Sets().back();
  EXPECT_EQ(ChipFields(hw), (Fields{2024, 3, 1, 0, 30, 15}));
  EXPECT_EQ(hw.tm_mon, 2);
  EXPECT_EQ(hw.tm_year, 124);
  EXPECT_EQ(hw.tm_wday, 5);  // a Friday
  EXPECT_EQ(hw.tm_yday, 60);
  EXPECT_EQ(SrGet(4), 0x001);  // the default-set report is cleared, nothing else
  EXPECT_EQ(Now(), (Fields{2024, 3, 1, 0, 30, 15}));
}

TEST_F(RtcClock, RegisterWritesSetDateTimeOrOneHalf) {
  const uint16_t all[6] = {5, 4, 3, 2, 1, 2025};
  ASSERT_EQ(PlcReg_Set(reg::SrToken(44), all, 96), 1);
  EXPECT_EQ(Now(), (Fields{2025, 1, 2, 3, 4, 5}));
  const uint16_t time[3] = {59, 58, 17};
  ASSERT_EQ(PlcReg_Set(reg::SrToken(44), time, 48), 1);
  EXPECT_EQ(Now(), (Fields{2025, 1, 2, 17, 58, 59}));
  const uint16_t date[3] = {29, 2, 2028};
  ASSERT_EQ(PlcReg_Set(reg::SrToken(47), date, 48), 1);
  EXPECT_EQ(Now(), (Fields{2028, 2, 29, 17, 58, 59}));
  EXPECT_EQ(model::SetCount(), 3u);
}

TEST_F(RtcClock, InvalidRecordsAreRefusedWithoutAnyChange) {
  ASSERT_EQ(RtcSet(Local(2024, 4, 30, 12, 0, 0)), 1);
  SrSet(4, 0x200);
  const uint16_t day31[3] = {31, 4, 2024};
  const uint16_t hour24[3] = {0, 0, 24};
  EXPECT_EQ(RtcSet(Local(2024, 4, 31, 12, 0, 0)), 0);
  EXPECT_EQ(RtcDateSet(day31), 0);
  EXPECT_EQ(RtcTimeSet(hour24), 0);
  EXPECT_EQ(RtcSet(Local(2100, 1, 1, 0, 0, 0)), 0);
  EXPECT_EQ(model::SetCount(), 1u);
  EXPECT_EQ(SrGet(4), 0x200);
  EXPECT_EQ(Now(), (Fields{2024, 4, 30, 12, 0, 0}));
}

TEST_F(RtcClock, FailingDeviceRefusesAndKeepsTheClock) {
  ASSERT_EQ(RtcSet(Local(2024, 6, 1, 12, 0, 0)), 1);
  model::SetSetFails(true);
  const uint16_t time[3] = {0, 0, 13};
  EXPECT_EQ(RtcSet(Local(2024, 6, 2, 12, 0, 0)), 0);
  EXPECT_EQ(RtcTimeSet(time), 0);
  EXPECT_EQ(Now(), (Fields{2024, 6, 1, 12, 0, 0}));

  model::SetSetFails(false);
  model::SetUnopenable(true);
  EXPECT_EQ(RtcSet(Local(2024, 6, 2, 12, 0, 0)), 0);
  EXPECT_EQ(Now(), (Fields{2024, 6, 1, 12, 0, 0}));  // already read: the software clock runs on
}

TEST_F(RtcClock, UnopenableDeviceLeavesTheRecordAndRefusesEverySet) {
  model::SetUnopenable(true);
  RtcRecord r = Local(2001, 2, 3, 4, 5, 6);
  r.dow = 7;
  EXPECT_EQ(RtcGet(r), 0);
  EXPECT_EQ(F(r), (Fields{2001, 2, 3, 4, 5, 6}));
  EXPECT_EQ(r.dow, 7);
  const uint16_t three[3] = {1, 1, 2024};
  EXPECT_EQ(RtcSet(Local(2024, 1, 1, 0, 0, 0)), 0);
  EXPECT_EQ(RtcTimeSet(three), 0);
  EXPECT_EQ(RtcDateSet(three), 0);
  const uint16_t all[6] = {0, 0, 0, 1, 1, 2024};
  EXPECT_EQ(PlcReg_Set(reg::SrToken(44), all, 96), 0);

  model::SetUnopenable(false);
  model::SetReadFails(true);
  EXPECT_EQ(RtcGet(r), 0);
  EXPECT_EQ(F(r), (Fields{2001, 2, 3, 4, 5, 6}));
}

TEST_F(RtcClock, DaylightSavingMovesTheClockOnceEachWay) {
  ASSERT_EQ(RtcSet(Local(2024, 3, 31, 1, 59, 59)), 1);
  SrSet(211, 1);
  EXPECT_EQ(Now(), (Fields{2024, 3, 31, 2, 59, 59}));
  AdvanceSeconds(1);
  EXPECT_EQ(Now(), (Fields{2024, 3, 31, 3, 0, 0}));
  EXPECT_EQ(ChipFields(model::Sets().back()), (Fields{2024, 3, 31, 2, 59, 59}));

  SrSet(211, 0x0100);  // only the low byte counts
  EXPECT_EQ(Now(), (Fields{2024, 3, 31, 2, 0, 0}));
  EXPECT_EQ(Now(), (Fields{2024, 3, 31, 2, 0, 0}));
  EXPECT_EQ(model::SetCount(), 3u);
}

// The chip keeps the time with daylight saving in it: a restart must not add another hour.
TEST_F(RtcClock, RestartWithDaylightSavingOnKeepsTheTime) {
  ASSERT_EQ(RtcSet(Local(2024, 7, 1, 12, 0, 0)), 1);
  SrSet(211, 1);
  EXPECT_EQ(Now(), (Fields{2024, 7, 1, 13, 0, 0}));
  rtc::ResetState();
  EXPECT_EQ(Now(), (Fields{2024, 7, 1, 13, 0, 0}));
  SrSet(211, 0);
  EXPECT_EQ(Now(), (Fields{2024, 7, 1, 12, 0, 0}));
}

}  // namespace
