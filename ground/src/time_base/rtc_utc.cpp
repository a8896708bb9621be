// The UTC record SR212..SR217 and its synchronisation with the local clock.
#include "ground/regimage.h"
#include "ground/rtc.h"
#include "ground/timebase.h"
#include "rtc_calendar.h"
#include "rtc_state.h"

namespace rtc {

UtcRecord LoadUtcRegs() {
  return {SrGet(kSrUtc), SrGet(kSrUtc + 1), SrGet(kSrUtc + 2), SrGet(kSrUtc + 3), SrGet(kSrUtc + 4), SrGet(kSrUtc + 5)};
}

void StoreUtcRegs(const UtcRecord& r) {
  const uint16_t w[6] = {r.second, r.minute, r.hour, r.day, r.month, r.year};
  for (uint32_t i = 0; i < 6; ++i) SrSet(kSrUtc + i, w[i]);
}

namespace {

bool Valid(const UtcRecord& r) { return UtcCheck(r, CheckLeap(r.year)); }

int64_t OffsetSeconds(int zone, bool daylight) { return (int64_t(zone) + (daylight ? 60 : 0)) * 60; }

}  // namespace
}  // namespace rtc

using namespace rtc;

int UtcSet(UtcTime time, UtcRecord* out) {
  Busy busy;
  const uint64_t seconds = uint64_t(time.seconds) + time.milliseconds / 1000;
  const uint32_t ms = time.milliseconds % 1000;
  UtcRecord r{};
  if (!RecordFromSeconds(r, int64_t(seconds)) || !Valid(r)) return 0;
  StoreUtcRegs(r);
  g.utc_mark = FPGA_GetFrt() - ms * 10;
  g.utc_changed = true;
  if (out) *out = r;
  return 1;
}

void UtcUpdate(UtcRecord* out) {
  Busy busy;
  UtcRecord r = LoadUtcRegs();
  const uint32_t now = FPGA_GetFrt();
  const uint32_t seconds = (now - g.utc_mark) / kTicksPerSecond;
  if (seconds != 0 && Valid(r) && RecordFromSeconds(r, RecordSeconds(r) + seconds)) {
    StoreUtcRegs(r);
    g.utc_mark += seconds * kTicksPerSecond;
  }
  if (out) *out = r;
}

int SyncUtcWithRtc(const RtcRecord& clock, UtcRecord& utc, int zone, bool daylight) {
  Busy busy;
  if (!RtcCheck(clock)) return 0;
  UtcRecord r{};
  if (!RecordFromSeconds(r, RecordSeconds(clock) - OffsetSeconds(zone, daylight)) || !Valid(r)) return 0;
  utc = r;
  g.utc_mark = g.local_mark;
  return 1;
}

int SyncRtcWithUtc(RtcRecord& clock, const UtcRecord& utc, int zone, bool daylight) {
  Busy busy;
  if (!Valid(utc)) return 0;
  RtcRecord r{};
  if (!RecordFromSeconds(r, RecordSeconds(utc) + OffsetSeconds(zone, daylight))) return 0;
  if (!WriteClock(r, Origin::kSync, g.utc_mark)) return 0;
  clock = g.local;
  return 1;
}

int UtcResync() {
  Busy busy;
  if (Valid(LoadUtcRegs())) {
    g.utc_changed = true;
    return 1;
  }
  RtcRecord clock;
  UtcRecord utc;
  if (RtcGet(clock) && SyncUtcWithRtc(clock, utc, g.zone, g.dst_applied)) StoreUtcRegs(utc);
  return 0;
}
