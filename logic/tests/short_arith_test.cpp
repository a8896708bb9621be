// 8-bit and unsigned arithmetic: which part of the cell each operator reads and writes,
// the overflow and division tests, the USINT shifts that set the power flow on, and the
// typed instructions whose sub-code selects UINT (32) or UDINT (160).
#include "word_case.h"

namespace {

using lt::D;
using lt::kOff;
using lt::kOn;
using lt::W;
using lt::WordCase;

class ShortArith : public lt::WordCaseTest {};

// a in R1, b in R2 (one cell each), result cell in R10.
WordCase Cell(const char* what, const char* op, uint16_t a, uint16_t b, uint16_t r, bool power,
              bool from_off = false) {
  return {what, std::string(from_off ? "PWR_OFF; " : "") + "PUSH R1; PUSH R2; " + op + "; PULL R10",
          {W("R1", a), W("R2", b)}, {W("R10", r)}, power};
}
WordCase Udint(const char* what, const char* op, uint32_t a, uint32_t b, uint32_t r, bool power) {
  return {what, std::string("PUSH2 R3; PUSH2 R5; ") + op + "; PULL2 R10", {D("R3", a), D("R5", b)}, {D("R10", r)},
          power};
}

const std::vector<WordCase> kShortArithEightBit = {
    // USINT product: the whole cell becomes the product AND 255.
    Cell("usint_mul", "MUL_US", 0xAB0F, 0x0011, 0x00FF, kOn),
    Cell("usint_mul_overflow", "MUL_US", 0x0010, 0x0010, 0x0000, kOff),
    Cell("usint_mul_low_bytes_only", "MUL_US", 0x0102, 0x0103, 0x0006, kOn),
    // USINT quotient: the low byte changes, the high byte stays.
    Cell("usint_div", "DIV_US", 0xAB64, 0x0007, 0xAB0E, kOn),
    Cell("usint_div_by_zero", "DIV_US", 0xAB64, 0x0100, 0xAB64, kOff),
    // SINT sum, difference, product: sign-extended into the whole cell.
    Cell("sint_add_overflow", "ADD_SI", 100, 100, 0xFFC8, kOff),
    Cell("sint_add", "ADD_SI", 0x00FE, 0x0001, 0xFFFF, kOn),
    Cell("sint_sub", "SUB_SI", 0x0080, 0x0001, 0x007F, kOff),
    Cell("sint_sub_ok", "SUB_SI", 0x0005, 0x0007, 0xFFFE, kOn),
    Cell("sint_mul", "MUL_SI", 0x00F0, 0x0008, 0xFF80, kOn),
    Cell("sint_mul_overflow", "MUL_SI", 0x0010, 0x0010, 0x0000, kOff),
    Cell("sint_div", "DIV_SI", 0x12F9, 0x0002, 0x12FD, kOn),
    Cell("sint_div_by_zero", "DIV_SI", 0x1205, 0x3400, 0x1205, kOff),
    Cell("sint_div_min_by_minus_1", "DIV_SI", 0x0080, 0x00FF, 0x0080, kOff),
    // Shifts of the low byte: 0 from 8 on; the power flow is then on.
    Cell("usint_shl", "SHL_US", 0x1281, 1, 0x1202, kOn, true),
    Cell("usint_shl_8_clears", "SHL_US", 0x12FF, 8, 0x1200, kOn, true),
    Cell("usint_shl_low_byte_of_count", "SHL_US", 0x0001, 0x0102, 0x0004, kOn, true),
    Cell("usint_shr", "SHR_US", 0x0080, 7, 0x0001, kOn, true),
    Cell("usint_shr_9_clears", "SHR_US", 0x00FF, 9, 0x0000, kOn, true),
    // Rotates of the low byte by the count modulo 8; the power flow is not touched.
    Cell("usint_rol", "ROL_US", 0x1281, 9, 0x1203, kOn),
    Cell("usint_ror", "ROR_US", 0x1201, 1, 0x1280, kOff, true),
};
TEST_F(ShortArith, EightBit) { RunCases(kShortArithEightBit); }

const std::vector<WordCase> kShortArithUnsigned = {
    Cell("uint_mul", "MUL_UI", 255, 257, 65535, kOn),
    Cell("uint_mul_overflow", "MUL_UI", 256, 256, 0, kOff),
    Cell("uint_div", "DIV_UI", 65535, 2, 32767, kOn),
    Cell("uint_div_by_zero", "DIV_UI", 9, 0, 9, kOff),
    Udint("udint_mul", "MUL_UD", 65535, 65537, 0xFFFFFFFF, kOn),
    Udint("udint_mul_overflow", "MUL_UD", 65536, 65536, 0, kOff),
    Udint("udint_div", "DIV_UD", 0xFFFFFFFF, 16, 0x0FFFFFFF, kOn),
    Udint("udint_div_by_zero", "DIV_UD", 5, 0, 5, kOff),
    // Sub-code 32: UINT on one cell.
    Cell("typed_uint_add", "ADD_U 32", 65534, 1, 65535, kOn),
    Cell("typed_uint_add_carry", "ADD_U 32", 65535, 2, 1, kOff),
    Cell("typed_uint_sub_borrow", "SUB_U 32", 3, 5, 65534, kOff),
    Cell("typed_uint_sub", "SUB_U 32", 5, 5, 0, kOn),
    Cell("typed_uint_rem", "MOD_U 32", 65535, 10, 5, kOn),
    Cell("typed_uint_rem_by_zero", "MOD_U 32", 7, 0, 7, kOff),
    {"typed_uint_sqrt", "PUSH R1; SQRT_U 32; PULL R10", {W("R1", 65535)}, {W("R10", 255)}, kOn},
    // Sub-code 160: UDINT on two cells.
    Udint("typed_udint_add_carry", "ADD_U 160", 0xFFFFFFFF, 1, 0, kOff),
    Udint("typed_udint_add", "ADD_U 160", 0x0000FFFF, 1, 0x00010000, kOn),
    Udint("typed_udint_sub_borrow", "SUB_U 160", 0, 1, 0xFFFFFFFF, kOff),
    Udint("typed_udint_rem", "MOD_U 160", 0xFFFFFFFF, 0x10000, 0xFFFF, kOn),
    {"typed_udint_sqrt", "PUSH2 R3; SQRT_U 160; PULL2 R10", {D("R3", 0xFFFFFFFF)}, {D("R10", 65535)}, kOn},
    // Any other sub-code consumes the sub-code and changes nothing else.
    {"typed_other_subcode", "PUSHK 5; PUSHK 7; ADD_U 7; PULL R10; PULL R11", {}, {W("R10", 7), W("R11", 5)}, kOn},
    {"typed_other_subcode_sqrt", "PUSHK 9; SQRT_U 0; PULL R10", {}, {W("R10", 9)}, kOn},
};
TEST_F(ShortArith, Unsigned) { RunCases(kShortArithUnsigned); }

}  // namespace
