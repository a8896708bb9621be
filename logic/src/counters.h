#pragma once
// Up and down counters, 16-bit (200-203) and 32-bit (199 with a sub-opcode word).
//
// The record lives in the register image at the counter's register reference:
//   16-bit  word 0 count (INT); word 1 control word
//   32-bit  words 0-1 count (DINT, low word first); word 2 control word
// Control word: bit 14 the count input was on at the last evaluation (the edge memory),
// bit 15 output; bits 0-13 are not touched.
//
// Operands after the opcode: [sub-opcode word, 199 only] reset bit, counter register
// reference, preset. Opcodes 200/201 count up, 202/203 down; the odd one takes an
// immediate preset (one word, 0..65535), the even one a register preset (an INT). The
// sub-opcode of 199: 0 up / register, 1 up / immediate, 2 down / register, 3 down /
// immediate, the preset a DINT either way. Any other sub-opcode leaves the layout of the
// operands unknown, so the next instruction cannot be found: the scan stops there as at
// an invalid opcode.
//
// Address checks as for the timers: a reference that names no register of the image
// stops the scan; a record or a DINT preset that would run past the last register
// (SR448) turns the power flow off and writes nothing.

#include <cstdint>

#include "instruction.h"

namespace logic {

// Evaluate a 16-bit counter (opcode 200..203) with its operands at m.ip, and a 32-bit
// counter with m.ip on its sub-opcode word; power is the power flow (any non-zero value
// is on). They return the new power flow, 0 or 1, with m.ip past the operands. A
// malformed operand stops the scan (m.Failed()); the result is then 0 and nothing is
// written.
uint8_t LogicCounters(Machine& m, uint16_t opcode, uint8_t power);
uint8_t Logic32bCounters(Machine& m, uint8_t power);

// Handlers for the opcode table: the result replaces the top of the bit stack.
void OpCounter16(Machine& m, uint16_t opcode);  // 200-203
void OpCounter32(Machine& m, uint16_t opcode);  // 199

inline constexpr OpRow kCounterRows[] = {
    {199, OpCounter32}, {200, OpCounter16}, {201, OpCounter16}, {202, OpCounter16}, {203, OpCounter16},
};
static_assert(std::size(kCounterRows) == 5);

}  // namespace logic
