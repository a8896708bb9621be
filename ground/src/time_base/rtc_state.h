#pragma once
// State of the software clock shared by the clock's source files.

#include <csignal>
#include <cstdint>

#include "ground/power_on.h"
#include "ground/rtc.h"
#include "ground/sr4.h"

namespace rtc {

struct State {
  bool opened = false;         // the software clock holds the hardware clock's time
  RtcRecord local{};           // software local clock, daylight saving in it when applied
  uint32_t local_mark = 0;     // tick of the local clock's last whole second
  uint32_t utc_mark = 0;       // tick of the UTC record's last whole second
  int16_t zone = 0;            // the zone (SR210) the two calendars were derived with
  bool dst_applied = false;    // the local clock holds daylight saving
  bool user_changed = false;   // the clock was set by a user: UTC follows at the next scan
  bool utc_changed = false;    // UTC was set: the local clock follows at the next scan
  bool os_time_pending = false;  // the user set the clock: the OS time of day follows
};
extern State g;

// Depth of clock calls in progress; a scan step entered from a time-slice pass in the
// middle of one skips that pass.
extern volatile std::sig_atomic_t g_depth;
struct Busy {
  Busy() { g_depth = g_depth + 1; }
  ~Busy() { g_depth = g_depth - 1; }
  Busy(const Busy&) = delete;
  Busy& operator=(const Busy&) = delete;
};

inline constexpr uint32_t kTicksPerSecond = 10000;
inline constexpr uint32_t kSrClock = 44;  // SR44..SR50
inline constexpr uint32_t kSrZone = 210;
inline constexpr uint32_t kSrDst = 211;
inline constexpr uint32_t kSrUtc = 212;   // SR212..SR217

enum class Origin { kUser, kSync };
// Writes the hardware clock and takes the record as the software clock with the given
// tick mark. 1, or 0 (nothing changed) for an invalid record or a failing device.
int WriteClock(const RtcRecord& record, Origin origin, uint32_t mark);

bool DstWanted();
RtcRecord WithDayOfWeek(RtcRecord r);
UtcRecord LoadUtcRegs();
void StoreUtcRegs(const UtcRecord& r);
void StoreClockRegs(const RtcRecord& r);

// ResetState, the power-on reset, is in ground/power_on.h.

}  // namespace rtc
