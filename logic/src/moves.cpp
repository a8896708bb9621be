// Register moves, fills and the block copy.
#include "moves.h"

#include <cstring>

#include "word_stack.h"

namespace logic {

namespace {

void Fill(Machine& m, uint32_t d, uint16_t v, uint16_t n) {
  if (!InImage(d, 2 * uint64_t(n))) return PowerOff(m);
  for (uint32_t i = 0; i < n; ++i) SetRegWord(d + 2 * i, v);
}

}  // namespace

void CheckedCopy(Machine& m, uint64_t dst, uint64_t src, uint32_t n, bool bytes) {
  const uint64_t length = bytes ? n : 2 * uint64_t(n);
  if (!InImage(dst, length) || !InImage(src, length)) return PowerOff(m);
  if (bytes) {
    std::memmove(plc_reg + dst, plc_reg + src, n);
    return;
  }
  for (uint32_t i = 0; i < n; ++i) SetRegWord(uint32_t(dst + 2 * i), RegWord(uint32_t(src + 2 * i)));
}

void OpMoveWord(Machine& m, uint16_t) {
  const uint32_t d = WordOperand(m);
  const uint32_t s = WordOperand(m);
  if (!m.Failed()) SetRegWord(d, RegWord(s));
}

void OpMoveImmediate(Machine& m, uint16_t) {
  const uint32_t d = WordOperand(m);
  const uint16_t v = Imm16(m);
  if (!m.Failed()) SetRegWord(d, v);
}

// A DINT or REAL moves as one value: both source words are read before either is
// written, also when the two registers overlap.
void OpMoveDouble(Machine& m, uint16_t) {
  const uint32_t d = WordOperand(m, 2);
  const uint32_t s = WordOperand(m, 2);
  if (!m.Failed()) StoreReg(d, LoadReg<uint32_t>(s));
}

void OpMoveImmediate32(Machine& m, uint16_t) {
  const uint32_t d = WordOperand(m, 2);
  const uint32_t v = Imm32(m);
  if (!m.Failed()) StoreReg(d, v);
}

// The source word is read once, before the fill, even when it lies inside the range.
void OpFillFromWord(Machine& m, uint16_t) {
  const uint32_t d = WordOperand(m);
  const uint32_t s = WordOperand(m);
  const uint16_t n = Imm16(m);
  if (!m.Failed()) Fill(m, d, RegWord(s), n);
}

void OpFillImmediate(Machine& m, uint16_t) {
  const uint32_t d = WordOperand(m);
  const uint16_t v = Imm16(m);
  const uint16_t n = Imm16(m);
  if (!m.Failed()) Fill(m, d, v, n);
}

// Plain form: D, S, n words. Typed form (two zero words first): type, a word not read,
// then for type 1 byte references D, S and n bytes; for types 2 to 4 word references D,
// S and n words; any other type has no further operands.
void OpBlockMove(Machine& m, uint16_t) {
  bool bytes = false;
  if (TypedForm(m)) {
    const uint16_t type = Imm16(m);
    Imm16(m);
    if (m.Failed() || type < 1 || type > 4) return;
    bytes = type == 1;
  }
  const uint32_t d = bytes ? ByteOperand(m) : WordOperand(m);
  const uint32_t s = bytes ? ByteOperand(m) : WordOperand(m);
  const uint16_t n = Imm16(m);
  if (!m.Failed()) CheckedCopy(m, d, s, n, bytes);
}

}  // namespace logic
