// The clock bits S3, S4 and S5: 10 ms, 100 ms and 1 s square waves on the 0.1 ms tick.
#include "ground/regimage.h"
#include "runctl_internal.h"

namespace runctl {

namespace {

constexpr uint32_t kS3 = 3;
constexpr uint32_t kS4 = 4;
constexpr uint32_t kS5 = 5;

void Toggle(uint32_t bit) { SBitSet(bit, !SBitGet(bit)); }

// A half period has passed since start: the bit toggles and the period moves on by one
// half period, so a late scan is caught up by the next ones. After a scan interval longer
// than a half period there is nothing left to catch up: the period restarts at t. All
// arithmetic is on 16 bits, as the tick's low half wraps.
void Square(uint32_t bit, uint16_t& start, uint16_t t, uint16_t interval, uint16_t half, bool restart) {
  if (uint16_t(t - start) < half) return;
  Toggle(bit);
  start = (restart && interval >= half) ? t : uint16_t(start + half);
}

}  // namespace

void UpdateClockBits(uint16_t t) {
  if (!g.clock_started) {
    g.clock_started = true;
    SBitSet(kS3, true);
    SBitSet(kS4, true);
    SBitSet(kS5, true);
    g.s3_start = g.s4_start = g.s5_start = t;
    g.clock_prev = t;
    return;
  }
  const uint16_t interval = uint16_t(t - g.clock_prev);
  g.clock_prev = t;
  Square(kS3, g.s3_start, t, interval, 50, true);
  Square(kS4, g.s4_start, t, interval, 500, true);
  // The 1 s wave always moves on by whole half periods: after a long gap it toggles on
  // every scan until it has caught up.
  Square(kS5, g.s5_start, t, interval, 5000, false);
}

}  // namespace runctl
