// Contacts, branch logic and coils on the bit stack. A coil writes one bit of the
// register image in place; no other bit of its byte changes.
#include "boolean.h"

#include "kernel/regimage.h"
#include "operands.h"

namespace logic {

void OpContact(Machine& m, uint16_t) {
  const BitRef r = BitOperand(m);
  if (m.Failed()) return;
  m.Push(BitIsSet(plc_reg, r) ? 0xFF : 0);
}

void OpNot(Machine& m, uint16_t) {
  uint8_t& t = m.Top();
  t = Not(t);
}

void OpPowerOn(Machine& m, uint16_t) { m.Top() = 0xFF; }
void OpPowerOff(Machine& m, uint16_t) { m.Top() = 0; }

void OpOr(Machine& m, uint16_t) {
  if (m.Pop()) m.Top() = 0xFF;
}

void OpAnd(Machine& m, uint16_t) {
  const uint8_t a = m.Pop();
  uint8_t& t = m.Top();
  if (a == 0) t = 0;
}

// The coils pop the power flow; the operand comes first in the stream.
namespace {
struct CoilInput {
  BitRef bit;
  uint8_t power;
};
CoilInput ReadCoil(Machine& m) {
  const BitRef r = BitOperand(m);
  const uint8_t v = m.Pop();
  return {r, v};
}
}  // namespace

void OpCoil(Machine& m, uint16_t) {
  const CoilInput c = ReadCoil(m);
  if (m.Failed()) return;
  WriteBit(plc_reg, c.bit, c.power != 0);
}

// The edge memory of a transition coil is its own bit in old_reg.
void OpPositiveCoil(Machine& m, uint16_t) {
  const CoilInput c = ReadCoil(m);
  if (m.Failed()) return;
  if (c.power) {
    WriteBit(plc_reg, c.bit, !BitIsSet(old_reg, c.bit));
    WriteBit(old_reg, c.bit, true);
  } else {
    WriteBit(old_reg, c.bit, false);
    WriteBit(plc_reg, c.bit, false);
  }
}

void OpNegativeCoil(Machine& m, uint16_t) {
  const CoilInput c = ReadCoil(m);
  if (m.Failed()) return;
  if (c.power) {
    WriteBit(old_reg, c.bit, true);
    WriteBit(plc_reg, c.bit, false);
  } else {
    WriteBit(plc_reg, c.bit, BitIsSet(old_reg, c.bit));
    WriteBit(old_reg, c.bit, false);
  }
}

void OpSetCoil(Machine& m, uint16_t) {
  const CoilInput c = ReadCoil(m);
  if (m.Failed()) return;
  if (c.power) WriteBit(plc_reg, c.bit, true);
}

void OpResetCoil(Machine& m, uint16_t) {
  const CoilInput c = ReadCoil(m);
  if (m.Failed()) return;
  if (c.power) WriteBit(plc_reg, c.bit, false);
}

void OpNegatedCoil(Machine& m, uint16_t) {
  const CoilInput c = ReadCoil(m);
  if (m.Failed()) return;
  WriteBit(plc_reg, c.bit, c.power == 0);
}

// A pop leaves its byte in the slot; 56 takes that slot back unchanged.
void OpPop(Machine& m, uint16_t) { m.Pop(); }

void OpRestore(Machine& m, uint16_t) {
  if (m.bsp == kBitStackSize) {
    m.Fail(Stop::kBitStackOverflow);
    return;
  }
  ++m.bsp;
}

// 60 and 61 leave NOT a in the popped slot, for a later 56.
void OpAndNot(Machine& m, uint16_t) {
  const uint8_t a = m.Pop();
  uint8_t& t = m.Top();
  if (m.Failed()) return;
  m.Above() = Not(a);
  if (a) t = 0;
}

void OpOrNot(Machine& m, uint16_t) {
  const uint8_t a = m.Pop();
  uint8_t& t = m.Top();
  if (m.Failed()) return;
  m.Above() = Not(a);
  if (a == 0) t = 1;
}

void OpNand(Machine& m, uint16_t) {
  const uint8_t a = m.Pop();
  uint8_t& t = m.Top();
  if (a == 0) t = 0;
  t = Not(t);
}

void OpNor(Machine& m, uint16_t) {
  const uint8_t a = m.Pop();
  uint8_t& t = m.Top();
  if (a) t = 1;
  t = Not(t);
}

// Closing a parallel branch: top = top OR (a AND b); b's slot keeps a AND b.
void OpOrBranch(Machine& m, uint16_t) {
  const uint8_t a = m.Pop();
  const uint8_t b = m.Pop();
  uint8_t& t = m.Top();
  if (m.Failed()) return;
  if (a && b) t = 1;
  if (a == 0) m.Above() = 0;
}

// Closing a series branch: top = top AND (a OR b); b's slot keeps a OR b.
void OpAndBranch(Machine& m, uint16_t) {
  const uint8_t a = m.Pop();
  const uint8_t b = m.Pop();
  uint8_t& t = m.Top();
  if (m.Failed()) return;
  if (a) {
    m.Above() = 1;
  } else if (b == 0) {
    t = 0;
  }
}

}  // namespace logic
