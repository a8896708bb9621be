// The opcode map merged with the handler rows of every built instruction family.
//
// An opcode that has a meaning but whose family is not built yet cannot be skipped: its
// operands, and so the position of the next instruction, are unknown. Executing one is
// an error return at its position (NotBuilt).
#include "opcode_table.h"

#include <span>

#include "alarm_group.h"
#include "boolean.h"
#include "byte_strings.h"
#include "compares.h"
#include "conversions.h"
#include "counters.h"
#include "flow.h"
#include "indexed.h"
#include "indirect_moves.h"
#include "int_arith.h"
#include "lreal.h"
#include "moves.h"
#include "pid_block.h"
#include "real_math.h"
#include "screen_requests.h"
#include "short_arith.h"
#include "stack_transfers.h"
#include "talk_calls.h"
#include "timers.h"
#include "word_logic.h"

namespace logic {

namespace {

// One line per instruction family.
constexpr std::span<const OpRow> kFamilies[] = {
    kBooleanRows,
    kFlowRows,
    kScreenRows,
    kAlarmGroupRows,
    kTimerRows,
    kCounterRows,
    kStackTransferRows,
    kConversionRows,
    kMoveRows,
    kIndirectMoveRows,
    kWordLogicRows,
    kIntArithRows,
    kRealMathRows,
    kCompareRows,
    kShortArithRows,
    kLrealRows,
    kIndexedRows,
    kStringRows,
    kPidRows,
    kTalkRows,
};

void Invalid(Machine& m, uint16_t) { m.Fail(Stop::kInvalidOpcode); }
void NoOp(Machine&, uint16_t) {}
void NotBuilt(Machine& m, uint16_t) { m.Fail(Stop::kNotBuilt); }

consteval std::array<Handler, kOpcodeCount> Merge() {
  std::array<Handler, kOpcodeCount> table{};
  std::array<bool, kOpcodeCount> claimed{};
  for (uint16_t op = 0; op < kOpcodeCount; ++op) {
    switch (kOpcodeMap[op]) {
      case OpKind::kInvalid: table[op] = Invalid; break;
      case OpKind::kNoop: table[op] = NoOp; break;
      case OpKind::kMeaning: table[op] = NotBuilt; break;
    }
  }
  for (std::span<const OpRow> family : kFamilies) {
    for (const OpRow& row : family) {
      // A throw here stops the compilation: the row names an opcode without a meaning,
      // or one that another row already claimed.
      if (row.opcode >= kOpcodeCount || kOpcodeMap[row.opcode] != OpKind::kMeaning) throw "row for an opcode without a meaning";
      if (claimed[row.opcode]) throw "two rows for one opcode";
      claimed[row.opcode] = true;
      table[row.opcode] = row.run;
    }
  }
  return table;
}

}  // namespace

constinit const std::array<Handler, kOpcodeCount> kOpcodeHandlers = Merge();

bool OpcodeBuilt(uint16_t opcode) {
  return opcode < kOpcodeCount && kOpcodeMap[opcode] == OpKind::kMeaning && kOpcodeHandlers[opcode] != NotBuilt;
}

}  // namespace logic
