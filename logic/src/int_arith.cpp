// Signed integer arithmetic of one and two cells. Sums, differences and products are
// formed exactly in 64 bits and tested against the width, so no operation overflows in
// C++ and none traps.
#include "int_arith.h"

#include <limits>

#include "word_stack.h"

namespace logic::intarith {

namespace {

template <class T>
bool Fits(int64_t v) {
  return v >= std::numeric_limits<T>::min() && v <= std::numeric_limits<T>::max();
}
// The exact result, wrapped to the width.
template <class T>
bool Store(T& a, int64_t exact) {
  a = T(exact);  // modulo 2^N
  return Fits<T>(exact);
}

template <class T>
bool Add(T& a, T b) { return Store(a, int64_t(a) + b); }
template <class T>
bool Sub(T& a, T b) { return Store(a, int64_t(a) - b); }
template <class T>
bool Mul(T& a, T b) { return Store(a, int64_t(a) * b); }

template <class T>
bool Div(T& a, T b) {
  if (b == 0) return false;
  if (a == std::numeric_limits<T>::min() && b == -1) return false;  // a stays
  a = T(a / b);
  return true;
}
// Remainder with the sign of a. MIN rem -1 is 0, but it belongs to the overflowing
// MIN / -1, so it turns the power flow off like the division does.
template <class T>
bool Rem(T& a, T b) {
  if (b == 0) return false;
  if (b == -1) {
    const bool ok = a != std::numeric_limits<T>::min();
    a = T(0);
    return ok;
  }
  a = T(a % b);
  return true;
}

template <class T>
bool Abs(T& v) {
  if (v == std::numeric_limits<T>::min()) return false;
  if (v < 0) v = T(-v);
  return true;
}

// A negative operand turns the power flow off and is then taken as unsigned.
bool Sqrt16Op(int16_t& v) {
  const bool ok = v >= 0;
  v = int16_t(SquareRootBisect<8>(uint16_t(v)));
  return ok;
}
bool Sqrt32Op(int32_t& v) {
  const bool ok = v >= 0;
  v = int32_t(SquareRootBisect<16>(uint32_t(v)));
  return ok;
}

}  // namespace

void Add16(Machine& m, uint16_t op) { Binary<int16_t, Add<int16_t>>(m, op); }
void Sub16(Machine& m, uint16_t op) { Binary<int16_t, Sub<int16_t>>(m, op); }
void Mul16(Machine& m, uint16_t op) { Binary<int16_t, Mul<int16_t>>(m, op); }
void Div16(Machine& m, uint16_t op) { Binary<int16_t, Div<int16_t>>(m, op); }
void Add32(Machine& m, uint16_t op) { Binary<int32_t, Add<int32_t>>(m, op); }
void Sub32(Machine& m, uint16_t op) { Binary<int32_t, Sub<int32_t>>(m, op); }
void Mul32(Machine& m, uint16_t op) { Binary<int32_t, Mul<int32_t>>(m, op); }
void Div32(Machine& m, uint16_t op) { Binary<int32_t, Div<int32_t>>(m, op); }
void Abs16(Machine& m, uint16_t op) { Unary<int16_t, Abs<int16_t>>(m, op); }
void Rem16(Machine& m, uint16_t op) { Binary<int16_t, Rem<int16_t>>(m, op); }
void Sqrt16(Machine& m, uint16_t op) { Unary<int16_t, Sqrt16Op>(m, op); }
void Abs32(Machine& m, uint16_t op) { Unary<int32_t, Abs<int32_t>>(m, op); }
void Rem32(Machine& m, uint16_t op) { Binary<int32_t, Rem<int32_t>>(m, op); }
void Sqrt32(Machine& m, uint16_t op) { Unary<int32_t, Sqrt32Op>(m, op); }

}  // namespace logic::intarith
