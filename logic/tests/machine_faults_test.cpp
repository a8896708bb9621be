// A malformed program stops the scan with an error position and touches nothing outside
// the machine: stack overflow and underflow, jumps and calls outside the stream, running
// off its end, and register operands that do not address the image.
#include "ground/tablestore.h"
#include "ladder_fixture.h"
#include "testsupport/stepping_clock.h"

namespace {

using lt::LadderTest;
using logic::Stop;
using ts::OperandForm;
using ts::Trailer;

struct FaultCase {
  std::string what;
  std::string program;
  int32_t position;
  Stop stop;
  OperandForm form = OperandForm::k16;
  Trailer trailer = Trailer::kFeatures;  // kBare: the table ends with the last word shown
};
void PrintTo(const FaultCase& c, std::ostream* os) { *os << c.what; }

std::string Repeat(const std::string& s, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += s;
  return out;
}

std::vector<FaultCase> Cases() {
  const OperandForm k32 = OperandForm::k32;
  return {
      // bit stack: 20 entries
      {"bit_stack_overflow", Repeat("LD I1;", 21) + "END", 21, Stop::kBitStackOverflow},
      {"bit_stack_full_is_fine_restore_overflows", Repeat("LD I1;", 20) + "RESTORE; END", 21, Stop::kBitStackOverflow},
      {"coil_on_empty_stack", "OUT Q1; END", 2, Stop::kBitStackUnderflow},
      {"and_with_one_entry", "LD I1; AND; END", 2, Stop::kBitStackUnderflow},
      {"or_branch_with_two_entries", "LD I1; LD I1; OR_BRANCH; END", 3, Stop::kBitStackUnderflow},
      {"skipoff_on_empty_stack", "SKIPOFF 1; END", 2, Stop::kBitStackUnderflow},
      {"alarm_group_on_empty_stack", "ALARM_GROUP 1, 1, 0, R1, R2, M1, M2, M3, M4; END", 10, Stop::kBitStackUnderflow},
      // the end of the stream
      {"no_end_opcode", "LD I1; LD I2", 2, Stop::kRanOffEnd, OperandForm::k16, Trailer::kBare},
      {"operand_missing_at_end", "LD I1; .word 38", 2, Stop::kRanOffEnd, OperandForm::k16, Trailer::kBare},
      {"escape_without_index", "LD I1; .word 361, 1776", 3, Stop::kRanOffEnd, OperandForm::k16, Trailer::kBare},
      {"half_a_token_at_end", "LD I1; .word 38, 0x400", 3, Stop::kRanOffEnd, k32, Trailer::kBare},
      {"half_an_offset_at_end", "LD I1; .word 68, 0", 3, Stop::kRanOffEnd, k32, Trailer::kBare},
      // jumps, calls and returns
      {"jump_past_end", "LD I1; JMP 100; END", 3, Stop::kJumpOutside},
      {"jump_before_start", "LD I1; JMP -4; END", 3, Stop::kJumpOutside},
      {"jump32_far", "LD I1; JMP32 0x7FFFFFFF; END", 4, Stop::kJumpOutside},
      {"jump32_negative", "LD I1; JMP32 -0x80000000; END", 4, Stop::kJumpOutside},
      {"skipoff_past_end", "LD I2; SKIPOFF 60000; END", 3, Stop::kJumpOutside},
      {"call_outside", "LD I1; CALL 50; END", 3, Stop::kJumpOutside},
      {"call32_outside", "LD I1; CALL32 -10; END", 4, Stop::kJumpOutside},
      {"step_target_outside", "STEP R10, 0, 0, 0, 1000; END", 10, Stop::kJumpOutside},
      {"ninth_nested_call", "top: LD I1; CALL top; END", 3, Stop::kCallTooDeep},
      {"return_at_depth_zero", "LD I1; RET; END", 2, Stop::kReturnAtDepthZero},
      // a loop that never exits: the scan ends with a fault at the jump it reached
      {"endless_backward_jump", "top: LD I1; JMP top; END", 3, Stop::kEndlessLoop},
      {"endless_loop_through_a_not", "LD I1; top: LD I2; NOT; JMP top; END", 5, Stop::kEndlessLoop},
      {"endless_loop_from_the_start", "top: LD I2; NOT; JMP top; END", 4, Stop::kEndlessLoop},
      // register operands
      {"bit_word_below_1024", "LD I1; .word 38, 1023; END", 3, Stop::kBadOperand},
      {"word_ref_below_1024", "STEP @5, 0, 0, 0, 0; END", 2, Stop::kBadOperand},
      {"token_below_1024", "LD I1; OUT @1023; END", 4, Stop::kBadOperand, k32},
      {"token_after_image", "LD I1; OUT @0xCC400; END", 4, Stop::kBadOperand, k32},
      {"token_before_et", "LD I1; OUT @0x10007FFF; END", 4, Stop::kBadOperand, k32},
      {"token_after_et", "LD I1; OUT @0x1000C000; END", 4, Stop::kBadOperand, k32},
      {"token_after_em", "LD I1; OUT @0x10020000; END", 4, Stop::kBadOperand, k32},
      {"token_after_esr", "LD I1; OUT @0x10031000; END", 4, Stop::kBadOperand, k32},
      {"remote_token", "LD I1; OUT @0x80001001; END", 4, Stop::kBadOperand, k32},
      {"iec_token", "LD I1; OUT @0xC0000001; END", 4, Stop::kBadOperand, k32},
      {"step_word_token_in_gap", "STEP @0x10000000, 0, 0, 0, 0; END", 3, Stop::kBadOperand, k32},
      {"alarm_entries_past_image", "LD I1; ALARM_GROUP 60000, 1, 0, R1, R2, M1, M2, M3, M4; END", 6,
       Stop::kBadOperand},
      {"alarm_stamps_past_image", "LD I1; ALARM_GROUP 5000, 1, 2, R1, R40000, M1, M2, M3, M4; END", 9,
       Stop::kBadOperand, k32},
  };
}

class Faults : public LadderTest, public ::testing::WithParamInterface<FaultCase> {};

TEST_P(Faults, StopTheScanAtTheirPosition) {
  const FaultCase& c = GetParam();
  SetBit("I1");
  SetWord("R10", 0);
  std::vector<uint8_t> before(plc_reg, plc_reg + reg::kImageSize);
  prog_ = ts::LadderProgram(c.form);
  prog_.Load(prog_.assembler().Assemble(c.program), c.trailer);
  EXPECT_EQ(Scan(), c.position);
  EXPECT_EQ(LastStop(), c.stop);
  // Nothing of the faulty instruction reached the image, and the scan did not end: S1,
  // set by the program start, stays. The scan entry's time base (SR149-150) is no fault's.
  before[64] = plc_reg[64];
  std::memcpy(before.data() + reg::SrOffset(149), plc_reg + reg::SrOffset(149), 4);
  EXPECT_TRUE(SBitGet(1));
  EXPECT_TRUE(std::equal(before.begin(), before.end(), plc_reg));
}

INSTANTIATE_TEST_SUITE_P(Machine, Faults, ::testing::ValuesIn(Cases()),
                         [](const auto& info) { return info.param.what; });

// A loop whose body is long would take minutes to reach the count of backward jumps;
// the time bound ends it once the loop has run past its time, checked every
// kLoopClockEvery jumps. Here the clock moves 2 s at each reading, so the check at the
// 1024th jump ends the scan with R1 counting the iterations that ran.
TEST_F(LadderTest, ALoopPastItsTimeStopsTheScan) {
  SetWord("R1", 0);
  const std::string body = "top: LD I2; NOT; PUSH R1; PUSHK 1; ADD; PULL R1; JMP top; END";
  prog_ = ts::LadderProgram(OperandForm::k16);
  prog_.Load(prog_.assembler().Assemble(body), Trailer::kFeatures);
  ts::SteppingClock clock(2'000'000'000);
  EXPECT_GT(Scan(), 0);
  EXPECT_EQ(LastStop(), Stop::kEndlessLoop);
  EXPECT_EQ(Word("R1"), logic::kLoopClockEvery);
}

// A size word beyond the logic block is bounded by the block: the machine runs off the
// end of the block, not past it.
TEST_F(LadderTest, SizeWordIsBoundedByTheBlock) {
  uint8_t* data = ladder_bl + kTableHeader;
  const std::size_t words = (kLadderCap - kTableHeader) / 2;
  for (std::size_t i = 0; i < words; ++i) {
    data[2 * i] = 66;  // a no-op
    data[2 * i + 1] = 0;
  }
  SetBlockSize(ladder_bl, 0xFFFFFFFF);
  EXPECT_EQ(LogicUpdate(ladder), int32_t(words));
  EXPECT_EQ(LastStop(), logic::Stop::kRanOffEnd);
}

// No built instruction uses the word stack yet; its bounds belong to the machine.
TEST(WordStack, RefusesOverflowAndUnderflow) {
  logic::Machine m;
  m.Reset(nullptr, 0, true);
  for (int i = 0; i < 40; ++i) m.PushCell(uint16_t(i));
  EXPECT_FALSE(m.Failed());
  m.PushCell(40);
  EXPECT_EQ(m.stop, Stop::kWordStackOverflow);
  EXPECT_EQ(m.Cells(), 40);

  m.Reset(nullptr, 0, true);
  m.PushCell(1);
  m.PushCell(2);
  m.PushCell(3);
  EXPECT_EQ(m.Pop32(), 0x00030002u);
  EXPECT_EQ(m.Pop32(), 0u);
  EXPECT_EQ(m.stop, Stop::kWordStackUnderflow);
  EXPECT_EQ(m.Cells(), 1);

  m.Reset(nullptr, 0, true);
  for (int i = 0; i < 39; ++i) m.PushCell(0);
  m.Push32(0x12345678);
  EXPECT_EQ(m.stop, Stop::kWordStackOverflow);
  EXPECT_EQ(m.Cells(), 39);
}

}  // namespace
