#pragma once
// The real-time clock. Two calendars stand in system registers:
//   - the local clock SR44..SR50 (second, minute, hour, day, month, year, day of week),
//     backed by the hardware clock "/dev/rtc0", which keeps local time with daylight
//     saving already in it;
//   - the UTC record SR212..SR217 (second, minute, hour, day, month, year), beside the
//     time-zone offset SR210 (signed minutes) and the daylight-saving flag SR211 (low
//     byte non-zero: on).
// Both run in software on the 0.1 ms tick. The hardware clock is read once and written
// only when the time is set. The scan refreshes the registers and re-synchronises the two
// calendars when one of them, the zone or the daylight-saving flag changes.
//
// Main thread only (the time-slice pass runs on it too: a scan step that interrupts a
// clock change in progress skips that pass). Nothing here allocates.
//
// Results: the set and sync operations return 1 when done, 0 when refused (an invalid
// record, a clock device that cannot be opened or written); a refusal changes nothing.

#include <cstdint>

// second, minute, hour, day, month, year, day of week (1..7, 1 = Sunday)
struct RtcRecord {
  uint16_t second, minute, hour, day, month, year, dow;
};

// second, minute, hour, day, month, year: the layout of SR212..SR217.
struct UtcRecord {
  uint16_t second, minute, hour, day, month, year;
};

// Seconds since 1970-01-01 00:00:00 UTC and milliseconds.
struct UtcTime {
  uint32_t seconds;
  uint32_t milliseconds;
};

// ---- Calendar ----

// The Gregorian leap rule: divisible by 4, except centuries not divisible by 400.
bool CheckLeap(int year);
// second < 60, minute < 60, hour <= 23, month 1..12, day 1..the month's length (Gregorian
// rule), year 1..2099.
bool RtcCheck(const RtcRecord& record);
// The same for a UTC record with year 1..2036; leap selects February's length.
bool UtcCheck(const UtcRecord& record, bool leap);
// 0 = Sunday .. 6 = Saturday; -1 for a year below 1 or a month outside 1..12.
int DayOfWeek(int year, int month, int day);
// Seconds since 1970 of a UTC record (no zone applied), 0 milliseconds. 1, or 0 (out
// zeroed) for a record that fails UtcCheck or lies before 1970.
int UtcGet(const UtcRecord& record, UtcTime& out);

// ---- The local clock ----

// The software local clock with daylight saving applied (the hardware clock is read on
// first use). 1 with the record filled (its day of week too when the clock is valid); 0
// when the clock device cannot be read, with the record left unchanged.
int RtcGet(RtcRecord& record);
// Sets date and time from the first six words (the day of week is worked out): writes
// the hardware clock and takes the record as the software clock, clears SR4 bit 0x200
// and marks the clock changed by the user (the next scan re-derives UTC from it and sets
// the operating system's time of day).
int RtcSet(const RtcRecord& record);
// Replace the time {second, minute, hour} or the date {day, month, year} of the current
// clock and set it (RtcSet).
int RtcTimeSet(const uint16_t time[3]);
int RtcDateSet(const uint16_t date[3]);
// Follows SR211: moves the software clock 60 minutes forward when daylight saving was
// switched on, back when it was switched off (once each), and gives the clock in record.
void DstUpdate(RtcRecord& record);

// ---- UTC ----

// Sets the UTC record SR212..SR217 from seconds since 1970 (whole seconds of the
// milliseconds are carried; the remainder sets the phase of the next UTC second) and
// marks UTC changed, so the next scan re-derives the local clock from it. The record is
// also copied to out when given. 0, and nothing changed, beyond 2036.
int UtcSet(UtcTime time, UtcRecord* out = nullptr);
// Advances SR212..SR217 by the whole seconds passed since its last second; the record is
// copied to out when given.
void UtcUpdate(UtcRecord* out = nullptr);
// UTC = local clock - zone minutes (- 60 more with daylight saving), into utc. The UTC
// second takes the local clock's phase.
int SyncUtcWithRtc(const RtcRecord& clock, UtcRecord& utc, int zone, bool daylight);
// Local clock = UTC + zone minutes (+ 60 with daylight saving), set as the clock (not a
// user change) and given in clock. The local second takes the UTC's phase.
int SyncRtcWithUtc(RtcRecord& clock, const UtcRecord& utc, int zone, bool daylight);
// The UTC record SR212..SR217 or the zone SR210 was written from outside (pseudo-register
// writes): the next scan re-derives the local clock from them. 1; or 0 when the UTC
// record is invalid, which is then put back from the local clock at once.
int UtcResync();

// ---- Start-up and scan ----

// Start-up: reads the clock into SR44..SR50; a clock that cannot be read or is invalid
// is replaced by 00:00:00 on 1 January 1900 and reported in SR4 bit 0x200. Then UTC is
// derived from the clock, the zone and daylight saving, and the zone is taken as in use.
void RtcStartup();
// One scan's clock step: refreshes SR44..SR50, advances UTC, follows a change of the zone,
// of UTC and of the clock, and sets the operating system's time of day after a user
// change of the clock once the command protocol is idle.
void RtcScan();
