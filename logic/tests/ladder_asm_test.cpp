// The test assembler and loader that the ladder tests rely on.
#include <gtest/gtest.h>

#include <stdexcept>

#include "testsupport/ladder_asm.h"
#include "testsupport/ladder_program.h"

namespace {

using ts::LadderAsm;
using ts::OperandForm;

struct AsmCase {
  const char* text;
  OperandForm form;
  std::vector<uint16_t> words;
};

TEST(LadderAsm, EncodesOperandsInTheirForm) {
  const AsmCase cases[] = {
      {"LD I1; OUT Q1; END", OperandForm::k16, {8192, 38, 10240, 9}},
      {"LD I1; OUT Q1; END", OperandForm::k32, {8192, 38, 10240, 0, 9}},
      {"LD R1.16; OUT ET1", OperandForm::k32, {32783, 38, 0x8000, 0x1000}},
      {"STEP R2049, 0, 0, 0, 0", OperandForm::k16, {361, 1776, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
      {"STEP R6145, 0, 0, 0, 0", OperandForm::k16, {361, 1777, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
      {"STEP SR193, 1, -1, 0, 0", OperandForm::k32, {361, 0, 0x1003, 1, 0, 0xFFFF, 0xFFFF, 0, 0, 0, 0}},
      {"ALARM_GROUP 2, 1, 0, R1, R2, M1, M2, M3, M4", OperandForm::k16,
       {41, 2, 1, 0, 32768, 32784, 14336, 14337, 14338, 14339}},
      // Offsets count from the word after the offset.
      {"top: LD I1; JMP top; JMP32 end; OP66; end: END", OperandForm::k16, {8192, 71, 0xFFFD, 68, 1, 0, 66, 9}},
      {".word 1, 0xFFFF, -1", OperandForm::k16, {1, 0xFFFF, 0xFFFF}},
  };
  for (const AsmCase& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(LadderAsm(c.form).Assemble(c.text), c.words);
  }
}

TEST(LadderAsm, RefusesWhatItCannotEncode) {
  for (const char* text : {"FOO", "OUT", "OUT Q1, Q2", "LD R5000.1", "OUT R3000.1", "STEP R10241, 0, 0, 0, 0",
                           "JMP nowhere", "OUT Q9999", "x: END; x: END"}) {
    SCOPED_TRACE(text);
    EXPECT_THROW(LadderAsm().Assemble(text), std::invalid_argument);
  }
}

TEST(LadderProgram, CrcIsTheModbusCrc) {
  const char* check = "123456789";
  EXPECT_EQ(ts::Crc16Modbus(reinterpret_cast<const uint8_t*>(check), 9), 0x4B37);
}

}  // namespace
