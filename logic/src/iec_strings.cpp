// IEC strings through pointer registers: copy, append, compares and text to number.
#include <algorithm>
#include <cstring>

#include "byte_strings.h"
#include "image_text.h"
#include "pointer.h"
#include "word_stack.h"

namespace logic::strings {

namespace {

struct IecString {
  int64_t at = -1;  // byte 0 (maximum length); -1 when the header lies outside
  uint8_t max = 0;
  uint8_t length = 0;
  uint32_t chars() const { return uint32_t(at + 2); }
};

// The string a pointer register leads to, its header checked; the characters its
// current length names must lie inside the registers too (for_write: its maximum
// length's worth).
IecString StringAt(int64_t p, bool for_write) {
  IecString s;
  if (!PointerRange(p, 2)) return s;
  s.max = plc_reg[p];
  s.length = plc_reg[p + 1];
  if (!PointerRange(p + 2, for_write ? s.max : s.length)) return s;
  s.at = p;
  return s;
}

// The operands P and Q of the two-string instructions, read as strings.
bool TwoStrings(Machine& m, bool p_written, IecString& p, IecString& q) {
  const int64_t pp = PointerOperand(m);
  const int64_t qq = PointerOperand(m);
  if (m.Failed()) return false;
  p = StringAt(pp, p_written);
  q = StringAt(qq, false);
  return true;
}

}  // namespace

void IecCopy(Machine& m, uint16_t) {
  IecString p, q;
  if (!TwoStrings(m, true, p, q)) return;
  if (p.at < 0 || q.at < 0) return PowerOff(m);
  const uint8_t n = std::min(q.length, p.max);
  std::memmove(plc_reg + p.chars(), plc_reg + q.chars(), n);
  plc_reg[p.at + 1] = n;
}

void IecAppend(Machine& m, uint16_t) {
  IecString p, q;
  if (!TwoStrings(m, true, p, q)) return;
  if (p.at < 0 || q.at < 0) return PowerOff(m);
  const int room = std::max(0, int(p.max) - int(p.length));
  const uint8_t n = uint8_t(std::min<int>(room, q.length));
  std::memmove(plc_reg + p.chars() + p.length, plc_reg + q.chars(), n);
  plc_reg[p.at + 1] = uint8_t(p.length + n);
}

void IecEqual(Machine& m, uint16_t) {
  IecString p, q;
  if (!TwoStrings(m, false, p, q)) return;
  const bool equal = p.at >= 0 && q.at >= 0 && p.length == q.length &&
                     std::memcmp(plc_reg + p.chars(), plc_reg + q.chars(), p.length) == 0;
  m.Top() = equal;
}

void IecCompare(Machine& m, uint16_t opcode) {
  IecString p, q;
  if (!TwoStrings(m, false, p, q)) return;
  if (p.at < 0 || q.at < 0) {
    m.Top() = 0;
    return;
  }
  const int c = std::memcmp(plc_reg + p.chars(), plc_reg + q.chars(), std::min(p.length, q.length));
  if (opcode == 514) {
    m.Top() = c != 0 ? 0xFF : q.length < p.length;
  } else {
    m.Top() = c < 0 ? 0 : p.length >= q.length;
  }
}

void IecToNumber(Machine& m, uint16_t opcode) {
  const int64_t p = PointerOperand(m);
  const int64_t q = PointerOperand(m);
  const uint16_t kind = Imm16(m);
  if (m.Failed() || kind > 2) return;
  char text[kTextBytes];
  if (opcode == 516) {
    const IecString s = StringAt(q, false);
    if (s.at < 0) return PowerOff(m);
    std::memcpy(text, plc_reg + s.chars(), s.length);
    text[s.length] = 0;
  } else {
    if (!PointerRange(q, 1)) return PowerOff(m);
    ImageText(uint32_t(q), text);
  }
  const uint32_t width = kind == 0 ? 2 : 4;
  if (!PointerRange(p, width)) return PowerOff(m);
  uint32_t v = 0;
  switch (kind) {
    case 0:
    case 1: v = uint32_t(ParseDint(text)); break;
    case 2: v = std::bit_cast<uint32_t>(RoundToReal(std::strtod(text, nullptr))); break;
  }
  for (uint32_t b = 0; b < width; ++b) plc_reg[p + b] = uint8_t(v >> (8 * b));
}

}  // namespace logic::strings
