#pragma once
// The PID engine's per-loop memory, shared by the engine and the auto-tuner.
#include <cstdint>

#include "logic/pid.h"

namespace logic::pid {

// Record words and config bits.
enum Word : int {
  kPeriod = 0, kDeadHigh, kDeadLow, kKp, kKd, kKi, kBias, kClampHigh, kClampLow, kSlewTime,
  kConfig, kManual, kSetpoint, kPv, kOutput, kCycle,
};
enum ConfigBit : uint16_t {
  kOwnSetpoint = 1u << 0, kManualMode = 1u << 1, kFromLadder = 1u << 2, kRaise = 1u << 3, kLower = 1u << 4,
  kIsa = 1u << 7, kReverse = 1u << 8, kNegate = 1u << 9, kDerivativeOnPv = 1u << 10, kDeadbandOffset = 1u << 11,
  kFreezeIntegral = 1u << 12, kFineDerivative = 1u << 13, kTimeProportioning = 1u << 14, kFirstScan = 1u << 15,
};

struct LoopState {          // pid_st
  int16_t last_out = 0;
  int16_t prev_out = 0;     // for the slew limit
  int16_t prev_x = 0;       // previous derivative input
  int16_t int_rem = 0;      // integral remainder, hundredths
  uint32_t last_time = 0;   // ticks of the last sample
  int32_t acc = 0;          // integral accumulator
  uint32_t tp_start = 0;
  uint8_t tp_state = 0;
  uint8_t tp_out = 0;
  int32_t slew_rem = 0;
};

struct TuneState {          // pid_at
  uint32_t t0 = 0, t1 = 0;  // rising crossings
  int16_t high = 0, low = 0;
  uint8_t state = 0;        // 0..7
  uint8_t repeat = 0;
  int16_t setpoint = 0;
  int16_t saved_manual = 0;
  int16_t noise = 0;
  uint16_t ki = 0;          // the integral gain to write back
  bool manual = false, raise = false, lower = false;
};

extern LoopState pid_st[kPidLoops];
extern TuneState pid_at[kPidLoops];

// One tuner step on a computed sample; the record's Ki is held at 0 while it measures.
void auto_tune(const PidBlock& block, int16_t (&record)[16], TuneState& at);

}  // namespace logic::pid
