#pragma once
// Transfers between registers and the word stack without conversion: pushes of a
// register or an immediate and pops into a register, one, two (DINT or REAL) or four
// (LREAL) cells at a time, the sign-extending pushes of an INT as a DINT, and the byte
// transfers.

#include "instruction.h"

namespace logic {

void OpPushWord(Machine& m, uint16_t opcode);           // 80
void OpPushImmediate(Machine& m, uint16_t opcode);      // 81
void OpPopWord(Machine& m, uint16_t opcode);            // 82
void OpPushDouble(Machine& m, uint16_t opcode);         // 83
void OpPushImmediate32(Machine& m, uint16_t opcode);    // 84
void OpPopDouble(Machine& m, uint16_t opcode);          // 85
void OpPushImmediateAsDint(Machine& m, uint16_t opcode);  // 86
void OpPushIntAsDint(Machine& m, uint16_t opcode);      // 87
void OpPushQuad(Machine& m, uint16_t opcode);           // 540
void OpPushImmediate64(Machine& m, uint16_t opcode);    // 541
void OpPopQuad(Machine& m, uint16_t opcode);            // 542
void OpPushByte(Machine& m, uint16_t opcode);           // 195
void OpPopByte(Machine& m, uint16_t opcode);            // 196

inline constexpr OpRow kStackTransferRows[] = {
    {80, OpPushWord},        {81, OpPushImmediate},        {82, OpPopWord},
    {83, OpPushDouble},      {84, OpPushImmediate32},      {85, OpPopDouble},
    {86, OpPushImmediateAsDint}, {87, OpPushIntAsDint},
    {540, OpPushQuad},       {541, OpPushImmediate64},     {542, OpPopQuad},
    {195, OpPushByte},       {196, OpPopByte},
};
static_assert(std::size(kStackTransferRows) == 13);

}  // namespace logic
