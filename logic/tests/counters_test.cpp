// Up and down counters, 16 and 32-bit, with both preset forms and both operand forms.
// The edge memory is bit 14 of the record's control word.
#include <cstring>
#include <string>
#include <tuple>

#include "timers_fixture.h"

namespace {

using lt::RecordTest;
using logic::Stop;
using ts::OperandForm;

constexpr uint16_t kEdge = 0x4000;
constexpr uint16_t kOutput = 0x8000;

struct CounterKind {
  const char* instruction;  // mnemonic, with the sub-opcode of the 32-bit counter
  bool wide;
  bool down;
  bool immediate;
};
void PrintTo(const CounterKind& c, std::ostream* os) { *os << c.instruction; }

constexpr CounterKind kKinds[] = {
    {"CTU", false, false, false},     {"CTU_I", false, false, true},    {"CTD", false, true, false},
    {"CTD_I", false, true, true},     {"DCNT 0,", true, false, false},  {"DCNT_I 1,", true, false, true},
    {"DCNT 2,", true, true, false},   {"DCNT_I 3,", true, true, true},
};

// The record at R3000 and the preset register R6200 take the escapes in the 16-bit form.
class EveryCounter : public RecordTest,
                     public ::testing::WithParamInterface<std::tuple<CounterKind, OperandForm>> {
 protected:
  void Expect(int64_t count, bool edge, bool out) {
    const bool wide = std::get<0>(GetParam()).wide;
    EXPECT_EQ(Value(R(3000), wide), count);
    EXPECT_EQ(Bit("Q1"), out);
    // Bits 0-13 are the counter's to leave alone.
    EXPECT_EQ(Control(R(3000), wide), 0x1555 | (edge ? kEdge : 0) | (out ? kOutput : 0));
  }
};

TEST_P(EveryCounter, CountsRisingEdgesOnce) {
  const auto& [k, form] = GetParam();
  SetValue(R(6200), k.wide, 3);
  SetControl(R(3000), k.wide, 0x1555);
  prog_ = ts::LadderProgram(form);
  prog_.Load(std::string("LD I1; ") + k.instruction + " I2, R3000, " + (k.immediate ? "3" : "R6200") +
             "; OUT Q1; END");
  Step(0, false, true);  // reset: an up counter to 0, a down counter to its preset
  Expect(k.down ? 3 : 0, false, false);
  for (int i = 1; i <= 3; ++i) {
    SCOPED_TRACE("edge " + std::to_string(i));
    const int64_t count = k.down ? 3 - i : i;
    Step(0, true);
    Expect(count, true, i == 3);
    Step(0, true);  // held on: no count
    Expect(count, true, i == 3);
    Step(0, false);
    Expect(count, false, i == 3);
  }
  // A reset in the scan of a rising edge wins over the count; the edge is remembered.
  Step(0, true, true);
  Expect(k.down ? 3 : 0, true, false);
  const uint8_t zeros[6] = {};
  EXPECT_EQ(std::memcmp(old_reg + R(3000), zeros, sizeof zeros), 0) << "the edge memory is in the record";
}

INSTANTIATE_TEST_SUITE_P(Counters, EveryCounter,
                         ::testing::Combine(::testing::ValuesIn(kKinds),
                                            ::testing::Values(OperandForm::k16, OperandForm::k32)),
                         [](const auto& info) {
                           std::string name = std::get<0>(info.param).instruction;
                           for (char& ch : name)
                             if (ch == ' ' || ch == ',') ch = '_';
                           return name + (std::get<1>(info.param) == OperandForm::k16 ? "form16" : "form32");
                         });

// One evaluation from a stored count: limits, preset forms and resets. The first scan runs
// with both inputs off, so the edge memory is clear.
struct CountCase {
  const char* what;
  const char* counter;  // record R1; preset register R10
  bool wide;
  int64_t before;
  int64_t preset_register;
  bool input, reset;
  int64_t after;
  bool out;
};
void PrintTo(const CountCase& c, std::ostream* os) { *os << c.what; }

class Counts : public RecordTest, public ::testing::WithParamInterface<CountCase> {};

TEST_P(Counts, StayInRangeAndCompare) {
  const CountCase& c = GetParam();
  ASSERT_EQ(Run(std::string("LD I1; ") + c.counter + "; OUT Q1; END"), -1);
  SetValue(R(1), c.wide, c.before);
  SetValue(R(10), c.wide, c.preset_register);
  Step(0, c.input, c.reset);
  EXPECT_EQ(c.wide ? Value(R(1), true) : int16_t(Value(R(1), false)), c.after);
  EXPECT_EQ(Bit("Q1"), c.out);
  EXPECT_EQ((Control(R(1), c.wide) & kOutput) != 0, c.out);
}

constexpr int64_t kDintMin = -2147483647 - 1;
INSTANTIATE_TEST_SUITE_P(
    Counters, Counts,
    ::testing::Values(
        CountCase{"up_below_the_maximum", "CTU_I I2, R1, 10", false, 32766, 0, true, false, 32767, true},
        CountCase{"up_stops_at_32767", "CTU_I I2, R1, 10", false, 32767, 0, true, false, 32767, true},
        CountCase{"down_stops_at_minus_32768", "CTD I2, R1, R10", false, -32768, 0, true, false, -32768, true},
        CountCase{"dint_up_stops_at_the_maximum", "DCNT_I 1, I2, R1, 10", true, 2147483647, 0, true, false,
                  2147483647, true},
        CountCase{"dint_down_reaches_minus_2147483647", "DCNT_I 3, I2, R1, 10", true, -2147483646, 0, true, false,
                  -2147483647, true},
        CountCase{"dint_down_stops_at_minus_2147483647", "DCNT_I 3, I2, R1, 10", true, -2147483647, 0, true, false,
                  -2147483647, true},
        CountCase{"dint_down_below_its_minimum_stays", "DCNT 2, I2, R1, R10", true, kDintMin, 0, true, false,
                  kDintMin, true},
        // A 16-bit immediate preset is unsigned, a register preset an INT.
        CountCase{"immediate_preset_65535_is_not_minus_1", "CTU_I I2, R1, 65535", false, 32766, 0, true, false,
                  32767, false},
        CountCase{"register_preset_0xffff_is_minus_1", "CTU I2, R1, R10", false, -2, 0xFFFF, true, false, -1, true},
        CountCase{"dint_register_preset", "DCNT 0, I2, R1, R10", true, 99999, 100000, true, false, 100000, true},
        CountCase{"up_counter_reset_to_0", "CTU_I I2, R1, 0", false, 9, 0, false, true, 0, true},
        // A reset down counter loads its preset, done only for a preset of 0 or below.
        CountCase{"down_reset_preset_0", "CTD I2, R1, R10", false, 9, 0, false, true, 0, true},
        CountCase{"down_reset_preset_negative", "CTD I2, R1, R10", false, 9, 0xFFFC, false, true, -4, true},
        CountCase{"down_reset_preset_positive", "CTD_I I2, R1, 5", false, -9, 0, false, true, 5, false},
        CountCase{"dint_down_reset_preset", "DCNT 2, I2, R1, R10", true, 0, 100000, false, true, 100000, false},
        // A preset outside the count's range is loaded as the nearest count of the range.
        CountCase{"down_reset_immediate_preset_40000", "CTD_I I2, R1, 40000", false, 0, 0, false, true, 32767, false},
        CountCase{"dint_down_reset_preset_below_the_minimum", "DCNT_I 3, I2, R1, -2147483648", true, 0, 0, false, true,
                  -2147483647, true}),
    [](const auto& info) { return std::string(info.param.what); });

// With a sub-opcode other than 0..3 the operands cannot be read: the scan stops after the
// sub-opcode word.
TEST_F(RecordTest, UnknownSubOpcodeStopsTheScan) {
  SetBit("I1");
  SetRegWord(R(1), 7);
  EXPECT_EQ(Run("LD I1; DCNT 4, I2, R1, R10; OUT Q1; END"), 3);
  EXPECT_EQ(LastStop(), Stop::kInvalidOpcode);
  EXPECT_EQ(RegWord(R(1)), 7);
  EXPECT_EQ(Control(R(1), true), 0);
}

}  // namespace
