// A value formatted as text with the program's format: into a register string (187),
// through pointers as a 0-ended text (517) or as an IEC string (518).
//
// The steps, for a value of kind 0 (u16), 1 (32-bit) or 2 (REAL) and maximum length L:
//   1. L is limited to what the instruction's text buffer holds (39, 29, 255).
//   2. A REAL that is not finite turns the power flow off and writes nothing.
//   3. The value is printed with the format (which must be a single conversion of its
//      kind; anything else turns the power flow off and writes nothing).
//   4. Integers with p decimals (187, 517): with more than p characters a '.' goes
//      before the last p; otherwise the digits are padded to "0.", zeros, digits, the
//      sign of a signed value staying in front ("-0.05").
//   5. A text of exactly L + 1 characters beginning with '0' loses that '0'.
//   6. 187, 517: a text still longer than L, or one the buffer cut, turns the power
//      flow off.
//   7. The first min(L, length) characters are written; 187 and 517 add a 0 byte, 518
//      writes byte 0 = L, byte 1 = the count, then the characters.
// A kind other than 0, 1 or 2 writes nothing and leaves the power flow.
#include <algorithm>
#include <cstring>

#include "byte_strings.h"
#include "pointer.h"
#include "text_format.h"
#include "word_stack.h"

namespace logic::strings {

namespace {

constexpr std::size_t kFormatBytes = 20;
constexpr std::size_t kWork = 300;  // the printed text and its decimal point or padding

struct FormatOperands {
  uint16_t kind = 0;
  uint16_t decimals = 0;
  uint16_t length = 0;
  uint8_t format[kFormatBytes] = {};
};

// The stream's words hold the text low byte first, as the host does.
void ReadFormat(Machine& m, FormatOperands& f) {
  uint16_t words[kFormatBytes / 2];
  for (uint16_t& w : words) w = Imm16(m);
  std::memcpy(f.format, words, sizeof f.format);
}

struct Text {
  char chars[kWork] = {};
  std::size_t size = 0;
  bool ok = false;         // false: nothing to write, the power flow goes off
  bool truncated = false;  // the printed text did not fit the instruction's buffer
};

// Steps 2 to 5 for a value held in `raw` (its low 16 bits for kind 0).
Text Render(const FormatOperands& f, uint32_t raw, std::size_t buffer, bool point_step) {
  Text t;
  const std::size_t length = std::min<std::size_t>(f.length, buffer - 1);
  char printed[kWork] = {};
  int n;
  if (f.kind == 2) {
    const float v = std::bit_cast<float>(raw);
    if (!Finite(v)) return t;
    n = FormatDouble(ParseNumberFormat(f.format, kFormatBytes, true), double(v), printed, buffer);
  } else {
    const int64_t v = f.kind == 0 ? int64_t(raw & 0xFFFF) : int64_t(int32_t(raw));
    n = FormatInteger(ParseNumberFormat(f.format, kFormatBytes, false), v, printed, buffer);
  }
  if (n < 0) return t;
  const std::size_t used = std::strlen(printed);  // what the buffer holds
  t.truncated = std::size_t(n) > used;
  const std::size_t p = f.decimals;
  if (point_step && f.kind != 2 && p > 0) {
    if (p < used) {
      std::memcpy(t.chars, printed, used - p);
      t.chars[used - p] = '.';
      std::memcpy(t.chars + used - p + 1, printed + used - p, p);
      t.size = used + 1;
    } else {
      const bool negative = printed[0] == '-' || printed[0] == '+' || printed[0] == ' ';
      const std::size_t digits = used - negative;
      if (p + 3 > kWork) return t;
      std::size_t o = 0;
      if (negative) t.chars[o++] = printed[0];
      t.chars[o++] = '0';
      t.chars[o++] = '.';
      for (std::size_t z = digits; z < p; ++z) t.chars[o++] = '0';
      std::memcpy(t.chars + o, printed + negative, digits);
      t.size = o + digits;
    }
  } else {
    std::memcpy(t.chars, printed, used);
    t.size = used;
  }
  if (t.size == length + 1 && t.chars[0] == '0') {
    std::memmove(t.chars, t.chars + 1, t.size - 1);
    --t.size;
  }
  t.ok = true;
  return t;
}

// Writes the first min(L, size) characters and a 0 byte at d; false (nothing written)
// when they would leave the registers.
bool WriteText(int64_t d, const Text& t, std::size_t length) {
  const std::size_t n = std::min(length, t.size);
  if (!PointerRange(d, int64_t(n) + 1)) return false;
  std::memcpy(plc_reg + d, t.chars, n);
  plc_reg[d + n] = 0;
  return true;
}

}  // namespace

void FormatValue(Machine& m, uint16_t) {
  constexpr std::size_t kBuffer = 40;
  const uint32_t d = ByteOperand(m);
  const uint32_t s = WordOperand(m);
  FormatOperands f;
  f.kind = Imm16(m);
  f.decimals = Imm16(m);
  f.length = Imm16(m);
  ReadFormat(m, f);
  if (m.Failed() || f.kind > 2) return;
  if (f.kind != 0 && !PointerRange(s, 4)) return PowerOff(m);
  const uint32_t raw = f.kind == 0 ? RegWord(s) : UTIL_GetDword(plc_reg + s);
  const std::size_t length = std::min<std::size_t>(f.length, kBuffer - 1);
  const Text t = Render(f, raw, kBuffer, true);
  if (!t.ok || !WriteText(d, t, length)) return PowerOff(m);
  if (t.size > length || t.truncated) PowerOff(m);
}

void FormatThrough(Machine& m, uint16_t opcode) {
  const bool iec = opcode == 518;
  const std::size_t buffer = iec ? 258 : 30;
  const int64_t p = PointerOperand(m);
  const int64_t q = PointerOperand(m);
  FormatOperands f;
  f.kind = Imm16(m);
  f.decimals = Imm16(m);  // 518: not read
  f.length = Imm16(m);
  ReadFormat(m, f);
  if (m.Failed() || f.kind > 2) return;
  const uint32_t width = f.kind == 0 ? 2 : 4;
  if (!PointerRange(q, width)) return PowerOff(m);
  uint32_t raw = 0;
  for (uint32_t b = 0; b < width; ++b) raw |= uint32_t(plc_reg[q + b]) << (8 * b);
  const std::size_t length = std::min<std::size_t>(f.length, iec ? 255 : buffer - 1);
  const Text t = Render(f, raw, buffer, !iec);
  if (!t.ok) return PowerOff(m);
  if (!iec) {
    if (!WriteText(p, t, length)) return PowerOff(m);
    if (t.size > length || t.truncated) PowerOff(m);
    return;
  }
  const std::size_t n = std::min(length, t.size);
  if (!PointerRange(p, int64_t(n) + 2)) return PowerOff(m);
  plc_reg[p] = uint8_t(length);
  plc_reg[p + 1] = uint8_t(n);
  std::memcpy(plc_reg + p + 2, t.chars, n);
}

}  // namespace logic::strings
