// Register and immediate transfers to and from the word stack. Each reads its operand
// before it touches the stack, so a faulty operand changes nothing.
#include "stack_transfers.h"

#include "word_stack.h"

namespace logic {

namespace {

// The `words` register words at a word reference, pushed lowest first.
void PushRegister(Machine& m, uint32_t words) {
  const uint32_t s = WordOperand(m, words);
  if (m.Failed()) return;
  uint16_t* c = PushCells(m, words);
  if (c == nullptr) return;
  for (uint32_t i = 0; i < words; ++i) c[i] = RegWord(s + 2 * i);
}

// The top `words` cells popped into the register words at a word reference, the lowest
// cell into the referenced word.
void PopRegister(Machine& m, uint32_t words) {
  const uint32_t d = WordOperand(m, words);
  if (m.Failed()) return;
  const uint16_t* c = TopCells(m, words);
  if (c == nullptr) return;
  for (uint32_t i = 0; i < words; ++i) SetRegWord(d + 2 * i, c[i]);
  m.wsp = uint8_t(m.wsp - words);
}

}  // namespace

void OpPushWord(Machine& m, uint16_t) { PushRegister(m, 1); }
void OpPopWord(Machine& m, uint16_t) { PopRegister(m, 1); }
void OpPushDouble(Machine& m, uint16_t) { PushRegister(m, 2); }
void OpPopDouble(Machine& m, uint16_t) { PopRegister(m, 2); }
void OpPushQuad(Machine& m, uint16_t) { PushRegister(m, 4); }
void OpPopQuad(Machine& m, uint16_t) { PopRegister(m, 4); }

void OpPushImmediate(Machine& m, uint16_t) {
  const uint16_t v = Imm16(m);
  if (!m.Failed()) m.PushCell(v);
}

void OpPushImmediate32(Machine& m, uint16_t) {
  const uint32_t v = Imm32(m);
  if (!m.Failed()) m.Push32(v);
}

void OpPushImmediateAsDint(Machine& m, uint16_t) {
  const int16_t v = int16_t(Imm16(m));
  if (!m.Failed()) PushValue<int32_t>(m, v);
}

void OpPushIntAsDint(Machine& m, uint16_t) {
  const uint32_t s = WordOperand(m);
  if (!m.Failed()) PushValue<int32_t>(m, int16_t(RegWord(s)));
}

void OpPushImmediate64(Machine& m, uint16_t) {
  uint16_t w[4];
  for (uint16_t& x : w) x = Imm16(m);
  if (m.Failed()) return;
  if (uint16_t* c = PushCells(m, 4))
    for (int i = 0; i < 4; ++i) c[i] = w[i];
}

void OpPushByte(Machine& m, uint16_t) {
  const uint32_t s = ByteOperand(m);
  if (!m.Failed()) m.PushCell(plc_reg[s]);
}

void OpPopByte(Machine& m, uint16_t) {
  const uint32_t d = ByteOperand(m);
  if (m.Failed()) return;
  const uint16_t v = m.PopCell();
  if (!m.Failed()) plc_reg[d] = uint8_t(v);
}

}  // namespace logic
