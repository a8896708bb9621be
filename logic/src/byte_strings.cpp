// Ladder-form byte strings: compares and copies of byte blocks and literals, text to
// number, string length and the decimal text of a 64-bit value.
#include <cstring>

#include "byte_strings.h"
#include "image_text.h"
#include "pointer.h"
#include "word_stack.h"

namespace logic::strings {

namespace {

// The n literal bytes at the instruction pointer, which then moves past their words;
// nullptr (and a fault) when the stream ends first.
const uint8_t* Literal(Machine& m, uint16_t n) {
  const uint32_t words = (uint32_t(n) + 1) / 2;
  if (m.ip > m.size || m.size - m.ip < words) {
    m.ip = m.size;
    m.Fail(Stop::kRanOffEnd);
    return nullptr;
  }
  const uint8_t* p = m.code + 2 * std::size_t(m.ip);
  m.ip += words;
  return p;
}

void CompareWith(Machine& m, uint32_t a, const uint8_t* b, uint16_t n) {
  if (!PointerRange(a, n)) return PowerOff(m);
  if (n != 0 && std::memcmp(plc_reg + a, b, n) != 0) PowerOff(m);
}

void CopyFrom(Machine& m, uint32_t d, const uint8_t* s, uint16_t n) {
  if (!PointerRange(d, n)) return PowerOff(m);
  std::memmove(plc_reg + d, s, n);
}

}  // namespace

void CompareBytes(Machine& m, uint16_t) {
  const uint16_t n = Imm16(m);
  const uint32_t a = ByteOperand(m);
  const uint32_t b = ByteOperand(m);
  if (m.Failed()) return;
  if (!PointerRange(b, n)) return PowerOff(m);
  CompareWith(m, a, plc_reg + b, n);
}

void CompareLiteral(Machine& m, uint16_t) {
  const uint16_t n = Imm16(m);
  const uint32_t a = ByteOperand(m);
  const uint8_t* literal = m.Failed() ? nullptr : Literal(m, n);
  if (m.Failed()) return;
  CompareWith(m, a, literal, n);
}

void CopyBytes(Machine& m, uint16_t) {
  const uint16_t n = Imm16(m);
  const uint32_t d = ByteOperand(m);
  const uint32_t s = ByteOperand(m);
  if (m.Failed()) return;
  if (!PointerRange(s, n)) return PowerOff(m);
  CopyFrom(m, d, plc_reg + s, n);
}

void CopyLiteral(Machine& m, uint16_t) {
  const uint16_t n = Imm16(m);
  const uint32_t d = ByteOperand(m);
  const uint8_t* literal = m.Failed() ? nullptr : Literal(m, n);
  if (m.Failed()) return;
  CopyFrom(m, d, literal, n);
}

void TextToNumber(Machine& m, uint16_t) {
  const uint32_t d = WordOperand(m);
  const uint32_t s = ByteOperand(m);
  const uint16_t kind = Imm16(m);
  if (m.Failed() || kind > 2) return;
  if (kind != 0 && !PointerRange(d, 4)) return PowerOff(m);
  char text[kTextBytes];
  ImageText(s, text);
  switch (kind) {
    case 0: SetRegWord(d, uint16_t(ParseDint(text))); break;
    case 1: UTIL_PutDword(plc_reg + d, uint32_t(ParseDint(text))); break;
    case 2: UTIL_PutDword(plc_reg + d, std::bit_cast<uint32_t>(RoundToReal(std::strtod(text, nullptr)))); break;
  }
}

void Length(Machine& m, uint16_t) {
  const uint32_t d = WordOperand(m);
  const uint32_t s = ByteOperand(m);
  if (m.Failed()) return;
  uint32_t n = 0;
  while (s + n < reg::kOffInternal && plc_reg[s + n] != 0 && n < 0xFFFF) ++n;
  SetRegWord(d, uint16_t(n));
}

void Decimal64(Machine& m, uint16_t) {
  const uint32_t d = ByteOperand(m);
  const uint32_t s = WordOperand(m, 4);
  if (m.Failed()) return;
  uint64_t v = uint64_t(UTIL_GetDword(plc_reg + s)) | uint64_t(UTIL_GetDword(plc_reg + s + 4)) << 32;
  char digits[21];
  std::size_t n = 0;
  do {
    digits[n++] = char('0' + v % 10);
    v /= 10;
  } while (v != 0);
  if (!PointerRange(d, n + 1)) return PowerOff(m);
  for (std::size_t i = 0; i < n; ++i) plc_reg[d + i] = uint8_t(digits[n - 1 - i]);
  plc_reg[d + n] = 0;
}

}  // namespace logic::strings
