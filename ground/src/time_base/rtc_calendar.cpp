// Calendar arithmetic of the clock: leap years, month lengths, record checks, the day of
// the week and seconds since 1970.
#include <array>

#include "ground/rtc.h"
#include "rtc_calendar.h"

namespace {

constexpr std::array<std::array<uint8_t, 12>, 2> kMonthDays{{
    {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31},
    {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31},
}};
static_assert(kMonthDays.size() == 2 && kMonthDays[0].size() == 12);

constexpr std::array<uint8_t, 12> kDowOffset{0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
static_assert(kDowOffset.size() == 12);

template <class Record>
bool FieldsValid(const Record& r, bool leap, unsigned last_year) {
  if (r.second >= 60 || r.minute >= 60 || r.hour > 23) return false;
  if (r.month < 1 || r.month > 12 || r.year < 1 || r.year > last_year) return false;
  return r.day >= 1 && r.day <= kMonthDays[leap][r.month - 1];
}

}  // namespace

namespace rtc {

int64_t DaysFromCivil(int64_t year, unsigned month, unsigned day) {
  year -= month <= 2;
  const int64_t era = (year >= 0 ? year : year - 399) / 400;
  const unsigned yoe = unsigned(year - era * 400);
  const unsigned doy = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + int64_t(doe) - 719468;
}

Civil CivilFromDays(int64_t days) {
  days += 719468;
  const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const unsigned doe = unsigned(days - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  const unsigned day = doy - (153 * mp + 2) / 5 + 1;
  const unsigned month = mp < 10 ? mp + 3 : mp - 9;
  return {int64_t(yoe) + era * 400 + (month <= 2), month, day};
}

}  // namespace rtc

bool CheckLeap(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

// February follows the Gregorian rule here as in UTC, so that the two calendars never
// disagree about a 29 February of a century year.
bool RtcCheck(const RtcRecord& r) { return FieldsValid(r, CheckLeap(r.year), 2099); }

bool UtcCheck(const UtcRecord& r, bool leap) { return FieldsValid(r, leap, 2036); }

int DayOfWeek(int year, int month, int day) {
  if (year < 1 || month < 1 || month > 12) return -1;
  const int y = year - (month < 3);
  return (y + y / 4 - y / 100 + y / 400 + kDowOffset[month - 1] + day) % 7;
}

int UtcGet(const UtcRecord& record, UtcTime& out) {
  out = {0, 0};
  if (!UtcCheck(record, CheckLeap(record.year)) || record.year < 1970) return 0;
  out.seconds = uint32_t(rtc::RecordSeconds(record));
  return 1;
}
