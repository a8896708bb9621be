// Jumps, calls, returns and the step dispatch. I1 and I3 are on, I2 is off.
#include <set>
#include <sstream>

#include "ground/unaligned.h"
#include "ladder_fixture.h"

namespace {

using lt::LadderTest;

struct FlowCase {
  const char* what;
  const char* program;
  const char* set;      // coils expected on ("Q1 Q3"), all other Q1..Q4 off
  std::vector<int> stack;
};
void PrintTo(const FlowCase& c, std::ostream* os) { *os << c.what; }

class Flow : public LadderTest, public ::testing::WithParamInterface<FlowCase> {};

TEST_P(Flow, TakesTheRightPath) {
  const FlowCase& c = GetParam();
  SetBits({"I1", "I3"});
  ASSERT_EQ(Run(c.program), -1);
  std::istringstream want(c.set);
  std::set<std::string> on;
  for (std::string q; want >> q;) on.insert(q);
  for (const char* q : {"Q1", "Q2", "Q3", "Q4"}) EXPECT_EQ(Bit(q), on.count(q) > 0) << q;
  EXPECT_EQ(BitStack(), c.stack);
}

INSTANTIATE_TEST_SUITE_P(
    Boolean, Flow,
    ::testing::Values(
        // 70 keeps the power flow: a top of 0 skips three words and stays on the stack.
        FlowCase{"skipoff_top_off", "LD I3; LD I2; SKIPOFF 3; SET Q1; PWR_OFF; END", "", {0xFF, 0}},
        FlowCase{"skipoff_top_on", "LD I3; LD I1; SKIPOFF 3; SET Q1; PWR_OFF; END", "Q1", {0}},
        // 71 pops; with power it skips the words after its offset.
        FlowCase{"jmp_on_skips_two_words", "LD I3; LD I3; LD I1; JMP 2; SET Q1; OUT Q2; END", "Q2", {0xFF}},
        FlowCase{"jmp_off_only_pops", "LD I3; LD I3; LD I2; JMP 2; SET Q1; OUT Q2; END", "Q1 Q2", {}},
        FlowCase{"jmp_backward_and_forward",
                 "LD I3; JMP fwd; back: LD I3; SET Q2; END; fwd: LD I3; SET Q1; LD I3; JMP back", "Q1 Q2", {}},
        FlowCase{"jmp32_backward_and_forward",
                 "LD I3; JMP32 fwd; back: LD I3; SET Q2; END; fwd: LD I3; SET Q1; LD I3; JMP32 back", "Q1 Q2", {}},
        FlowCase{"jmp32_off_falls_through", "LD I2; JMP32 end; LD I3; SET Q1; end: END", "Q1", {}},
        FlowCase{"call_returns_after_offset",
                 "LD I3; CALL sub; LD I3; SET Q2; END; sub: LD I3; SET Q1; LD I3; RET", "Q1 Q2", {}},
        FlowCase{"call32_returns_after_offset",
                 "LD I3; CALL32 sub; LD I3; SET Q2; END; sub: LD I3; SET Q1; LD I3; RET", "Q1 Q2", {}},
        FlowCase{"call_off_does_not_call", "LD I2; CALL sub; END; sub: LD I3; SET Q1; LD I3; RET", "", {}},
        // 74 with power off only pops; the subroutine goes on.
        FlowCase{"ret_off_only_pops",
                 "LD I3; CALL sub; LD I3; SET Q2; END; sub: LD I2; RET; LD I3; SET Q3; LD I3; RET", "Q2 Q3", {}}),
    [](const auto& info) { return std::string(info.param.what); });

TEST_F(LadderTest, CallsNestEightDeep) {
  std::string text = "LD I3; CALL c1; LD I3; SET Q2; END\n";
  for (int i = 1; i <= 8; ++i) {
    text += "c" + std::to_string(i) + ": LD I3; ";
    text += i < 8 ? "CALL c" + std::to_string(i + 1) + "; LD I3; RET\n" : "SET Q1; LD I3; RET\n";
  }
  SetBit("I3");
  ASSERT_EQ(Run(text), -1);
  EXPECT_TRUE(Bit("Q1"));
  EXPECT_TRUE(Bit("Q2"));
  EXPECT_EQ(logic::LastMachine().depth, 0);
}

// Step word at R10, step time (DINT, ms) at R11-R12. o1..o4 set Q1..Q4.
class Step : public LadderTest {
 protected:
  void SetUp() override {
    LadderTest::SetUp();
    SetBit("I3");
    prog_.Load(
        "STEP R10, a1, a2, a3, a4\n"
        "a4: LD I3; SET Q4; END\n"
        "a1: LD I3; SET Q1; END\n"
        "a2: LD I3; SET Q2; END\n"
        "a3: LD I3; SET Q3; END\n");
  }
  uint32_t StepTime() { return UTIL_GetDword(plc_reg + (ts::RegisterToken("R11") - 1024) / 8); }
  void SetStepTime(uint32_t v) { UTIL_PutDword(plc_reg + (ts::RegisterToken("R11") - 1024) / 8, v); }
  // Scan after ticks of the time base, clearing the coils first.
  void ScanAfter(int64_t ticks) {
    clock_->AdvanceTicks(ticks);
    for (const char* q : {"Q1", "Q2", "Q3", "Q4"}) SetBit(q, false);
    ASSERT_EQ(Scan(), -1);
  }
};

TEST_F(Step, DispatchesOnTheStepWord) {
  struct Case {
    uint16_t step, step_after;
    const char* path;
    uint32_t time_after;
  };
  for (const Case& c : {Case{2, 1, "Q1", 0}, Case{3, 0, "Q3", 500}, Case{0, 0, "Q4", 500}, Case{7, 7, "Q4", 500}}) {
    SCOPED_TRACE(c.step);
    SetWord("R10", c.step);
    SetStepTime(500);
    SBitSet(1, true);  // first scan: no scan time to add
    ScanAfter(0);
    EXPECT_EQ(Word("R10"), c.step_after);
    EXPECT_EQ(StepTime(), c.time_after);
    EXPECT_TRUE(Bit(c.path));
    EXPECT_TRUE(BitStack().empty());
  }
}

TEST_F(Step, ActiveStepAddsEachScansInterval) {
  SetWord("R10", 2);
  SetStepTime(12345);
  ScanAfter(0);  // first scan: activates, time zeroed
  EXPECT_EQ(Word("R10"), 1);
  EXPECT_EQ(StepTime(), 0u);
  // 25.0 ms, then 3.7 ms and 0.3 ms: the 0.7 ms carried over makes the last one 1 ms.
  ScanAfter(250);
  EXPECT_TRUE(Bit("Q2"));
  EXPECT_EQ(StepTime(), 25u);
  ScanAfter(37);
  EXPECT_EQ(StepTime(), 28u);
  ScanAfter(3);
  EXPECT_EQ(StepTime(), 29u);
}

}  // namespace
