#pragma once
// The real-time clock: the local clock in SR44..SR50 and the UTC record from SR212.

#include <cstdint>

// second, minute, hour, day, month, year, day of week (1..7, 1 = Sunday)
struct RtcRecord {
  uint16_t second, minute, hour, day, month, year, dow;
};

// Sets date and time from the first six words of a record; 1 set, 0 refused.
int RtcSet(const RtcRecord& record);
// Replace the time {second, minute, hour} or the date {day, month, year}; 1 / 0.
int RtcTimeSet(const uint16_t time[3]);
int RtcDateSet(const uint16_t date[3]);

// Start-up: reads the clock into SR44..SR50, replaces an invalid clock by the default
// record (SR4 bit 0x200) and derives UTC from the clock, the zone and daylight saving.
void RtcStartup();
