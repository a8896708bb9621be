// The interpreter runs a contact together with the boolean opcode after it, the
// contact's entry never passing through the stack in memory. The pair must leave exactly
// what the contact's push and the opcode's handler leave: the stack, the slot above it,
// the coil's bits, and the fault with its position.
#include "boolean.h"
#include "interpreter.h"
#include "ladder_fixture.h"
#include "opcode_table.h"

namespace {

using lt::LadderTest;
using logic::Machine;

struct Outcome {
  std::vector<int> stack;
  int slot_above;
  uint8_t q, old_q;
  logic::Stop stop;
  uint32_t at;
  bool operator==(const Outcome&) const = default;
};

uint32_t QByte() { return (ts::RegisterToken("Q4") - 1024) / 8; }

Outcome Observe(const Machine& m) {
  return {std::vector<int>(m.bits, m.bits + m.bsp), m.bsp < logic::kBitStackSize ? m.bits[m.bsp] : -1,
          plc_reg[QByte()], old_reg[QByte()], m.stop, m.at};
}

// "contact I1; op [coil operand]; END" in either form. bad_operand gives a coil an
// operand that names no bit.
std::vector<uint16_t> Code(uint16_t op, bool form16, bool bad_operand) {
  std::vector<uint16_t> code{uint16_t(ts::RegisterToken("I1")), op};
  if (logic::kBooleanEntries[op].kind == logic::BooleanKind::kCoil) {
    const uint32_t t = bad_operand ? (form16 ? 5u : 0x7FFF0000u) : uint32_t(ts::RegisterToken("Q4"));
    code.push_back(uint16_t(t));
    if (!form16) code.push_back(uint16_t(t >> 16));
  }
  code.push_back(9);
  return code;
}

// What the careful route leaves: the contact's push, then the opcode's handler.
Outcome Reference(const Machine& start, uint16_t op, uint8_t flow) {
  Machine m = start;
  m.ip = 1;
  if (m.bsp == logic::kBitStackSize) {
    m.Fail(logic::Stop::kBitStackOverflow);
    return Observe(m);
  }
  m.bits[m.bsp++] = flow;
  m.ip = 2;
  logic::kOpcodeHandlers[op](m, op);
  if (!m.Failed() && m.WordAt(m.ip) == 9) {
    m.ip++;
    m.Fail(logic::Stop::kEnd);
  }
  return Observe(m);
}

TEST_F(LadderTest, ContactAndNextOpcodeAgreeWithTheHandlers) {
  const uint8_t values[] = {0, 1, 0xFF};
  const uint32_t q = QByte();
  // Depths: empty (too shallow for most operators), one to three entries, and a stack
  // one short of full and full (no room for 56, no room for the contact).
  const uint8_t depths[] = {0, 1, 2, 3, logic::kBitStackSize - 1, logic::kBitStackSize};
  for (const bool form16 : {true, false}) {
    for (const logic::OpRow& row : logic::kBooleanRows) {
      if (row.opcode == 31) continue;
      const bool coil = logic::kBooleanEntries[row.opcode].kind == logic::BooleanKind::kCoil;
      for (const bool bad_operand : {false, true}) {
        if (bad_operand && !coil) continue;
        const std::vector<uint16_t> code = Code(row.opcode, form16, bad_operand);
        for (const uint8_t depth : depths) {
          for (int combo = 0; combo < 27 * 2 * 2 * 2; ++combo) {
            SCOPED_TRACE("form16 " + std::to_string(form16) + " opcode " + std::to_string(row.opcode) +
                         " bad operand " + std::to_string(bad_operand) + " depth " + std::to_string(depth) +
                         " combination " + std::to_string(combo));
            Machine start;
            start.Reset(reinterpret_cast<const uint8_t*>(code.data()), uint32_t(code.size()), form16);
            start.bsp = depth;
            for (int i = 0; i < int(logic::kBitStackSize); ++i) start.bits[i] = values[(combo + i) % 3];
            for (int i = 0, c = combo % 27; i < 3 && i < depth; ++i, c /= 3) start.bits[depth - 1 - i] = values[c % 3];
            if (depth < logic::kBitStackSize) start.bits[depth] = 0x5A;
            const int flags = combo / 27;
            SetBit("I1", flags & 4);
            const uint8_t flow = Bit("I1") ? 0xFF : 0;
            const uint8_t image = uint8_t(0xA5 ^ (flags & 1 ? 0x08 : 0)), edge = uint8_t(0x5A ^ (flags & 2 ? 0x08 : 0));

            plc_reg[q] = image;
            old_reg[q] = edge;
            Machine fast = start;
            logic::Interpret(fast);
            const Outcome by_interpreter = Observe(fast);

            plc_reg[q] = image;
            old_reg[q] = edge;
            EXPECT_EQ(Reference(start, row.opcode, flow), by_interpreter);
          }
        }
      }
    }
  }
}

// A contact whose next word lies beyond the part of the stream the interpreter runs in
// one go: the contact is pushed and the rest runs one instruction at a time.
TEST_F(LadderTest, ContactBeforeTheLastWords) {
  SetBit("I1");
  const std::vector<uint16_t> code{uint16_t(ts::RegisterToken("I1")), uint16_t(ts::RegisterToken("I1")), 9};
  Machine m;
  m.Reset(reinterpret_cast<const uint8_t*>(code.data()), uint32_t(code.size()), true);
  logic::Interpret(m);
  EXPECT_EQ(m.stop, logic::Stop::kEnd);
  EXPECT_EQ(std::vector<int>(m.bits, m.bits + m.bsp), (std::vector<int>{0xFF, 0xFF}));
}

}  // namespace
