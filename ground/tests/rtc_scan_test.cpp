// The clock at start-up and in the scan: registers, UTC, zone, daylight saving and the
// operating system's time of day.
#include <gtest/gtest.h>

#include "ground/regaccess.h"
#include "rtc_fixture.h"
#include "testsupport/calendar_table.h"

namespace {
using namespace rtc_test;
namespace model = plat::rtc_model;
namespace systime = plat::systime_model;

using RtcStart = RtcTest;
using RtcScanStep = RtcTest;

TEST_F(RtcStart, ReadsTheClockAndDerivesUtc) {
  SrSet(210, uint16_t(-330));  // 5 h 30 min behind UTC
  SrSet(211, 1);
  StartWith(2024, 1, 1, 1, 0, 0);
  EXPECT_EQ(ClockRegs(), (Fields{2024, 1, 1, 1, 0, 0}));
  EXPECT_EQ(SrGet(50), 2);  // a Monday
  EXPECT_EQ(UtcRegs(), (Fields{2024, 1, 1, 5, 30, 0}));
  EXPECT_EQ(SrGet(4), 0);
  EXPECT_EQ(model::SetCount(), 0u);
}

TEST_F(RtcStart, InvalidClockGetsTheDefaultAndIsReported) {
  SrSet(4, 0x0001);
  StartWith(2024, 13, 1, 0, 0, 0);  // a chip that lost its contents
  EXPECT_EQ(ClockRegs(), (Fields{1900, 1, 1, 0, 0, 0}));
  EXPECT_EQ(SrGet(50), 0);
  EXPECT_EQ(SrGet(4), 0x0201);
  ASSERT_EQ(model::SetCount(), 1u);
  EXPECT_EQ(ChipFields(model::Sets().back()), (Fields{1900, 1, 1, 0, 0, 0}));
  EXPECT_EQ(UtcRegs(), (Fields{1900, 1, 1, 0, 0, 0}));

  AdvanceSeconds(2);
  RtcScan();
  EXPECT_EQ(ClockRegs(), (Fields{1900, 1, 1, 0, 0, 2}));
  EXPECT_EQ(SrGet(50), 2);
  EXPECT_EQ(systime::Count(), 0u);  // 1900 cannot be given to the operating system

  const uint16_t all[6] = {0, 0, 8, 2, 5, 2024};
  ASSERT_EQ(PlcReg_Set(reg::SrToken(44), all, 96), 1);
  EXPECT_EQ(SrGet(4), 0x0001);
}

// An unopenable device is a clock that cannot be read: the default is shown and reported,
// and the registers keep their values while the device stays away.
TEST_F(RtcStart, UnopenableClockIsReportedAndTheRegistersStand) {
  model::SetUnopenable(true);
  SrSet(49, 2024);
  rtc::ResetState();
  RtcStartup();
  EXPECT_EQ(ClockRegs(), (Fields{1900, 1, 1, 0, 0, 0}));
  EXPECT_EQ(SrGet(4), 0x200);
  EXPECT_EQ(model::SetCount(), 0u);
  AdvanceSeconds(5);
  RtcScan();
  EXPECT_EQ(ClockRegs(), (Fields{1900, 1, 1, 0, 0, 0}));
}

TEST_F(RtcScanStep, RefreshesTheRegistersAndRunsUtc) {
  StartWith(2023, 12, 31, 23, 59, 58);
  AdvanceSeconds(1);
  RtcScan();
  EXPECT_EQ(ClockRegs(), (Fields{2023, 12, 31, 23, 59, 59}));
  EXPECT_EQ(UtcRegs(), (Fields{2023, 12, 31, 23, 59, 59}));
  clock->AdvanceTicks(5000);
  RtcScan();
  clock->AdvanceTicks(5000);
  RtcScan();
  EXPECT_EQ(ClockRegs(), (Fields{2024, 1, 1, 0, 0, 0}));
  EXPECT_EQ(UtcRegs(), (Fields{2024, 1, 1, 0, 0, 0}));
  EXPECT_EQ(SrGet(50), 2);
  UtcRecord out{};
  UtcUpdate(&out);
  EXPECT_EQ(F(out), (Fields{2024, 1, 1, 0, 0, 0}));
}

TEST_F(RtcScanStep, NewZoneMovesTheLocalClockNotUtc) {
  StartWith(2024, 6, 30, 23, 30, 0);
  SrSet(210, 60);
  RtcScan();
  EXPECT_EQ(ClockRegs(), (Fields{2024, 7, 1, 0, 30, 0}));
  EXPECT_EQ(UtcRegs(), (Fields{2024, 6, 30, 23, 30, 0}));
  EXPECT_EQ(ChipFields(model::Sets().back()), (Fields{2024, 7, 1, 0, 30, 0}));
  SrSet(210, uint16_t(-720));
  RtcScan();
  EXPECT_EQ(ClockRegs(), (Fields{2024, 6, 30, 11, 30, 0}));
  EXPECT_EQ(UtcRegs(), (Fields{2024, 6, 30, 23, 30, 0}));
  EXPECT_EQ(systime::Count(), 0u);
}

TEST_F(RtcScanStep, UtcAndLocalPairsAcrossBoundaries) {
  // UTC set from outside: the local clock follows.
  SrSet(210, uint16_t(-60));
  StartWith(2022, 6, 1, 0, 0, 0);
  UtcTime t{};
  ASSERT_EQ(UtcGet(Utc(2023, 1, 1, 0, 30, 0), t), 1);
  ASSERT_EQ(UtcSet(t), 1);
  RtcScan();
  EXPECT_EQ(ClockRegs(), (Fields{2022, 12, 31, 23, 30, 0}));
  EXPECT_EQ(systime::Count(), 0u);

  // The local clock set by a user: UTC follows.
  SrSet(210, 60);
  RtcScan();
  const uint16_t all[6] = {0, 30, 0, 1, 3, 2024};
  ASSERT_EQ(PlcReg_Set(reg::SrToken(44), all, 96), 1);
  RtcScan();
  EXPECT_EQ(ClockRegs(), (Fields{2024, 3, 1, 0, 30, 0}));
  EXPECT_EQ(UtcRegs(), (Fields{2024, 2, 29, 23, 30, 0}));
}

TEST_F(RtcScanStep, ZoneConversionsMatchPython) {
  StartWith(2024, 1, 1, 0, 0, 0);
  for (const auto& z : ts::calendar::kZones) {
    const Fields utc_f{z.utc[0], z.utc[1], z.utc[2], z.utc[3], z.utc[4], z.utc[5]};
    const Fields local_f{z.local[0], z.local[1], z.local[2], z.local[3], z.local[4], z.local[5]};
    const UtcRecord utc = Utc(z.utc[0], z.utc[1], z.utc[2], z.utc[3], z.utc[4], z.utc[5]);
    const RtcRecord local = Local(z.local[0], z.local[1], z.local[2], z.local[3], z.local[4], z.local[5]);
    const auto what = ::testing::PrintToString(utc_f) + " zone " + std::to_string(z.zone) + (z.dst ? " dst" : "");

    UtcRecord u{};
    ASSERT_EQ(SyncUtcWithRtc(local, u, z.zone, z.dst), 1) << what;
    EXPECT_EQ(F(u), utc_f) << what;
    RtcRecord c{};
    ASSERT_EQ(SyncRtcWithUtc(c, utc, z.zone, z.dst), 1) << what;
    EXPECT_EQ(F(c), local_f) << what;
    EXPECT_EQ(c.dow, DayOfWeek(c.year, c.month, c.day) + 1) << what;
  }
}

TEST_F(RtcScanStep, DaylightSavingMovesTheLocalClockOnly) {
  SrSet(210, 60);
  StartWith(2024, 3, 31, 2, 0, 0);
  const Fields utc = UtcRegs();
  SrSet(211, 1);
  RtcScan();
  EXPECT_EQ(ClockRegs(), (Fields{2024, 3, 31, 3, 0, 0}));
  RtcScan();
  EXPECT_EQ(ClockRegs(), (Fields{2024, 3, 31, 3, 0, 0}));
  EXPECT_EQ(UtcRegs(), utc);
  SrSet(211, 0);
  RtcScan();
  EXPECT_EQ(ClockRegs(), (Fields{2024, 3, 31, 2, 0, 0}));
  EXPECT_EQ(UtcRegs(), utc);
  EXPECT_EQ(systime::Count(), 0u);
}

TEST_F(RtcScanStep, UserChangeSetsTheOsTimeOnceTheProtocolIsIdle) {
  StartWith(2024, 5, 1, 10, 0, 0);
  SrSet(210, 120);
  RtcScan();  // the new zone: not a user change
  ASSERT_EQ(RtcSet(Local(2024, 5, 1, 14, 0, 0)), 1);
  CmdRun = 7;  // a download in progress
  RtcScan();
  EXPECT_EQ(UtcRegs(), (Fields{2024, 5, 1, 12, 0, 0}));
  EXPECT_EQ(systime::Count(), 0u);
  AdvanceSeconds(3);
  RtcScan();
  EXPECT_EQ(systime::Count(), 0u);

  CmdRun = 255;
  RtcScan();  // no further change of the clock is needed
  ASSERT_EQ(systime::Count(), 1u);
  UtcTime t{};
  ASSERT_EQ(UtcGet(Utc(2024, 5, 1, 12, 0, 3), t), 1);
  EXPECT_EQ(systime::Requests().back().seconds, t.seconds);
  EXPECT_EQ(systime::Requests().back().microseconds, 0);
  RtcScan();
  EXPECT_EQ(systime::Count(), 1u);

  // A clock that UTC cannot follow (after 2036) gives the operating system nothing.
  ASSERT_EQ(RtcSet(Local(2050, 1, 1, 0, 0, 0)), 1);
  RtcScan();
  EXPECT_EQ(UtcRegs(), (Fields{2024, 5, 1, 12, 0, 3}));
  EXPECT_EQ(systime::Count(), 1u);
}

TEST_F(RtcScanStep, UtcWrittenFromOutsideIsCheckedAndFollowed) {
  SrSet(210, 60);
  StartWith(2024, 8, 1, 12, 0, 0);
  SetUtcRegs({2024, 8, 2, 6, 0, 0});
  EXPECT_EQ(UtcResync(), 1);
  RtcScan();
  EXPECT_EQ(ClockRegs(), (Fields{2024, 8, 2, 7, 0, 0}));

  SetUtcRegs({2024, 8, 2, 25, 0, 0});
  EXPECT_EQ(UtcResync(), 0);
  EXPECT_EQ(UtcRegs(), (Fields{2024, 8, 2, 6, 0, 0}));
  RtcScan();
  EXPECT_EQ(ClockRegs(), (Fields{2024, 8, 2, 7, 0, 0}));
}

TEST_F(RtcScanStep, UtcSetKeepsTheMillisecondPhase) {
  StartWith(2024, 1, 1, 0, 0, 0);
  ASSERT_EQ(UtcSet({1704067200, 700}), 1);  // 2024-01-01 00:00:00.700
  clock->AdvanceTicks(2999);
  RtcScan();
  EXPECT_EQ(UtcRegs(), (Fields{2024, 1, 1, 0, 0, 0}));
  clock->AdvanceTicks(1);
  UtcUpdate();
  EXPECT_EQ(UtcRegs(), (Fields{2024, 1, 1, 0, 0, 1}));
}

// A time-slice pass that lands inside a clock change leaves the clock alone that pass.
TEST_F(RtcScanStep, SkipsAPassThatInterruptsAClockCall) {
  StartWith(2024, 1, 1, 0, 0, 0);
  AdvanceSeconds(1);
  rtc::g_depth = 1;
  RtcScan();
  EXPECT_EQ(ClockRegs(), (Fields{2024, 1, 1, 0, 0, 0}));
  rtc::g_depth = 0;
  RtcScan();
  EXPECT_EQ(ClockRegs(), (Fields{2024, 1, 1, 0, 0, 1}));
}

}  // namespace
