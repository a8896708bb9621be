#pragma once
// Timers: on-delay, off-delay and accumulating (with a reset bit), 16-bit and 32-bit,
// counting in units of 0.001, 0.01, 0.1 or 1 s.
//
// The time is the scan tick, the low 14 bits of the 0.1 ms time base taken once at the
// start of the scan (time_frt_100us), so every timer of a scan sees the same instant.
// Elapsed time is taken modulo 16384 ticks: a timer evaluated more than 1.6383 s after
// its previous evaluation loses the whole multiples of 1.6384 s in between.
//
// The record lives in the register image at the timer's register reference:
//   16-bit kinds  word 0 accumulated value (u16, in units)
//                 word 1 control word
//   32-bit kinds  words 0-1 accumulated value (DINT, low word first)
//                 word 2 control word
// Control word: bits 0-13 reference tick (the scan tick from which the time not yet
// counted is measured), bit 14 enabled (on-delay and accumulating kinds while powered;
// always 0 in an off-delay timer), bit 15 output.
//
// Operands after the opcode: [reset bit, accumulating kinds only] timer register
// reference, preset. The even opcode of a pair takes its preset from a register (16-bit
// kinds an INT, 32-bit kinds a DINT), the odd one as an immediate (16-bit kinds one word,
// 0..65535; 32-bit kinds two words, a DINT).
//
// Address checks: a reference that names no register of the image stops the scan, as
// for every instruction. A record or a DINT preset that would run past the last register
// (SR448, the end of the ESR window; the image's internal bytes follow it) turns the
// power flow off and writes nothing.

#include <array>
#include <cstdint>

#include "instruction.h"
#include "ground/regimage.h"
#include "opcode_map.h"

namespace logic {

enum class TimerKind : uint8_t { kOnDelay, kOffDelay, kAccumulating };

struct TimerRow {
  uint16_t opcode;      // register preset; opcode + 1 takes an immediate preset
  bool wide;            // 32-bit record and preset
  TimerKind kind;
  uint16_t unit_ticks;  // 0.1 ms ticks per unit of the accumulated value
};

inline constexpr TimerRow kTimerKinds[] = {
    {.opcode = 204, .wide = false, .kind = TimerKind::kOnDelay, .unit_ticks = 100},
    {.opcode = 206, .wide = false, .kind = TimerKind::kOffDelay, .unit_ticks = 100},
    {.opcode = 208, .wide = false, .kind = TimerKind::kOnDelay, .unit_ticks = 1000},
    {.opcode = 210, .wide = false, .kind = TimerKind::kOffDelay, .unit_ticks = 1000},
    {.opcode = 212, .wide = false, .kind = TimerKind::kAccumulating, .unit_ticks = 100},
    {.opcode = 214, .wide = false, .kind = TimerKind::kAccumulating, .unit_ticks = 1000},
    {.opcode = 458, .wide = false, .kind = TimerKind::kAccumulating, .unit_ticks = 10000},
    {.opcode = 460, .wide = false, .kind = TimerKind::kOnDelay, .unit_ticks = 10000},
    {.opcode = 462, .wide = false, .kind = TimerKind::kOffDelay, .unit_ticks = 10000},
    {.opcode = 474, .wide = false, .kind = TimerKind::kAccumulating, .unit_ticks = 10},
    {.opcode = 476, .wide = false, .kind = TimerKind::kOnDelay, .unit_ticks = 10},
    {.opcode = 478, .wide = false, .kind = TimerKind::kOffDelay, .unit_ticks = 10},
    {.opcode = 450, .wide = true, .kind = TimerKind::kAccumulating, .unit_ticks = 10000},
    {.opcode = 452, .wide = true, .kind = TimerKind::kOnDelay, .unit_ticks = 10000},
    {.opcode = 454, .wide = true, .kind = TimerKind::kOffDelay, .unit_ticks = 10000},
    {.opcode = 466, .wide = true, .kind = TimerKind::kAccumulating, .unit_ticks = 10},
    {.opcode = 468, .wide = true, .kind = TimerKind::kOnDelay, .unit_ticks = 10},
    {.opcode = 470, .wide = true, .kind = TimerKind::kOffDelay, .unit_ticks = 10},
    {.opcode = 482, .wide = true, .kind = TimerKind::kAccumulating, .unit_ticks = 100},
    {.opcode = 484, .wide = true, .kind = TimerKind::kOnDelay, .unit_ticks = 100},
    {.opcode = 486, .wide = true, .kind = TimerKind::kOffDelay, .unit_ticks = 100},
    {.opcode = 498, .wide = true, .kind = TimerKind::kAccumulating, .unit_ticks = 1000},
    {.opcode = 500, .wide = true, .kind = TimerKind::kOnDelay, .unit_ticks = 1000},
    {.opcode = 502, .wide = true, .kind = TimerKind::kOffDelay, .unit_ticks = 1000},
};
static_assert(std::size(kTimerKinds) == 24);

// Control word bits, shared with the counters.
inline constexpr uint16_t kRecordTickMask = 0x3FFF;
inline constexpr uint16_t kRecordEnabled = 0x4000;
inline constexpr uint16_t kRecordOutput = 0x8000;

// Evaluate the timer of opcode (either of its pair) with its operands at m.ip, the power
// flow power (any non-zero value is on) and the scan tick tick (0..16383). They return
// the new power flow, 0 or 1, with m.ip past the operands. LogicTimers takes the 16-bit
// kinds, Logic32bTimers the 32-bit kinds; another opcode stops the scan as an invalid
// opcode. A malformed operand stops the scan (m.Failed()); the result is then 0 and
// nothing is written.
uint8_t LogicTimers(Machine& m, uint16_t opcode, uint8_t power, uint16_t tick);
uint8_t Logic32bTimers(Machine& m, uint16_t opcode, uint8_t power, uint16_t tick);

// Handlers for the opcode table: the result replaces the top of the bit stack.
void OpTimer16(Machine& m, uint16_t opcode);
void OpTimer32(Machine& m, uint16_t opcode);

namespace timer_rows {
consteval std::array<OpRow, 2 * std::size(kTimerKinds)> Build() {
  std::array<OpRow, 2 * std::size(kTimerKinds)> rows{};
  std::size_t i = 0;
  for (const TimerRow& k : kTimerKinds) {
    const Handler h = k.wide ? OpTimer32 : OpTimer16;
    rows[i++] = {k.opcode, h};
    rows[i++] = {uint16_t(k.opcode + 1), h};
  }
  return rows;
}
}  // namespace timer_rows

inline constexpr std::array<OpRow, 2 * std::size(kTimerKinds)> kTimerRows = timer_rows::Build();
static_assert(kTimerRows.size() == 48);

}  // namespace logic
