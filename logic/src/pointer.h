#pragma once
// Pointer registers: a DINT register whose value is a byte offset into the register
// image. Shared by the pointer, string and PID instructions.
#include <cstdint>

#include "ground/unaligned.h"
#include "ground/regimage.h"
#include "machine.h"
#include "operands.h"

namespace logic {

// True when bytes [offset, offset + length) lie inside the registers of the image, not
// in its internal bytes (the security table among them), which no pointer may reach.
constexpr bool PointerRange(int64_t offset, int64_t length) {
  return offset >= 0 && length >= 0 && offset + length <= int64_t(reg::kOffInternal);
}

// The byte offset held in the pointer register at byte offset p.
inline int64_t PointerValue(uint32_t p) { return int32_t(UTIL_GetDword(plc_reg + p)); }

// Reads a pointer register operand (a DINT word reference) and returns its value.
inline int64_t PointerOperand(Machine& m) {
  const uint32_t p = WordOperand(m, 2);
  return m.Failed() ? -1 : PointerValue(p);
}

}  // namespace logic
