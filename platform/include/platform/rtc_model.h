#pragma once
// The battery-backed real-time clock chip, reached as the board reaches "/dev/rtc0":
// open, RTC_RD_TIME or RTC_SET_TIME, close. On the host the chip is an in-process model
// that keeps a broken-down time running on with the platform wall clock (plat::WallNs);
// at first use it holds the wall clock's own time (UTC).
//
// Called by the kernel's clock code on the main thread (including a time-slice pass,
// which runs on it). Never blocks, takes no lock and allocates nothing.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace plat {

// The fields of the kernel's struct rtc_time: month 0..11, year since 1900, Sunday = 0.
struct RtcTime {
  int tm_sec, tm_min, tm_hour, tm_mday, tm_mon, tm_year, tm_wday, tm_yday, tm_isdst;
};

inline constexpr const char* kRtcDevicePath = "/dev/rtc0";

// Opens the clock device; a handle (>= 0), or -1 when it cannot be opened.
int RtcOpen(const char* unit_path);
// RTC_RD_TIME: 0, or -1 when the device fails.
int RtcReadTime(int handle, RtcTime& out);
// RTC_SET_TIME: 0, or -1 for a time the chip cannot hold (a field out of range, a day
// beyond the month) or a failing device.
int RtcSetTime(int handle, const RtcTime& time);
void RtcClose(int handle);

// Test controls of the host model.
namespace rtc_model {

// Back to the first-use state: following the wall clock, openable, working, no record.
void Reset();
void SetUnopenable(bool on);
void SetReadFails(bool on);
void SetSetFails(bool on);
// The chip holds this time now and runs on from it. A time the chip could not hold (a
// flat battery's garbage) is returned unchanged by every read.
void Hold(const RtcTime& time);
// What RTC_RD_TIME would give now (also when the device is made to fail).
RtcTime Now();
// Times the unit set, oldest first; the model keeps the latest 64.
std::size_t SetCount();
std::vector<RtcTime> Sets();

}  // namespace rtc_model
}  // namespace plat
