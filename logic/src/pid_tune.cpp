// The relay auto-tuner: drives the output between the clamps around the tuning setpoint,
// measures the period and amplitude of the oscillation after one warm-up cycle, and
// computes gains from a rule table.
#include <algorithm>

#include "pid_fixed.h"
#include "pid_state.h"

namespace logic::pid {

namespace {

struct Rule {
  int32_t kp_num, kp_den, ki_mul, ki_dividend, kd_num, kd_den;
};
// [type][variant]: type 0 PID, 1 PI, 2 P.
constexpr Rule rule[3][4] = {
    {{10, 17, 1, 20000000, 1, 800}, {1, 3, 1, 20000000, 1, 800}, {1, 5, 1, 20000000, 1, 800},
     {10, 85, 1, 20000000, 1, 800}},
    {{10, 22, 1, 12000000, 0, 1}, {10, 37, 1, 12000000, 0, 1}, {10, 62, 1, 12000000, 0, 1},
     {1, 10, 1, 12000000, 0, 1}},
    {{1, 2, 1, 0, 0, 1}, {10, 34, 1, 0, 0, 1}, {10, 57, 1, 0, 0, 1}, {10, 95, 1, 0, 0, 1}},
};

void ModeFromConfig(const int16_t (&r)[16], TuneState& at) {
  const uint16_t cfg = uint16_t(r[kConfig]);
  at.manual = cfg & kManualMode;
  at.raise = cfg & kRaise;
  at.lower = cfg & kLower;
}

// Gains from the measured period B (ticks, doubled) and amplitude A (counts, doubled).
void Compute(const PidBlock& b, int16_t (&r)[16], TuneState& at, int64_t period, int64_t amplitude) {
  const uint16_t cfg = uint16_t(r[kConfig]);
  const bool isa = cfg & kIsa;
  const int type = std::min((b.tune_word >> 9) & 3, 2);
  const Rule& row = rule[type][(b.tune_word >> 11) & 3];
  const int64_t span = int64_t(r[kClampHigh]) - r[kClampLow];
  const int64_t kp64 = (span * 9040 / 71) / amplitude * row.kp_num / row.kp_den;
  const int32_t kp = int32_t(std::clamp<int64_t>(kp64, -32768, 32767));
  r[kKp] = int16_t(kp);
  int64_t ki = row.ki_dividend / (period * row.ki_mul);
  if (!isa) ki = ki * kp / 100;
  at.ki = uint16_t(std::clamp<int64_t>(ki, 0, 65535));
  int64_t kd = period * row.kd_num / row.kd_den;
  if (!isa) kd = kd * kp / 100;
  if (cfg & kFineDerivative) kd *= 100;
  kd = std::min<int64_t>(kd, 32767);
  if (cfg & kDerivativeOnPv) kd = -kd;
  r[kKd] = int16_t(std::max<int64_t>(kd, -32768));
}

}  // namespace

void auto_tune(const PidBlock& b, int16_t (&r)[16], TuneState& at) {
  const uint16_t cfg = uint16_t(r[kConfig]);
  const int32_t pv = r[kPv];
  const int32_t d = (cfg & kReverse) ? pv - at.setpoint : at.setpoint - pv;
  const int16_t upper = r[kClampHigh], lower = r[kClampLow];
  switch (at.state) {
    case 0:
      at.repeat = 1;
      at.noise = int16_t(25 << ((b.tune_word >> 13) & 7));
      at.setpoint = (b.tune_word & 4) ? int16_t(int32_t(r[kSetpoint]) * 2 / 3) : r[kSetpoint];
      at.manual = true;
      at.raise = at.lower = false;
      at.saved_manual = r[kManual];
      r[kManual] = lower;
      at.state = 1;
      break;
    case 1:
      if (d > at.noise) {
        r[kManual] = upper;
        at.state = 2;
      }
      break;
    case 2:
      if (d < -at.noise) {
        r[kManual] = lower;
        if (at.repeat != 0) {
          --at.repeat;
          at.state = 1;
        } else {
          at.state = 3;
        }
      }
      break;
    case 3:
      at.high = 0;
      if (d > at.noise) {
        r[kManual] = upper;
        at.t0 = b.now;
        at.state = 4;
      }
      break;
    case 4:
      at.low = 0;
      at.high = int16_t(std::max<int32_t>(at.high, d));
      if (d < -at.noise) {
        r[kManual] = lower;
        at.state = 5;
      }
      break;
    case 5:
      at.low = int16_t(std::min<int32_t>(at.low, d));
      if (d > at.noise) {
        r[kManual] = at.saved_manual;
        at.t1 = b.now;
        at.state = 6;
      }
      break;
    case 6: {
      const int64_t period = 2 * int64_t(at.t1 - at.t0);
      const int64_t amplitude = 2 * (int64_t(at.high) - at.low);
      if (period < 2 || amplitude < 2) {
        at.state = 0;
        break;
      }
      ModeFromConfig(r, at);
      Compute(b, r, at, period, amplitude);
      at.state = 7;
      break;
    }
    default:
      ModeFromConfig(r, at);
      break;
  }
}

}  // namespace logic::pid
