// 8-bit and unsigned arithmetic. An 8-bit operand is the low byte of its cell; results
// that keep the cell's high byte say so.
#include "short_arith.h"

#include <bit>
#include <limits>

#include "word_stack.h"

namespace logic::shortarith {

namespace {

uint8_t Low(uint16_t cell) { return uint8_t(cell); }
int8_t LowSigned(uint16_t cell) { return int8_t(cell); }
// The cell with its low byte replaced.
uint16_t WithLow(uint16_t cell, uint8_t low) { return uint16_t((cell & 0xFF00) | low); }

// USINT product: the whole cell becomes the product AND 255.
bool MulUsintOp(uint16_t& a, uint16_t b) {
  const uint32_t p = uint32_t(Low(a)) * Low(b);
  a = uint16_t(p & 0xFF);
  return p <= 0xFF;
}
bool DivUsintOp(uint16_t& a, uint16_t b) {
  if (Low(b) == 0) return false;
  a = WithLow(a, uint8_t(Low(a) / Low(b)));
  return true;
}

template <class T>
bool MulUnsigned(T& a, T b) {
  const uint64_t p = uint64_t(a) * b;
  a = T(p);
  return p <= std::numeric_limits<T>::max();
}
template <class T>
bool DivUnsigned(T& a, T b) {
  if (b == 0) return false;
  a = T(a / b);
  return true;
}
template <class T>
bool AddUnsigned(T& a, T b) {
  const uint64_t s = uint64_t(a) + b;
  a = T(s);
  return s <= std::numeric_limits<T>::max();
}
template <class T>
bool SubUnsigned(T& a, T b) {
  const bool ok = b <= a;
  a = T(a - b);
  return ok;
}
template <class T>
bool RemUnsigned(T& a, T b) {
  if (b == 0) return false;
  a = T(a % b);
  return true;
}
bool SqrtUint(uint16_t& v) {
  v = uint16_t(SquareRootBisect<8>(v));
  return true;
}
bool SqrtUdint(uint32_t& v) {
  v = SquareRootBisect<16>(v);
  return true;
}

// SINT sum, difference and product: the whole cell holds the wrapped 8-bit result,
// sign-extended.
bool StoreSint(uint16_t& a, int32_t exact) {
  a = uint16_t(int16_t(int8_t(exact)));
  return exact >= -128 && exact <= 127;
}
bool AddSintOp(uint16_t& a, uint16_t b) { return StoreSint(a, LowSigned(a) + LowSigned(b)); }
bool SubSintOp(uint16_t& a, uint16_t b) { return StoreSint(a, LowSigned(a) - LowSigned(b)); }
bool MulSintOp(uint16_t& a, uint16_t b) { return StoreSint(a, LowSigned(a) * LowSigned(b)); }
bool DivSintOp(uint16_t& a, uint16_t b) {
  const int8_t x = LowSigned(a), y = LowSigned(b);
  if (y == 0) return false;
  if (x == -128 && y == -1) return false;  // a stays
  a = WithLow(a, uint8_t(x / y));
  return true;
}

// Rotates of the low byte by the count modulo 8; the high byte stays.
bool RolUsintOp(uint16_t& a, uint16_t b) {
  a = WithLow(a, std::rotl(Low(a), int(b & 7)));
  return true;
}
bool RorUsintOp(uint16_t& a, uint16_t b) {
  a = WithLow(a, std::rotr(Low(a), int(b & 7)));
  return true;
}

// The USINT shifts: by the low byte of b, 0 from 8 on; the high byte stays. They then
// set the power flow on, whatever it was.
template <bool kLeft>
void ShiftUsint(Machine& m) {
  uint16_t* c = TopCells(m, 2);
  if (c == nullptr) return;
  const unsigned n = Low(c[1]);
  const uint8_t v = Low(c[0]);
  c[0] = WithLow(c[0], n >= 8 ? 0 : uint8_t(kLeft ? v << n : v >> n));
  m.wsp = uint8_t(m.wsp - 1);
  m.Top() = 1;
}

// The sub-code selects the width; any other sub-code ends the instruction.
constexpr uint16_t kSubUint = 32, kSubUdint = 160;
template <BinaryFn<uint16_t> Op16, BinaryFn<uint32_t> Op32>
void TypedBinary(Machine& m, uint16_t opcode) {
  const uint16_t sub = Imm16(m);
  if (m.Failed()) return;
  if (sub == kSubUint) Binary<uint16_t, Op16>(m, opcode);
  if (sub == kSubUdint) Binary<uint32_t, Op32>(m, opcode);
}

}  // namespace

void MulUsint(Machine& m, uint16_t op) { Binary<uint16_t, MulUsintOp>(m, op); }
void DivUsint(Machine& m, uint16_t op) { Binary<uint16_t, DivUsintOp>(m, op); }
void MulUint(Machine& m, uint16_t op) { Binary<uint16_t, MulUnsigned<uint16_t>>(m, op); }
void DivUint(Machine& m, uint16_t op) { Binary<uint16_t, DivUnsigned<uint16_t>>(m, op); }
void MulUdint(Machine& m, uint16_t op) { Binary<uint32_t, MulUnsigned<uint32_t>>(m, op); }
void DivUdint(Machine& m, uint16_t op) { Binary<uint32_t, DivUnsigned<uint32_t>>(m, op); }
void AddSint(Machine& m, uint16_t op) { Binary<uint16_t, AddSintOp>(m, op); }
void SubSint(Machine& m, uint16_t op) { Binary<uint16_t, SubSintOp>(m, op); }
void MulSint(Machine& m, uint16_t op) { Binary<uint16_t, MulSintOp>(m, op); }
void DivSint(Machine& m, uint16_t op) { Binary<uint16_t, DivSintOp>(m, op); }
void ShlUsint(Machine& m, uint16_t) { ShiftUsint<true>(m); }
void ShrUsint(Machine& m, uint16_t) { ShiftUsint<false>(m); }
void RolUsint(Machine& m, uint16_t op) { Binary<uint16_t, RolUsintOp>(m, op); }
void RorUsint(Machine& m, uint16_t op) { Binary<uint16_t, RorUsintOp>(m, op); }

void AddTyped(Machine& m, uint16_t op) { TypedBinary<AddUnsigned<uint16_t>, AddUnsigned<uint32_t>>(m, op); }
void SubTyped(Machine& m, uint16_t op) { TypedBinary<SubUnsigned<uint16_t>, SubUnsigned<uint32_t>>(m, op); }
void RemTyped(Machine& m, uint16_t op) { TypedBinary<RemUnsigned<uint16_t>, RemUnsigned<uint32_t>>(m, op); }
void SqrtTyped(Machine& m, uint16_t op) {
  const uint16_t sub = Imm16(m);
  if (m.Failed()) return;
  if (sub == kSubUint) Unary<uint16_t, SqrtUint>(m, op);
  if (sub == kSubUdint) Unary<uint32_t, SqrtUdint>(m, op);
}

}  // namespace logic::shortarith
