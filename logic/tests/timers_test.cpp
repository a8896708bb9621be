// Timers of every kind, width and unit, with both preset forms and both operand forms;
// time comes from the test clock through the scan tick.
#include <string>
#include <tuple>

#include "testsupport/stepping_clock.h"
#include "timers_fixture.h"

namespace {

using lt::RecordTest;
using logic::Stop;
using ts::OperandForm;

constexpr uint16_t kEnabled = 0x4000;
constexpr uint16_t kOutput = 0x8000;

enum class Kind { kOn, kOff, kAcc };

// The instruction set's timer table: mnemonic, width, kind, 0.1 ms ticks per unit.
struct TimerKindCase {
  const char* mnemonic;
  bool wide;
  Kind kind;
  uint32_t unit;
};
void PrintTo(const TimerKindCase& c, std::ostream* os) { *os << c.mnemonic; }

constexpr TimerKindCase kKinds[] = {
    {"TON_10MS", false, Kind::kOn, 100},     {"TOF_10MS", false, Kind::kOff, 100},
    {"TON_100MS", false, Kind::kOn, 1000},   {"TOF_100MS", false, Kind::kOff, 1000},
    {"TACC_10MS", false, Kind::kAcc, 100},   {"TACC_100MS", false, Kind::kAcc, 1000},
    {"TACC_1S", false, Kind::kAcc, 10000},   {"TON_1S", false, Kind::kOn, 10000},
    {"TOF_1S", false, Kind::kOff, 10000},    {"TACC_1MS", false, Kind::kAcc, 10},
    {"TON_1MS", false, Kind::kOn, 10},       {"TOF_1MS", false, Kind::kOff, 10},
    {"DTACC_1S", true, Kind::kAcc, 10000},   {"DTON_1S", true, Kind::kOn, 10000},
    {"DTOF_1S", true, Kind::kOff, 10000},    {"DTACC_1MS", true, Kind::kAcc, 10},
    {"DTON_1MS", true, Kind::kOn, 10},       {"DTOF_1MS", true, Kind::kOff, 10},
    {"DTACC_10MS", true, Kind::kAcc, 100},   {"DTON_10MS", true, Kind::kOn, 100},
    {"DTOF_10MS", true, Kind::kOff, 100},    {"DTACC_100MS", true, Kind::kAcc, 1000},
    {"DTON_100MS", true, Kind::kOn, 1000},   {"DTOF_100MS", true, Kind::kOff, 1000},
};
static_assert(std::size(kKinds) == 24);

// The record at R3000 and the preset register R6200 take the escapes 1776 and 1777 in
// the 16-bit form.
constexpr uint32_t kRecord = 3000;
constexpr uint32_t kPresetReg = 6200;

class EveryTimer : public RecordTest,
                   public ::testing::WithParamInterface<std::tuple<TimerKindCase, bool, OperandForm>> {
 protected:
  void SetUp() override {
    RecordTest::SetUp();
    std::tie(k_, immediate_, form_) = GetParam();
    at_ = R(kRecord);
  }
  // Loads "LD I1; <timer> [I2,] R3000, <preset of 3 units>; OUT Q1; END" and runs its
  // first scan with the input on.
  void Start() {
    std::string text = std::string("LD I1; ") + k_.mnemonic + (immediate_ ? "_I " : " ");
    if (k_.kind == Kind::kAcc) text += "I2, ";
    text += "R" + std::to_string(kRecord) + ", " + (immediate_ ? "3" : "R" + std::to_string(kPresetReg));
    text += "; OUT Q1; END";
    SetValue(R(kPresetReg), k_.wide, 3);
    prog_ = ts::LadderProgram(form_);
    prog_.Load(text);
    Step(0, true);
  }
  void Expect(int64_t value, bool out, uint16_t control) {
    EXPECT_EQ(Value(at_, k_.wide), value);
    EXPECT_EQ(Bit("Q1"), out);
    EXPECT_EQ(Control(at_, k_.wide), control);
    EXPECT_EQ(RegWord(at_ + (k_.wide ? 6 : 4)), 0) << "written past the record";
  }

  TimerKindCase k_;
  bool immediate_ = false;
  OperandForm form_ = OperandForm::k16;
  uint32_t at_ = 0;
};

// No step is longer than 1.6383 s, so that every elapsed time is counted whole.
TEST_P(EveryTimer, TimesInItsUnitAndCarriesTheRest) {
  const uint32_t u = k_.unit, half = k_.unit / 2;
  Start();
  switch (k_.kind) {
    case Kind::kOn:
      Expect(0, false, kEnabled | Tick());  // first scan: no time, reference restarted
      Step(u + half, true);
      Expect(1, false, kEnabled | TickMinus(half));
      Step(half, true);  // the carried half makes a unit
      Expect(2, false, kEnabled | Tick());
      Step(u, true);
      Expect(3, true, kOutput | kEnabled | Tick());
      Step(5 * u, true);  // at the preset: no time added
      Expect(3, true, kOutput | kEnabled | Tick());
      Step(u, false);
      Expect(0, false, Tick());
      break;
    case Kind::kAcc:
      Expect(0, false, kEnabled | Tick());
      Step(u + half, true);
      Expect(1, false, kEnabled | TickMinus(half));
      Step(10 * u, false);  // input off: the value is kept
      Expect(1, false, Tick());
      Step(u + half, true);
      Expect(2, false, kEnabled | TickMinus(half));
      Step(half, true);
      Expect(3, true, kOutput | kEnabled | Tick());
      Step(u, true, true);  // reset, whatever the input
      Expect(0, false, Tick());
      Step(u, false, true);
      Expect(0, false, Tick());
      break;
    case Kind::kOff:
      Expect(0, true, kOutput | Tick());  // input on: output on, nothing timed
      Step(u + half, false);
      Expect(1, true, kOutput | TickMinus(half));
      Step(half, false);
      Expect(2, true, kOutput | Tick());
      Step(u, false);
      Expect(3, false, Tick());
      Step(5 * u, false);
      Expect(3, false, Tick());
      Step(u, true);
      Expect(0, true, kOutput | Tick());
      break;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Timers, EveryTimer,
    ::testing::Combine(::testing::ValuesIn(kKinds), ::testing::Bool(),
                       ::testing::Values(OperandForm::k16, OperandForm::k32)),
    [](const auto& info) {
      return std::string(std::get<0>(info.param).mnemonic) + (std::get<1>(info.param) ? "_immediate" : "_register") +
             (std::get<2>(info.param) == OperandForm::k16 ? "_form16" : "_form32");
    });

// Scans that do not fall on unit boundaries: the value advances by 0 or 1 unit per scan
// and the rest carries over, so it does not drift.
struct CarryCase {
  const char* what;
  const char* program;
  bool wide;
  uint32_t ticks_per_scan;
  int scans;
  int64_t value;
};
void PrintTo(const CarryCase& c, std::ostream* os) { *os << c.what; }

class RemainderCarry : public RecordTest, public ::testing::WithParamInterface<CarryCase> {};

TEST_P(RemainderCarry, AddsUpOverManyScans) {
  const CarryCase& c = GetParam();
  SetBit("I1");
  ASSERT_EQ(Run(c.program), -1);
  int64_t before = 0;
  for (int i = 0; i < c.scans; ++i) {
    Step(c.ticks_per_scan, true);
    const int64_t now = Value(R(1), c.wide);
    ASSERT_GE(now - before, 0);
    ASSERT_LE(now - before, 1);
    before = now;
  }
  EXPECT_EQ(Value(R(1), c.wide), c.value);
}

INSTANTIATE_TEST_SUITE_P(
    Timers, RemainderCarry,
    ::testing::Values(CarryCase{"ms10_scans_of_3_7ms", "LD I1; TON_10MS_I R1, 1000; OUT Q1; END", false, 37, 100, 37},
                      CarryCase{"s1_scans_of_0_37s", "LD I1; DTON_1S_I R1, 1000; OUT Q1; END", true, 3700, 100, 37},
                      CarryCase{"ms1_scans_of_0_7ms", "LD I1; DTACC_1MS_I I2, R1, 100000; OUT Q1; END", true, 7,
                                100, 70}),
    [](const auto& info) { return std::string(info.param.what); });

// The scan tick counts modulo 16384: a reference tick near the top is followed by a small
// one, and a timer evaluated more than 1.6383 s after the previous evaluation counts only
// the ticks beyond the whole turns.
struct WrapCase {
  const char* what;
  uint16_t reference;  // stored in the record
  uint16_t tick;       // the scan tick of the evaluation
  uint32_t turns;      // whole turns of 16384 ticks in between
  uint16_t value;
  uint16_t new_reference;
};
void PrintTo(const WrapCase& c, std::ostream* os) { *os << c.what; }

class TickWrap : public RecordTest, public ::testing::WithParamInterface<WrapCase> {};

TEST_P(TickWrap, ElapsedIsTakenModulo16384) {
  const WrapCase& c = GetParam();
  ASSERT_EQ(Run("LD I1; TON_1MS_I R1, 30000; OUT Q1; END"), -1);  // input off
  SetControl(R(1), false, kEnabled | c.reference);
  SetBit("I1");
  AdvanceToTick(c.tick, c.turns);
  ASSERT_EQ(Scan(), -1);
  ASSERT_EQ(Tick(), c.tick);
  EXPECT_EQ(Value(R(1), false), c.value);
  EXPECT_EQ(Control(R(1), false), kEnabled | c.new_reference);
}

INSTANTIATE_TEST_SUITE_P(
    Timers, TickWrap,
    ::testing::Values(WrapCase{"wraps_with_the_rest_below_zero", 16370, 3, 0, 1, 16380},
                      WrapCase{"wraps_on_a_unit_boundary", 16383, 9, 0, 1, 9},
                      WrapCase{"less_than_a_unit_keeps_the_reference", 16380, 5, 0, 0, 16380},
                      WrapCase{"longest_countable_gap", 100, 99, 0, 1638, 99 - 3},
                      WrapCase{"gap_of_one_turn_and_250_ticks", 100, 350, 1, 25, 350},
                      WrapCase{"gap_of_exactly_one_turn", 100, 100, 1, 0, 100}),
    [](const auto& info) { return std::string(info.param.what); });

// During the first scan no timer takes time; every powered timer restarts its reference
// and goes on from its stored value afterwards.
TEST_F(RecordTest, FirstScanAddsNoTimeAndRestartsTheReference) {
  for (const bool wide : {false, true}) {
    SCOPED_TRACE(wide ? "32-bit" : "16-bit");
    prog_ = ts::LadderProgram();
    prog_.Load(std::string("LD I1; ") + (wide ? "DTON_10MS_I" : "TON_10MS_I") + " R1, 100; OUT Q1; END");
    SetValue(R(1), wide, 5);
    SetControl(R(1), wide, kEnabled | 0x2000);
    Step(50000, true);
    EXPECT_EQ(Value(R(1), wide), 5);
    EXPECT_EQ(Control(R(1), wide), kEnabled | Tick());
    Step(250, true);
    EXPECT_EQ(Value(R(1), wide), 7);
  }
}

// A 16-bit off-delay timer whose input is off on the first scan starts done, so its
// output does not pulse at a program start; the 32-bit one times from its stored value.
TEST_F(RecordTest, OffDelayWithInputOffOnTheFirstScan) {
  ASSERT_EQ(Run("LD I1; TOF_10MS_I R1, 20; OUT Q1; LD I1; DTOF_10MS_I R11, 20; OUT Q2; END"), -1);
  EXPECT_FALSE(Bit("Q1"));
  EXPECT_EQ(Value(R(1), false), 20);
  EXPECT_EQ(Control(R(1), false), Tick());
  EXPECT_TRUE(Bit("Q2"));
  EXPECT_EQ(Value(R(11), true), 0);
  EXPECT_EQ(Control(R(11), true), kOutput | Tick());

  Step(300, false);
  EXPECT_FALSE(Bit("Q1"));
  EXPECT_EQ(Value(R(1), false), 20);
  EXPECT_TRUE(Bit("Q2"));
  EXPECT_EQ(Value(R(11), true), 3);
}

// Presets at their limits and values beyond them. Each timer runs one powered scan after
// a first scan with its input off; value is the stored value before that scan.
struct PresetCase {
  const char* what;
  const char* timer;  // with the record R1 and, for a register preset, R10
  bool wide;
  int64_t preset_register;
  int64_t value;
  uint32_t ticks;
  int64_t value_after;
  bool out;
};
void PrintTo(const PresetCase& c, std::ostream* os) { *os << c.what; }

class Presets : public RecordTest, public ::testing::WithParamInterface<PresetCase> {};

TEST_P(Presets, DecideDoneAndValue) {
  const PresetCase& c = GetParam();
  ASSERT_EQ(Run(std::string("LD I1; ") + c.timer + "; OUT Q1; END"), -1);
  SetValue(R(10), c.wide, c.preset_register);
  SetValue(R(1), c.wide, c.value);
  Step(c.ticks, true);
  EXPECT_EQ(Value(R(1), c.wide), c.value_after);
  EXPECT_EQ(Bit("Q1"), c.out);
  EXPECT_EQ((Control(R(1), c.wide) & kOutput) != 0, c.out);
}

INSTANTIATE_TEST_SUITE_P(
    Timers, Presets,
    ::testing::Values(
        PresetCase{"preset_0_is_done_at_once", "TON_10MS_I R1, 0", false, 0, 0, 0, 0, true},
        PresetCase{"dint_preset_0_is_done_at_once", "DTON_1S R1, R10", true, 0, 0, 0, 0, true},
        // A 16-bit register preset is an INT: 32768 reads negative, done at once.
        PresetCase{"register_preset_32768", "TON_10MS R1, R10", false, 0x8000, 0, 0, 0x8000, true},
        PresetCase{"register_preset_minus_1", "TACC_1MS I2, R1, R10", false, 0xFFFF, 7, 0, 0xFFFF, true},
        // An immediate preset is unsigned.
        PresetCase{"immediate_preset_40000", "TON_10MS_I R1, 40000", false, 0, 39990, 150, 39991, false},
        PresetCase{"dint_register_preset_negative", "DTON_10MS R1, R10", true, -5, 0, 100, -5, true},
        PresetCase{"value_above_the_preset_is_cut_back", "TON_10MS_I R1, 10", false, 0, 50, 0, 10, true},
        PresetCase{"negative_dint_value_counts_up", "DTON_10MS_I R1, 10", true, 0, -3, 250, -1, false},
        // The sum is not cut to 16 bits before the comparison: a value near 65535 that
        // passes the preset is done, it does not wrap round below it.
        PresetCase{"sum_past_65535_is_done", "TON_1MS_I R1, 65535", false, 0, 65000, 6000, 65535, true},
        PresetCase{"sum_past_the_dint_maximum_is_done", "DTON_1MS_I R1, 2147483647", true, 0, 2147483000, 10000,
                   2147483647, true}),
    [](const auto& info) { return std::string(info.param.what); });

// All timers of a scan see the same tick, and a timer whose rung is skipped keeps its
// record: its reference stays, so the skipped time still counts when it runs again.
TEST_F(RecordTest, SkippedTimerKeepsItsReference) {
  SetBit("I1");
  ASSERT_EQ(Run("LD I1; TON_10MS_I R1, 100; OUT Q1; LD I3; JMP over; LD I1; DTON_10MS_I R11, 100; OUT Q2; over: END"),
            -1);
  EXPECT_EQ(Control(R(1), false) & 0x3FFF, Control(R(11), true) & 0x3FFF);
  const uint16_t reference = Control(R(11), true);
  SetBit("I3");
  Step(250, true);
  EXPECT_EQ(Value(R(1), false), 2);
  EXPECT_EQ(Value(R(11), true), 0);
  EXPECT_EQ(Control(R(11), true), reference);
  SetBit("I3", false);
  Step(250, true);
  EXPECT_EQ(Value(R(1), false), 5);
  EXPECT_EQ(Value(R(11), true), 5);
}

// Every timer of a scan takes the tick of the scan's start, even while the clock moves
// during the scan: with a clock that steps 1 ms at every reading, timers that read the
// clock themselves would each see a later time.
TEST_F(RecordTest, TimersOfOneScanShareOneTick) {
  ts::SteppingClock stepping(1'000'000);
  const std::string program =
      "LD I1; TON_1MS_I R1, 30000; LD I1; TON_1MS_I R4, 30000; LD I1; DTON_1MS_I R11, 30000; "
      "LD I1; DTACC_1MS_I I2, R21, 30000; END";
  SetBit("I1", false);
  ASSERT_EQ(Run(program), -1);
  const uint16_t first = Tick();
  for (uint32_t at : {R(1), R(4)}) EXPECT_EQ(Control(at, false) & 0x3FFF, first);
  for (uint32_t at : {R(11), R(21)}) EXPECT_EQ(Control(at, true) & 0x3FFF, first);

  SetBit("I1");
  ASSERT_EQ(Scan(), -1);
  const uint32_t units = ((Tick() - first) & 0x3FFF) / 10;
  ASSERT_NE(units, 0u);
  for (uint32_t at : {R(1), R(4)}) EXPECT_EQ(Value(at, false), units);
  for (uint32_t at : {R(11), R(21)}) EXPECT_EQ(Value(at, true), units);
}

// Records and presets at the end of the registers (32-bit form: SR448, the last word a
// reference reaches, is at the end of the ESR window, before the image's internal bytes).
// A record or DINT preset that does not fit turns the power flow off and writes nothing;
// a reference that names no register stops the scan.
struct EndCase {
  const char* what;
  OperandForm form;
  const char* instruction;  // powered by I1, its result to Q1; any preset is 0
  int32_t result;           // of the scan: -1, or the error position
  bool out;
  bool written;             // SR447 or SR448 changed
};
void PrintTo(const EndCase& c, std::ostream* os) { *os << c.what; }

class RegisterEnd : public RecordTest, public ::testing::WithParamInterface<EndCase> {};

TEST_P(RegisterEnd, RecordsAreCheckedAgainstTheLastRegister) {
  const EndCase& c = GetParam();
  const uint32_t internal = reg::kOffInternal;
  SrSet(447, 0x1234);
  SrSet(448, 0x5678);
  for (uint32_t i = 0; i < 8; ++i) plc_reg[internal + i] = 0xA5;
  SetBit("I1");
  EXPECT_EQ(Run(std::string("LD I1; ") + c.instruction + "; OUT Q1; END", c.form), c.result);
  if (c.result == -1) {
    EXPECT_EQ(Bit("Q1"), c.out);
  } else {
    EXPECT_EQ(LastStop(), Stop::kBadOperand);
  }
  EXPECT_EQ(SrGet(447) != 0x1234 || SrGet(448) != 0x5678, c.written);
  for (uint32_t i = 0; i < 8; ++i) EXPECT_EQ(plc_reg[internal + i], 0xA5) << "internal byte " << i;
}

constexpr OperandForm k32 = OperandForm::k32;
INSTANTIATE_TEST_SUITE_P(
    Records, RegisterEnd,
    ::testing::Values(
        EndCase{"timer_at_sr447_fits", k32, "TON_10MS_I SR447, 0", -1, true, true},
        EndCase{"timer_at_sr448", k32, "TON_10MS_I SR448, 0", -1, false, false},
        EndCase{"dint_timer_at_sr446_fits", k32, "DTON_10MS_I SR446, 0", -1, true, true},
        EndCase{"dint_timer_at_sr447", k32, "DTON_10MS_I SR447, 0", -1, false, false},
        EndCase{"int_preset_at_sr448_fits", k32, "TON_10MS R1, SR448", -1, false, false},
        EndCase{"dint_preset_at_sr448", k32, "DTON_10MS R1, SR448", -1, false, false},
        EndCase{"accumulating_timer_at_sr448", k32, "TACC_1S_I I2, SR448, 0", -1, false, false},
        EndCase{"counter_at_sr447_fits", k32, "CTU_I I2, SR447, 0", -1, true, true},
        EndCase{"counter_at_sr448", k32, "CTD_I I2, SR448, 0", -1, false, false},
        EndCase{"dint_counter_at_sr447", k32, "DCNT_I 3, I2, SR447, 0", -1, false, false},
        EndCase{"dint_counter_preset_at_sr448", k32, "DCNT 2, I2, R1, SR448", -1, false, false},
        // A token past the ESR window, and a 16-bit word reference below 1024.
        EndCase{"token_past_the_esr_window", k32, "TON_10MS_I @0x10031000, 0", 4, false, false},
        EndCase{"word_below_1024", OperandForm::k16, "CTU_I I2, @1000, 0", 4, false, false}),
    [](const auto& info) { return std::string(info.param.what); });

// The block reads the power flow from the bit stack: an empty stack stops the scan before
// anything is written.
TEST_F(RecordTest, EmptyBitStackStopsTheScan) {
  for (const char* text : {"TON_10MS_I R1, 0; END", "CTU_I I2, R1, 0; END", "DCNT_I 1, I2, R1, 0; END"}) {
    SCOPED_TRACE(text);
    SetRegWord(R(2), 0x1111);
    EXPECT_EQ(Run(text), 1);
    EXPECT_EQ(LastStop(), Stop::kBitStackUnderflow);
    EXPECT_EQ(RegWord(R(2)), 0x1111);
  }
}

}  // namespace
