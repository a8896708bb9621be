// REAL arithmetic, functions and angle conversions. Functions named as single precision
// ones (sqrtf, log10f, logf, the trigonometric ones) run in single precision; the
// remainder, the power, the exponential and the angle conversions run in double
// precision and round to REAL.
#include "real_math.h"

#include <cmath>
#include <limits>

#include "word_stack.h"

namespace logic::realmath {

namespace {

constexpr float kInfinity = std::numeric_limits<float>::infinity();

bool Operands(float a, float b) { return Finite(a) && Finite(b); }

bool RemOp(float& a, float b) {
  const bool ok = b != 0.0f && Operands(a, b);
  a = RoundToReal(std::fmod(double(a), double(b)));
  return ok;
}
bool PowOp(float& a, float b) {
  const bool ok = Operands(a, b);
  a = RoundToReal(std::pow(double(a), double(b)));
  return ok && Finite(a);
}

bool AbsOp(float& v) {
  const bool ok = Finite(v);
  v = std::fabs(v);
  return ok;
}
// A negative operand gives +infinity. -0.0 is zero, not negative: its root is -0.0.
bool SqrtOp(float& v) {
  if (v < 0.0f) {
    v = kInfinity;
    return false;
  }
  const bool ok = Finite(v);
  v = std::sqrt(v);
  return ok && Finite(v);
}
bool Log10Op(float& v) {
  const bool ok = Finite(v) && v > 0.0f;
  v = std::log10(v);
  return ok;
}
bool LnOp(float& v) {
  const bool ok = Finite(v) && v > 0.0f;
  v = std::log(v);
  return ok;
}
// Above 88 the power flow goes off, although exp stays finite up to about 88.72.
bool ExpOp(float& v) {
  const bool ok = Finite(v) && v <= 88.0f;
  v = RoundToReal(std::exp(double(v)));
  return ok;
}

constexpr double kTwoPi = 6.2831853;
bool DegToRadOp(float& v) {
  const bool ok = Finite(v);
  v = RoundToReal(double(v) * kTwoPi / 360.0);
  return ok && Finite(v);
}
bool RadToDegOp(float& v) {
  const bool ok = Finite(v);
  v = RoundToReal(double(v) * 360.0 / kTwoPi);
  return ok && Finite(v);
}

float SinF(float x) { return std::sin(x); }
float CosF(float x) { return std::cos(x); }
float TanF(float x) { return std::tan(x); }
float AsinF(float x) { return std::asin(x); }
float AcosF(float x) { return std::acos(x); }
float AtanF(float x) { return std::atan(x); }

// The trigonometric functions also test the REAL in the two cells just below their
// operand (the value pushed before it, left in place), after the function and without
// changing its result; with fewer than two cells below, only the operand is tested.
template <float (*F)(float), bool kUnitDomain>
void Trigonometric(Machine& m) {
  uint16_t* c = TopCells(m, 2);
  if (c == nullptr) return;
  const float x = LoadCells<float>(c);
  bool ok = Finite(x) && (!kUnitDomain || (x >= -1.0f && x <= 1.0f));
  StoreCells(c, F(x));
  if (m.wsp >= 4 && !Finite(LoadCells<float>(c - 2))) ok = false;
  PowerOffUnless(m, ok);
}

}  // namespace

void Add(Machine& m, uint16_t op) { Binary<float, AddOp>(m, op); }
void Sub(Machine& m, uint16_t op) { Binary<float, SubOp>(m, op); }
void Mul(Machine& m, uint16_t op) { Binary<float, MulOp>(m, op); }
void Div(Machine& m, uint16_t op) { Binary<float, DivOp>(m, op); }
void Abs(Machine& m, uint16_t op) { Unary<float, AbsOp>(m, op); }
void Rem(Machine& m, uint16_t op) { Binary<float, RemOp>(m, op); }
void Sqrt(Machine& m, uint16_t op) { Unary<float, SqrtOp>(m, op); }
void Pow(Machine& m, uint16_t op) { Binary<float, PowOp>(m, op); }
void Log10(Machine& m, uint16_t op) { Unary<float, Log10Op>(m, op); }
void Exp(Machine& m, uint16_t op) { Unary<float, ExpOp>(m, op); }
void Ln(Machine& m, uint16_t op) { Unary<float, LnOp>(m, op); }
void Sin(Machine& m, uint16_t) { Trigonometric<SinF, false>(m); }
void Cos(Machine& m, uint16_t) { Trigonometric<CosF, false>(m); }
void Tan(Machine& m, uint16_t) { Trigonometric<TanF, false>(m); }
void Asin(Machine& m, uint16_t) { Trigonometric<AsinF, true>(m); }
void Acos(Machine& m, uint16_t) { Trigonometric<AcosF, true>(m); }
void Atan(Machine& m, uint16_t) { Trigonometric<AtanF, false>(m); }
void DegToRad(Machine& m, uint16_t op) { Unary<float, DegToRadOp>(m, op); }
void RadToDeg(Machine& m, uint16_t op) { Unary<float, RadToDegOp>(m, op); }

}  // namespace logic::realmath
