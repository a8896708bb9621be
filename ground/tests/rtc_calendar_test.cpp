// Calendar arithmetic of the clock against Python's datetime, and its limits.
#include <gtest/gtest.h>

#include "rtc_calendar.h"
#include "rtc_fixture.h"
#include "testsupport/calendar_table.h"

namespace {
using namespace rtc_test;
namespace cal = ts::calendar;

using RtcCalendar = RtcTest;

TEST_F(RtcCalendar, SecondsAndDayOfWeekMatchPython) {
  for (const auto& row : cal::kDates) {
    const Fields want{row.year, row.month, row.day, row.hour, row.minute, row.second};
    const UtcRecord rec = Utc(row.year, row.month, row.day, row.hour, row.minute, row.second);
    UtcTime t{1, 1};
    ASSERT_EQ(UtcGet(rec, t), 1) << ::testing::PrintToString(want);
    EXPECT_EQ(t.seconds, row.seconds) << ::testing::PrintToString(want);
    EXPECT_EQ(t.milliseconds, 0u);
    EXPECT_EQ(DayOfWeek(row.year, row.month, row.day), row.dow) << ::testing::PrintToString(want);

    UtcRecord back{};
    ASSERT_EQ(UtcSet({row.seconds, 0}, &back), 1) << row.seconds;
    EXPECT_EQ(F(back), want);
    EXPECT_EQ(UtcRegs(), want);
  }
}

TEST_F(RtcCalendar, LeapYearsAndWeekdaysOverTheWholeRange) {
  for (int y = 1; y <= 2099; ++y) {
    EXPECT_EQ(CheckLeap(y), cal::kLeap[y - 1] == '1') << y;
    EXPECT_EQ(DayOfWeek(y, 1, 1), cal::kJan1Dow[y - 1] - '0') << y;
    EXPECT_EQ(DayOfWeek(y, 3, 1), cal::kMar1Dow[y - 1] - '0') << y;
  }
  for (auto [y, m] : {std::pair{0, 5}, {2024, 0}, {2024, 13}}) EXPECT_EQ(DayOfWeek(y, m, 1), -1) << y << "-" << m;
}

// Every last second of every day 1970..2036 converts to a valid date and back, each date
// after the one before: with the date count fixed, no day is skipped or doubled.
TEST_F(RtcCalendar, EveryDayConvertsBothWays) {
  const int64_t last_day = rtc::DaysFromCivil(2036, 12, 31);
  Fields prev{};
  for (int64_t day = 0; day <= last_day; ++day) {
    const uint32_t s = uint32_t(day * 86400 + 86399);
    UtcRecord r{};
    ASSERT_EQ(UtcSet({s, 0}, &r), 1) << day;
    ASSERT_TRUE(UtcCheck(r, CheckLeap(r.year)));
    UtcTime t{};
    ASSERT_EQ(UtcGet(r, t), 1);
    ASSERT_EQ(t.seconds, s) << ::testing::PrintToString(F(r));
    ASSERT_GT(F(r), prev);
    prev = F(r);
  }
  EXPECT_EQ(prev, (Fields{2036, 12, 31, 23, 59, 59}));
}

TEST_F(RtcCalendar, NamedInstants) {
  UtcTime t{};
  EXPECT_EQ(UtcGet(Utc(1970, 1, 1, 0, 0, 0), t), 1);
  EXPECT_EQ(t.seconds, 0u);
  EXPECT_EQ(UtcGet(Utc(2000, 1, 1, 0, 0, 0), t), 1);
  EXPECT_EQ(t.seconds, 946684800u);

  // 31 December inside a 4-year block, and the block's very last second.
  for (const Fields& f : {Fields{2024, 12, 31, 0, 0, 0}, Fields{2025, 12, 31, 23, 59, 59}}) {
    ASSERT_EQ(UtcGet(Utc(f[0], f[1], f[2], f[3], f[4], f[5]), t), 1);
    UtcRecord r{};
    ASSERT_EQ(UtcSet(t, &r), 1);
    EXPECT_EQ(F(r), f);
  }
}

TEST_F(RtcCalendar, UtcSetCarriesMillisecondsAndRefusesBeyond2036) {
  UtcRecord r{};
  ASSERT_EQ(UtcSet({946684800, 2500}, &r), 1);
  EXPECT_EQ(F(r), (Fields{2000, 1, 1, 0, 0, 2}));
  ASSERT_EQ(UtcSet({2114380799, 999}, &r), 1);
  EXPECT_EQ(F(r), (Fields{2036, 12, 31, 23, 59, 59}));

  const Fields before = UtcRegs();
  for (UtcTime t : {UtcTime{2114380799, 1000}, UtcTime{2114380800, 0}, UtcTime{0xFFFFFFFF, 0xFFFFFFFF}}) {
    EXPECT_EQ(UtcSet(t, &r), 0) << t.seconds << "+" << t.milliseconds;
    EXPECT_EQ(UtcRegs(), before);
  }
}

TEST_F(RtcCalendar, UtcGetRefusesWhatItCannotCount) {
  for (const Fields& f : {Fields{1969, 12, 31, 23, 59, 59}, Fields{2037, 1, 1, 0, 0, 0}, Fields{2023, 2, 29, 0, 0, 0},
                          Fields{2024, 1, 1, 24, 0, 0}}) {
    UtcTime t{7, 7};
    EXPECT_EQ(UtcGet(Utc(f[0], f[1], f[2], f[3], f[4], f[5]), t), 0) << ::testing::PrintToString(f);
    EXPECT_EQ(t.seconds, 0u);
  }
}

struct CheckCase {
  Fields f;
  bool local_ok, utc_ok;
};

TEST(RtcChecks, AcceptOnlyRealDatesInTheirRange) {
  const CheckCase cases[] = {
      {{2024, 2, 29, 0, 0, 0}, true, true},      {{2023, 2, 29, 0, 0, 0}, false, false},
      {{2000, 2, 29, 0, 0, 0}, true, true},      {{1900, 2, 29, 0, 0, 0}, false, false},
      {{2024, 4, 31, 0, 0, 0}, false, false},    {{2024, 4, 30, 23, 59, 59}, true, true},
      {{2024, 1, 1, 0, 0, 60}, false, false},    {{2024, 1, 1, 0, 60, 0}, false, false},
      {{2024, 1, 1, 24, 0, 0}, false, false},    {{2024, 0, 1, 0, 0, 0}, false, false},
      {{2024, 13, 1, 0, 0, 0}, false, false},    {{2024, 1, 0, 0, 0, 0}, false, false},
      {{0, 1, 1, 0, 0, 0}, false, false},        {{1, 1, 1, 0, 0, 0}, true, true},
      {{2036, 12, 31, 23, 59, 59}, true, true},  {{2037, 1, 1, 0, 0, 0}, true, false},
      {{2099, 12, 31, 23, 59, 59}, true, false}, {{2100, 1, 1, 0, 0, 0}, false, false},
  };
  for (const auto& c : cases) {
    const auto& f = c.f;
    EXPECT_EQ(RtcCheck(Local(f[0], f[1], f[2], f[3], f[4], f[5])), c.local_ok) << ::testing::PrintToString(f);
    EXPECT_EQ(UtcCheck(Utc(f[0], f[1], f[2], f[3], f[4], f[5]), CheckLeap(f[0])), c.utc_ok) << ::testing::PrintToString(f);
  }
}

}  // namespace
