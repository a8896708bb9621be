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

#include <bit>
#include <cmath>
#include <cstdint>

#include "float_order.h"
#include "instruction.h"

namespace logic {

// The operators the threaded code runs too: a result from A and B (or A alone), with ok
// (A and B finite, as the caller found) cleared for a numeric error.
namespace lrealops {
// Not finite: the exponent field all ones.
inline bool Finite(double d) { return (std::bit_cast<uint64_t>(d) & 0x7FF0000000000000ull) != 0x7FF0000000000000ull; }
inline constexpr double kNegativeRoot = std::bit_cast<double>(0x43DFFC0000000000ull);

inline double Add(double a, double b, bool&) { return Plus(a, b); }
inline double Sub(double a, double b, bool&) { return a - b; }
inline double Mul(double a, double b, bool&) { return Times(a, b); }
// A division by zero is an error like any other: its infinity is stored, and the power
// flow goes off now rather than at the next instruction that uses it.
inline double Div(double a, double b, bool& ok) {
  ok = ok && b != 0.0;
  return a / b;
}
inline double Sqrt(double a, bool& ok) {
  if (std::signbit(a)) {
    ok = false;
    return kNegativeRoot;
  }
  return std::sqrt(a);
}
inline double Abs(double a, bool&) { return std::fabs(a); }
}  // namespace lrealops

void OpLreal(Machine& m, uint16_t opcode);  // 543

inline constexpr OpRow kLrealRows[] = {
    {543, OpLreal},
};
static_assert(std::size(kLrealRows) == 1);

}  // namespace logic
