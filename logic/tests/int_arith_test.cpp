// INT and DINT arithmetic: results wrap to the width, an overflow or a division by zero
// turns the power flow off and never stops the scan, and the most negative value divided
// by -1 gives that value with the power flow off (no trap).
#include <limits>

#include "word_case.h"

namespace {

using lt::D;
using lt::kOff;
using lt::kOn;
using lt::W;
using lt::WordCase;

constexpr uint16_t kMin16 = 0x8000;
constexpr uint32_t kMin32 = 0x80000000;
constexpr uint16_t Neg16(int v) { return uint16_t(v); }
constexpr uint32_t Neg32(int64_t v) { return uint32_t(v); }

class IntArith : public lt::WordCaseTest {};

WordCase Int(const char* what, const char* op, uint16_t a, uint16_t b, uint16_t r, bool power) {
  return {what, std::string("PUSH R1; PUSH R2; ") + op + "; PULL R10", {W("R1", a), W("R2", b)}, {W("R10", r)}, power};
}
WordCase Dint(const char* what, const char* op, uint32_t a, uint32_t b, uint32_t r, bool power) {
  return {what, std::string("PUSH2 R3; PUSH2 R5; ") + op + "; PULL2 R10", {D("R3", a), D("R5", b)}, {D("R10", r)},
          power};
}
WordCase IntUnary(const char* what, const char* op, uint16_t v, uint16_t r, bool power) {
  return {what, std::string("PUSH R1; ") + op + "; PULL R10", {W("R1", v)}, {W("R10", r)}, power};
}
WordCase DintUnary(const char* what, const char* op, uint32_t v, uint32_t r, bool power) {
  return {what, std::string("PUSH2 R3; ") + op + "; PULL2 R10", {D("R3", v)}, {D("R10", r)}, power};
}

const std::vector<WordCase> kIntArithInt = {
    Int("add", "ADD", 1000, Neg16(-3000), Neg16(-2000), kOn),
    Int("add_overflow", "ADD", 32767, 1, kMin16, kOff),
    Int("add_underflow", "ADD", kMin16, Neg16(-1), 32767, kOff),
    Int("sub", "SUB", 5, 7, Neg16(-2), kOn),
    Int("sub_overflow", "SUB", kMin16, 1, 32767, kOff),
    Int("sub_min_from_zero", "SUB", 0, kMin16, kMin16, kOff),
    Int("mul", "MUL", Neg16(-181), 181, Neg16(-32761), kOn),
    Int("mul_overflow", "MUL", 256, 128, kMin16, kOff),
    Int("mul_min_exact", "MUL", Neg16(-256), 128, kMin16, kOn),
    Int("div_truncates", "DIV", Neg16(-7), 2, Neg16(-3), kOn),
    Int("div_by_zero_keeps_a", "DIV", 1234, 0, 1234, kOff),
    Int("div_min_by_minus_1", "DIV", kMin16, Neg16(-1), kMin16, kOff),
    Int("div_min_by_1", "DIV", kMin16, 1, kMin16, kOn),
    Int("rem_sign_of_a", "MOD", Neg16(-7), 3, Neg16(-1), kOn),
    Int("rem_positive_a", "MOD", 7, Neg16(-3), 1, kOn),
    Int("rem_by_zero_keeps_a", "MOD", 77, 0, 77, kOff),
    // MIN rem -1 is 0 but belongs to the overflowing MIN / -1; any other a rem -1 is fine.
    Int("rem_min_by_minus_1", "MOD", kMin16, Neg16(-1), 0, kOff),
    Int("rem_by_minus_1", "MOD", 7, Neg16(-1), 0, kOn),
    IntUnary("abs", "ABS", Neg16(-5), 5, kOn),
    IntUnary("abs_min_overflows", "ABS", kMin16, kMin16, kOff),
    IntUnary("sqrt_15", "SQRT", 15, 3, kOn),
    IntUnary("sqrt_16", "SQRT", 16, 4, kOn),
    IntUnary("sqrt_32767", "SQRT", 32767, 181, kOn),
    // Bit 15 set: power off, then taken as unsigned.
    IntUnary("sqrt_minus_1", "SQRT", 0xFFFF, 255, kOff),
    IntUnary("sqrt_min", "SQRT", kMin16, 181, kOff),
    // An error never turns the power flow on.
    {"error_after_power_off", "PWR_OFF; PUSHK 1; PUSHK 0; DIV; PULL R10", {}, {W("R10", 1)}, kOff},
    {"ok_after_power_off", "PWR_OFF; PUSHK 1; PUSHK 2; ADD; PULL R10", {}, {W("R10", 3)}, kOff},
    // The scan goes on after an error: the next rung runs.
    {"scan_goes_on", "PUSHK 1; PUSHK 0; DIV; PULL R10; LD I1; PUSHK 5; PULL R11; POP", {}, {W("R11", 5)}, kOff},
};
TEST_F(IntArith, Int) { RunCases(kIntArithInt); }

const std::vector<WordCase> kIntArithDint = {
    Dint("add", "ADDD", 100000, Neg32(-300000), Neg32(-200000), kOn),
    Dint("add_overflow", "ADDD", 0x7FFFFFFF, 1, kMin32, kOff),
    Dint("add_underflow", "ADDD", kMin32, Neg32(-1), 0x7FFFFFFF, kOff),
    Dint("add_opposite_signs", "ADDD", kMin32, 0x7FFFFFFF, Neg32(-1), kOn),
    Dint("sub", "SUBD", 5, 70000, Neg32(-69995), kOn),
    Dint("sub_overflow", "SUBD", kMin32, 1, 0x7FFFFFFF, kOff),
    Dint("sub_min_from_minus_1", "SUBD", Neg32(-1), kMin32, 0x7FFFFFFF, kOn),
    Dint("mul", "MULD", 46341, Neg32(-46340), Neg32(-2147441940), kOn),
    Dint("mul_65536_squared", "MULD", 65536, 65536, 0, kOff),
    Dint("mul_wide_product", "MULD", 0x10001, 0x10001, 0x00020001, kOff),
    // a = -1, b = MIN: the wrapped product divided by a would trap.
    Dint("mul_minus_1_by_min", "MULD", Neg32(-1), kMin32, kMin32, kOff),
    Dint("mul_min_exact", "MULD", Neg32(-65536), 32768, kMin32, kOn),
    Dint("mul_zero", "MULD", 0, kMin32, 0, kOn),
    Dint("div_truncates", "DIVD", Neg32(-7), 2, Neg32(-3), kOn),
    Dint("div_by_zero_keeps_a", "DIVD", 123456, 0, 123456, kOff),
    Dint("div_min_by_minus_1", "DIVD", kMin32, Neg32(-1), kMin32, kOff),
    Dint("rem_sign_of_a", "MODD", Neg32(-100001), 10, Neg32(-1), kOn),
    Dint("rem_by_zero_keeps_a", "MODD", 99, 0, 99, kOff),
    Dint("rem_min_by_minus_1", "MODD", kMin32, Neg32(-1), 0, kOff),
    DintUnary("abs", "ABSD", Neg32(-70000), 70000, kOn),
    DintUnary("abs_min_overflows", "ABSD", kMin32, kMin32, kOff),
    DintUnary("sqrt", "SQRTD", 1000000, 1000, kOn),
    DintUnary("sqrt_floor", "SQRTD", 4294836224u - 1, 65534, kOff),  // negative as DINT
    DintUnary("sqrt_max_positive", "SQRTD", 0x7FFFFFFF, 46340, kOn),
    DintUnary("sqrt_minus_1", "SQRTD", 0xFFFFFFFF, 65535, kOff),
};
TEST_F(IntArith, Dint) { RunCases(kIntArithDint); }

}  // namespace
