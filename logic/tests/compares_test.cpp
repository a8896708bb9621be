// Compares and window tests. INT, UINT and 8-bit compares and the window tests set the
// power flow from their result alone; DINT, UDINT and REAL compares only turn it off.
// Each case starts from a power flow that is on, or off (PWR_OFF first), to tell the two
// apart.
#include <limits>

#include "word_case.h"

namespace {

using lt::D;
using lt::F;
using lt::kOff;
using lt::kOn;
using lt::W;
using lt::WordCase;

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

class Compares : public lt::WordCaseTest {};

// a and b pushed as INT (or a cell), DINT or REAL; from_off starts with the power off.
WordCase Cells(const char* what, const char* op, uint16_t a, uint16_t b, bool from_off, bool power) {
  return {what, std::string(from_off ? "PWR_OFF; " : "") + "PUSH R1; PUSH R2; " + op, {W("R1", a), W("R2", b)}, {},
          power};
}
WordCase Dints(const char* what, const char* op, uint32_t a, uint32_t b, bool from_off, bool power) {
  return {what, std::string(from_off ? "PWR_OFF; " : "") + "PUSH2 R3; PUSH2 R5; " + op, {D("R3", a), D("R5", b)}, {},
          power};
}
WordCase Reals(const char* what, const char* op, float a, float b, bool power) {
  return {what, std::string("PUSH2 R3; PUSH2 R5; ") + op, {F("R3", a), F("R5", b)}, {}, power};
}
constexpr bool kFromOn = false, kFromOff = true;

const std::vector<WordCase> kComparesSigned = {
    // INT: the result alone, also after a contact that was off.
    Cells("eq_from_off", "EQ", 5, 5, kFromOff, kOn),
    Cells("eq_false", "EQ", 5, 6, kFromOn, kOff),
    Cells("ne_from_off", "NE", 5, 6, kFromOff, kOn),
    Cells("lt_signed", "LT", 0xFFFF, 1, kFromOff, kOn),
    Cells("gt_signed", "GT", 0xFFFF, 1, kFromOn, kOff),
    Cells("le_equal", "LE", 3, 3, kFromOff, kOn),
    Cells("ge_false", "GE", 2, 3, kFromOn, kOff),
    // DINT: in series with the power flow.
    Dints("lt_holds_keeps", "LTD", 1, 2, kFromOn, kOn),
    Dints("lt_fails_turns_off", "LTD", 2, 1, kFromOn, kOff),
    Dints("holds_does_not_turn_on", "EQD", 7, 7, kFromOff, kOff),
    Dints("eq_high_words_differ", "EQD", 0x00010005, 0x00020005, kFromOn, kOff),
    Dints("ne_dint", "NED", 1, 2, kFromOn, kOn),
    Dints("gt_dint_signed", "GTD", 0x80000000, 0x7FFFFFFF, kFromOn, kOff),
    Dints("le_dint", "LED", 0xFFFFFFFF, 0, kFromOn, kOn),
    Dints("ge_dint", "GED", 0, 0, kFromOn, kOn),
    // REAL: a NaN holds only for "not equal".
    Reals("eq_real", "EQR", 1.5f, 1.5f, kOn),
    Reals("eq_signed_zeros", "EQR", 0.0f, -0.0f, kOn),
    Reals("lt_real", "LTR", -2.0f, 1.0f, kOn),
    Reals("gt_real_false", "GTR", -2.0f, 1.0f, kOff),
    Reals("le_real", "LER", 1.0f, 1.0f, kOn),
    Reals("ge_real_false", "GER", 0.5f, 1.0f, kOff),
    Reals("nan_eq", "EQR", kNaN, kNaN, kOff),
    Reals("nan_ne", "NER", kNaN, 1.0f, kOn),
    Reals("nan_lt", "LTR", kNaN, 1.0f, kOff),
    Reals("nan_ge", "GER", 1.0f, kNaN, kOff),
    {"real_holds_does_not_turn_on", "PWR_OFF; PUSH2 R3; PUSH2 R5; EQR", {F("R3", 1.0f), F("R5", 1.0f)}, {}, kOff},
};
TEST_F(Compares, Signed) { RunCases(kComparesSigned); }

// Each relation where it holds and where it does not, so that a compare that always
// gives one answer fails: INT from a power flow that was off (the result alone sets it),
// DINT and REAL from one that was on (they only turn it off).
const std::vector<WordCase> kComparesBothWays = {
    Cells("int_eq_holds", "EQ", 0xFFFE, 0xFFFE, kFromOff, kOn),
    Cells("int_ne_fails", "NE", 9, 9, kFromOn, kOff),
    Cells("int_lt_fails", "LT", 1, 0xFFFF, kFromOn, kOff),
    Cells("int_lt_equal_fails", "LT", 4, 4, kFromOn, kOff),
    Cells("int_gt_holds", "GT", 1, 0xFFFF, kFromOff, kOn),
    Cells("int_gt_equal_fails", "GT", 4, 4, kFromOn, kOff),
    Cells("int_le_holds", "LE", 0x8000, 0x7FFF, kFromOff, kOn),
    Cells("int_le_fails", "LE", 0x7FFF, 0x8000, kFromOn, kOff),
    Cells("int_ge_holds", "GE", 3, 2, kFromOff, kOn),
    Cells("int_ge_equal_holds", "GE", 0x8000, 0x8000, kFromOff, kOn),
    Dints("dint_eq_holds", "EQD", 0x12345678, 0x12345678, kFromOn, kOn),
    Dints("dint_ne_fails", "NED", 0x12345678, 0x12345678, kFromOn, kOff),
    Dints("dint_lt_equal_fails", "LTD", 5, 5, kFromOn, kOff),
    Dints("dint_gt_holds", "GTD", 0x7FFFFFFF, 0x80000000, kFromOn, kOn),
    Dints("dint_gt_equal_fails", "GTD", 5, 5, kFromOn, kOff),
    Dints("dint_le_fails", "LED", 1, 0xFFFFFFFF, kFromOn, kOff),
    Dints("dint_ge_holds", "GED", 0x00010000, 0x0000FFFF, kFromOn, kOn),
    Dints("dint_ge_fails", "GED", 0xFFFFFFFF, 0, kFromOn, kOff),
    Reals("real_eq_fails", "EQR", 1.0f, 1.5f, kOff),
    Reals("real_ne_holds", "NER", 1.0f, 1.5f, kOn),
    Reals("real_ne_fails", "NER", -3.0f, -3.0f, kOff),
    Reals("real_lt_fails", "LTR", 1.0f, -2.0f, kOff),
    Reals("real_gt_holds", "GTR", 1.0f, -2.0f, kOn),
    Reals("real_gt_equal_fails", "GTR", 1.0f, 1.0f, kOff),
    Reals("real_le_fails", "LER", 1.5f, 1.0f, kOff),
    Reals("real_ge_holds", "GER", 2.0f, 1.0f, kOn),
    Reals("real_ge_equal_holds", "GER", -0.0f, 0.0f, kOn),
};
TEST_F(Compares, HoldAndFail) { RunCases(kComparesBothWays); }

const std::vector<WordCase> kComparesUnsignedAndShort = {
    // USINT: the low bytes, unsigned; the high bytes do not count.
    Cells("usint_gt", "GT_US", 0x0180, 0x027F, kFromOff, kOn),
    Cells("usint_ge_equal_low_bytes", "GE_US", 0x1205, 0x3405, kFromOff, kOn),
    Cells("usint_gt_false", "GT_US", 0x0005, 0x0006, kFromOn, kOff),
    Cells("uint_gt", "GT_UI", 0xFFFF, 1, kFromOff, kOn),
    Cells("uint_ge_false", "GE_UI", 1, 0x8000, kFromOn, kOff),
    // SINT: the low bytes, signed.
    Cells("sint_eq_low_bytes", "EQ_SI", 0x12FF, 0x34FF, kFromOff, kOn),
    Cells("sint_gt_signed", "GT_SI", 0x0080, 0x007F, kFromOn, kOff),
    Cells("sint_ge", "GE_SI", 0x007F, 0x0080, kFromOff, kOn),
    // UDINT: unsigned, in series.
    Dints("udint_gt", "GT_UD", 0x80000000, 0x7FFFFFFF, kFromOn, kOn),
    Dints("udint_ge_false", "GE_UD", 1, 2, kFromOn, kOff),
    Dints("udint_holds_does_not_turn_on", "GE_UD", 2, 2, kFromOff, kOff),
};
TEST_F(Compares, UnsignedAndShort) { RunCases(kComparesUnsignedAndShort); }

// Window tests: low limit, high limit, value; the result replaces the power flow.
WordCase Window(const char* what, int16_t lo, int16_t hi, int16_t v, bool in) {
  return {what, "PWR_OFF; PUSH R1; PUSH R2; PUSH R3; WINDOW",
          {W("R1", uint16_t(lo)), W("R2", uint16_t(hi)), W("R3", uint16_t(v))}, {}, in};
}
WordCase WindowDint(const char* what, int32_t lo, int32_t hi, int32_t v, bool in) {
  return {what, "PUSH2 R1; PUSH2 R3; PUSH2 R5; WINDOWD", {D("R1", uint32_t(lo)), D("R3", uint32_t(hi)), D("R5", uint32_t(v))},
          {}, in};
}
WordCase WindowReal(const char* what, float lo, float hi, float v, bool in) {
  return {what, "PUSH2 R1; PUSH2 R3; PUSH2 R5; WINDOWR", {F("R1", lo), F("R3", hi), F("R5", v)}, {}, in};
}

const std::vector<WordCase> kComparesWindows = {
    Window("inside", -5, 5, 0, kOn),
    Window("at_low", -5, 5, -5, kOn),
    Window("at_high", -5, 5, 5, kOn),
    Window("below", -5, 5, -6, kOff),
    Window("above", -5, 5, 6, kOff),
    // Low above high: the window wraps.
    Window("wrapped_between", 10, 5, 7, kOff),
    Window("wrapped_above", 10, 5, 12, kOn),
    Window("wrapped_below", 10, 5, 3, kOn),
    Window("wrapped_at_limits", 10, 5, 10, kOn),
    // Low equal to high passes that value alone.
    Window("single_value", 7, 7, 7, kOn),
    Window("single_value_other", 7, 7, 8, kOff),
    Window("single_value_below", 7, 7, -100, kOff),
    WindowDint("dint_inside", -100000, 100000, 99999, kOn),
    WindowDint("dint_wrapped_between", 100000, -100000, 5, kOff),
    WindowDint("dint_single_value_other", 70000, 70000, 70001, kOff),
    WindowDint("dint_single_value", 70000, 70000, 70000, kOn),
    WindowReal("real_inside", -1.5f, 1.5f, 1.5f, kOn),
    WindowReal("real_wrapped_above", 1.5f, -1.5f, 2.0f, kOn),
    WindowReal("real_single_value_other", 2.5f, 2.5f, 3.0f, kOff),
    WindowReal("real_single_value", 2.5f, 2.5f, 2.5f, kOn),
    WindowReal("real_nan_value", -1.0f, 1.0f, kNaN, kOff),
    WindowReal("real_nan_limit", kNaN, 1.0f, 0.0f, kOff),
};
TEST_F(Compares, Windows) { RunCases(kComparesWindows); }

}  // namespace
