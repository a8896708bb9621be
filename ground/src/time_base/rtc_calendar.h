#pragma once
// Day and second arithmetic shared by the clock code: dates as day numbers from
// 1970-01-01 (negative before), so that any offset normalises across day, month and
// year boundaries at once.

#include <cstdint>

namespace rtc {

// Day number of a proleptic Gregorian date (month 1..12, day 1..31).
int64_t DaysFromCivil(int64_t year, unsigned month, unsigned day);

struct Civil {
  int64_t year;
  unsigned month, day;
};
Civil CivilFromDays(int64_t days);

// Seconds since 1970 of the first six words of a clock or UTC record (any year).
template <class Record>
int64_t RecordSeconds(const Record& r) {
  return DaysFromCivil(r.year, r.month, r.day) * 86400 + int64_t(r.hour) * 3600 + int64_t(r.minute) * 60 + r.second;
}

// Fills the first six words of a record from seconds since 1970; false (record untouched)
// when the year does not fit a word.
template <class Record>
bool RecordFromSeconds(Record& r, int64_t seconds) {
  int64_t days = seconds / 86400;
  int64_t rest = seconds % 86400;
  if (rest < 0) {
    rest += 86400;
    --days;
  }
  const Civil c = CivilFromDays(days);
  if (c.year < 0 || c.year > 0xFFFF) return false;
  r.second = uint16_t(rest % 60);
  r.minute = uint16_t(rest / 60 % 60);
  r.hour = uint16_t(rest / 3600);
  r.day = uint16_t(c.day);
  r.month = uint16_t(c.month);
  r.year = uint16_t(c.year);
  return true;
}

}  // namespace rtc
