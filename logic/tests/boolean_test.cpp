// Contacts, branch logic and coils. I1 and I3 are on, I2 is off in every case.
#include "ladder_fixture.h"

namespace {

using lt::LadderTest;

struct StackCase {
  const char* what;
  const char* program;  // END is appended
  std::vector<int> stack;  // bit stack after the program, bottom first
};
void PrintTo(const StackCase& c, std::ostream* os) { *os << c.what; }

class StackLogic : public LadderTest, public ::testing::WithParamInterface<StackCase> {};

TEST_P(StackLogic, LeavesTheBitStack) {
  SetBits({"I1", "I3"});
  ASSERT_EQ(Run(std::string(GetParam().program) + "; END"), -1);
  EXPECT_EQ(BitStack(), GetParam().stack);
}

INSTANTIATE_TEST_SUITE_P(
    Boolean, StackLogic,
    ::testing::Values(
        StackCase{"contacts_push_ff_or_0", "LD I1; LD I2", {0xFF, 0}},
        StackCase{"contact_op31", "LDX I1; LDX I2", {0xFF, 0}},
        StackCase{"on_off_and", "LD I1; LD I2; AND", {0}},
        // AND keeps the lower entry's own byte when the top is on: 1 stays 1, 0xFF 0xFF.
        StackCase{"and_keeps_a_1", "LD I2; NOT; LD I1; AND", {1}},
        StackCase{"and_keeps_ff", "LD I1; LD I3; AND", {0xFF}},
        StackCase{"and_off_top_gives_0", "LD I2; NOT; LD I2; AND", {0}},
        StackCase{"on_off_or", "LD I1; LD I2; OR", {0xFF}},
        StackCase{"off_on_or", "LD I2; LD I1; OR", {0xFF}},
        StackCase{"not_of_ff_is_0", "LD I1; NOT", {0}},
        StackCase{"not_of_0_is_1", "LD I2; NOT", {1}},
        StackCase{"power_on", "LD I2; PWR_ON", {0xFF}},
        StackCase{"power_off", "LD I1; PWR_OFF", {0}},
        // 60 and 61 leave NOT a in the popped slot, which 56 brings back.
        StackCase{"and_not_on", "LD I1; LD I3; AND_NOT; RESTORE", {0, 0}},
        StackCase{"and_not_off", "LD I1; LD I2; AND_NOT; RESTORE", {0xFF, 1}},
        StackCase{"or_not_off", "LD I2; LD I2; OR_NOT; RESTORE", {1, 1}},
        StackCase{"or_not_on", "LD I2; LD I1; OR_NOT; RESTORE", {0, 0}},
        StackCase{"nand_on_on", "LD I1; LD I3; NAND", {0}},
        StackCase{"nand_on_off", "LD I1; LD I2; NAND", {1}},
        StackCase{"nor_off_off", "LD I2; LD I2; NOR", {1}},
        StackCase{"nor_off_on", "LD I2; LD I1; NOR", {0}},
        // 64: top = top OR (a AND b); b's slot becomes 0 when a is 0.
        StackCase{"or_branch_both_on", "LD I2; LD I1; LD I3; OR_BRANCH; RESTORE", {1, 0xFF}},
        StackCase{"or_branch_a_off", "LD I2; LD I1; LD I2; OR_BRANCH; RESTORE", {0, 0}},
        StackCase{"or_branch_keeps_top", "LD I1; LD I2; LD I3; OR_BRANCH", {0xFF}},
        // 65: top = top AND (a OR b); b's slot becomes 1 when a is on.
        StackCase{"and_branch_a_on", "LD I1; LD I2; LD I3; AND_BRANCH; RESTORE", {0xFF, 1}},
        StackCase{"and_branch_both_off", "LD I1; LD I2; LD I2; AND_BRANCH; RESTORE", {0, 0}},
        StackCase{"and_branch_b_on", "LD I1; LD I3; LD I2; AND_BRANCH", {0xFF}},
        StackCase{"pop_then_restore", "LD I1; LD I2; POP; RESTORE", {0xFF, 0}},
        StackCase{"pop_leaves_one_lower", "LD I1; LD I2; POP", {0xFF}}),
    [](const auto& info) { return std::string(info.param.what); });

// Coils: {mnemonic, power, bit before, edge bit before} -> {bit after, edge bit after}.
struct CoilCase {
  const char* coil;
  bool power, bit, edge;
  bool bit_after, edge_after;
};
void PrintTo(const CoilCase& c, std::ostream* os) {
  *os << c.coil << " power " << c.power << " bit " << c.bit << " edge " << c.edge;
}

class Coils : public LadderTest, public ::testing::WithParamInterface<CoilCase> {};

// The coil's bit shares its byte with set and clear neighbours that must not change.
TEST_P(Coils, WriteOnlyTheirBit) {
  const CoilCase& c = GetParam();
  const uint32_t q = ts::RegisterToken("Q4");  // bit 3 of the first Q byte
  SetBit("I1", c.power);
  *Byte(q) = uint8_t(0xA5 & ~0x08) | (c.bit ? 0x08 : 0);
  old_reg[(q - 1024) / 8] = uint8_t(0x5A & ~0x08) | (c.edge ? 0x08 : 0);
  ASSERT_EQ(Run(std::string("LD I1; ") + c.coil + " Q4; END"), -1);
  EXPECT_EQ(*Byte(q), uint8_t(0xA5 & ~0x08) | (c.bit_after ? 0x08 : 0));
  EXPECT_EQ(old_reg[(q - 1024) / 8], uint8_t(0x5A & ~0x08) | (c.edge_after ? 0x08 : 0));
  EXPECT_TRUE(BitStack().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Boolean, Coils,
    ::testing::Values(
        CoilCase{"OUT", true, false, false, true, false}, CoilCase{"OUT", false, true, false, false, false},
        CoilCase{"SET", true, false, false, true, false}, CoilCase{"SET", false, true, false, true, false},
        CoilCase{"RST", true, true, false, false, false}, CoilCase{"RST", false, true, false, true, false},
        CoilCase{"OUT_NOT", true, true, false, false, false}, CoilCase{"OUT_NOT", false, false, false, true, false},
        // positive transition: on with the edge clear sets the bit, on with it set clears it
        CoilCase{"OUT_P", true, false, false, true, true}, CoilCase{"OUT_P", true, true, true, false, true},
        CoilCase{"OUT_P", false, true, true, false, false},
        // negative transition: off with the edge set sets the bit, once
        CoilCase{"OUT_N", true, true, false, false, true}, CoilCase{"OUT_N", false, false, true, true, false},
        CoilCase{"OUT_N", false, true, false, false, false}));

TEST_F(LadderTest, TransitionCoilsAreOnForOneScan) {
  struct Step {
    bool power, positive, negative;
  };
  const Step steps[] = {{true, true, false}, {true, false, false}, {true, false, false},
                        {false, false, true}, {false, false, false}, {true, true, false}};
  prog_.Load("LD I1; OUT_P Q1; LD I1; OUT_N Q2; END");
  for (std::size_t i = 0; i < std::size(steps); ++i) {
    SCOPED_TRACE(i);
    SetBit("I1", steps[i].power);
    ASSERT_EQ(Scan(), -1);
    EXPECT_EQ(Bit("Q1"), steps[i].positive);
    EXPECT_EQ(Bit("Q2"), steps[i].negative);
  }
}

}  // namespace
