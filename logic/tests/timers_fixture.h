#pragma once
// Timer and counter records in the register image, and the scan tick moved by the test
// clock.

#include <cstdint>

#include "ground/unaligned.h"
#include "ground/regimage.h"
#include "ground/timebase.h"
#include "ladder_fixture.h"

namespace lt {

class RecordTest : public LadderTest {
 protected:
  // Byte offset of register R n.
  static uint32_t R(uint32_t n) { return reg::kOffR + 2 * (n - 1); }

  // The value (16-bit kinds: unsigned timer value or signed count by the caller's cast)
  // and the control word of a record at byte offset at.
  static int64_t Value(uint32_t at, bool wide) {
    return wide ? int64_t(int32_t(UTIL_GetDword(plc_reg + at))) : int64_t(RegWord(at));
  }
  static void SetValue(uint32_t at, bool wide, int64_t v) {
    if (wide) {
      UTIL_PutDword(plc_reg + at, uint32_t(v));
    } else {
      SetRegWord(at, uint16_t(v));
    }
  }
  static uint16_t Control(uint32_t at, bool wide) { return RegWord(at + (wide ? 4 : 2)); }
  static void SetControl(uint32_t at, bool wide, uint16_t v) { SetRegWord(at + (wide ? 4 : 2), v); }

  // The scan tick the last scan used.
  static uint16_t Tick() { return time_frt_100us; }
  static uint16_t TickMinus(uint32_t ticks) { return uint16_t((time_frt_100us - ticks) & 0x3FFF); }

  // Moves the clock so that the next scan's tick is n, after periods whole turns of the
  // 14-bit tick.
  void AdvanceToTick(uint16_t n, uint32_t periods = 0) {
    const uint32_t now = FPGA_GetFrt() & 0x3FFF;
    clock_->AdvanceTicks(((n - now) & 0x3FFF) + 16384ll * periods);
  }

  // One scan after ticks 0.1 ms ticks with inputs I1 (the power flow) and I2 (reset).
  void Step(uint32_t ticks, bool i1, bool i2 = false) {
    SetBit("I1", i1);
    SetBit("I2", i2);
    clock_->AdvanceTicks(ticks);
    ASSERT_EQ(Scan(), -1);
  }
};

}  // namespace lt
