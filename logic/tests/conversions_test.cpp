// Pushes with conversion: INT, DINT and REAL (75 to 79) and the 8-bit and unsigned types
// (300 to 331). Out of range turns the power flow off; an integer source then pushes 0,
// a REAL source its saturated truncation.
#include <limits>

#include "word_case.h"

namespace {

using lt::D;
using lt::F;
using lt::kOff;
using lt::kOn;
using lt::W;
using lt::WordCase;

constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

class Conversions : public lt::WordCaseTest {};

const std::vector<WordCase> kConversionsIntDintReal = {
    // 75 DINT to INT.
    WordCase{"d2i_32768", "PUSH_D2I R1; PULL R3", {D("R1", 32768)}, {W("R3", 0)}, kOff},
    WordCase{"d2i_min", "PUSH_D2I R1; PULL R3", {D("R1", uint32_t(-32768))}, {W("R3", 0x8000)}, kOn},
    WordCase{"d2i_high_word_only", "PUSH_D2I R1; PULL R3", {D("R1", 0x00010000)}, {W("R3", 0)}, kOff},
    // 76 REAL to DINT.
    WordCase{"r2d_3e9", "PUSH_R2D R1; PULL2 R3", {F("R1", 3.0e9f)}, {D("R3", 2147483647)}, kOff},
    WordCase{"r2d_minus_3e9", "PUSH_R2D R1; PULL2 R3", {F("R1", -3.0e9f)}, {D("R3", 0x80000000)}, kOff},
    WordCase{"r2d_nan", "PUSH_R2D R1; PULL2 R3", {F("R1", kNaN)}, {D("R3", 0)}, kOff},
    WordCase{"r2d_minus_2_31", "PUSH_R2D R1; PULL2 R3", {F("R1", -2147483648.0f)}, {D("R3", 0x80000000)}, kOn},
    WordCase{"r2d_2_31", "PUSH_R2D R1; PULL2 R3", {F("R1", 2147483648.0f)}, {D("R3", 2147483647)}, kOff},
    WordCase{"r2d_truncates", "PUSH_R2D R1; PULL2 R3", {F("R1", -2.75f)}, {D("R3", uint32_t(-2))}, kOn},
    WordCase{"r2d_just_below_min", "PUSH_R2D R1; PULL2 R3", {F("R1", -2147483904.0f)}, {D("R3", 0x80000000)}, kOff},
    // 77 REAL to INT: the range is tested on the REAL before it is truncated.
    WordCase{"r2i_32767_9", "PUSH_R2I R1; PULL R3", {F("R1", 32767.9f)}, {W("R3", 32767)}, kOff},
    WordCase{"r2i_32767", "PUSH_R2I R1; PULL R3", {F("R1", 32767.0f)}, {W("R3", 32767)}, kOn},
    WordCase{"r2i_minus_32768", "PUSH_R2I R1; PULL R3", {F("R1", -32768.0f)}, {W("R3", 0x8000)}, kOn},
    WordCase{"r2i_minus_0_5", "PUSH_R2I R1; PULL R3", {F("R1", -0.5f)}, {W("R3", 0)}, kOn},
    WordCase{"r2i_32768", "PUSH_R2I R1; PULL R3", {F("R1", 32768.0f)}, {W("R3", 0x8000)}, kOff},
    WordCase{"r2i_minus_32768_5", "PUSH_R2I R1; PULL R3", {F("R1", -32768.5f)}, {W("R3", 0x8000)}, kOff},
    WordCase{"r2i_minus_32769", "PUSH_R2I R1; PULL R3", {F("R1", -32769.0f)}, {W("R3", 0x7FFF)}, kOff},
    WordCase{"r2i_inf", "PUSH_R2I R1; PULL R3", {F("R1", kInf)}, {W("R3", 0xFFFF)}, kOff},
    WordCase{"r2i_40000", "PUSH_R2I R1; PULL R3", {F("R1", 40000.0f)}, {W("R3", 0x9C40)}, kOff},
    WordCase{"r2i_1e10", "PUSH_R2I R1; PULL R3", {F("R1", 1.0e10f)}, {W("R3", 0xFFFF)}, kOff},
    WordCase{"r2i_minus_1e10", "PUSH_R2I R1; PULL R3", {F("R1", -1.0e10f)}, {W("R3", 0)}, kOff},
    WordCase{"r2i_nan", "PUSH_R2I R1; PULL R3", {F("R1", kNaN)}, {W("R3", 0)}, kOff},
    // 78, 79 to REAL: 16777217 has no REAL; the nearest is 16777216.
    WordCase{"d2r_nearest", "PUSH_D2R R1; PULL2 R3", {D("R1", 16777217)}, {F("R3", 16777216.0f)}, kOn},
    WordCase{"d2r_negative", "PUSH_D2R R1; PULL2 R3", {D("R1", uint32_t(-7))}, {F("R3", -7.0f)}, kOn},
    WordCase{"i2r_min", "PUSH_I2R R1; PULL2 R3", {W("R1", 0x8000)}, {F("R3", -32768.0f)}, kOn},
};
TEST_F(Conversions, IntDintReal) { RunCases(kConversionsIntDintReal); }

// R1 holds the source (its low byte for the byte forms).
const std::vector<WordCase> kConversionsTyped = {
    WordCase{"usint_cell", "US_TO_UI R1; PULL R3", {W("R1", 0x12F0)}, {W("R3", 0xF0)}, kOn},
    WordCase{"usint_cell_twin", "US_TO_UI2 R1.9; PULL R3", {W("R1", 0xF012)}, {W("R3", 0xF0)}, kOn},
    WordCase{"usint_two_cells", "US_TO_UD R1; PULL2 R3", {W("R1", 0x12F0)}, {D("R3", 0xF0)}, kOn},
    WordCase{"usint_two_cells_twin", "US_TO_UD2 R1; PULL2 R3", {W("R1", 0xFF)}, {D("R3", 0xFF)}, kOn},
    WordCase{"usint_real", "US_TO_R R1; PULL2 R3", {W("R1", 200)}, {F("R3", 200.0f)}, kOn},
    WordCase{"sint_cell", "SI_TO_I R1; PULL R3", {W("R1", 0x0080)}, {W("R3", 0xFF80)}, kOn},
    WordCase{"sint_two_cells", "SI_TO_D R1; PULL2 R3", {W("R1", 0x00FF)}, {D("R3", 0xFFFFFFFF)}, kOn},
    WordCase{"sint_real", "SI_TO_R R1; PULL2 R3", {W("R1", 0x0085)}, {F("R3", -123.0f)}, kOn},
    WordCase{"sint_usint_127", "SI_TO_US R1; PULL R3", {W("R1", 127)}, {W("R3", 127)}, kOn},
    WordCase{"sint_usint_negative", "SI_TO_US R1; PULL R3", {W("R1", 0x80)}, {W("R3", 0)}, kOff},
    WordCase{"sint_udint_negative", "SI_TO_UD R1; PULL2 R3", {W("R1", 0xFF)}, {D("R3", 0)}, kOff},
    WordCase{"sint_udint", "SI_TO_UD R1; PULL2 R3", {W("R1", 5)}, {D("R3", 5)}, kOn},
    WordCase{"uint_udint", "UI_TO_UD R1; PULL2 R3", {W("R1", 0xFFFF)}, {D("R3", 0xFFFF)}, kOn},
    WordCase{"uint_udint_twin", "UI_TO_UD2 R1; PULL2 R3", {W("R1", 0x8000)}, {D("R3", 0x8000)}, kOn},
    WordCase{"uint_real", "UI_TO_R R1; PULL2 R3", {W("R1", 65535)}, {F("R3", 65535.0f)}, kOn},
    WordCase{"uint_sint_128", "UI_TO_SI R1; PULL R3", {W("R1", 128)}, {W("R3", 0)}, kOff},
    WordCase{"uint_sint_127", "UI_TO_SI R1; PULL R3", {W("R1", 127)}, {W("R3", 127)}, kOn},
    WordCase{"uint_usint_256", "UI_TO_US R1; PULL R3", {W("R1", 256)}, {W("R3", 0)}, kOff},
    WordCase{"uint_usint_255", "UI_TO_US R1; PULL R3", {W("R1", 255)}, {W("R3", 255)}, kOn},
    WordCase{"uint_usint_twin_256", "UI_TO_US2 R1; PULL R3", {W("R1", 256)}, {W("R3", 0)}, kOff},
    WordCase{"int_udint_minus_1", "I_TO_UD R1; PULL2 R3", {W("R1", 0xFFFF)}, {D("R3", 0)}, kOff},
    WordCase{"int_udint_32767", "I_TO_UD R1; PULL2 R3", {W("R1", 32767)}, {D("R3", 32767)}, kOn},
    WordCase{"int_sint_minus_128", "I_TO_SI R1; PULL R3", {W("R1", 0xFF80)}, {W("R3", 0xFF80)}, kOn},
    WordCase{"int_sint_minus_129", "I_TO_SI R1; PULL R3", {W("R1", 0xFF7F)}, {W("R3", 0)}, kOff},
    WordCase{"udint_sint_128", "UD_TO_SI R1; PULL R3", {D("R1", 128)}, {W("R3", 0)}, kOff},
    WordCase{"udint_usint_255", "UD_TO_US R1; PULL R3", {D("R1", 255)}, {W("R3", 255)}, kOn},
    WordCase{"udint_usint_twin_high", "UD_TO_US2 R1; PULL R3", {D("R1", 0x10000)}, {W("R3", 0)}, kOff},
    WordCase{"udint_uint_65535", "UD_TO_UI R1; PULL R3", {D("R1", 65535)}, {W("R3", 65535)}, kOn},
    WordCase{"udint_uint_twin_65536", "UD_TO_UI2 R1; PULL R3", {D("R1", 65536)}, {W("R3", 0)}, kOff},
    WordCase{"dint_int_minus_32769", "D_TO_I R1; PULL R3", {D("R1", uint32_t(-32769))}, {W("R3", 0)}, kOff},
    WordCase{"dint_int_minus_32768", "D_TO_I R1; PULL R3", {D("R1", uint32_t(-32768))}, {W("R3", 0x8000)}, kOn},
    WordCase{"dint_sint_minus_128", "D_TO_SI R1; PULL R3", {D("R1", uint32_t(-128))}, {W("R3", 0xFF80)}, kOn},
    WordCase{"dint_sint_128", "D_TO_SI R1; PULL R3", {D("R1", 128)}, {W("R3", 0)}, kOff},
    WordCase{"udint_real_nearest", "UD_TO_R R1; PULL2 R3", {D("R1", 0xFFFFFFFF)}, {F("R3", 4294967296.0f)}, kOn},
    // REAL sources: the low 16 bits of the saturated truncation are pushed also when
    // the power flow goes off.
    WordCase{"real_usint_minus_0_5", "R_TO_US R1; PULL R3", {F("R1", -0.5f)}, {W("R3", 0)}, kOn},
    WordCase{"real_usint_minus_1_5", "R_TO_US R1; PULL R3", {F("R1", -1.5f)}, {W("R3", 0xFFFF)}, kOff},
    WordCase{"real_usint_255_9", "R_TO_US R1; PULL R3", {F("R1", 255.9f)}, {W("R3", 255)}, kOn},
    WordCase{"real_usint_inf", "R_TO_US R1; PULL R3", {F("R1", kInf)}, {W("R3", 0xFFFF)}, kOff},
    WordCase{"real_usint_nan", "R_TO_US R1; PULL R3", {F("R1", kNaN)}, {W("R3", 0)}, kOff},
    WordCase{"real_uint_65535", "R_TO_UI R1; PULL R3", {F("R1", 65535.0f)}, {W("R3", 65535)}, kOn},
    WordCase{"real_uint_65536", "R_TO_UI R1; PULL R3", {F("R1", 65536.0f)}, {W("R3", 0)}, kOff},
    WordCase{"real_sint_200", "R_TO_SI R1; PULL R3", {F("R1", 200.0f)}, {W("R3", 200)}, kOff},
    WordCase{"real_sint_minus_128_9", "R_TO_SI R1; PULL R3", {F("R1", -128.9f)}, {W("R3", 0xFF80)}, kOn},
    WordCase{"real_sint_inf", "R_TO_SI R1; PULL R3", {F("R1", kInf)}, {W("R3", 0xFFFF)}, kOff},
    WordCase{"real_sint_minus_inf", "R_TO_SI R1; PULL R3", {F("R1", -kInf)}, {W("R3", 0)}, kOff},
    // A NaN has no SINT value: it pushes 0 with the power flow off, like its siblings.
    WordCase{"real_sint_nan", "R_TO_SI R1; PULL R3", {F("R1", kNaN)}, {W("R3", 0)}, kOff},
    // 321 tests the REAL itself: -0.5 is refused although it truncates to 0.
    WordCase{"real_udint_minus_0_5", "R_TO_UD R1; PULL2 R3", {F("R1", -0.5f)}, {D("R3", 0)}, kOff},
    WordCase{"real_udint_big", "R_TO_UD R1; PULL2 R3", {F("R1", 4294967040.0f)}, {D("R3", 4294967040u)}, kOn},
    WordCase{"real_udint_2_32", "R_TO_UD R1; PULL2 R3", {F("R1", 4294967296.0f)}, {D("R3", 0xFFFFFFFF)}, kOff},
    WordCase{"real_udint_nan", "R_TO_UD R1; PULL2 R3", {F("R1", kNaN)}, {D("R3", 0)}, kOff},
    WordCase{"real_udint_truncates", "R_TO_UD R1; PULL2 R3", {F("R1", 123456.75f)}, {D("R3", 123456)}, kOn},
    // Out of range with the power flow already off: it stays off; in range it is not
    // turned on.
    WordCase{"in_range_keeps_off", "PWR_OFF; UI_TO_US R1; PULL R3", {W("R1", 7)}, {W("R3", 7)}, kOff},
};
TEST_F(Conversions, Typed) { RunCases(kConversionsTyped); }

}  // namespace
