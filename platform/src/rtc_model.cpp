// Host model of the real-time clock chip behind "/dev/rtc0".
#include "platform/rtc_model.h"

#include <cstring>
#include <ctime>

#include "platform/clock.h"

namespace plat {
namespace {

constexpr std::size_t kKeep = 64;
constexpr int kHandle = 3;

struct Model {
  bool unopenable = false;
  bool read_fails = false;
  bool set_fails = false;
  bool garbage = false;   // the chip returns `held` unchanged
  RtcTime held{};
  int64_t offset_s = 0;   // chip time = wall clock + offset
  RtcTime sets[kKeep]{};
  std::size_t set_count = 0;
};

Model g_model;

int64_t WallSeconds() {
  const int64_t ns = WallNs();
  return ns >= 0 ? ns / 1'000'000'000 : -((-ns + 999'999'999) / 1'000'000'000);
}

bool Holdable(const RtcTime& t) {
  if (t.tm_year < 0 || t.tm_year > 1100 || t.tm_mon < 0 || t.tm_mon > 11) return false;
  if (t.tm_hour < 0 || t.tm_hour > 23 || t.tm_min < 0 || t.tm_min > 59 || t.tm_sec < 0 || t.tm_sec > 59) return false;
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const int y = t.tm_year + 1900;
  const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
  const int dim = kDays[t.tm_mon] + (t.tm_mon == 1 && leap);
  return t.tm_mday >= 1 && t.tm_mday <= dim;
}

int64_t ToSeconds(const RtcTime& t) {
  std::tm tm{};
  tm.tm_sec = t.tm_sec;
  tm.tm_min = t.tm_min;
  tm.tm_hour = t.tm_hour;
  tm.tm_mday = t.tm_mday;
  tm.tm_mon = t.tm_mon;
  tm.tm_year = t.tm_year;
  return static_cast<int64_t>(timegm(&tm));
}

RtcTime FromSeconds(int64_t s) {
  const std::time_t tt = static_cast<std::time_t>(s);
  std::tm tm{};
  gmtime_r(&tt, &tm);
  return {tm.tm_sec, tm.tm_min, tm.tm_hour, tm.tm_mday, tm.tm_mon, tm.tm_year, tm.tm_wday, tm.tm_yday, 0};
}

}  // namespace

int RtcOpen(const char* unit_path) {
  if (g_model.unopenable || unit_path == nullptr || std::strcmp(unit_path, kRtcDevicePath) != 0) return -1;
  return kHandle;
}

int RtcReadTime(int handle, RtcTime& out) {
  if (handle != kHandle || g_model.read_fails) return -1;
  out = rtc_model::Now();
  return 0;
}

int RtcSetTime(int handle, const RtcTime& time) {
  if (handle != kHandle || g_model.set_fails || !Holdable(time)) return -1;
  g_model.garbage = false;
  g_model.offset_s = ToSeconds(time) - WallSeconds();
  g_model.sets[g_model.set_count % kKeep] = time;
  ++g_model.set_count;
  return 0;
}

void RtcClose(int) {}

namespace rtc_model {

void Reset() { g_model = Model{}; }
void SetUnopenable(bool on) { g_model.unopenable = on; }
void SetReadFails(bool on) { g_model.read_fails = on; }
void SetSetFails(bool on) { g_model.set_fails = on; }

void Hold(const RtcTime& time) {
  g_model.garbage = !Holdable(time);
  g_model.held = time;
  if (!g_model.garbage) g_model.offset_s = ToSeconds(time) - WallSeconds();
}

RtcTime Now() { return g_model.garbage ? g_model.held : FromSeconds(WallSeconds() + g_model.offset_s); }

std::size_t SetCount() { return g_model.set_count; }

std::vector<RtcTime> Sets() {
  std::vector<RtcTime> out;
  const std::size_t n = g_model.set_count < kKeep ? g_model.set_count : kKeep;
  for (std::size_t i = g_model.set_count - n; i < g_model.set_count; ++i) out.push_back(g_model.sets[i % kKeep]);
  return out;
}

}  // namespace rtc_model
}  // namespace plat
