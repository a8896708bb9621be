// LREAL instructions: arithmetic and functions against Python's float (the same IEEE
// doubles, so the exact operations must agree to the bit), text against Python's own
// formatting, and the power flow of compares, windows, conversions and numeric errors
// in both operand forms.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <sstream>

#include "word_case.h"

namespace {

using lt::kOff;
using lt::kOn;
using lt::LadderTest;
using lt::Q;
using lt::W;
using lt::WordCase;

uint64_t Bits(double d) { return std::bit_cast<uint64_t>(d); }
lt::Reg L(const char* name, double v) { return Q(name, Bits(v)); }

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Runs python3 with a script and arguments; the lines it prints, or nothing when python3
// is missing.
std::vector<std::string> Python(const char* script, const std::string& args) {
  ::setenv("LADDER_LREAL_PEER", script, 1);
  FILE* p = ::popen(("python3 -c \"$LADDER_LREAL_PEER\"" + args + " 2>/dev/null").c_str(), "r");
  std::vector<std::string> lines;
  if (p == nullptr) return lines;
  char buf[256];
  while (std::fgets(buf, sizeof buf, p) != nullptr) {
    std::string s(buf);
    if (!s.empty() && s.back() == '\n') s.pop_back();
    lines.push_back(s);
  }
  if (::pclose(p) != 0) lines.clear();
  return lines;
}

constexpr const char* kArithPeer = R"PY(
import math, struct, sys
def dbl(h): return struct.unpack('<d', struct.pack('<Q', int(h, 16)))[0]
def bits(x): return struct.unpack('<Q', struct.pack('<d', x))[0]
C = dbl('401921fb54442491')
ops = {
  'ADDL': lambda a, b: a + b, 'SUBL': lambda a, b: a - b, 'MULL': lambda a, b: a * b,
  'DIVL': lambda a, b: a / b, 'MODL': math.fmod, 'SQRTL': lambda a, b: math.sqrt(a),
  'ABSL': lambda a, b: abs(a), 'DEG2RADL': lambda a, b: a * C / 360, 'RAD2DEGL': lambda a, b: a * 360 / C,
  'POWL': math.pow, 'LOGL': lambda a, b: math.log10(a), 'EXPL': lambda a, b: math.exp(a),
  'LNL': lambda a, b: math.log(a), 'SINL': lambda a, b: math.sin(a), 'COSL': lambda a, b: math.cos(a),
  'TANL': lambda a, b: math.tan(a), 'ASINL': lambda a, b: math.asin(a), 'ACOSL': lambda a, b: math.acos(a),
  'ATANL': lambda a, b: math.atan(a),
}
for arg in sys.argv[1:]:
  op, a, b = arg.split(',')
  print('%016x' % bits(ops[op](dbl(a), dbl(b))))
)PY";

struct PeerCase {
  const char* op;
  double a;
  double b;
  bool exact;  // an IEEE operation, correctly rounded in both
};

const PeerCase kPeerCases[] = {
    {"ADDL", 0.1, 0.2, true},          {"ADDL", 1e308, -1e-308, true},   {"SUBL", 1.0, 1e-17, true},
    {"MULL", 0.1, 3.0, true},          {"MULL", -1.5e200, 2.5e-100, true}, {"DIVL", 1.0, 3.0, true},
    {"DIVL", -7.25, 0.1, true},        {"MODL", 7.5, 2.0, true},         {"MODL", -1e17, 3.3, true},
    {"SQRTL", 2.0, 0, true},           {"SQRTL", 5e-324, 0, true},       {"ABSL", -0.0, 0, true},
    {"DEG2RADL", 180.0, 0, true},      {"RAD2DEGL", 1.0, 0, true},       {"POWL", 2.0, 0.5, false},
    {"POWL", 1.5, -3.25, false},       {"LOGL", 1000.0, 0, false},       {"EXPL", 1.0, 0, false},
    {"LNL", 10.0, 0, false},           {"SINL", 100.0, 0, false},        {"COSL", 1.0, 0, false},
    {"TANL", 1.2, 0, false},           {"ASINL", 0.5, 0, false},         {"ACOSL", -1.0, 0, false},
    {"ATANL", -1e6, 0, false},
};

bool TakesTwo(const std::string& op) {
  return op == "ADDL" || op == "SUBL" || op == "MULL" || op == "DIVL" || op == "MODL" || op == "POWL";
}

TEST_F(LadderTest, LrealResultsMatchPythonFloat) {
  std::ostringstream args;
  for (const PeerCase& c : kPeerCases) args << ' ' << c.op << ',' << std::hex << Bits(c.a) << ',' << Bits(c.b);
  const std::vector<std::string> want = Python(kArithPeer, args.str());
  if (want.empty()) GTEST_SKIP() << "python3 is not available";
  ASSERT_EQ(want.size(), std::size(kPeerCases));
  for (ts::OperandForm form : {ts::OperandForm::k16, ts::OperandForm::k32}) {
    for (std::size_t i = 0; i < want.size(); ++i) {
      const PeerCase& c = kPeerCases[i];
      SCOPED_TRACE(std::string(c.op) + " " + std::to_string(c.a) + " " + std::to_string(c.b));
      SetBit("I1");
      lt::PutReg(L("R1", c.a));
      lt::PutReg(L("R5", c.b));
      const std::string body = TakesTwo(c.op) ? "PUSH4 R1; PUSH4 R5; " : "PUSH4 R1; ";
      ASSERT_EQ(Run("LD I1; " + body + c.op + "; PULL4 R9; OUT Q1; END", form), -1);
      const uint64_t got = lt::GetReg(Q("R9", 0));
      const uint64_t expected = std::stoull(want[i], nullptr, 16);
      if (c.exact) {
        EXPECT_EQ(got, expected) << std::bit_cast<double>(got) << " against " << std::bit_cast<double>(expected);
      } else {
        EXPECT_LE(std::llabs(int64_t(got - expected)), 1) << std::bit_cast<double>(got);
      }
      EXPECT_TRUE(Bit("Q1"));
    }
  }
}

class Lreal : public lt::WordCaseTest {};

WordCase Two(const char* what, const char* op, double a, double b, std::vector<lt::Reg> out, bool power) {
  return {what, std::string("PUSH4 R1; PUSH4 R5; ") + op + "; PULL4 R9", {L("R1", a), L("R5", b)}, out, power};
}
WordCase One(const char* what, const char* op, double a, std::vector<lt::Reg> out, bool power) {
  return {what, std::string("PUSH4 R1; ") + op + "; PULL4 R9", {L("R1", a)}, out, power};
}
WordCase Cmp(const char* what, const char* op, double a, double b, bool power) {
  return {what, std::string("PUSH4 R1; PUSH4 R5; ") + op, {L("R1", a), L("R5", b)}, {}, power};
}
WordCase Win(const char* what, double low, double high, double v, bool power) {
  return {what, "PUSH4 R1; PUSH4 R5; PUSH4 R9; WINL", {L("R1", low), L("R5", high), L("R9", v)}, {}, power};
}
std::vector<lt::Reg> R9(double v) { return {L("R9", v)}; }

const std::vector<WordCase> kCompares = {
    Cmp("eq", "EQL", 1.5, 1.5, kOn),         Cmp("eq_differs", "EQL", 1.5, 1.25, kOff),
    Cmp("ne", "NEL", 1.5, 1.25, kOn),        Cmp("gt_is_a_over_b", "GTL", 2.0, 1.0, kOn),
    Cmp("gt_false", "GTL", 1.0, 2.0, kOff),  Cmp("lt", "LTL", 1.0, 2.0, kOn),
    Cmp("ge_equal", "GEL", 2.0, 2.0, kOn),   Cmp("le_false", "LEL", 3.0, 2.0, kOff),
    Cmp("nan_not_equal", "NEL", kNaN, kNaN, kOn), Cmp("nan_not_ge", "GEL", kNaN, 1.0, kOff),
    {"compare_keeps_off", "PWR_OFF; PUSH4 R1; PUSH4 R5; EQL", {L("R1", 1.0), L("R5", 1.0)}, {}, kOff},
    Win("window_low_edge", 10, 20, 10, kOn),  Win("window_inside", 10, 20, 15, kOn),
    Win("window_high_edge", 10, 20, 20, kOn), Win("window_below", 10, 20, 9.9, kOff),
    Win("wrapped_above", 20, 10, 25, kOn),    Win("wrapped_below", 20, 10, 5, kOn),
    Win("wrapped_between", 20, 10, 15, kOff),
    // A window of one value passes that value only.
    Win("single_value_passes", 7, 7, 7, kOn), Win("single_value_refuses_others", 7, 7, 8, kOff),
    Win("single_value_refuses_below", 7, 7, -3, kOff),
    {"window_turns_on", "PWR_OFF; PUSH4 R1; PUSH4 R5; PUSH4 R9; WINL", {L("R1", 1), L("R5", 3), L("R9", 2)}, {}, kOn},
};
TEST_F(Lreal, ComparesAndWindows) { RunCases(kCompares); }

const std::vector<WordCase> kErrors = {
    Two("add_infinite", "ADDL", kInf, 1.0, R9(kInf), kOff),
    Two("div_by_zero_turns_off", "DIVL", 1.0, 0.0, R9(kInf), kOff),
    Two("div_by_minus_zero_turns_off", "DIVL", 1.0, -0.0, R9(-kInf), kOff),
    Two("mod_by_zero", "MODL", 1.0, 0.0, {}, kOff),
    Two("pow_nan", "POWL", kNaN, 2.0, {}, kOff),
    One("sqrt_negative", "SQRTL", -4.0, {Q("R9", 0x43DFFC0000000000ull)}, kOff),
    One("sqrt_minus_zero_is_negative", "SQRTL", -0.0, {Q("R9", 0x43DFFC0000000000ull)}, kOff),
    One("abs_infinite", "ABSL", -kInf, R9(kInf), kOff),
    One("log_zero", "LOGL", 0.0, R9(-kInf), kOff),
    One("log_negative", "LOGL", -1.0, {}, kOff),
    One("exp_above_88", "EXPL", 88.5, R9(std::exp(88.5)), kOff),
    One("exp_88", "EXPL", 88.0, R9(std::exp(88.0)), kOn),
    One("ln_zero", "LNL", 0.0, R9(-kInf), kOff),
    One("asin_outside", "ASINL", 1.0000001, {}, kOff),
    One("cos_infinite", "COSL", kInf, {}, kOff),
    One("deg_to_rad_180", "DEG2RADL", 180.0, R9(180.0 * 6.283185307177647 / 360.0), kOn),
};
TEST_F(Lreal, NumericErrors) { RunCases(kErrors); }

TEST_F(LadderTest, DegreesToRadiansUsesItsOwnConstant) {
  SetBit("I1");
  lt::PutReg(L("R1", 180.0));
  ASSERT_EQ(Run("LD I1; PUSH4 R1; DEG2RADL; PULL4 R9; OUT Q1; END"), -1);
  const double got = std::bit_cast<double>(lt::GetReg(Q("R9", 0)));
  EXPECT_NE(got, M_PI);
  EXPECT_NEAR(got, M_PI, 1e-12);
}

const std::vector<WordCase> kConversions = {
    {"int_to_lreal", "PUSH_I2L R1; PULL4 R9", {W("R1", uint16_t(-300))}, R9(-300.0), kOn},
    {"dint_to_lreal", "PUSH_D2L R1; PULL4 R9", {lt::D("R1", uint32_t(-70000))}, R9(-70000.0), kOn},
    {"real_to_lreal", "PUSH_R2L R1; PULL4 R9", {lt::F("R1", 0.1f)}, R9(double(0.1f)), kOn},
    {"real_infinite", "PUSH_R2L R1; PULL4 R9", {lt::F("R1", std::numeric_limits<float>::infinity())}, R9(kInf), kOff},
    {"real_beyond_3_4e38", "PUSH_R2L R1; PULL4 R9", {lt::F("R1", 3.4028e38f)}, {}, kOff},
    {"to_int_truncates", "PUSH_L2I R1; PULL R9", {L("R1", -123.9)}, {W("R9", uint16_t(-123))}, kOn},
    {"to_int_40000_turns_off", "PUSH_L2I R1; PULL R9", {L("R1", 40000.0)}, {}, kOff},
    {"to_int_edge", "PUSH_L2I R1; PULL R9", {L("R1", -32768.9)}, {W("R9", 0x8000)}, kOn},
    {"to_dint", "PUSH_L2D R1; PULL2 R9", {L("R1", 2147483647.5)}, {lt::D("R9", 0x7FFFFFFF)}, kOn},
    {"to_dint_outside", "PUSH_L2D R1; PULL2 R9", {L("R1", 2147483648.0)}, {}, kOff},
    {"to_dint_nan", "PUSH_L2D R1; PULL2 R9", {L("R1", kNaN)}, {}, kOff},
    {"to_real", "PUSH_L2R R1; PULL2 R9", {L("R1", 0.1)}, {lt::F("R9", 0.1f)}, kOn},
    {"to_real_too_big", "PUSH_L2R R1; PULL2 R9", {L("R1", 1e39)}, {}, kOff},
    {"move", "MOVL R9, R1", {L("R1", -2.5)}, R9(-2.5), kOn},
    {"constant", "MOVLK R9, 1.0e-300", {}, R9(1.0e-300), kOn},
    {"unknown_sub_turns_off", "LREAL 99", {}, {}, kOff},
};
TEST_F(Lreal, ConversionsAndMoves) { RunCases(kConversions); }

// Text in R20.. as bytes: "12.5e3", then garbage after the number.
TEST_F(LadderTest, LrealFromText) {
  for (ts::OperandForm form : {ts::OperandForm::k16, ts::OperandForm::k32}) {
    std::memcpy(plc_reg + lt::RegOffset("R20"), "-12.5e3xyz", 11);
    SetBit("I1");
    ASSERT_EQ(Run("LD I1; STRTOL R9, R20; OUT Q1; END", form), -1);
    EXPECT_EQ(lt::GetReg(Q("R9", 0)), Bits(-12500.0));
    EXPECT_TRUE(Bit("Q1"));
  }
  // A text that runs up to the last byte of the image without a 0 byte stays inside it.
  std::memset(plc_reg + lt::RegOffset("SR448"), '7', 2);
  ASSERT_EQ(Run("LD I1; STRTOL R9, SR448; OUT Q1; END", ts::OperandForm::k32), -1);
}

// The format is the program's: written as a C format, checked against Python's
// %-formatting of the same value, then cut to L as the instruction does.
constexpr const char* kTextPeer = R"PY(
import struct, sys
for arg in sys.argv[1:]:
  fmt, h = arg.rsplit('|', 1)
  print(fmt % struct.unpack('<d', struct.pack('<Q', int(h, 16)))[0])
)PY";

struct TextCase {
  const char* format;
  double value;
  uint16_t length;
};
const TextCase kTextCases[] = {
    {"%.2f", 0.25, 3},  {"%.2f", 0.25, 4},   {"%.3f", -12.3456, 10}, {"%e", 12345.678, 20},
    {"%10.4f", 3.14159, 12}, {"%-8.1f|", 2.0, 12}, {"%g", 1e-5, 8}, {"%.1f", 123456.0, 5},
    {"%+.0f", 7.0, 2}, {"%.15f", 1.0 / 3, 20}, {"%f", 1e20, 30}, {"%.19f", 0.25, 20},
};

TEST_F(LadderTest, LrealToTextMatchesPythonFormatting) {
  std::string args;
  for (const TextCase& c : kTextCases) {
    char h[17];
    std::snprintf(h, sizeof h, "%016llx", (unsigned long long)Bits(c.value));
    args += std::string(" '") + c.format + "|" + h + "'";
  }
  const std::vector<std::string> want = Python(kTextPeer, args);
  if (want.empty()) GTEST_SKIP() << "python3 is not available";
  ASSERT_EQ(want.size(), std::size(kTextCases));
  for (ts::OperandForm form : {ts::OperandForm::k16, ts::OperandForm::k32}) {
    for (std::size_t i = 0; i < want.size(); ++i) {
      const TextCase& c = kTextCases[i];
      SCOPED_TRACE(std::string(c.format) + " L=" + std::to_string(c.length));
      std::memset(plc_reg + lt::RegOffset("R20"), 0x55, 64);
      lt::PutReg(L("R1", c.value));
      SetBit("I1");
      std::string fmt;
      for (char ch : std::string(c.format)) fmt += ch == '|' ? std::string("\\x7C") : std::string(1, ch);
      ASSERT_EQ(Run("LD I1; LTOSTR R20, R1, 0, " + std::to_string(c.length) + ", " + fmt + "; OUT Q1; END", form), -1);
      // What the instruction keeps of Python's text: at most 20 characters are printed;
      // a text one longer than L loses a leading zero. A text cut by either limit turns
      // the power flow off.
      std::string text = want[i];
      std::size_t n = text.size();
      std::string held = text.substr(0, 20);
      if (n == std::size_t(c.length) + 1 && text[0] == '0') {
        held = held.substr(1);
        --n;
      }
      const std::string expected = held.substr(0, std::min<std::size_t>(c.length, held.size()));
      EXPECT_EQ(std::string(reinterpret_cast<const char*>(plc_reg + lt::RegOffset("R20"))), expected);
      EXPECT_EQ(Bit("Q1"), n <= std::min<std::size_t>(c.length, held.size()));
    }
  }
}

// Formats that would read a second argument, write through a pointer or print a string
// are refused before the C library sees them; so is a value that is not finite.
TEST_F(LadderTest, LrealToTextRefusesUnsafeFormats) {
  for (const char* format : {"%s", "%n", "%f%f", "%*f", "%d", "abc", "%.f%%x%", "%lln", "%1000f"}) {
    SCOPED_TRACE(format);
    std::memset(plc_reg + lt::RegOffset("R20"), 0x55, 8);
    lt::PutReg(L("R1", 1.0));
    SetBit("I1");
    ASSERT_EQ(Run(std::string("LD I1; LTOSTR R20, R1, 0, 10, ") + format + "; OUT Q1; END"), -1);
    EXPECT_FALSE(Bit("Q1"));
    EXPECT_EQ(plc_reg[lt::RegOffset("R20")], 0x55);
  }
  lt::PutReg(L("R1", kNaN));
  ASSERT_EQ(Run("LD I1; LTOSTR R20, R1, 0, 10, %f; OUT Q1; PUSHK 1; PULL R30; END"), -1);
  EXPECT_FALSE(Bit("Q1"));
  EXPECT_EQ(Word("R30"), 1) << "the format's words were skipped";
  // "%%" is text, not a conversion.
  lt::PutReg(L("R1", 50.0));
  ASSERT_EQ(Run("LD I1; LTOSTR R20, R1, 0, 10, %.0f%%; OUT Q1; END"), -1);
  EXPECT_STREQ(reinterpret_cast<const char*>(plc_reg + lt::RegOffset("R20")), "50%");
  EXPECT_TRUE(Bit("Q1"));
}

}  // namespace
