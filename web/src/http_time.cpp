// HTTP dates: the Date and Last-Modified form written, the three forms a client may send.
#include <cstdio>
#include <cstring>
#include <strings.h>

#include "web/quorv_util.h"

namespace {

constexpr const char* kDays[7] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr const char* kMonths[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

int MonthIndex(const char* name) {
  for (int i = 0; i < 12; ++i)
    if (strcasecmp(name, kMonths[i]) == 0) return i;
  return -1;
}

time_t Make(int day, const char* month_name, int year, int hour, int minute, int second) {
  const int month = MonthIndex(month_name);
  if (month < 0 || day < 1 || day > 31 || hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 60 ||
      year < 0)
    return 0;
  tm fields{};
  fields.tm_mday = day;
  fields.tm_mon = month;
  fields.tm_year = year > 99 ? year - 1900 : year;
  fields.tm_hour = hour;
  fields.tm_min = minute;
  fields.tm_sec = second;
  const time_t t = timegm(&fields);
  return t < 0 ? 0 : t;
}

}  // namespace

size_t quorv_util_output_http_time(time_t time, char* buffer, size_t size) {
  if (!buffer || size == 0) return 0;
  tm utc{};
  if (!gmtime_r(&time, &utc)) return 0;
  // Day and month names are English whatever the locale.
  const int n = std::snprintf(buffer, size, "%s, %02d %s %04d %02d:%02d:%02d GMT", kDays[utc.tm_wday], utc.tm_mday,
                              kMonths[utc.tm_mon], utc.tm_year + 1900, utc.tm_hour, utc.tm_min, utc.tm_sec);
  if (n < 0 || static_cast<size_t>(n) >= size) {
    buffer[0] = '\0';
    return 0;
  }
  return static_cast<size_t>(n);
}

time_t quorv_util_parse_http_time(const char* text) {
  if (!text) return 0;
  while (*text == ' ') ++text;
  const char* space = std::strchr(text, ' ');
  if (!space) return 0;
  const char* p = space;
  while (*p == ' ') ++p;
  int day = 0, year = 0, hour = 0, minute = 0, second = 0, used = 0;
  char month[4] = {};
  if (*p >= '0' && *p <= '9') {
    if (std::sscanf(p, "%2d %3[A-Za-z] %4d %2d:%2d:%2d GMT%n", &day, month, &year, &hour, &minute, &second, &used) == 6 &&
        used > 0)
      return Make(day, month, year, hour, minute, second);
    used = 0;
    if (std::sscanf(p, "%2d-%3[A-Za-z]-%2d %2d:%2d:%2d GMT%n", &day, month, &year, &hour, &minute, &second, &used) == 6 &&
        used > 0)
      return Make(day, month, year, hour, minute, second);
    return 0;
  }
  if (std::sscanf(p, "%3[A-Za-z] %2d %2d:%2d:%2d %4d%n", month, &day, &hour, &minute, &second, &year, &used) == 6 && used > 0)
    return Make(day, month, year, hour, minute, second);
  return 0;
}
