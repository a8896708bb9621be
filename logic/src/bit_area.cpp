// Instruction 384: set, clear or test bit n of an area, an eight-word record that is the
// same in both operand forms:
//   word 1     low byte operation (1 set, 2 clear, 3 test); bit 8 the bit number is in a
//              register; bit 9 the size counts bytes (else words); bit 10 each location
//              named by a token holds a self-relative offset to the data
//   words 2-3  token of the area's first byte
//   words 4-5  the bit number (counted from 1), or with bit 8 the token of its register
//   words 6-7  the size, or (when it lies in the token range) the token of its register
// The area token is checked as a token, and then the bytes the record finally reaches
// (through an offset too) are checked against the registers of the image: anything
// outside turns the power flow off and touches nothing.
#include "indexed.h"
#include "pointer.h"
#include "word_stack.h"

namespace logic::indexed {

namespace {

constexpr uint32_t kTokenLast = 0x10030FFF;
constexpr uint32_t kMaxAreaBytes = 512;
constexpr uint16_t kRegisterBitNumber = 1u << 8, kSizeInBytes = 1u << 9, kSelfRelative = 1u << 10;

bool InTokenRange(uint32_t t) { return t >= kFirstToken && t <= kTokenLast; }

// The byte a location token leads to: the location itself, or with self-relative offsets
// the location plus the 32-bit offset stored there. -1 when any of it lies outside the
// registers.
int64_t Resolve(uint32_t token, bool self_relative) {
  if (!ImageToken(token)) return -1;
  const int64_t at = (RelocateToken(token) - kFirstToken) / 8;
  if (!self_relative) return at;
  if (!PointerRange(at, 4)) return -1;
  const int64_t to = at + int32_t(UTIL_GetDword(plc_reg + at));
  return PointerRange(to, 0) ? to : -1;
}

// A 16-bit value a token names (the bit number or the size); -1 when unreachable.
int64_t Value16(uint32_t token, bool self_relative) {
  const int64_t at = Resolve(token, self_relative);
  if (at < 0 || !PointerRange(at, 2)) return -1;
  return plc_reg[at] | plc_reg[at + 1] << 8;
}

}  // namespace

void BitInArea(Machine& m, uint16_t) {
  const uint16_t flags = Imm16(m);
  const uint32_t area = Imm32(m);
  const uint32_t number = Imm32(m);
  const uint32_t size = Imm32(m);
  if (m.Failed()) return;
  uint8_t& flow = m.Top();
  if (m.Failed() || flow == 0) return;
  const bool relative = flags & kSelfRelative;
  if (!InTokenRange(area)) {
    flow = 0;
    return;
  }
  const int64_t n = (flags & kRegisterBitNumber) ? Value16(number, relative) : int64_t(number & 0xFFFF);
  const int64_t sz = InTokenRange(size) ? Value16(size, relative) : int64_t(size);
  const int64_t bytes = (flags & kSizeInBytes) ? sz : 2 * sz;
  const int64_t at = Resolve(area, relative);
  const bool ok = n >= 1 && sz >= 0 && bytes <= kMaxAreaBytes && uint64_t(area) + 8 * uint64_t(bytes) <= kTokenLast &&
                  n <= 8 * bytes && at >= 0 && PointerRange(at, bytes);
  if (!ok) {
    flow = 0;
    return;
  }
  uint8_t& byte = plc_reg[at + (n - 1) / 8];
  const uint8_t mask = uint8_t(1u << ((n - 1) % 8));
  switch (flags & 0xFF) {
    case 1:
      byte |= mask;
      flow = 0xFF;
      break;
    case 2:
      byte = uint8_t(byte & ~mask);
      flow = 0xFF;
      break;
    case 3: flow = (byte & mask) ? 0xFF : 0; break;
    default: break;
  }
}

}  // namespace logic::indexed
