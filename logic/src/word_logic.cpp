// Bitwise operators, shifts and rotates over the word stack.
#include "word_logic.h"

#include <bit>

#include "word_stack.h"

namespace logic::wordlogic {

namespace {

template <class T>
bool And(T& a, T b) { a &= b; return true; }
template <class T>
bool Or(T& a, T b) { a |= b; return true; }
template <class T>
bool Xor(T& a, T b) { a ^= b; return true; }
template <class T>
bool Invert(T& v) { v = T(~v); return true; }

// A shift by the low byte of the count: by the width or more, every bit is shifted out.
template <class T>
bool ShiftLeft(T& a, T b) {
  const unsigned n = b & 0xFF;
  a = n < 8 * sizeof(T) ? T(a << n) : T(0);
  return true;
}
template <class T>
bool ShiftRight(T& a, T b) {
  const unsigned n = b & 0xFF;
  a = n < 8 * sizeof(T) ? T(a >> n) : T(0);
  return true;
}
// A rotate by the count modulo the width.
template <class T>
bool RotateLeft(T& a, T b) { a = std::rotl(a, int(b & (8 * sizeof(T) - 1))); return true; }
template <class T>
bool RotateRight(T& a, T b) { a = std::rotr(a, int(b & (8 * sizeof(T) - 1))); return true; }

}  // namespace

void And16(Machine& m, uint16_t op) { Binary<uint16_t, And<uint16_t>>(m, op); }
void Or16(Machine& m, uint16_t op) { Binary<uint16_t, Or<uint16_t>>(m, op); }
void Xor16(Machine& m, uint16_t op) { Binary<uint16_t, Xor<uint16_t>>(m, op); }
void Not16(Machine& m, uint16_t op) { Unary<uint16_t, Invert<uint16_t>>(m, op); }
void And32(Machine& m, uint16_t op) { Binary<uint32_t, And<uint32_t>>(m, op); }
void Or32(Machine& m, uint16_t op) { Binary<uint32_t, Or<uint32_t>>(m, op); }
void Xor32(Machine& m, uint16_t op) { Binary<uint32_t, Xor<uint32_t>>(m, op); }
void Not32(Machine& m, uint16_t op) { Unary<uint32_t, Invert<uint32_t>>(m, op); }
void Shl16(Machine& m, uint16_t op) { Binary<uint16_t, ShiftLeft<uint16_t>>(m, op); }
void Shr16(Machine& m, uint16_t op) { Binary<uint16_t, ShiftRight<uint16_t>>(m, op); }
void Rol16(Machine& m, uint16_t op) { Binary<uint16_t, RotateLeft<uint16_t>>(m, op); }
void Ror16(Machine& m, uint16_t op) { Binary<uint16_t, RotateRight<uint16_t>>(m, op); }
void Shl32(Machine& m, uint16_t op) { Binary<uint32_t, ShiftLeft<uint32_t>>(m, op); }
void Shr32(Machine& m, uint16_t op) { Binary<uint32_t, ShiftRight<uint32_t>>(m, op); }
void Rol32(Machine& m, uint16_t op) { Binary<uint32_t, RotateLeft<uint32_t>>(m, op); }
void Ror32(Machine& m, uint16_t op) { Binary<uint32_t, RotateRight<uint32_t>>(m, op); }

}  // namespace logic::wordlogic
