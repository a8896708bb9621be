// Array, pointer and mask instructions in both operand forms: element limits, addresses
// at, just inside and just outside the registers of the image, and the self-relative
// area record.
#include <cstring>

#include "word_case.h"

namespace {

using lt::D;
using lt::kOff;
using lt::kOn;
using lt::LadderTest;
using lt::W;
using lt::WordCase;

class Indexed : public lt::WordCaseTest {};

// The registers end at byte 109056 (SR448 is its last word); the ET window starts at
// word 52224, just above R50240.
constexpr uint32_t kRegistersEnd = 109056;

const std::vector<WordCase> kArrays = {
    {"bit_index_1_is_the_base", "ARR_GETX I10, R5; OUT Q2", {W("R5", 1)}, {}, kOn},
    {"bit_index_0_pushes_0", "PWR_ON; ARR_GETX I10, R5; OUT Q2; PWR_OFF", {W("R5", 0)}, {}, kOff},
    {"bit_set_element", "ARR_SETX R10, R5; LD I1", {W("R5", 3)}, {W("R10", 4)}, kOn},
    {"bit_set_index_0", "ARR_SETX R10, R5; LD I1", {W("R5", 0)}, {W("R10", 0)}, kOn},
    {"byte_element", "ARR_GETB R10, R5; PULL R9", {W("R5", 2), W("R10", 0xAB12)}, {W("R9", 0xAB)}, kOn},
    {"byte_index_0", "ARR_GETB R10, R5; PULL R9", {W("R5", 0), W("R10", 0xAB12)}, {W("R9", 0)}, kOff},
    {"byte_write", "PUSHK 0x1FE; ARR_SETB R10, R5", {W("R5", 2)}, {W("R10", 0xFE00)}, kOn},
    {"byte_write_index_0", "PUSHK 0x1FE; ARR_SETB R10, R5", {W("R5", 0)}, {W("R10", 0)}, kOff},
    {"word_last_inside", "ARR_GETW R1, R5; PULL R9", {W("R5", 50240), W("R50240", 77)}, {W("R9", 77)}, kOn},
    {"word_index_past_limit", "ARR_GETW R1, R5; PULL R9", {W("R5", 50241)}, {W("R9", 0)}, kOff},
    {"word_element_in_et_window", "ARR_GETW R2, R5; PULL R9", {W("R5", 50240)}, {W("R9", 0)}, kOff},
    {"word_write_last_inside", "PUSHK 5; ARR_SETW R1, R5", {W("R5", 50240)}, {W("R50240", 5)}, kOn},
    {"word_write_into_et_window", "PUSHK 5; ARR_SETW R2, R5", {W("R5", 50240)}, {}, kOff},
    {"word_write_index_0", "PUSHK 5; ARR_SETW R1, R5", {W("R5", 0)}, {W("R1", 0)}, kOff},
    {"dword_last_inside", "ARR_GETD R1, R5; PULL2 R9", {W("R5", 25120), D("R50239", 0x12345678)},
     {D("R9", 0x12345678)}, kOn},
    {"dword_half_in_et_window", "ARR_GETD R2, R5; PULL2 R9", {W("R5", 25120)}, {D("R9", 0)}, kOff},
    {"dword_index_past_limit", "ARR_GETD R1, R5; PULL2 R9", {W("R5", 25121)}, {D("R9", 0)}, kOff},
    {"dword_write", "PUSH2K 0x11223344; ARR_SETD R10, R5", {W("R5", 2)}, {D("R12", 0x11223344)}, kOn},
    {"dword_write_half_in_et_window", "PUSH2K 1; ARR_SETD R2, R5", {W("R5", 25120)}, {}, kOff},
};
TEST_F(Indexed, Arrays) { RunCases(kArrays); }

// The pointer in R1 (a DINT), values through R9.
const std::vector<WordCase> kPointers = {
    {"address_of_word_10", "ADDROF R1, @1184, 0; PTR_GETW R1, 0; PULL R9", {W("@1184", 0x4321)},
     {D("R1", 20), W("R9", 0x4321)}, kOn},
    {"address_plus_offset", "ADDROF R1, R10, 3", {}, {D("R1", 3968 + 18 + 3)}, kOn},
    {"read_byte_unaligned", "PTR_GETB R1, 1; PULL R9", {D("R1", 3968 + 18), W("R10", 0xBEEF)}, {W("R9", 0xBE)}, kOn},
    {"read_word_unaligned", "PTR_GETW R1, 1; PULL R9", {D("R1", 3968 + 18), D("R10", 0x00C0FFEE)},
     {W("R9", 0xC0FF)}, kOn},
    {"read_word_last_inside", "PTR_GETW R1, 0; PULL R9", {D("R1", kRegistersEnd - 2), W("SR448", 0x1234)},
     {W("R9", 0x1234)}, kOn},
    {"read_word_just_outside", "PTR_GETW R1, 0; PULL R9", {D("R1", kRegistersEnd - 1), W("R9", 7)}, {W("R9", 0)},
     kOff},
    {"read_word_offset_outside", "PTR_GETW R1, 2; PULL R9", {D("R1", kRegistersEnd - 2)}, {W("R9", 0)}, kOff},
    {"read_dword_last_inside", "PTR_GETD R1, 0; PULL2 R9", {D("R1", kRegistersEnd - 4), D("SR447", 0xA1B2C3D4)},
     {D("R9", 0xA1B2C3D4)}, kOn},
    {"read_dword_just_outside", "PTR_GETD R1, 1; PULL2 R9", {D("R1", kRegistersEnd - 4)}, {D("R9", 0)}, kOff},
    {"read_negative_pointer", "PTR_GETB R1, 0; PULL R9", {D("R1", 0xFFFFFFFF)}, {W("R9", 0)}, kOff},
    {"read_bit", "PTR_GETX R1, 0; OUT Q2", {D("R1", 3968), W("R1", 0x0001 | 0)}, {}, kOn},
    {"write_byte_last", "PUSHK 0x1AB; PTR_SETB R1, 0", {D("R1", kRegistersEnd - 1)}, {W("SR448", 0xAB00)}, kOn},
    {"write_word_just_outside", "PUSHK 0x1AB; PTR_SETW R1, 0", {D("R1", kRegistersEnd - 1)}, {W("SR448", 0)}, kOff},
    {"write_dword", "PUSH2K 0x11223344; PTR_SETD R1, 1", {D("R1", 3968 + 20 - 1)}, {D("R11", 0x11223344)}, kOn},
    {"write_dword_just_outside", "PUSH2K 1; PTR_SETD R1, 0", {D("R1", kRegistersEnd - 3)}, {D("SR447", 0)}, kOff},
    {"out_stores_ff", "PTR_OUT R1, 0; LD I1; PUSHK 1; PULL R9", {D("R1", 3968 + 20)}, {W("R11", 0xFF), W("R9", 1)}, kOn},
    {"add", "PTR_ADD R5, R1, -6", {D("R1", 100)}, {D("R5", 94)}, kOn},
    {"copy_words_lowest_first", "PTR_COPY R1, R3, 3", {D("R1", 3968 + 18), D("R3", 3968 + 16), W("R9", 0x5A5A)},
     {W("R10", 0x5A5A), W("R11", 0x5A5A), W("R12", 0x5A5A)}, kOn},
    {"copy_words_last_inside", "PTR_COPY R1, R3, 2", {D("R1", kRegistersEnd - 4), D("R3", 3968 + 18),
     D("R10", 0x22221111)}, {D("SR447", 0x22221111)}, kOn},
    {"copy_words_just_outside", "PTR_COPY R1, R3, 2", {D("R1", kRegistersEnd - 3), D("R3", 3968 + 18),
     D("R10", 0x22221111)}, {D("SR447", 0)}, kOff},
    {"copy_words_source_outside", "PTR_COPY R1, R3, 1", {D("R1", 3968 + 18), D("R3", kRegistersEnd - 1)},
     {W("R10", 0)}, kOff},
    {"fill_from_two_bytes", "PTR_FILL R1, R3, 3", {D("R1", 3968 + 18), D("R3", 3968 + 40), W("R21", 0x1234)},
     {W("R10", 0x1234), W("R11", 0x1234), W("R12", 0x1234), W("R13", 0)}, kOn},
    {"fill_zero_writes_nothing", "PTR_FILL R1, R3, 0", {D("R1", 3968 + 18), D("R3", 3968 + 40), W("R21", 1)},
     {W("R10", 0)}, kOn},
    {"fill_with_just_outside", "PTR_FILLK R1, 7, 2", {D("R1", kRegistersEnd - 2)}, {W("SR448", 0)}, kOff},
    {"fill_with", "PTR_FILLK R1, 7, 2", {D("R1", kRegistersEnd - 4)}, {D("SR447", 0x00070007)}, kOn},
    {"copy4", "PTR_COPY4 R1, R3", {D("R1", 3968 + 18), D("R3", 3968 + 40), D("R21", 0xCAFEF00D)},
     {D("R10", 0xCAFEF00D)}, kOn},
    {"copy4_outside", "PTR_COPY4 R1, R3", {D("R1", kRegistersEnd - 3), D("R3", 3968 + 40)}, {}, kOff},
    {"store4", "PTR_STORE4 R1, 0x01020304", {D("R1", kRegistersEnd - 4)}, {D("SR447", 0x01020304)}, kOn},
    {"store4_outside", "PTR_STORE4 R1, 1", {D("R1", kRegistersEnd - 3)}, {D("SR447", 0)}, kOff},
};
TEST_F(Indexed, Pointers) { RunCases(kPointers); }

// Every pointer read and write with its width: at the last place it fits, and one byte
// further, where it would pass the end of the registers.
TEST_F(LadderTest, PointerAccessAtTheEndOfTheRegisters) {
  struct Row {
    const char* body;    // the access through the pointer in R1
    uint32_t width;
    const char* result;  // the bit that shows whether the access was made ("" none)
  };
  const Row rows[] = {
      {"PTR_GETB R1, 0; PULL R9", 1, "Q1"},         {"PTR_GETW R1, 0; PULL R9", 2, "Q1"},
      {"PTR_GETD R1, 0; PULL2 R9", 4, "Q1"},        {"PTR_GETX R1, 0; OUT Q2", 1, "Q2"},
      {"PUSHK 0x5A; PTR_SETB R1, 0", 1, "Q1"},      {"PUSHK 0x5A5A; PTR_SETW R1, 0", 2, "Q1"},
      {"PUSH2K 0x5A5A5A5A; PTR_SETD R1, 0", 4, "Q1"}, {"PWR_ON; PTR_OUT R1, 0; LD I1", 1, ""},
  };
  for (ts::OperandForm form : {ts::OperandForm::k16, ts::OperandForm::k32}) {
    for (const Row& r : rows) {
      for (uint32_t past : {0u, 1u}) {
        SCOPED_TRACE(std::string(r.body) + (past ? " one byte past" : " at the end"));
        std::memset(plc_reg + kRegistersEnd - 8, 0x01, 8);
        std::memset(plc_reg + kRegistersEnd, 0x77, 4);
        lt::PutReg(D("R1", kRegistersEnd - r.width + past));
        SetBit("I1");
        SetBit("Q2", false);
        ASSERT_EQ(Run("LD I1; " + std::string(r.body) + "; OUT Q1; END", form), -1);
        if (*r.result != 0) {
          EXPECT_EQ(Bit(r.result), past == 0);
        }
        for (int i = 0; i < 4; ++i) EXPECT_EQ(plc_reg[kRegistersEnd + i], 0x77);
      }
    }
  }
}

// Pointers never reach the image's internal bytes (the security table among them).
TEST_F(LadderTest, PointersLeaveTheInternalBytesAlone) {
  std::memset(plc_reg + kRegistersEnd, 0x77, 8);
  lt::PutReg(D("R1", kRegistersEnd));
  SetBit("I1");
  ASSERT_EQ(Run("LD I1; PTR_STORE4 R1, 0; PTR_FILLK R1, 0, 1; PUSHK 0; PTR_SETB R1, 0; OUT Q1; END"), -1);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(plc_reg[kRegistersEnd + i], 0x77);
  EXPECT_FALSE(Bit("Q1"));
}

const std::vector<WordCase> kMasks = {
    {"is_one", "ISONE R1; OUT Q2", {W("R1", 1)}, {}, kOn},
    {"is_one_not_two", "ISONE R1; OUT Q1; PWR_OFF", {W("R1", 3)}, {}, kOff},
    {"mask_test", "MASKT R1, R2; OUT Q2", {W("R1", 0x0F00), W("R2", 0x0100)}, {}, kOn},
    {"mask_test_clear", "MASKT R1, R2; OUT Q1; PWR_OFF", {W("R1", 0x0F00), W("R2", 0x00F0)}, {}, kOff},
    {"mask_test_high_word", "MASKTD R1, R3; OUT Q2", {D("R1", 0x80000000), D("R3", 0x80000000)}, {}, kOn},
    {"mask_set", "PWR_ON; MASKW R1, R2; LD I1", {W("R1", 0x000F), W("R2", 0x0F00)}, {W("R1", 0x0F0F)}, kOn},
    {"mask_off_clears_exactly_s", "PWR_OFF; MASKW R1, R2; LD I1", {W("R1", 0xFFF0), W("R2", 0x0F0F)},
     {W("R1", 0xF0F0)}, kOn},
    {"mask_two_words", "PWR_OFF; MASKWD R1, R3; LD I1", {D("R1", 0xFFFFFFFF), D("R3", 0x80000001)},
     {D("R1", 0x7FFFFFFE)}, kOn},
};
TEST_F(Indexed, Masks) { RunCases(kMasks); }

// The area record: flags, area token, bit number, size. R10 is at token 32768 + 144.
const std::vector<WordCase> kAreas = {
    {"set_bit_9_of_bytes", "BITAREA 0x201, R10, 9, 4", {}, {W("R10", 0x0100)}, kOn},
    {"clear_bit", "BITAREA 0x202, R10, 16, 2", {W("R10", 0xFFFF)}, {W("R10", 0x7FFF)}, kOn},
    {"test_bit_set", "BITAREA 3, R10, 17, 2", {W("R11", 1)}, {}, kOn},
    {"test_bit_clear", "BITAREA 3, R10, 18, 2", {W("R11", 1)}, {}, kOff},
    {"number_from_register", "BITAREA 0x101, R10, R20, 1", {W("R20", 2)}, {W("R10", 2)}, kOn},
    {"size_from_register", "BITAREA 0x201, R10, 20, R21", {W("R21", 2)}, {W("R10", 0)}, kOff},
    {"number_past_area", "BITAREA 0x201, R10, 33, 4", {}, {W("R10", 0)}, kOff},
    {"number_zero", "BITAREA 1, R10, 0, 4", {}, {}, kOff},
    {"area_token_below_1024", "BITAREA 1, 1000, 1, 4", {}, {}, kOff},
    {"area_larger_than_512", "BITAREA 0x201, R10, 1, 513", {}, {W("R10", 0)}, kOff},
    {"unknown_operation_keeps_flow", "BITAREA 0x205, R10, 1, 4", {}, {W("R10", 0)}, kOn},
    {"power_off_skips", "PWR_OFF; BITAREA 0x201, R10, 1, 4; PWR_ON", {}, {W("R10", 0)}, kOn},
    // Self-relative: the area location R10 holds the offset 8, so bit 1 is bit 0 of R14.
    {"self_relative", "BITAREA 0x601, R10, 1, 2", {D("R10", 8)}, {W("R14", 1)}, kOn},
    {"self_relative_backwards", "BITAREA 0x601, R10, 2, 2", {D("R10", uint32_t(-4))}, {W("R8", 2)}, kOn},
    // An offset that leads past the registers is refused.
    {"self_relative_outside", "BITAREA 0x601, R10, 1, 2", {D("R10", 200000)}, {}, kOff},
    {"self_relative_negative", "BITAREA 0x601, R10, 1, 2", {D("R10", uint32_t(-10000))}, {}, kOff},
    // The last register byte is reachable; one byte more is not.
    {"area_at_the_end", "BITAREA 0x201, SR448, 8, 1", {}, {W("SR448", 0x0080)}, kOn},
    {"relative_area_at_the_end", "BITAREA 0x601, R10, 1, 1", {D("R10", kRegistersEnd - 1 - (3968 + 18))},
     {W("SR448", 0x0100)}, kOn},
    {"relative_area_past_the_end", "BITAREA 0x601, R10, 1, 1", {D("R10", kRegistersEnd - (3968 + 18))}, {}, kOff},
    {"area_past_the_end", "BITAREA 0x201, SR448, 1, 4", {}, {W("SR448", 0)}, kOff},
};
TEST_F(Indexed, BitInArea) { RunCases(kAreas); }

// In the 32-bit form the index register is an ordinary relocated reference: an ESR
// token, whose low 16 bits are 0, names SR193 and never a word below the image.
TEST_F(LadderTest, IndexRegisterTokenIsRelocated) {
  SetBit("I1");
  SetWord("R5", 0x5555);
  SetRegWord(lt::RegOffset("SR193"), 5);
  ASSERT_EQ(Run("LD I1; ARR_GETW R1, SR193; PULL R9; OUT Q1; END", ts::OperandForm::k32), -1);
  EXPECT_EQ(Word("R9"), 0x5555);
  EXPECT_TRUE(Bit("Q1"));
}

}  // namespace
