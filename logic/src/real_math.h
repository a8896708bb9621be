#pragma once
// REAL (single precision) arithmetic and functions on the word stack, and the angle
// conversions. An operand that is not finite (exponent bits all ones), a division by
// zero or an argument outside a function's domain turns the power flow off; the result
// is stored in every case except a division by zero, which leaves a in place. So is a
// result that overflows to infinity from finite operands: it is reported like every
// other numeric error, not passed on with the power flow on.

#include "float_order.h"
#include "instruction.h"
#include "word_stack.h"

namespace logic {

namespace realmath {
// The four binary operators on a (lower) and b (top), which the threaded code runs too:
// the result in a, false for a numeric error.
inline bool AddOp(float& a, float b) {
  const bool ok = Finite(a) && Finite(b);
  a = Plus(a, b);
  return ok && Finite(a);
}
inline bool SubOp(float& a, float b) {
  const bool ok = Finite(a) && Finite(b);
  a = a - b;
  return ok && Finite(a);
}
inline bool MulOp(float& a, float b) {
  const bool ok = Finite(a) && Finite(b);
  a = Times(a, b);
  return ok && Finite(a);
}
inline bool DivOp(float& a, float b) {
  if (b == 0.0f) return false;  // also -0.0; a stays
  const bool ok = Finite(a) && Finite(b);
  a = a / b;
  return ok && Finite(a);
}

void Add(Machine& m, uint16_t opcode);        // 128
void Sub(Machine& m, uint16_t opcode);        // 129
void Mul(Machine& m, uint16_t opcode);        // 130
void Div(Machine& m, uint16_t opcode);        // 131
void Abs(Machine& m, uint16_t opcode);        // 146
void Rem(Machine& m, uint16_t opcode);        // 147
void Sqrt(Machine& m, uint16_t opcode);       // 148
void Pow(Machine& m, uint16_t opcode);        // 149
void Log10(Machine& m, uint16_t opcode);      // 150
void Exp(Machine& m, uint16_t opcode);        // 151
void Ln(Machine& m, uint16_t opcode);         // 152
void Sin(Machine& m, uint16_t opcode);        // 153
void Cos(Machine& m, uint16_t opcode);        // 154
void Tan(Machine& m, uint16_t opcode);        // 155
void Asin(Machine& m, uint16_t opcode);       // 156
void Acos(Machine& m, uint16_t opcode);       // 157
void Atan(Machine& m, uint16_t opcode);       // 158
void DegToRad(Machine& m, uint16_t opcode);   // 108
void RadToDeg(Machine& m, uint16_t opcode);   // 109
}  // namespace realmath

inline constexpr OpRow kRealMathRows[] = {
    {128, realmath::Add},   {129, realmath::Sub},   {130, realmath::Mul},   {131, realmath::Div},
    {146, realmath::Abs},   {147, realmath::Rem},   {148, realmath::Sqrt},  {149, realmath::Pow},
    {150, realmath::Log10}, {151, realmath::Exp},   {152, realmath::Ln},    {153, realmath::Sin},
    {154, realmath::Cos},   {155, realmath::Tan},   {156, realmath::Asin},  {157, realmath::Acos},
    {158, realmath::Atan},  {108, realmath::DegToRad}, {109, realmath::RadToDeg},
};
static_assert(std::size(kRealMathRows) == 19);

}  // namespace logic
