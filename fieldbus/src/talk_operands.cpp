#include "talk_operands.h"

#include <cstring>

#include "ground/regaccess.h"

uint16_t BlockCursor::Next() {
  if (ip >= size) {
    overrun = true;
    return 0;
  }
  uint16_t w;
  std::memcpy(&w, code + 2 * std::size_t(ip++), 2);
  return w;
}

uint16_t BlockCursor::Peek() const {
  if (ip >= size) return 0;
  uint16_t w;
  std::memcpy(&w, code + 2 * std::size_t(ip), 2);
  return w;
}

namespace talk {

uint32_t Token(BlockCursor& c) {
  if (!c.form16) {
    const uint32_t low = c.Next();
    return low | uint32_t(c.Next()) << 16;
  }
  const uint16_t w = c.Next();
  if (w == 1776) return 0x10000u + c.Next();
  if (w == 1777) return 0x20000u + c.Next();
  return w;
}

uint8_t* WordAt(BlockCursor& c, uint32_t token, uint32_t words) {
  uint8_t* p = token >= kFirstToken ? PlcReg_Ptr(token & ~15u, 16 * words) : nullptr;
  if (p == nullptr) c.bad_operand = true;
  return p;
}

uint16_t Read16(const uint8_t* p) {
  uint16_t v = 0;
  if (p) std::memcpy(&v, p, 2);
  return v;
}

void Write16(uint8_t* p, uint16_t v) {
  if (p) std::memcpy(p, &v, 2);
}

Value ValueOperand(BlockCursor& c) {
  const uint32_t t = Token(c);
  if (t < kFirstToken) return {0, uint16_t(t)};
  return {t, Read16(WordAt(c, t))};
}

}  // namespace talk
