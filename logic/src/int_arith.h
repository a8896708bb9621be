#pragma once
// INT and DINT arithmetic on the word stack: add, subtract, multiply, divide, remainder,
// absolute value and integer square root. Results wrap to the width; an overflow or a
// division by zero turns the power flow off, and after a division by zero a stays.
//
// The most negative value divided by -1 cannot be represented: the quotient stays the
// most negative value and the power flow goes off, in every width (the processor would
// trap). The remainder of that division is 0 exactly and keeps the power flow. The
// absolute value of the most negative value is that value itself, with the power flow
// off, since it is an overflow like the others.

#include "instruction.h"

namespace logic {

namespace intarith {
void Add16(Machine& m, uint16_t opcode);     // 120
void Sub16(Machine& m, uint16_t opcode);     // 121
void Mul16(Machine& m, uint16_t opcode);     // 122
void Div16(Machine& m, uint16_t opcode);     // 123
void Add32(Machine& m, uint16_t opcode);     // 124
void Sub32(Machine& m, uint16_t opcode);     // 125
void Mul32(Machine& m, uint16_t opcode);     // 126
void Div32(Machine& m, uint16_t opcode);     // 127
void Abs16(Machine& m, uint16_t opcode);     // 140
void Rem16(Machine& m, uint16_t opcode);     // 141
void Sqrt16(Machine& m, uint16_t opcode);    // 142
void Abs32(Machine& m, uint16_t opcode);     // 143
void Rem32(Machine& m, uint16_t opcode);     // 144
void Sqrt32(Machine& m, uint16_t opcode);    // 145
}  // namespace intarith

inline constexpr OpRow kIntArithRows[] = {
    {120, intarith::Add16}, {121, intarith::Sub16}, {122, intarith::Mul16},  {123, intarith::Div16},
    {124, intarith::Add32}, {125, intarith::Sub32}, {126, intarith::Mul32},  {127, intarith::Div32},
    {140, intarith::Abs16}, {141, intarith::Rem16}, {142, intarith::Sqrt16},
    {143, intarith::Abs32}, {144, intarith::Rem32}, {145, intarith::Sqrt32},
};
static_assert(std::size(kIntArithRows) == 14);

}  // namespace logic
