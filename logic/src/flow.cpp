// Flow of control. Offsets count words from the word after the instruction's last
// offset word; a target must lie inside the stream. A call pushes that same word as its
// return address, so a return address always lies inside the stream or just at its end.
#include "flow.h"

#include "ground/unaligned.h"
#include "ground/regimage.h"
#include "operands.h"
#include "scan_state.h"

namespace logic {

namespace {

void Jump(Machine& m, int32_t offset) { m.JumpTo(int64_t(m.ip) + offset); }

void Call(Machine& m, int32_t offset) {
  if (m.depth == kCallDepth) {
    m.Fail(Stop::kCallTooDeep);
    return;
  }
  const uint32_t ret = m.ip;
  Jump(m, offset);
  if (m.Failed()) return;
  m.calls[m.depth++] = ret;
}

}  // namespace

void OpEnd(Machine& m, uint16_t) { m.Fail(Stop::kEnd); }

void OpJump32(Machine& m, uint16_t) {
  const int32_t off = Offset32(m);
  const uint8_t v = m.Pop();
  if (!m.Failed() && v) Jump(m, off);
}

void OpCall32(Machine& m, uint16_t) {
  const int32_t off = Offset32(m);
  const uint8_t v = m.Pop();
  if (!m.Failed() && v) Call(m, off);
}

// The only flow instruction that keeps the power flow: it skips the part of a rung
// whose power is off.
void OpSkipIfOff(Machine& m, uint16_t) {
  const int32_t off = Offset16Unsigned(m);
  const uint8_t t = m.Top();
  if (!m.Failed() && t == 0) Jump(m, off);
}

void OpJump16(Machine& m, uint16_t) {
  const int32_t off = Offset16Signed(m);
  const uint8_t v = m.Pop();
  if (!m.Failed() && v) Jump(m, off);
}

void OpCall16(Machine& m, uint16_t) {
  const int32_t off = Offset16Signed(m);
  const uint8_t v = m.Pop();
  if (!m.Failed() && v) Call(m, off);
}

void OpReturn(Machine& m, uint16_t) {
  const uint8_t v = m.Pop();
  if (m.Failed() || v == 0) return;
  if (m.depth == 0) {
    m.Fail(Stop::kReturnAtDepthZero);
    return;
  }
  m.ip = m.calls[--m.depth];
}

// Step word S, then its DINT step time in milliseconds at S + 1 (low) and S + 2 (high);
// four offsets follow, each counted from the word after itself. The bit stack is not
// touched.
void OpStep(Machine& m, uint16_t) {
  const uint32_t s = WordOperand(m, 3);
  int32_t offset[4];
  uint32_t base[4];
  for (int i = 0; i < 4; ++i) {
    offset[i] = Offset32(m);
    base[i] = m.ip;
  }
  if (m.Failed()) return;
  const uint16_t step = RegWord(s);
  const int taken = step == 2 ? 0 : step == 1 ? 1 : step == 3 ? 2 : 3;
  m.JumpTo(int64_t(base[taken]) + offset[taken]);
  if (m.Failed()) return;
  switch (taken) {
    case 0:  // activating
      SetRegWord(s, 1);
      UTIL_PutDword(plc_reg + s + 2, 0);
      break;
    case 1:  // active: the time since the previous scan started
      UTIL_PutDword(plc_reg + s + 2, UTIL_GetDword(plc_reg + s + 2) + local_scan_time);
      break;
    case 2:  // deactivating
      SetRegWord(s, 0);
      break;
    default:
      break;
  }
}

}  // namespace logic
