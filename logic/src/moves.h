#pragma once
// Direct moves and fills between registers, without the word stack: one word, a DINT or
// REAL pair, an immediate, a fill of n words and the block copy (91) with its typed form.
//
// The counted forms check the whole destination and source range against the register
// image; a range that would pass its end turns the power flow off and nothing is
// written.

#include "instruction.h"

namespace logic {

void OpMoveWord(Machine& m, uint16_t opcode);          // 90
void OpMoveImmediate(Machine& m, uint16_t opcode);     // 92
void OpMoveDouble(Machine& m, uint16_t opcode);        // 95
void OpMoveImmediate32(Machine& m, uint16_t opcode);   // 96
void OpFillFromWord(Machine& m, uint16_t opcode);      // 93
void OpFillImmediate(Machine& m, uint16_t opcode);     // 94
void OpBlockMove(Machine& m, uint16_t opcode);         // 91

inline constexpr OpRow kMoveRows[] = {
    {90, OpMoveWord},     {92, OpMoveImmediate},  {95, OpMoveDouble},   {96, OpMoveImmediate32},
    {93, OpFillFromWord}, {94, OpFillImmediate},  {91, OpBlockMove},
};
static_assert(std::size(kMoveRows) == 7);

// Shared with the indirect moves: copies n units (words, or bytes when bytes is set) from
// byte offset src to byte offset dst of the register image when both ranges lie inside
// it; otherwise the power flow goes off and nothing is copied. Words are copied lowest
// first, one at a time, so an overlap with the destination above the source repeats the
// source's first words; bytes are copied as one block, as if through a buffer.
void CheckedCopy(Machine& m, uint64_t dst, uint64_t src, uint32_t n, bool bytes);

}  // namespace logic
