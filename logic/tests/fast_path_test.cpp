// The interpreter runs the boolean operators and coils itself; the opcode table's
// handlers run the same instructions whenever the interpreter leaves them. Both must
// agree on every stack they can meet.
#include "boolean.h"
#include "interpreter.h"
#include "ladder_fixture.h"
#include "opcode_table.h"

namespace {

using lt::LadderTest;
using logic::Machine;

// The instruction word(s) of op, then END; a coil writes Q4 (bit 3 of the first Q byte).
std::vector<uint16_t> Code(uint16_t op) {
  std::vector<uint16_t> code{op};
  if (logic::kBooleanEntries[op].kind == logic::BooleanKind::kCoil) code.push_back(uint16_t(ts::RegisterToken("Q4")));
  code.push_back(9);
  return code;
}

struct Outcome {
  std::vector<int> stack;
  int slot_above;  // what 56 would bring back
  uint8_t q, old_q;
  bool operator==(const Outcome&) const = default;
};

Outcome Observe(const Machine& m) {
  const uint32_t q = (ts::RegisterToken("Q4") - 1024) / 8;
  return {std::vector<int>(m.bits, m.bits + m.bsp), m.bsp < logic::kBitStackSize ? m.bits[m.bsp] : -1, plc_reg[q],
          old_reg[q]};
}

TEST_F(LadderTest, HandlersAgreeWithTheInterpreter) {
  const uint8_t values[] = {0, 1, 0xFF};
  const uint32_t q = (ts::RegisterToken("Q4") - 1024) / 8;
  for (const logic::OpRow& row : logic::kBooleanRows) {
    if (row.opcode == 31) continue;  // a contact: no operation of its own
    const std::vector<uint16_t> code = Code(row.opcode);
    for (int combo = 0; combo < 27 * 4; ++combo) {
      SCOPED_TRACE("opcode " + std::to_string(row.opcode) + " combination " + std::to_string(combo));
      Machine start;
      start.Reset(reinterpret_cast<const uint8_t*>(code.data()), uint32_t(code.size()), true);
      // Three stack entries, then the edge memory and the coil's own bit.
      start.bsp = 3;
      for (int i = 0, c = combo % 27; i < 3; ++i, c /= 3) start.bits[i] = values[c % 3];
      start.bits[3] = 0x5A;  // the slot above the top
      const int flags = combo / 27;
      const uint8_t image = uint8_t(0xA5 ^ (flags & 1 ? 0x08 : 0)), edge = uint8_t(0x5A ^ (flags & 2 ? 0x08 : 0));

      plc_reg[q] = image;
      old_reg[q] = edge;
      Machine fast = start;
      logic::Interpret(fast);
      ASSERT_EQ(fast.stop, logic::Stop::kEnd);
      const Outcome by_interpreter = Observe(fast);

      plc_reg[q] = image;
      old_reg[q] = edge;
      Machine slow = start;
      slow.ip = 1;
      logic::kOpcodeHandlers[row.opcode](slow, row.opcode);
      ASSERT_EQ(slow.stop, logic::Stop::kRunning);
      EXPECT_EQ(slow.ip, code.size() - 1);
      EXPECT_EQ(Observe(slow), by_interpreter);
    }
  }
}

}  // namespace
