#pragma once
// Bitwise logic, shifts and rotates on the word stack, INT (one cell) and DINT (two
// cells): a below b, the result replaces a and b is popped; NOT replaces the top. The
// DINT shifts and rotates take their count as a DINT and use only its low word. None of
// them touches the power flow.

#include "instruction.h"

namespace logic {

namespace wordlogic {
void And16(Machine& m, uint16_t opcode);     // 100
void Or16(Machine& m, uint16_t opcode);      // 101
void Xor16(Machine& m, uint16_t opcode);     // 102
void Not16(Machine& m, uint16_t opcode);     // 103
void And32(Machine& m, uint16_t opcode);     // 104
void Or32(Machine& m, uint16_t opcode);      // 105
void Xor32(Machine& m, uint16_t opcode);     // 106
void Not32(Machine& m, uint16_t opcode);     // 107
void Shl16(Machine& m, uint16_t opcode);     // 110
void Shr16(Machine& m, uint16_t opcode);     // 111
void Rol16(Machine& m, uint16_t opcode);     // 112
void Ror16(Machine& m, uint16_t opcode);     // 113
void Shl32(Machine& m, uint16_t opcode);     // 114
void Shr32(Machine& m, uint16_t opcode);     // 115
void Rol32(Machine& m, uint16_t opcode);     // 116
void Ror32(Machine& m, uint16_t opcode);     // 117
}  // namespace wordlogic

inline constexpr OpRow kWordLogicRows[] = {
    {100, wordlogic::And16}, {101, wordlogic::Or16},  {102, wordlogic::Xor16}, {103, wordlogic::Not16},
    {104, wordlogic::And32}, {105, wordlogic::Or32},  {106, wordlogic::Xor32}, {107, wordlogic::Not32},
    {110, wordlogic::Shl16}, {111, wordlogic::Shr16}, {112, wordlogic::Rol16}, {113, wordlogic::Ror16},
    {114, wordlogic::Shl32}, {115, wordlogic::Shr32}, {116, wordlogic::Rol32}, {117, wordlogic::Ror32},
};
static_assert(std::size(kWordLogicRows) == 16);

}  // namespace logic
