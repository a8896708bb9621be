// The assembler's sub-opcode rows, literal and format texts, and one-word and two-word
// tokens that the instruction families use.
#include <gtest/gtest.h>

#include <stdexcept>

#include "testsupport/ladder_asm.h"

namespace {

using ts::LadderAsm;
using ts::OperandForm;

TEST(LadderAsm, EncodesSubOpcodesLiteralsAndTokens) {
  struct Case {
    const char* text;
    OperandForm form;
    std::vector<uint16_t> words;
  };
  const Case cases[] = {
      {"ADDL", OperandForm::k16, {543, 16}},
      {"MOVL R1, R5", OperandForm::k32, {543, 48, 32768, 0, 32832, 0}},
      // Three literal bytes fill two words; \x2C is a comma.
      {"STRCPYK 3, R1, a\\x2Cc", OperandForm::k16, {183, 3, 32768, 0x2C61, 0x0063}},
      // A format is always 20 bytes.
      {"FMT R1, R2, 0, 0, 5, %d", OperandForm::k16, {187, 32768, 32784, 0, 0, 5, 0x6425, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
      // Array bases are one word in both forms; area records take two-word tokens.
      {"ARR_GETW R1, R2", OperandForm::k32, {344, 32768, 32784, 0}},
      {"BITAREA 1, R1, 9, 4", OperandForm::k16, {384, 1, 32768, 0, 9, 0, 4, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(LadderAsm(c.form).Assemble(c.text), c.words);
  }
}

TEST(LadderAsm, RefusesBadLiterals) {
  for (const char* text : {"FMT R1, R2, 0, 0, 5, %012345678901234567890d", "STRCPYK 1, R1, \\q", "ARR_GETW ET1, R2",
                           "ADDL 5"}) {
    SCOPED_TRACE(text);
    EXPECT_THROW(LadderAsm(OperandForm::k32).Assemble(text), std::invalid_argument);
  }
}

}  // namespace
