// Bitwise logic, shifts and rotates of one and two cells. The counts come from the word
// stack like any operand: a shift by the width or more clears, a rotate takes its count
// modulo the width, and only the low byte (shifts) or the low bits (rotates) of the
// count's low word are used.
#include "word_case.h"

namespace {

using lt::D;
using lt::kOff;
using lt::kOn;
using lt::W;
using lt::WordCase;

class WordLogic : public lt::WordCaseTest {};

// R1 holds a, R2 b (INT); R3 a and R5 b (DINT). The result goes to R10 (INT) or R10-R11.
constexpr const char* kInt = "PUSH R1; PUSH R2; ";
constexpr const char* kDint = "PUSH2 R3; PUSH2 R5; ";
std::string Int(const char* op) { return std::string(kInt) + op + "; PULL R10"; }
std::string Dint(const char* op) { return std::string(kDint) + op + "; PULL2 R10"; }

WordCase IntCase(const char* what, const char* op, uint16_t a, uint16_t b, uint16_t r) {
  return {what, Int(op), {W("R1", a), W("R2", b)}, {W("R10", r)}, kOn};
}
WordCase DintCase(const char* what, const char* op, uint32_t a, uint32_t b, uint32_t r) {
  return {what, Dint(op), {D("R3", a), D("R5", b)}, {D("R10", r)}, kOn};
}

const std::vector<WordCase> kWordLogicWords = {
    IntCase("and", "ANDW", 0xF0F0, 0xFF00, 0xF000),
    IntCase("or", "ORW", 0xF0F0, 0x0F00, 0xFFF0),
    IntCase("xor", "XORW", 0xF0F0, 0xFF00, 0x0FF0),
    WordCase{"not", "PUSH R1; NOTW; PULL R10", {W("R1", 0x00FF)}, {W("R10", 0xFF00)}, kOn},
    DintCase("and_dint", "ANDD", 0xF0F0F0F0, 0xFFFF0000, 0xF0F00000),
    DintCase("or_dint", "ORD", 0x000000F0, 0x0F000000, 0x0F0000F0),
    DintCase("xor_dint", "XORD", 0xFFFFFFFF, 0x0000FFFF, 0xFFFF0000),
    WordCase{"not_dint", "PUSH2 R3; NOTD; PULL2 R10", {D("R3", 0x0000FFFF)}, {D("R10", 0xFFFF0000)}, kOn},
    IntCase("shl_15", "SHLW", 0x0001, 15, 0x8000),
    IntCase("shl_16_clears", "SHLW", 0xFFFF, 16, 0),
    IntCase("shl_low_byte_of_count", "SHLW", 0x0001, 0x0101, 0x0002),
    IntCase("shl_count_255", "SHLW", 0xFFFF, 0x00FF, 0),
    IntCase("shr_logical", "SHRW", 0x8000, 15, 1),
    IntCase("shr_16_clears", "SHRW", 0x8000, 16, 0),
    IntCase("rol_17_is_1", "ROLW", 0x8001, 17, 0x0003),
    IntCase("ror_4", "RORW", 0x1234, 4, 0x4123),
    IntCase("ror_16_is_0", "RORW", 0x1234, 16, 0x1234),
    DintCase("shl_dint_31", "SHLD", 1, 31, 0x80000000),
    DintCase("shl_dint_32_clears", "SHLD", 0xFFFFFFFF, 32, 0),
    // The count is a DINT of which only the low word's low byte counts.
    DintCase("shl_dint_count_high_word_ignored", "SHLD", 1, 0x00010001, 2),
    DintCase("shr_dint_logical", "SHRD", 0x80000000, 31, 1),
    DintCase("shr_dint_40_clears", "SHRD", 0x80000000, 40, 0),
    DintCase("rol_dint_33_is_1", "ROLD", 0x80000001, 33, 3),
    DintCase("ror_dint_8", "RORD", 0x12345678, 8, 0x78123456),
    // The power flow is not touched.
    WordCase{"power_off_passes", "PWR_OFF; PUSH R1; NOTW; PULL R10", {W("R1", 0)}, {W("R10", 0xFFFF)}, kOff},
};
TEST_F(WordLogic, Words) { RunCases(kWordLogicWords); }

}  // namespace
