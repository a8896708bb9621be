// The software local clock: read once from the hardware clock, run on the 0.1 ms tick,
// written back to the hardware clock whenever it is set.
#include "ground/regimage.h"
#include "ground/rtc.h"
#include "ground/timebase.h"
#include "platform/rtc_model.h"
#include "rtc_calendar.h"
#include "rtc_state.h"

namespace rtc {

State g;
volatile std::sig_atomic_t g_depth = 0;

void ResetState() {
  g = State{};
  g_depth = 0;
}

bool DstWanted() { return (SrGet(kSrDst) & 0xFF) != 0; }

RtcRecord WithDayOfWeek(RtcRecord r) {
  if (RtcCheck(r)) r.dow = uint16_t(DayOfWeek(r.year, r.month, r.day) + 1);
  return r;
}

void StoreClockRegs(const RtcRecord& r) {
  const uint16_t w[7] = {r.second, r.minute, r.hour, r.day, r.month, r.year, r.dow};
  for (uint32_t i = 0; i < 7; ++i) SrSet(kSrClock + i, w[i]);
}

namespace {

constexpr uint16_t kFirstYear = 1996;  // a hardware clock behind this reads as this year

uint16_t Field(int v) { return (v >= 0 && v <= 0xFFFF) ? uint16_t(v) : uint16_t(0xFFFF); }

plat::RtcTime ToHardware(const RtcRecord& r) {
  const int yday = int(DaysFromCivil(r.year, r.month, r.day) - DaysFromCivil(r.year, 1, 1));
  return {r.second, r.minute, r.hour, r.day, r.month - 1, r.year - 1900, DayOfWeek(r.year, r.month, r.day), yday, 0};
}

// The hardware clock keeps local time with daylight saving already in it (every move
// is written back), so at its first reading daylight saving counts as applied exactly
// when SR211 asks for it; otherwise each restart would move the clock another hour.
void TakeAsSoftwareClock(const RtcRecord& r, uint32_t mark) {
  if (!g.opened) g.dst_applied = DstWanted();
  g.opened = true;
  g.local = WithDayOfWeek(r);
  g.local_mark = mark;
}

bool ReadHardware(uint32_t now) {
  const int h = plat::RtcOpen(plat::kRtcDevicePath);
  if (h < 0) return false;
  plat::RtcTime t{};
  const int res = plat::RtcReadTime(h, t);
  plat::RtcClose(h);
  if (res != 0) return false;
  RtcRecord r{Field(t.tm_sec), Field(t.tm_min), Field(t.tm_hour), Field(t.tm_mday), Field(t.tm_mon + 1),
              Field(t.tm_year + 1900), 0};
  if (r.year < kFirstYear) r.year = kFirstYear;
  TakeAsSoftwareClock(r, now);
  return true;
}

// Brings the software clock up to now: every whole second since its mark is added at
// once and the mark moves by whole seconds only, so the phase carries over. An invalid
// clock stands still.
bool RtcRead() {
  const uint32_t now = FPGA_GetFrt();
  if (!g.opened) return ReadHardware(now);
  const uint32_t seconds = (now - g.local_mark) / kTicksPerSecond;
  if (seconds == 0) return true;
  RtcRecord r = g.local;
  if (RtcCheck(r) && RecordFromSeconds(r, RecordSeconds(r) + seconds)) {
    g.local = WithDayOfWeek(r);
    g.local_mark += seconds * kTicksPerSecond;
  } else {
    g.local_mark = now;
  }
  return true;
}

}  // namespace

int WriteClock(const RtcRecord& record, Origin origin, uint32_t mark) {
  if (!RtcCheck(record)) return 0;
  const int h = plat::RtcOpen(plat::kRtcDevicePath);
  if (h < 0) return 0;
  const int res = plat::RtcSetTime(h, ToHardware(record));
  plat::RtcClose(h);
  if (res != 0) return 0;
  TakeAsSoftwareClock(record, mark);
  SrSet(4, SrGet(4) & ~kSr4ClockDefault);
  if (origin == Origin::kUser) {
    g.user_changed = true;
    g.os_time_pending = true;
  }
  return 1;
}

}  // namespace rtc

using namespace rtc;

int RtcGet(RtcRecord& record) {
  Busy busy;
  if (!RtcRead()) return 0;
  DstUpdate(g.local);
  record = g.local;
  return 1;
}

int RtcSet(const RtcRecord& record) {
  Busy busy;
  return WriteClock(record, Origin::kUser, FPGA_GetFrt());
}

int RtcTimeSet(const uint16_t time[3]) {
  Busy busy;
  RtcRecord r;
  if (!RtcGet(r)) return 0;
  r.second = time[0];
  r.minute = time[1];
  r.hour = time[2];
  return RtcSet(r);
}

int RtcDateSet(const uint16_t date[3]) {
  Busy busy;
  RtcRecord r;
  if (!RtcGet(r)) return 0;
  r.day = date[0];
  r.month = date[1];
  r.year = date[2];
  return RtcSet(r);
}

// The move keeps the clock's own phase. A failing hardware write leaves the flag as it
// was, so the move is tried again at the next reading.
void DstUpdate(RtcRecord& record) {
  Busy busy;
  const bool want = DstWanted();
  if (want == g.dst_applied || !RtcCheck(record)) return;
  RtcRecord moved = record;
  if (!RecordFromSeconds(moved, RecordSeconds(record) + (want ? 3600 : -3600))) return;
  if (!WriteClock(moved, Origin::kSync, g.local_mark)) return;
  g.dst_applied = want;
  record = g.local;
}
