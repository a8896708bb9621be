// The clock chip model and the recorded time-of-day requests.
#include <gtest/gtest.h>

#include "platform/clock.h"
#include "platform/rtc_model.h"
#include "platform/systime.h"

namespace {
namespace model = plat::rtc_model;

class RtcModel : public ::testing::Test {
 protected:
  void SetUp() override { model::Reset(); }
  void TearDown() override { model::Reset(); }
  static plat::RtcTime Read() {
    const int h = plat::RtcOpen("/dev/rtc0");
    EXPECT_GE(h, 0);
    plat::RtcTime t{};
    EXPECT_EQ(plat::RtcReadTime(h, t), 0);
    plat::RtcClose(h);
    return t;
  }
  static int Set(const plat::RtcTime& t) {
    const int h = plat::RtcOpen("/dev/rtc0");
    const int r = plat::RtcSetTime(h, t);
    plat::RtcClose(h);
    return r;
  }
  plat::ScopedTestClock clock;  // wall clock 2023-11-14 22:13:20 UTC
};

TEST_F(RtcModel, FollowsTheWallClockAndRunsOnFromASetTime) {
  plat::RtcTime t = Read();
  EXPECT_EQ(t.tm_year, 123);
  EXPECT_EQ(t.tm_mon, 10);
  EXPECT_EQ(t.tm_mday, 14);
  EXPECT_EQ(t.tm_hour * 3600 + t.tm_min * 60 + t.tm_sec, 22 * 3600 + 13 * 60 + 20);
  EXPECT_EQ(t.tm_wday, 2);

  ASSERT_EQ(Set({59, 59, 23, 31, 11, 99, 5, 364, 0}), 0);  // 1999-12-31 23:59:59
  clock->AdvanceMs(1500);
  t = Read();
  EXPECT_EQ(t.tm_year, 100);
  EXPECT_EQ(t.tm_mon, 0);
  EXPECT_EQ(t.tm_mday, 1);
  EXPECT_EQ(t.tm_sec, 0);
  ASSERT_EQ(model::SetCount(), 1u);
  EXPECT_EQ(model::Sets().back().tm_year, 99);
}

TEST_F(RtcModel, RefusesWhatTheChipCannotHoldAndFailsOnRequest) {
  EXPECT_EQ(Set({0, 0, 0, 31, 3, 124, 0, 0, 0}), -1);  // 31 April
  EXPECT_EQ(Set({0, 0, 0, 1, 12, 124, 0, 0, 0}), -1);  // month 12 (0-based)
  EXPECT_EQ(Set({60, 0, 0, 1, 0, 124, 0, 0, 0}), -1);
  EXPECT_EQ(model::SetCount(), 0u);

  model::SetSetFails(true);
  EXPECT_EQ(Set({0, 0, 0, 1, 0, 124, 0, 0, 0}), -1);
  model::SetReadFails(true);
  plat::RtcTime t{};
  EXPECT_EQ(plat::RtcReadTime(plat::RtcOpen("/dev/rtc0"), t), -1);
  model::SetUnopenable(true);
  EXPECT_EQ(plat::RtcOpen("/dev/rtc0"), -1);
  model::Reset();
  EXPECT_EQ(plat::RtcOpen("/dev/rtc1"), -1);
}

TEST_F(RtcModel, AChipHoldingGarbageReturnsIt) {
  model::Hold({0, 0, 0, 0, 13, 124, 0, 0, 0});
  clock->AdvanceMs(5000);
  const plat::RtcTime t = Read();
  EXPECT_EQ(t.tm_mday, 0);
  EXPECT_EQ(t.tm_mon, 13);
  EXPECT_EQ(t.tm_sec, 0);
}

TEST(SystemTime, RecordsRequestsWithoutTouchingTheHost) {
  plat::systime_model::Reset();
  EXPECT_EQ(plat::SetTimeOfDay(1704067200, 0), 0);
  EXPECT_EQ(plat::SetTimeOfDay(1704067200, 1'000'000), -1);
  EXPECT_EQ(plat::SetTimeOfDay(-1, 0), -1);
  ASSERT_EQ(plat::systime_model::Count(), 1u);
  EXPECT_EQ(plat::systime_model::Requests()[0].seconds, 1704067200);
}

}  // namespace
