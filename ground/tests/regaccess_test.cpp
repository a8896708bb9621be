// Token decoding, the limit check of system registers and their side effects.
#include <gtest/gtest.h>

#include "platform/rtc_model.h"
#include "rtc_state.h"
#include "testsupport/reg_fixture.h"

namespace {

using ts::RegImageTest;

struct TokenCase {
  const char* what;
  uint32_t token;
  uint32_t nbits;
  int64_t offset;  // expected byte offset in the image, -1 for refused
};

void PrintTo(const TokenCase& c, std::ostream* os) { *os << c.what; }

class TokenBoundary : public RegImageTest, public ::testing::WithParamInterface<TokenCase> {};

TEST_P(TokenBoundary, PtrGetAndSetAgree) {
  const TokenCase& c = GetParam();
  uint8_t* p = PlcReg_Ptr(c.token, c.nbits);
  uint8_t buf[16] = {};
  if (c.offset < 0) {
    EXPECT_EQ(p, nullptr);
    EXPECT_EQ(PlcReg_Get(buf, c.token, c.nbits), 0);
    EXPECT_EQ(PlcReg_Set(c.token, buf, c.nbits), 0);
    return;
  }
  ASSERT_EQ(p, plc_reg + c.offset);
  uint8_t pattern[16];
  for (int i = 0; i < 16; ++i) pattern[i] = uint8_t(0x11 * (i + 1));
  ASSERT_EQ(PlcReg_Set(c.token, pattern, c.nbits), 1);
  ASSERT_EQ(PlcReg_Get(buf, c.token, c.nbits), 1);
  EXPECT_EQ(0, std::memcmp(buf, plc_reg + c.offset, c.nbits / 8));
}

INSTANTIATE_TEST_SUITE_P(
    Tokens, TokenBoundary,
    ::testing::Values(TokenCase{"below_image", 1023, 16, -1}, TokenCase{"IG1", 1024, 16, 0},
                      TokenCase{"R50240_last_bit", 0xCC3FF, 8, 104447}, TokenCase{"after_R", 0xCC400, 16, -1},
                      TokenCase{"R1", reg::kTokR, 32, reg::kOffR}, TokenCase{"AQ512", reg::WordToken(reg::kTokAQ, 512), 16, 3966},
                      TokenCase{"gap_before_ET", 0x10007FFF, 8, -1}, TokenCase{"ET_first", 0x10008000, 16, reg::kOffET},
                      TokenCase{"ET_last_byte", 0x1000BFF8, 8, reg::kOffEM - 1}, TokenCase{"after_ET", 0x1000C000, 8, -1},
                      TokenCase{"before_EM", 0x1001BFFF, 8, -1}, TokenCase{"EM_first", 0x1001C000, 16, reg::kOffEM},
                      TokenCase{"after_EM", 0x10020000, 8, -1}, TokenCase{"gap_before_ESR", 0x1002FFFF, 8, -1},
                      TokenCase{"ESR_SR448", 0x10030FF0, 16, 109054}, TokenCase{"ESR_SR448_at_limit", 0x10030FF0, 32, 109054},
                      TokenCase{"past_limit", 0x10030FF0, 40, -1}, TokenCase{"after_ESR", 0x10031000, 16, -1},
                      // The token limit alone would let this run far past the image.
                      TokenCase{"long_read_past_image", 1024, 8 * 200000, -1}),
    [](const auto& info) { return std::string(info.param.what); });

TEST_F(RegImageTest, BitAccessUsesTheBitWithinItsByte) {
  const uint32_t q10 = reg::BitToken(reg::kTokQ, 10);  // byte 1 of Q, bit 1
  EXPECT_EQ(SetBit(q10, 7), 1);                        // any non-zero byte sets
  EXPECT_EQ(plc_reg[reg::kOffQ + 1], 0x02);
  EXPECT_EQ(GetBit(q10), 1);
  EXPECT_EQ(GetBit(q10 + 1), 0);
  EXPECT_EQ(SetBit(q10, 0), 1);
  EXPECT_EQ(plc_reg[reg::kOffQ + 1], 0x00);
}

TEST_F(RegImageTest, SystemRegisterLimitsCompareUnsigned) {
  EXPECT_EQ(Set32(reg::SrToken(157), 0xFFFFFFFFu), 1);  // 0..4294967295 admits the top
  EXPECT_EQ(SrGet32(157), 0xFFFFFFFFu);
  EXPECT_EQ(Set16(reg::SrToken(1), 1023), 1);
  EXPECT_EQ(Set16(reg::SrToken(1), 1024), 0);
  EXPECT_EQ(SrGet(1), 1023);
  EXPECT_EQ(Set16(reg::SrToken(167), 1), 0);
  EXPECT_EQ(Set16(reg::SrToken(167), 51), 0);
  EXPECT_EQ(Set16(reg::SrToken(155), 134), 0);
  EXPECT_EQ(Set16(reg::SrToken(155), 1500), 1);
}

TEST_F(RegImageTest, WidthAndReadOnlyRowsRefuse) {
  EXPECT_EQ(Set32(reg::SrToken(1), 5), 0);    // wider than the row
  EXPECT_EQ(Set16(reg::SrToken(4), 0), 0);    // read-only
  EXPECT_EQ(Set32(reg::SrToken(11), 0), 0);   // read-only 32-bit
  EXPECT_EQ(Set16(reg::SrToken(12), 0), 0);   // tail word, width 0
  uint8_t wide[12] = {};
  EXPECT_EQ(PlcReg_Set(reg::SrToken(66), wide, 96), 0);
  EXPECT_EQ(SrGet(4), 0);
}

TEST_F(RegImageTest, TableRowsAsListed) {
  int admitting = 0;
  for (const auto& r : sr_info) admitting += uint32_t(r.min) <= uint32_t(r.max);
  EXPECT_EQ(admitting, 57);
  uint16_t lo = 0, hi = 0;
  ASSERT_EQ(VmDbWordSR_MinMax(&lo, &hi, 48), 1);  // SR49, the year
  EXPECT_EQ(lo, 1900);
  EXPECT_EQ(hi, 1999);
  ASSERT_EQ(VmDbWordSR_MinMax(&lo, &hi, 156), 1);  // SR157, 32-bit: low halves
  EXPECT_EQ(lo, 0);
  EXPECT_EQ(hi, 0xFFFF);
  EXPECT_EQ(VmDbWordSR_MinMax(&lo, &hi, 192), 0);
}

TEST_F(RegImageTest, Sr9IsWrittenWithoutCheckButOnlySr9) {
  EXPECT_EQ(Set16(reg::SrToken(9), 0xFFFF), 1);
  EXPECT_EQ(SrGet(9), 0xFFFF);
  // Wider than SR9, the write would store SR10 past its check.
  EXPECT_EQ(Set32(reg::SrToken(9), 0x00050004), 0);
  EXPECT_EQ(SrGet(9), 0xFFFF);
  EXPECT_EQ(SrGet(10), 0);
  EXPECT_EQ(Set32(reg::SrToken(10), 1), 0);
}

// A write whose bytes reach a system register is that register's own write or nothing:
// it never stores a system register past its limit check and side effect.
TEST_F(RegImageTest, WideWritesDoNotReachSystemRegistersPastTheirCheck) {
  struct Case {
    const char* what;
    uint32_t token;
    uint32_t nbits;
  };
  const Case cases[] = {
      {"from AQG30 over SR1..SR5", reg::WordToken(reg::kTokAQG, 30), 128},
      {"from the last AQG into SR1", reg::WordToken(reg::kTokAQG, 32), 32},
      {"from SR3 over SR4 and SR5", reg::SrToken(3), 48},
      {"from SR9 over SR10..SR12", reg::SrToken(9), 64},
      {"from the high byte of SR4", reg::SrToken(4) + 8, 16},
      {"from SR192 into the F area", reg::SrToken(192), 32},
  };
  uint8_t source[16];
  for (int i = 0; i < 16; ++i) source[i] = 2;  // SR5 would read 514
  for (const Case& c : cases) {
    std::memset(plc_reg, 0, sizeof plc_reg);
    plat::TraceClear();
    EXPECT_EQ(PlcReg_Set(c.token, source, c.nbits), 0) << c.what;
    for (unsigned sr = 1; sr <= 192; ++sr) ASSERT_EQ(SrGet(sr), 0) << c.what << ": SR" << sr;
    EXPECT_TRUE(Calls("SetPlcMode").empty()) << c.what;
  }
  // Writes that end before SR1 or start after SR192 are untouched by the rule.
  EXPECT_EQ(Set32(reg::WordToken(reg::kTokAQG, 31), 0x01020304), 1);
  EXPECT_EQ(Set32(reg::kTokF, 0x01020304), 1);
}

// A write of several bits stores whole bytes: a count that is not a multiple of eight
// would store fewer bits than were checked (SR188 at 1000, a 12-bit 255 would leave
// 0x3FF = 1023 past its limit), so a system register refuses it.
TEST_F(RegImageTest, ABitCountNotAMultipleOfEightIsRefusedBySystemRegisters) {
  SrSet(188, 1000);
  const uint8_t ff[2] = {0xFF, 0x00};
  EXPECT_EQ(PlcReg_Set(reg::SrToken(188), ff, 12), 0);
  EXPECT_EQ(SrGet(188), 1000);
  const uint8_t five[2] = {5, 0};
  EXPECT_EQ(PlcReg_Set(reg::SrToken(32), five, 12), 0);
  EXPECT_EQ(PlcReg_Set(reg::SrToken(32), five, 16), 1);
  EXPECT_EQ(SrGet(32), 5);
}

// A bit inside a system register (not its first) gives the register a new whole value,
// which is what the limits and the side effect see: SR5 never takes a mode past its
// range, and a mode set through a bit goes through the mode change.
TEST_F(RegImageTest, ABitInsideASystemRegisterIsCheckedAsTheRegistersNewValue) {
  SrSet(5, 0);
  EXPECT_EQ(SetBit(reg::SrToken(5) + 3, 1), 0);  // 8: past the last mode
  EXPECT_EQ(SrGet(5), 0);
  EXPECT_TRUE(Calls("SetPlcMode").empty());
  EXPECT_EQ(SetBit(reg::SrToken(5) + 1, 1), 1);  // 2: Run, through the mode change
  const auto calls = Calls("SetPlcMode");
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].a, 2);
  SrSet(188, 1000);
  EXPECT_EQ(SetBit(reg::SrToken(188) + 4, 1), 0);  // 1016 > 1000
  EXPECT_EQ(SrGet(188), 1000);
  EXPECT_EQ(SetBit(reg::SrToken(188) + 3, 0), 1);  // 992
  EXPECT_EQ(SrGet(188), 992);
}

TEST_F(RegImageTest, OneBitWriteIsCheckedAsTheWholeRegister) {
  SetRegWord(reg::SrOffset(63), 0);
  EXPECT_EQ(SetBit(reg::SrToken(63), 1), 0);  // SR63 admits only 0: "1" is refused
  EXPECT_EQ(SetBit(reg::SrToken(63), 0), 1);
  EXPECT_EQ(SetBit(reg::SrToken(5), 1), 1);   // acts as a mode change to 1
  auto calls = Calls("SetPlcMode");
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].a, 1);
  // A bit other than bit 1 has no side effect but is still range-checked (value 0/1).
  EXPECT_EQ(SetBit(reg::SrToken(1) + 3, 1), 1);
  EXPECT_EQ(SrGet(1), 8);
}

TEST_F(RegImageTest, ClockWritesGoToTheClockByWidth) {
  rtc::ResetState();  // a clock not read since power-on
  uint16_t rec[6] = {1, 2, 3, 4, 5, 2024};
  const std::size_t sets_before = plat::rtc_model::SetCount();
  EXPECT_EQ(PlcReg_Set(reg::SrToken(44), rec, 96), 1);
  EXPECT_EQ(PlcReg_Set(reg::SrToken(44), rec, 48), 1);
  EXPECT_EQ(PlcReg_Set(reg::SrToken(47), rec + 3, 48), 1);
  EXPECT_EQ(PlcReg_Set(reg::SrToken(44), rec, 16), 0);
  EXPECT_EQ(PlcReg_Set(reg::SrToken(47), rec, 96), 0);
  EXPECT_EQ(plat::rtc_model::SetCount() - sets_before, 3u);  // each accepted write set the clock
  EXPECT_EQ(SrGet(44), 0);  // the clock routines own these registers
}

struct EffectCase {
  const char* what;
  uint32_t token;
  uint32_t nbits;
  uint16_t value;
  const char* hook;
  int64_t arg_a, arg_b;
  uint32_t sr;         // register to look at afterwards (0: none)
  uint16_t sr_after;   // its expected value
};

void PrintTo(const EffectCase& c, std::ostream* os) { *os << c.what; }

class SideEffect : public RegImageTest, public ::testing::WithParamInterface<EffectCase> {};

TEST_P(SideEffect, ReachesItsHookWithTheValue) {
  const EffectCase& c = GetParam();
  SrSet(5, 0x7777);   // a value the mode routine replaces
  SrSet(34, 0x7777);  // the port mode is not stored by the write
  SrSet(61, 1);
  SrSet(4, 0x20);
  SrSet(185, 1);
  SrSet(186, 30);
  int rc = PlcReg_Set(c.token, &c.value, c.nbits);
  EXPECT_EQ(rc, 1);
  auto calls = Calls(c.hook);
  ASSERT_EQ(calls.size(), 1u) << c.hook;
  EXPECT_EQ(calls[0].a, c.arg_a);
  EXPECT_EQ(calls[0].b, c.arg_b);
  if (c.sr) {
    EXPECT_EQ(SrGet(c.sr), c.sr_after);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Effects, SideEffect,
    ::testing::Values(
        // Done rows: the register holds what the effect stored, no ordinary write follows.
        EffectCase{"mode", reg::SrToken(5), 16, 2, "SetPlcMode", 2, 0, 5, 2},
        EffectCase{"node_id", reg::SrToken(29), 16, 12, "Plc_NetInit", 0, 0, 29, 12},
        EffectCase{"baud", reg::SrToken(30), 16, 3, "Plc_NetInit", 0, 0, 30, 3},
        EffectCase{"contrast", reg::SrToken(32), 16, 20, "SYS_Contrast", 20, 0, 32, 20},
        EffectCase{"port_mode", reg::SrToken(34), 16, 1, "Cmd_PortInit", 1, 0, 34, 0x7777},
        EffectCase{"slice", reg::SrToken(167), 16, 10, "PGM_SetSlice", 10, 0, 167, 10},
        EffectCase{"popup", reg::SrToken(180), 16, 2, "PGM_SetPopupMode", 2, 0, 180, 2},
        EffectCase{"beep", reg::SrToken(183), 16, 1, "TCH_BeepEnable", 1, 0, 183, 1},
        EffectCase{"saver_off", reg::SrToken(185), 16, 0, "TCH_ScreenSaver", 0, 0, 185, 0},
        EffectCase{"saver_on", reg::SrToken(185), 16, 1, "TCH_ScreenSaver", 30, 0, 185, 1},
        EffectCase{"saver_delay", reg::SrToken(186), 16, 100, "TCH_ScreenSaver", 100, 0, 186, 100},
        // Rows followed by the ordinary write.
        EffectCase{"menu_option2", reg::SrToken(163), 16, 7, "SYS_MenuOption2", 7, 0, 163, 7},
        EffectCase{"menu_option_0", reg::SrToken(164), 16, 1, "SYS_MenuOption", 0, 1, 164, 1},
        EffectCase{"menu_option_1", reg::SrToken(164) + 1, 1, 1, "SYS_MenuOption", 1, 1, 164, 2}),
    [](const auto& info) { return std::string(info.param.what); });

TEST_F(RegImageTest, NodeIdIsLimitedBySpan) {
  SrSet(61, 40);
  SrSet(4, 0x20);
  EXPECT_EQ(Set16(reg::SrToken(29), 100), 0);  // 100 > 128 - 40
  EXPECT_EQ(Set16(reg::SrToken(29), 89), 0);
  EXPECT_EQ(SrGet(4), 0x20);
  EXPECT_EQ(Set16(reg::SrToken(29), 88), 1);
  EXPECT_EQ(SrGet(29), 88);
  EXPECT_EQ(SrGet(4), 0);  // the corrected-id bit is cleared
  EXPECT_EQ(plat::TraceCountOf("Plc_NetInit"), 1u);
}

TEST_F(RegImageTest, SaverDelayWithSaverDisabledTurnsItOff) {
  SrSet(185, 0);
  EXPECT_EQ(Set16(reg::SrToken(186), 100), 1);
  auto calls = Calls("TCH_ScreenSaver");
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].a, 0);
}

TEST_F(RegImageTest, SliceOutOfRowRangeIsRefusedBeforeTheEffect) {
  EXPECT_EQ(Set16(reg::SrToken(167), 60), 0);
  EXPECT_EQ(plat::TraceCountOf("PGM_SetSlice"), 0u);
}

}  // namespace
