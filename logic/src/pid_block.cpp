// Decoding of the ladder PID instructions around the shared engine.
#include <cstring>

#include "logic/pid.h"
#include "pid_block.h"
#include "pid_state.h"
#include "pointer.h"
#include "scan_state.h"
#include "word_stack.h"

namespace logic {

namespace {

constexpr uint32_t kS1 = 1;  // first scan after the program starts
constexpr uint32_t kRecordBytes = 32;

struct PidOperands {
  uint16_t loop = 0;
  int64_t record = -1;  // byte offset; -1 when it does not lie inside the registers
  uint32_t setpoint = 0, pv = 0, output = 0;
  BitRef manual{}, raise{}, lower{}, tune_start{}, tune_done{};
  uint16_t tune_word = 0;
};

bool Decode(Machine& m, bool indirect, bool tuning, PidOperands& o) {
  o.loop = Imm16(m);
  if (indirect) {
    o.record = PointerOperand(m);
  } else {
    o.record = WordOperand(m);
  }
  o.setpoint = WordOperand(m);
  o.pv = WordOperand(m);
  o.manual = BitOperand(m);
  o.raise = BitOperand(m);
  o.lower = BitOperand(m);
  if (tuning) {
    o.tune_start = BitOperand(m);
    o.tune_word = Imm16(m);
  }
  o.output = WordOperand(m);
  if (tuning) o.tune_done = BitOperand(m);
  if (!PointerRange(o.record, kRecordBytes)) o.record = -1;
  return !m.Failed();
}

}  // namespace

void IEC_NON_IEC_PidParser(Machine& m, uint16_t opcode) {
  const bool indirect = opcode >= 523;
  const uint16_t form = indirect ? opcode - 523 : opcode - 240;  // 0..3
  const bool isa = form & 1, tuning = form >= 2;
  PidOperands o;
  if (!Decode(m, indirect, tuning, o)) return;
  uint8_t& flow = m.Top();
  if (m.Failed() || flow == 0) return;
  if (o.loop >= kPidLoops || o.record < 0) {
    flow = 0;
    return;
  }
  int16_t r[16];
  std::memcpy(r, plc_reg + o.record, sizeof r);
  uint16_t cfg = uint16_t(r[pid::kConfig]);
  cfg = isa ? uint16_t(cfg | pid::kIsa) : uint16_t(cfg & ~pid::kIsa);
  cfg |= pid::kFromLadder;
  cfg = SBitGet(kS1) ? uint16_t(cfg | pid::kFirstScan) : uint16_t(cfg & ~pid::kFirstScan);
  r[pid::kPv] = int16_t(RegWord(o.pv));
  if (!(cfg & pid::kOwnSetpoint)) {
    r[pid::kSetpoint] = int16_t(RegWord(o.setpoint));
    const auto put = [&](BitRef b, uint16_t bit) {
      cfg = BitIsSet(plc_reg, b) ? uint16_t(cfg | bit) : uint16_t(cfg & ~bit);
    };
    put(o.manual, pid::kManualMode);
    put(o.raise, pid::kRaise);
    put(o.lower, pid::kLower);
  }
  r[pid::kConfig] = int16_t(cfg);
  PidBlock b;
  b.now = local_frt_100us;
  b.loop = o.loop;
  if (tuning) {
    b.tune_request = BitIsSet(plc_reg, o.tune_start) || (o.tune_word & 2);
    b.tune_word = o.tune_word;
    b.tune_done = pid::pid_at[o.loop].state == 7 && b.tune_request;
  }
  const int32_t result = fbk_pid(b, r);
  if ((result & 0xFFFF) != 0) flow = 0;
  SetRegWord(o.output, uint16_t(r[pid::kOutput]));
  if (tuning) WriteBit(plc_reg, o.tune_done, b.tune_done);
  std::memcpy(plc_reg + o.record, r, sizeof r);
}

}  // namespace logic
