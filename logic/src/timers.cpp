// Timer evaluation. Nothing is kept between scans outside the record, so a retentive
// record keeps its timer across power cycles, and a timer whose rung is skipped does not
// advance (its reference tick stays where it was).
#include "timers.h"

#include "ground/regimage.h"
#include "operands.h"
#include "record_operands.h"
#include "scan_state.h"

namespace logic {

namespace {

constexpr uint32_t kS1 = 1;  // first scan after the program starts

// The row of each timer opcode (either of its pair), or none.
consteval std::array<const TimerRow*, kOpcodeCount> RowIndex() {
  std::array<const TimerRow*, kOpcodeCount> index{};
  for (const TimerRow& k : kTimerKinds) index[k.opcode] = index[k.opcode + 1] = &k;
  return index;
}
constexpr std::array<const TimerRow*, kOpcodeCount> kRowOf = RowIndex();

template <bool kWide>
uint8_t Evaluate(Machine& m, uint16_t opcode, uint8_t power, uint16_t tick) {
  const TimerRow* row = opcode < kOpcodeCount ? kRowOf[opcode] : nullptr;
  if (row == nullptr || row->wide != kWide) {
    m.Fail(Stop::kInvalidOpcode);
    return 0;
  }
  const bool immediate = opcode & 1;
  const bool accumulating = row->kind == TimerKind::kAccumulating;
  const bool off_delay = row->kind == TimerKind::kOffDelay;

  // 1. Operands.
  BitRef reset{0, 0};
  if (accumulating) reset = BitOperand(m);
  RecordOperands<kWide> ops;
  if (!ops.Read(m, immediate)) return 0;
  const uint32_t control = ops.control();
  tick &= kRecordTickMask;

  // 2. A reset accumulating timer does not look at its preset.
  if (accumulating && BitIsSet(plc_reg, reset)) {
    ops.SetValue(0);
    SetRegWord(control, tick);
    return 0;
  }

  // 3. The preset, read only now: a reset accumulating timer does not look at it.
  const int64_t preset = ops.Preset();

  // 4. An off-delay timer times while its input is off. On the first scan a 16-bit one
  // starts done, so that its output does not pulse on at a program start.
  const bool first_scan = SBitGet(kS1);
  if (!kWide && off_delay && first_scan) ops.SetValue(preset);
  const bool input = off_delay ? power == 0 : power != 0;

  // 5. Input off.
  if (!input) {
    if (!accumulating) ops.SetValue(0);
    SetRegWord(control, uint16_t(tick | (off_delay ? kRecordOutput : 0)));
    return off_delay ? 1 : 0;
  }

  // 6. Input on: whole units since the reference tick are added; the rest of a unit is
  // carried by moving the reference tick back by it, so timers do not drift. The sum is
  // taken in full width: a 16-bit value near 65535 cannot wrap round below its preset.
  int64_t value = ops.Value(false);
  uint16_t reference = RegWord(control) & kRecordTickMask;
  if (value < preset && !first_scan) {
    const uint32_t elapsed = uint32_t(tick - reference) & kRecordTickMask;
    const uint32_t units = elapsed / row->unit_ticks;
    if (units != 0) {
      value += units;
      reference = uint16_t(tick - elapsed % row->unit_ticks) & kRecordTickMask;
    }
  } else {
    reference = tick;
  }

  // 7-9. Done, output, control word.
  const bool done = value >= preset;
  if (done) value = preset;
  ops.SetValue(value);
  const bool output = off_delay ? !done : done;
  SetRegWord(control, uint16_t((output ? kRecordOutput : 0) | (off_delay ? 0 : kRecordEnabled) | reference));
  return output ? 1 : 0;
}

template <bool kWide>
void RunOnTop(Machine& m, uint16_t opcode) {
  uint8_t& top = m.Top();
  if (m.Failed()) return;
  const uint8_t result = Evaluate<kWide>(m, opcode, top, time_frt_100us);
  if (!m.Failed()) top = result;
}

}  // namespace

uint8_t LogicTimers(Machine& m, uint16_t opcode, uint8_t power, uint16_t tick) {
  return Evaluate<false>(m, opcode, power, tick);
}

uint8_t Logic32bTimers(Machine& m, uint16_t opcode, uint8_t power, uint16_t tick) {
  return Evaluate<true>(m, opcode, power, tick);
}

void OpTimer16(Machine& m, uint16_t opcode) { RunOnTop<false>(m, opcode); }
void OpTimer32(Machine& m, uint16_t opcode) { RunOnTop<true>(m, opcode); }

}  // namespace logic
