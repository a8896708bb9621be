// The clock at start-up and in every scan: registers, zone, UTC and the operating
// system's time of day.
#include "ground/cmdproto.h"
#include "ground/regimage.h"
#include "ground/rtc.h"
#include "platform/systime.h"
#include "rtc_state.h"

namespace {

using namespace rtc;

constexpr RtcRecord kDefaultClock{0, 0, 0, 1, 1, 1900, 0};

bool DeriveUtc(const RtcRecord& clock) {
  UtcRecord utc;
  if (!SyncUtcWithRtc(clock, utc, g.zone, g.dst_applied)) return false;
  StoreUtcRegs(utc);
  return true;
}

// The operating system keeps UTC. It follows a user's change of the clock at the first
// scan in which the command protocol is idle; a clock before 1970 cannot be given to it
// and the request is dropped.
void FollowWithOsTime() {
  if (!g.os_time_pending || CmdRun != kCmdIdle) return;
  g.os_time_pending = false;
  UtcTime t;
  if (UtcGet(LoadUtcRegs(), t)) plat::SetTimeOfDay(t.seconds, 0);
}

}  // namespace

void RtcStartup() {
  Busy busy;
  RtcRecord clock{};
  if (!RtcGet(clock) || !RtcCheck(clock)) {
    clock = kDefaultClock;
    RtcSet(clock);
    SrSet(4, SrGet(4) | kSr4ClockDefault);
  }
  StoreClockRegs(clock);
  g.zone = int16_t(SrGet(kSrZone));
  DeriveUtc(clock);
}

void RtcScan() {
  if (g_depth != 0) return;  // a time-slice pass in the middle of a clock change
  Busy busy;

  RtcRecord clock{};
  const bool have_clock = RtcGet(clock) && RtcCheck(clock);
  if (have_clock) StoreClockRegs(clock);
  UtcRecord utc;
  UtcUpdate(&utc);

  // A new zone or a new UTC moves the local clock; a change that cannot be applied yet
  // (the clock device failing) is tried again at the next scan.
  const int16_t zone = int16_t(SrGet(kSrZone));
  if (zone != g.zone) {
    g.zone = zone;
    g.utc_changed = true;
  }
  if (g.utc_changed && have_clock) {
    if (!UtcCheck(utc, CheckLeap(utc.year))) {
      g.utc_changed = !DeriveUtc(clock);  // nothing to follow: UTC is put back from the clock
    } else if (SyncRtcWithUtc(clock, utc, g.zone, g.dst_applied)) {
      g.utc_changed = false;
      StoreClockRegs(clock);
    }
  }

  // A clock beyond the UTC range (after 2036) leaves UTC as it was; the operating system
  // is then not given that stale time.
  if (g.user_changed && have_clock) {
    g.user_changed = false;
    if (!DeriveUtc(clock)) g.os_time_pending = false;
  }
  FollowWithOsTime();
}
