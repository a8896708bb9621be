#pragma once
// The PID engine shared by the ladder's PID instructions and the IEC PID function
// blocks: one sample of loop `loop` (0-63) on a 16-word record, in integer arithmetic.
// Main thread only.
//
// Record words (signed 16-bit unless noted):
//   0 sample period (10 ms units)      8 output lower clamp
//   1 deadband upper limit             9 minimum slew time (s for a 32000-count swing)
//   2 deadband lower limit            10 config word (below)
//   3 Kp (hundredths)                 11 manual command (tracks the output in automatic)
//   4 Kd (hundredths of a second)     12 setpoint
//   5 Ki (thousandths of repeats/s,   13 process variable
//     unsigned)                       14 output (written)
//   6 bias                            15 time-proportioning cycle (s)
//   7 output upper clamp
// Config bits: 0 own setpoint and mode bits; 1 manual; 2 set by the ladder block; 3
// raise; 4 lower; 7 ISA form; 8 reverse acting; 9 negate the output; 10 derivative on PV;
// 11 deadband offset; 12 freeze the integral while clamped; 13 fine derivative units;
// 14 time-proportioning output; 15 first scan.

#include <cstdint>

inline constexpr uint16_t kPidLoops = 64;

struct PidBlock {
  uint32_t now = 0;            // 0.1 ms ticks
  uint16_t loop = 0;           // 0..63; the engine refuses any other
  bool tune_request = false;   // the auto-tuner runs while this is on
  uint16_t tune_word = 0;      // bits 2 two-thirds setpoint, 9-10 type, 11-12 variant, 13-15 noise
  bool tune_done = false;      // set by the engine when tuning has finished
};

// Results: 0 a normal sample (or none due), 1 the first scan, 2 a bad deadband, 3 bad
// clamps, 4 a loop number outside 0..63; with config bit 14 the time-proportioning output
// (1 or 0) in place of 0, and 1 for the two bad-record cases.
int32_t fbk_pid(PidBlock& block, int16_t (&record)[16]);

// Forgets every loop's timing, integral and tuner state (a program start).
void PidResetAll();
