// Counter evaluation. All state is in the record, so a retentive record keeps its count
// and its edge memory across power cycles and program runs.
#include "counters.h"

#include <algorithm>

#include "ground/regimage.h"
#include "operands.h"
#include "record_operands.h"
#include "timers.h"

namespace logic {

namespace {

struct Range {
  int64_t min, max;
};
// A 32-bit down counter stops at -2147483647, one above the DINT minimum.
constexpr Range kRange16{-32768, 32767};
constexpr Range kRange32{-2147483647, 2147483647};

template <bool kWide>
uint8_t Evaluate(Machine& m, bool down, bool immediate, uint8_t power) {
  constexpr Range kRange = kWide ? kRange32 : kRange16;

  const BitRef reset = BitOperand(m);
  RecordOperands<kWide> ops;
  if (!ops.Read(m, immediate)) return 0;
  const int64_t preset = ops.Preset();
  const uint32_t control = ops.control();

  int64_t count = ops.Value(true);
  uint16_t word = RegWord(control);
  if (power == 0) {
    word &= uint16_t(~kRecordEnabled);
  } else if (!(word & kRecordEnabled)) {
    if (down && count > kRange.min) --count;
    if (!down && count < kRange.max) ++count;
    word |= kRecordEnabled;
  }
  // The reset wins over a count made in the same evaluation. A down counter loads its
  // preset kept inside its own range: a 16-bit immediate preset above 32767 would
  // otherwise be stored as a negative count, done at once.
  if (BitIsSet(plc_reg, reset)) count = down ? std::clamp(preset, kRange.min, kRange.max) : 0;

  const bool output = down ? count <= 0 : count >= preset;
  ops.SetValue(count);
  SetRegWord(control, uint16_t((word & ~kRecordOutput) | (output ? kRecordOutput : 0)));
  return output ? 1 : 0;
}

template <typename Run>
void RunOnTop(Machine& m, Run run) {
  uint8_t& top = m.Top();
  if (m.Failed()) return;
  const uint8_t result = run(top);
  if (!m.Failed()) top = result;
}

}  // namespace

uint8_t LogicCounters(Machine& m, uint16_t opcode, uint8_t power) {
  if (opcode < 200 || opcode > 203) {
    m.Fail(Stop::kInvalidOpcode);
    return 0;
  }
  return Evaluate<false>(m, opcode >= 202, opcode & 1, power);
}

uint8_t Logic32bCounters(Machine& m, uint8_t power) {
  const uint16_t sub = m.Next();
  if (m.Failed()) return 0;
  if (sub > 3) {
    m.Fail(Stop::kInvalidOpcode);
    return 0;
  }
  return Evaluate<true>(m, sub >= 2, sub & 1, power);
}

void OpCounter16(Machine& m, uint16_t opcode) {
  RunOnTop(m, [&](uint8_t power) { return LogicCounters(m, opcode, power); });
}
void OpCounter32(Machine& m, uint16_t) {
  RunOnTop(m, [&](uint8_t power) { return Logic32bCounters(m, power); });
}

}  // namespace logic
