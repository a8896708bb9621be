// Transfers between registers and the word stack: the cell order of two- and four-word
// values, sign extension, byte transfers, and the stack bounds of a malformed program.
#include "word_case.h"

namespace {

using lt::D;
using lt::kOff;
using lt::kOn;
using lt::LadderTest;
using lt::Q;
using lt::W;
using lt::WordCase;
using logic::Stop;

class StackTransfers : public lt::WordCaseTest {};

const std::vector<WordCase> kStackTransfersWords = {
    WordCase{"push_pull", "PUSH R1; PULL R2", {W("R1", 0xBEEF)}, {W("R2", 0xBEEF)}, kOn},
    WordCase{"push_immediate", "PUSHK -5; PULL R2", {}, {W("R2", 0xFFFB)}, kOn},
    WordCase{"push2_pull2", "PUSH2 R1; PULL2 R3", {D("R1", 0x12345678)}, {D("R3", 0x12345678)}, kOn},
    WordCase{"push2_immediate", "PUSH2K 0x89ABCDEF; PULL2 R3", {}, {D("R3", 0x89ABCDEF)}, kOn},
    // The lower cell (pushed first) is the low word and goes to D.
    WordCase{"pull2_low_cell_to_d", "PUSHK 1; PUSHK 2; PULL2 R3", {}, {D("R3", 0x00020001)}, kOn},
    WordCase{"push2_high_word_on_top", "PUSH2 R1; PULL R3; PULL R4", {D("R1", 0xAAAA5555)},
             {W("R3", 0xAAAA), W("R4", 0x5555)}, kOn},
    WordCase{"immediate_sign_extended", "PUSHK_I2D -2; PULL2 R3", {}, {D("R3", 0xFFFFFFFE)}, kOn},
    WordCase{"immediate_positive_extended", "PUSHK_I2D 0x7FFF; PULL2 R3", {}, {D("R3", 0x7FFF)}, kOn},
    WordCase{"int_sign_extended", "PUSH_I2D R1; PULL2 R3", {W("R1", 0x8000)}, {D("R3", 0xFFFF8000)}, kOn},
    WordCase{"push4_pull4", "PUSH4 R1; PULL4 R5", {Q("R1", 0x1122334455667788)},
             {Q("R5", 0x1122334455667788)}, kOn},
    WordCase{"push4_immediate_lowest_first", "PUSH4K 0x0004000300020001; PULL R9; PULL R10; PULL R11; PULL R12",
             {}, {W("R9", 4), W("R10", 3), W("R11", 2), W("R12", 1)}, kOn},
    WordCase{"push4_immediate_lreal", "PUSH4K 1.5; PULL4 R5", {}, {Q("R5", 0x3FF8000000000000)}, kOn},
    // Byte references: the low byte of R1, the high byte of R2 (bit 9 names it).
    WordCase{"push_byte_zero_extended", "PUSHB R1; PULL R3", {W("R1", 0x12F0)}, {W("R3", 0x00F0)}, kOn},
    WordCase{"push_high_byte", "PUSHB R2.9; PULL R3", {W("R2", 0xAB12)}, {W("R3", 0x00AB)}, kOn},
    WordCase{"pull_byte_keeps_neighbour", "PUSHK 0x1234; PULLB R2.9", {W("R2", 0x00CD)}, {W("R2", 0x34CD)}, kOn},
    // None of them looks at the power flow.
    WordCase{"power_off_passes", "PWR_OFF; PUSH R1; PULL R2", {W("R1", 9)}, {W("R2", 9)}, kOff},
};
TEST_F(StackTransfers, Words) { RunCases(kStackTransfersWords); }

// A program that pops more than it pushed, or pushes past 40 cells, is malformed: the
// scan stops at the instruction with nothing written.
struct BoundCase {
  const char* what;
  std::string program;
  Stop stop;
  int32_t position;  // just after the instruction's last operand word
};
void PrintTo(const BoundCase& c, std::ostream* os) { *os << c.what; }

std::string Pushes(int n) {
  std::string s;
  for (int i = 0; i < n; ++i) s += "PUSHK 1; ";
  return s;
}

class StackBounds : public LadderTest, public ::testing::WithParamInterface<BoundCase> {};

TEST_P(StackBounds, StopTheScan) {
  const BoundCase& c = GetParam();
  SetBit("I1");
  SetWord("R1", 0x5555);
  EXPECT_EQ(Run(c.program), c.position);
  EXPECT_EQ(LastStop(), c.stop);
  EXPECT_EQ(Word("R1"), 0x5555);
}

INSTANTIATE_TEST_SUITE_P(
    Words, StackBounds,
    ::testing::Values(BoundCase{"pull_empty", "LD I1; PULL R1; END", Stop::kWordStackUnderflow, 3},
                      BoundCase{"pull2_one_cell", "LD I1; PUSHK 7; PULL2 R1; END", Stop::kWordStackUnderflow, 5},
                      BoundCase{"pull4_three_cells", "LD I1; PUSHK 1; PUSHK 2; PUSHK 3; PULL4 R1; END",
                                Stop::kWordStackUnderflow, 9},
                      BoundCase{"add_one_cell", "LD I1; PUSHK 1; ADD; PULL R1; END", Stop::kWordStackUnderflow, 4},
                      BoundCase{"push_41st_cell", "LD I1; " + Pushes(40) + "PUSHK 1; END", Stop::kWordStackOverflow,
                                1 + 2 * 40 + 2},
                      BoundCase{"push2_past_40", "LD I1; " + Pushes(39) + "PUSH2K 1; END", Stop::kWordStackOverflow,
                                1 + 2 * 39 + 3},
                      BoundCase{"push4_past_40", "LD I1; " + Pushes(37) + "PUSH4K 1; END", Stop::kWordStackOverflow,
                                1 + 2 * 37 + 5}),
    [](const auto& info) { return std::string(info.param.what); });

TEST_F(LadderTest, FortyCellsFit) {
  SetBit("I1");
  std::string pulls;
  for (int i = 1; i <= 40; ++i) pulls += "PULL R" + std::to_string(i) + "; ";
  ASSERT_EQ(Run("LD I1; " + Pushes(39) + "PUSHK 2; " + pulls + "END"), -1);
  EXPECT_EQ(Word("R1"), 2);
  EXPECT_EQ(Word("R40"), 1);
}

}  // namespace
