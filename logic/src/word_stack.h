#pragma once
// Typed views of the word stack and of register words for the numeric instruction
// families. INT, UINT and the 8-bit types take one cell; DINT, UDINT and REAL two, the
// low word in the lower cell (pushed first); LREAL four, lowest word first. Registers
// hold multi-word values the same way: the low word at the reference, the next word
// above it.
//
// A binary operator reads a (pushed first) and b (on top), pops b and leaves its result
// in a's cells; a unary operator replaces the top value. Numeric errors (overflow,
// division by zero, an argument outside a function's domain) never stop the scan: they
// turn the power flow off. A stack too shallow for the operator stops it (a malformed
// program) before anything is changed.

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

#include "ground/regimage.h"
#include "machine.h"
#include "operands.h"

namespace logic {

// Cells a value type takes on the word stack.
template <class T>
inline constexpr uint8_t kCellsOf = uint8_t(sizeof(T) / 2);

template <class T>
inline T LoadCells(const uint16_t* c) {
  static_assert(sizeof(T) == 2 || sizeof(T) == 4 || sizeof(T) == 8);
  if constexpr (sizeof(T) == 2) {
    return std::bit_cast<T>(c[0]);
  } else if constexpr (sizeof(T) == 4) {
    return std::bit_cast<T>(uint32_t(c[0]) | uint32_t(c[1]) << 16);
  } else {
    return std::bit_cast<T>(uint64_t(c[0]) | uint64_t(c[1]) << 16 | uint64_t(c[2]) << 32 | uint64_t(c[3]) << 48);
  }
}

template <class T>
inline void StoreCells(uint16_t* c, T v) {
  static_assert(sizeof(T) == 2 || sizeof(T) == 4 || sizeof(T) == 8);
  if constexpr (sizeof(T) == 2) {
    c[0] = std::bit_cast<uint16_t>(v);
  } else if constexpr (sizeof(T) == 4) {
    const uint32_t u = std::bit_cast<uint32_t>(v);
    c[0] = uint16_t(u);
    c[1] = uint16_t(u >> 16);
  } else {
    const uint64_t u = std::bit_cast<uint64_t>(v);
    for (int i = 0; i < 4; ++i) c[i] = uint16_t(u >> (16 * i));
  }
}

// A value of type T in the register words from byte offset off on.
template <class T>
inline T LoadReg(uint32_t off) {
  uint16_t c[kCellsOf<T>];
  for (uint32_t i = 0; i < kCellsOf<T>; ++i) c[i] = RegWord(off + 2 * i);
  return LoadCells<T>(c);
}
template <class T>
inline void StoreReg(uint32_t off, T v) {
  uint16_t c[kCellsOf<T>];
  StoreCells(c, v);
  for (uint32_t i = 0; i < kCellsOf<T>; ++i) SetRegWord(off + 2 * i, c[i]);
}

// The top `cells` cells, lowest first; nullptr, and a fault, when fewer are on the stack.
inline uint16_t* TopCells(Machine& m, uint32_t cells) {
  if (m.wsp < cells) {
    m.Fail(Stop::kWordStackUnderflow);
    return nullptr;
  }
  return m.words + m.wsp - cells;
}

// Room for `cells` more cells, lowest first, already counted on the stack; nullptr, and a
// fault, when the stack would overflow.
inline uint16_t* PushCells(Machine& m, uint32_t cells) {
  if (m.wsp + cells > kWordStackSize) {
    m.Fail(Stop::kWordStackOverflow);
    return nullptr;
  }
  uint16_t* c = m.words + m.wsp;
  m.wsp = uint8_t(m.wsp + cells);
  return c;
}

template <class T>
inline void PushValue(Machine& m, T v) {
  if (uint16_t* c = PushCells(m, kCellsOf<T>)) StoreCells(c, v);
}

// Writes 0 into the top of the bit stack. Nothing else in these families lowers the
// power flow; an instruction that has to report an error with no power flow on the bit
// stack comes from a malformed program and stops the scan (bit stack underflow).
inline void PowerOff(Machine& m) {
  if (!m.Failed()) m.Top() = 0;
}
inline void PowerOffUnless(Machine& m, bool ok) {
  if (!ok) PowerOff(m);
}

// --- operators over the top of the stack ---------------------------------------------
// An operator returns false for a numeric error (the power flow goes off); it writes its
// result through its first argument and leaves it unchanged where the result is "a
// stays".
template <class T>
using BinaryFn = bool (*)(T& a, T b);
template <class T>
using UnaryFn = bool (*)(T& v);

template <class T, BinaryFn<T> Op>
void Binary(Machine& m, uint16_t) {
  constexpr uint8_t n = kCellsOf<T>;
  uint16_t* c = TopCells(m, 2 * n);
  if (c == nullptr) return;
  T a = LoadCells<T>(c);
  const bool ok = Op(a, LoadCells<T>(c + n));
  StoreCells(c, a);
  m.wsp = uint8_t(m.wsp - n);
  PowerOffUnless(m, ok);
}

template <class T, UnaryFn<T> Op>
void Unary(Machine& m, uint16_t) {
  uint16_t* c = TopCells(m, kCellsOf<T>);
  if (c == nullptr) return;
  T v = LoadCells<T>(c);
  const bool ok = Op(v);
  StoreCells(c, v);
  PowerOffUnless(m, ok);
}

// --- REAL helpers ----------------------------------------------------------------------
// Not finite: the eight exponent bits all ones (an infinity or a NaN).
inline bool Finite(float f) { return (std::bit_cast<uint32_t>(f) & 0x7F800000u) != 0x7F800000u; }

// A double rounded to REAL, an overflow giving the infinity of its sign (the conversion
// of an out-of-range double is undefined in C++).
inline float RoundToReal(double d) {
  // From FLT_MAX plus half its unit in the last place on, the nearest REAL is infinity.
  constexpr double kOverflow = 0x1.ffffffp127;
  if (d >= kOverflow) return std::numeric_limits<float>::infinity();
  if (d <= -kOverflow) return -std::numeric_limits<float>::infinity();
  return float(d);
}

// REAL to signed 32-bit, truncated toward zero and saturating: 2147483648 and above
// (+infinity too) give 2147483647, below -2147483648 (-infinity too) -2147483648, NaN 0.
inline int32_t TruncSaturated(float f) {
  if (f != f) return 0;
  if (f >= 2147483648.0f) return std::numeric_limits<int32_t>::max();
  if (f < -2147483648.0f) return std::numeric_limits<int32_t>::min();
  return int32_t(f);
}

// --- integer square root -------------------------------------------------------------
// Bisection over the result bits from the highest down: floor(sqrt(x)).
template <uint32_t Rounds>
constexpr uint32_t SquareRootBisect(uint32_t x) {
  uint32_t r = 0;
  for (uint32_t step = 1u << (Rounds - 1); step != 0; step >>= 1) {
    const uint64_t t = uint64_t(r + step) * (r + step);
    if (t <= x) r += step;
  }
  return r;
}
static_assert(SquareRootBisect<8>(65535) == 255 && SquareRootBisect<8>(15) == 3);
static_assert(SquareRootBisect<16>(0xFFFFFFFFu) == 65535 && SquareRootBisect<16>(65536) == 256);

// --- typed forms of the moves ----------------------------------------------------------
// True (and the two words consumed) when the next two operand words are both 0, which no
// reference can be: the instruction is in its typed form.
inline bool TypedForm(Machine& m) {
  if (m.size - m.ip < 2 || m.WordAt(m.ip) != 0 || m.WordAt(m.ip + 1) != 0) return false;
  m.ip += 2;
  return true;
}

}  // namespace logic
