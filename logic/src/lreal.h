#pragma once
// LREAL (IEEE double) instructions: opcode 543 followed by a sub-opcode word. A, B and C
// are the LREALs on the word stack in push order (four cells each, C on top). The
// instruction takes the power flow from the top of the bit stack and replaces it with its
// result:
//   compares (0-5)        in when the relation holds, else 0
//   window (6)            1 or 0 whatever in was; low <= high is the plain window (so
//                         low = high passes only that value), low > high the wrapped one
//   arithmetic and maths  0 for an operand that is not finite, a division or remainder
//                         by zero, or an argument outside the function's domain; the
//                         result is stored in every case
//   conversions           0 when the value does not fit the target type
//   text (38, 39)         strtod of a register string; formatting with the program's
//                         format, which must be a single floating conversion
// An unknown sub-opcode has no operands and turns the power flow off.

#include "instruction.h"

namespace logic {

void OpLreal(Machine& m, uint16_t opcode);  // 543

inline constexpr OpRow kLrealRows[] = {
    {543, OpLreal},
};
static_assert(std::size(kLrealRows) == 1);

}  // namespace logic
