// One sample of a PID loop: deadband, derivative, integral, output with bias, slew
// limit, clamps with anti-windup by back-calculation (or a frozen integral), manual mode
// with raise and lower, and the time-proportioning output.
#include <algorithm>
#include <cstdlib>

#include "pid_fixed.h"
#include "pid_state.h"

namespace logic::pid {

LoopState pid_st[kPidLoops];
TuneState pid_at[kPidLoops];

namespace {

constexpr uint32_t kMinElapsed = 100;      // 10 ms
constexpr uint32_t kTpHoldTicks = 5000;    // 0.5 s between changes of the on/off output
constexpr int32_t kSlewPerTick = 320;      // 32000 counts per second, per 100 ticks

struct Scratch {  // pid_int
  uint32_t elapsed = 0;
  int32_t d = 0;
  int32_t acc = 0;
  int32_t out = 0;
  int32_t e = 0;
};

int32_t Deadband(int32_t e, const int16_t (&r)[16], uint16_t cfg) {
  if (e < r[kDeadHigh] && e > r[kDeadLow]) return 0;
  if (cfg & kDeadbandOffset) {
    if (e >= r[kDeadHigh]) e -= r[kDeadHigh];
    else if (e <= r[kDeadLow]) e -= r[kDeadLow];
  }
  return Saturate16(e);
}

int32_t Derivative(const int16_t (&r)[16], uint16_t cfg, LoopState& st, const Scratch& s) {
  const int16_t kd = r[kKd];
  if (kd == 0) return 0;
  const int16_t x = (cfg & kDerivativeOnPv) ? r[kPv] : int16_t(s.e);
  const int32_t dx = int32_t(x) - st.prev_x;
  st.prev_x = x;
  const int32_t num = (cfg & kFineDerivative) ? Mul(dx, kd) : Mul(Mul(dx, kd), 100);
  // elapsed is unsigned and spans a whole unpowered spell: divided as a signed 32-bit
  // number, a spell of 2^32 - 1 ticks would be -1 and trap on the most negative product.
  return int32_t(int64_t(num) / int64_t(s.elapsed));
}

int32_t Integral(const int16_t (&r)[16], uint16_t cfg, LoopState& st, Scratch& s) {
  const uint16_t ki = uint16_t(r[kKi]);
  if (ki == 0) {
    st.int_rem = 0;
    st.acc = 0;
    return 0;
  }
  const int32_t k = ki >= 2 ? ki / 2 : 1;
  int64_t product = MULSQ(s.e, k) * int64_t(s.elapsed);
  if (cfg & kIsa) product = mul_int64_by_int16(product, r[kKp]);
  const int32_t q = Saturate32(product / 100);
  const int32_t sum = Add(q, st.int_rem);
  st.int_rem = int16_t(sum % 100);
  st.acc = Add(st.acc, sum / 100);
  return ki == 1 ? st.acc / 1000 : st.acc / 500;
}

// The accumulator that makes the unclamped output equal out.
void BackCalculate(const int16_t (&r)[16], uint16_t cfg, LoopState& st, const Scratch& s) {
  const uint16_t ki = uint16_t(r[kKi]);
  st.int_rem = 0;
  if (ki == 0) {
    st.acc = 0;
    return;
  }
  int32_t x;
  if (cfg & kIsa) {
    x = Sub(Mul(Sub(s.out, r[kBias]), 100), Mul(Add(s.e, s.d), r[kKp]));
  } else {
    x = Sub(Sub(Sub(s.out, r[kBias]), s.d), Mul(s.e, r[kKp]) / 100);
  }
  st.acc = Mul(x, ki == 1 ? 1000 : 500);
}

int32_t TimeProportioning(const int16_t (&r)[16], LoopState& st, uint32_t now) {
  const int32_t out = st.last_out, upper = r[kClampHigh], lower = r[kClampLow];
  if (r[kCycle] < 1) {
    if (now - st.tp_start >= kTpHoldTicks) {
      const uint8_t v = out < (upper + lower) / 2;
      if (v != st.tp_out) {
        st.tp_out = v;
        st.tp_start = now;
      }
    }
    return st.tp_out;
  }
  const uint32_t cycle = uint32_t(r[kCycle]) * 10000u;
  const uint32_t since = now - st.tp_start;
  switch (st.tp_state) {
    case 0:
      st.tp_start = now;
      st.tp_state = 1;
      break;
    case 1:
      if (out <= lower) {
        st.tp_out = 1;
        st.tp_state = 0;
      } else {
        st.tp_out = 0;
        st.tp_state = 2;
      }
      break;
    case 2:
      // Clamps written to one value between samples leave no span to share: an output
      // below them counts as at the lower clamp, with no share of the cycle.
      if (since >= cycle) {
        st.tp_out = 0;
        st.tp_state = 0;
      } else if (out >= upper || (upper > lower && int64_t(out - lower) * 10000 / (upper - lower) >=
                                                        int64_t(since / uint32_t(r[kCycle])))) {
        st.tp_out = 0;
      } else {
        st.tp_out = 1;
        st.tp_state = 3;
      }
      break;
    default:
      if (since >= cycle) {
        st.tp_out = 0;
        st.tp_state = 0;
      } else {
        st.tp_out = 1;
      }
      break;
  }
  return st.tp_out;
}

void Sample(PidBlock& b, int16_t (&r)[16], LoopState& st, TuneState& at, uint32_t elapsed) {
  uint16_t cfg = uint16_t(r[kConfig]);
  Scratch s;
  s.elapsed = elapsed;
  bool manual = cfg & kManualMode, raise = cfg & kRaise, lower = cfg & kLower;
  const int16_t saved_ki = r[kKi];
  if (b.tune_request) {
    at.ki = uint16_t(saved_ki);
    auto_tune(b, r, at);
    manual = at.manual;
    raise = at.raise;
    lower = at.lower;
    if (at.state <= 5) r[kKi] = 0;
  }
  const int32_t sp_pv = int32_t(r[kSetpoint]) - r[kPv];
  s.e = Deadband((cfg & kReverse) ? -sp_pv : sp_pv, r, cfg);
  s.d = Derivative(r, cfg, st, s);
  const int32_t acc0 = st.acc;
  const int16_t rem0 = st.int_rem;
  bool back_calculate = false;
  if (manual) {
    int32_t m = r[kManual];
    if (raise && m < 32767) ++m;
    if (lower && m > -32768) --m;
    r[kManual] = int16_t(m);
    s.out = m;
    back_calculate = true;
  } else {
    const int32_t i = Integral(r, cfg, st, s);
    if (cfg & kIsa) {
      s.out = Add(Mul(Add(s.d, s.e), r[kKp]), i) / 100;
    } else {
      s.out = Add(Add(s.d, Mul(s.e, r[kKp]) / 100), i);
    }
    s.out = Add(s.out, r[kBias]);
  }
  if (r[kSlewTime] != 0) {
    const int32_t per = int32_t(uint16_t(r[kSlewTime])) * 100;
    const int32_t budget = Add(Mul(int32_t(std::min<uint32_t>(elapsed, uint32_t(kMax32))), kSlewPerTick), st.slew_rem);
    const int32_t step = budget / per;
    st.slew_rem = budget % per;
    const int64_t change = int64_t(s.out) - st.prev_out;
    if (std::llabs(change) > step) {
      s.out = int32_t(st.prev_out + (change > 0 ? step : -step));
      if (!manual) {
        s.out = Saturate16(s.out);
        back_calculate = true;
      }
    }
  }
  bool clamped = false;
  if (s.out >= r[kClampHigh]) {
    s.out = r[kClampHigh];
    clamped = true;
  } else if (s.out <= r[kClampLow]) {
    s.out = r[kClampLow];
    clamped = true;
  }
  if (!manual && clamped) {
    if (cfg & kFreezeIntegral) {
      st.acc = acc0;
      st.int_rem = rem0;
      back_calculate = false;
    } else {
      back_calculate = true;
    }
  }
  if (back_calculate) BackCalculate(r, cfg, st, s);
  if (!manual) r[kManual] = int16_t(s.out);
  st.last_out = st.prev_out = int16_t(s.out);
  r[kOutput] = (cfg & kNegate) ? (s.out == -32768 ? int16_t(32767) : int16_t(-s.out)) : int16_t(s.out);
  if (b.tune_request) r[kKi] = int16_t(at.ki);
}

}  // namespace

}  // namespace logic::pid

using namespace logic::pid;

int32_t fbk_pid(PidBlock& b, int16_t (&r)[16]) {
  if (b.loop >= kPidLoops) return 4;
  LoopState& st = pid_st[b.loop];
  TuneState& at = pid_at[b.loop];
  const uint16_t cfg = uint16_t(r[kConfig]);
  const bool tp = cfg & kTimeProportioning;
  if (cfg & kFirstScan) {
    st.tp_start = st.last_time = b.now;
    st.tp_state = 0;
    st.tp_out = 1;
    return 1;
  }
  if (!b.tune_request) {
    b.tune_done = false;
    at.state = 0;
  } else if (at.state == 7) {
    b.tune_done = true;
  }
  if (r[kDeadHigh] < r[kDeadLow]) return tp ? 1 : 2;
  if (r[kClampHigh] < r[kClampLow]) return tp ? 1 : 3;
  const uint32_t elapsed = b.now - st.last_time;
  if (elapsed >= uint32_t(uint16_t(r[kPeriod])) * 100u && elapsed >= kMinElapsed) {
    Sample(b, r, st, at, elapsed);
    st.last_time = b.now;
  }
  if (!tp) return 0;
  const int32_t v = TimeProportioning(r, st, b.now);
  return (cfg & kNegate) ? !v : v;
}

void PidResetAll() {
  for (LoopState& s : pid_st) s = {};
  for (TuneState& a : pid_at) a = {};
}
