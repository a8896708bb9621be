// Handlers of the boolean family in the opcode table; the operations themselves are in
// boolean.h.
#include "boolean.h"

namespace logic {

void OpContact(Machine& m, uint16_t) {
  const BitRef r = BitOperand(m);
  if (m.Failed()) return;
  m.Push(OnMask(BitIsSet(plc_reg, r)));
}

void OpStackOperator(Machine& m, uint16_t opcode) {
  const BooleanEntry& e = kBooleanEntries[opcode];
  if (m.bsp < e.reads) {
    m.Fail(Stop::kBitStackUnderflow);
    return;
  }
  if (m.bsp + e.depth_change > int(kBitStackSize)) {
    m.Fail(Stop::kBitStackOverflow);
    return;
  }
  e.op(m.bits + m.bsp - e.reads);
  m.bsp = uint8_t(m.bsp + e.depth_change);
}

// The operand comes first in the stream, then the power flow is popped.
void OpCoilWrite(Machine& m, uint16_t opcode) {
  const BitRef r = BitOperand(m);
  const uint8_t v = m.Pop();
  if (m.Failed()) return;
  kBooleanEntries[opcode].coil(r, v);
}

}  // namespace logic
