// REAL arithmetic, functions and angle conversions: results against an independent
// computation by python3 (its math module in double precision, rounded to single
// precision with struct), and the power flow on non-finite operands, divisions by zero,
// arguments outside a function's domain and results that overflow.
#include <cstdio>
#include <limits>
#include <sstream>

#include "word_case.h"

namespace {

using lt::D;
using lt::F;
using lt::kOff;
using lt::kOn;
using lt::LadderTest;
using lt::WordCase;

constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

uint32_t Bits(float f) { return std::bit_cast<uint32_t>(f); }

// Distance in units in the last place between two finite REALs of the same sign.
int64_t Ulps(float a, float b) { return std::llabs(int64_t(Bits(a)) - int64_t(Bits(b))); }

struct PeerCase {
  const char* op;
  float a;
  float b;  // unused by the unary functions
};

// Each argument "OP,hex a,hex b" gives one line: the hex bits of the REAL result.
constexpr const char* kPeer = R"PY(
import math, struct, sys
def real(h): return struct.unpack('<f', struct.pack('<I', int(h, 16)))[0]
def bits(x): return struct.unpack('<I', struct.pack('<f', x))[0]
ops = {
  'ADDR': lambda a, b: a + b, 'SUBR': lambda a, b: a - b, 'MULR': lambda a, b: a * b,
  'DIVR': lambda a, b: a / b, 'MODR': math.fmod, 'POWR': math.pow,
  'ABSR': lambda a, b: abs(a), 'SQRTR': lambda a, b: math.sqrt(a), 'LOG': lambda a, b: math.log10(a),
  'EXP': lambda a, b: math.exp(a), 'LN': lambda a, b: math.log(a), 'SIN': lambda a, b: math.sin(a),
  'COS': lambda a, b: math.cos(a), 'TAN': lambda a, b: math.tan(a), 'ASIN': lambda a, b: math.asin(a),
  'ACOS': lambda a, b: math.acos(a), 'ATAN': lambda a, b: math.atan(a),
  'DEG2RAD': lambda a, b: a * 6.2831853 / 360, 'RAD2DEG': lambda a, b: a * 360 / 6.2831853,
}
for arg in sys.argv[1:]:
  op, a, b = arg.split(',')
  print('%08x' % bits(ops[op](real(a), real(b))))
)PY";

// Single-precision operations round correctly and the peer rounds a double result once
// more, so the two may differ by one unit in the last place; so may the C library's
// single-precision functions. Nothing else is allowed.
constexpr int64_t kToleranceUlps = 1;

const PeerCase kPeerCases[] = {
    {"ADDR", 1.1f, 2.2f},        {"ADDR", 1.0e30f, -1.0e-30f}, {"SUBR", 1.0e-3f, 3.5f},
    {"MULR", 1.1f, 1.1f},        {"MULR", -3.0e19f, 1.0e19f},  {"DIVR", 1.0f, 3.0f},
    {"DIVR", -7.5f, 0.25f},      {"MODR", 7.5f, 2.0f},         {"MODR", -7.5f, 2.0f},
    {"MODR", 1.0e10f, 3.3f},     {"POWR", 2.0f, 0.5f},         {"POWR", 1.5f, -3.25f},
    {"POWR", -2.0f, 3.0f},       {"ABSR", -3.25f, 0},          {"SQRTR", 2.0f, 0},
    {"SQRTR", 1.0e-40f, 0},      {"LOG", 1000.0f, 0},          {"LOG", 2.0f, 0},
    {"EXP", 1.0f, 0},            {"EXP", 88.0f, 0},            {"EXP", -10.0f, 0},
    {"LN", 10.0f, 0},            {"LN", 1.0e-20f, 0},          {"SIN", 0.5f, 0},
    {"SIN", 100.0f, 0},          {"COS", 1.0f, 0},             {"TAN", 1.2f, 0},
    {"ASIN", 0.5f, 0},           {"ASIN", 1.0f, 0},            {"ACOS", -1.0f, 0},
    {"ATAN", 1.0f, 0},           {"ATAN", -1.0e6f, 0},         {"DEG2RAD", 180.0f, 0},
    {"DEG2RAD", 45.0f, 0},       {"RAD2DEG", 1.0f, 0},         {"RAD2DEG", 3.14159f, 0},
};

bool Binary(const std::string& op) {
  return op == "ADDR" || op == "SUBR" || op == "MULR" || op == "DIVR" || op == "MODR" || op == "POWR";
}

TEST_F(LadderTest, RealResultsMatchAnIndependentComputation) {
  std::ostringstream args;
  for (const PeerCase& c : kPeerCases)
    args << ' ' << c.op << ',' << std::hex << Bits(c.a) << ',' << Bits(c.b) << std::dec;
  // The script goes through the environment, so no quoting of it is needed.
  ::setenv("LADDER_REAL_PEER", kPeer, 1);
  FILE* p = ::popen(("python3 -c \"$LADDER_REAL_PEER\"" + args.str() + " 2>/dev/null").c_str(), "r");
  ASSERT_NE(p, nullptr);
  std::vector<uint32_t> want;
  unsigned v = 0;
  while (std::fscanf(p, "%x", &v) == 1) want.push_back(v);
  const int status = ::pclose(p);
  if (status != 0 || want.empty()) GTEST_SKIP() << "python3 is not available";
  ASSERT_EQ(want.size(), std::size(kPeerCases));

  for (std::size_t i = 0; i < want.size(); ++i) {
    const PeerCase& c = kPeerCases[i];
    SCOPED_TRACE(std::string(c.op) + " " + std::to_string(c.a) + " " + std::to_string(c.b));
    SetBit("I1");
    SetRegWord(lt::RegOffset("R1"), uint16_t(Bits(c.a)));
    SetRegWord(lt::RegOffset("R2"), uint16_t(Bits(c.a) >> 16));
    SetRegWord(lt::RegOffset("R3"), uint16_t(Bits(c.b)));
    SetRegWord(lt::RegOffset("R4"), uint16_t(Bits(c.b) >> 16));
    const std::string body = Binary(c.op) ? "PUSH2 R1; PUSH2 R3; " : "PUSH2 R1; ";
    ASSERT_EQ(Run("LD I1; " + body + c.op + "; PULL2 R5; OUT Q1; END"), -1);
    const float got = std::bit_cast<float>(uint32_t(lt::GetReg(lt::D("R5", 0))));
    const float expected = std::bit_cast<float>(want[i]);
    EXPECT_LE(Ulps(got, expected), kToleranceUlps) << got << " against " << expected;
    EXPECT_TRUE(Bit("Q1"));
  }
}

class RealErrors : public lt::WordCaseTest {};

// a in R1-R2, b in R3-R4, the result in R5-R6. A case without an expected result leaves
// a NaN, whose payload is not part of the contract.
WordCase Bin(const char* what, const char* op, float a, float b, std::vector<lt::Reg> out, bool power) {
  return {what, std::string("PUSH2 R1; PUSH2 R3; ") + op + "; PULL2 R5", {F("R1", a), F("R3", b)}, out, power};
}
WordCase Un(const char* what, const char* op, float a, std::vector<lt::Reg> out, bool power) {
  return {what, std::string("PUSH2 R1; ") + op + "; PULL2 R5", {F("R1", a)}, out, power};
}
std::vector<lt::Reg> R5(float v) { return {F("R5", v)}; }

const std::vector<WordCase> kRealErrorsArith = {
    Bin("div_by_zero_keeps_a", "DIVR", 6.0f, 0.0f, R5(6.0f), kOff),
    Bin("div_by_minus_zero_keeps_a", "DIVR", 6.0f, -0.0f, R5(6.0f), kOff),
    Bin("add_infinite_operand", "ADDR", kInf, 1.0f, R5(kInf), kOff),
    Bin("sub_nan_operand", "SUBR", 1.0f, kNaN, {}, kOff),
    // Finite operands whose result overflows: reported, and the infinity stored.
    Bin("add_overflow", "ADDR", 3.0e38f, 3.0e38f, R5(kInf), kOff),
    Bin("mul_overflow", "MULR", -1.0e20f, 1.0e20f, R5(-kInf), kOff),
    Bin("div_overflow", "DIVR", 1.0e30f, 1.0e-30f, R5(kInf), kOff),
    Bin("mul_underflow_is_fine", "MULR", 1.0e-30f, 1.0e-30f, R5(0.0f), kOn),
    Bin("mod_by_zero", "MODR", 5.0f, 0.0f, {}, kOff),
    Bin("mod_infinite", "MODR", kInf, 2.0f, {}, kOff),
    Bin("pow_infinite_operand", "POWR", 2.0f, kInf, R5(kInf), kOff),
    Bin("pow_negative_base_fraction", "POWR", -8.0f, 0.5f, {}, kOff),
    Bin("pow_overflow", "POWR", 10.0f, 50.0f, R5(kInf), kOff),
    Un("abs_infinite", "ABSR", -kInf, R5(kInf), kOff),
    Un("sqrt_negative_is_infinity", "SQRTR", -4.0f, R5(kInf), kOff),
    Un("sqrt_minus_infinity", "SQRTR", -kInf, R5(kInf), kOff),
    // -0.0 is zero, not negative.
    Un("sqrt_minus_zero", "SQRTR", -0.0f, R5(-0.0f), kOn),
    Un("sqrt_infinite", "SQRTR", kInf, R5(kInf), kOff),
    Un("log_zero", "LOG", 0.0f, R5(-kInf), kOff),
    Un("log_negative", "LOG", -1.0f, {}, kOff),
    Un("ln_zero", "LN", 0.0f, R5(-kInf), kOff),
    Un("ln_nan", "LN", kNaN, {}, kOff),
    Un("exp_89", "EXP", 89.0f, R5(kInf), kOff),
    Un("exp_88_5_finite_but_refused", "EXP", 88.5f, {}, kOff),
    Un("exp_minus_infinity", "EXP", -kInf, R5(0.0f), kOff),
    Un("asin_outside", "ASIN", 1.5f, {}, kOff),
    Un("acos_outside", "ACOS", -1.0001f, {}, kOff),
    Un("sin_infinite", "SIN", kInf, {}, kOff),
    Un("deg_to_rad_infinite", "DEG2RAD", kInf, R5(kInf), kOff),
    Un("rad_to_deg_overflow", "RAD2DEG", 3.0e38f, R5(kInf), kOff),
    {"error_never_turns_on", "PWR_OFF; PUSH2 R1; PUSH2 R3; ADDR; PULL2 R5", {F("R1", 1.0f), F("R3", 2.0f)},
     R5(3.0f), kOff},
};
TEST_F(RealErrors, Arith) { RunCases(kRealErrorsArith); }

// The trigonometric functions also test the REAL in the two cells below their operand,
// which stays in place; the result is the function of the operand in every case.
const std::vector<WordCase> kRealErrorsTrigonometric = {
    {"sin_over_infinity", "PUSH2K 0x7F800000; PUSH2 R1; SIN; PULL2 R5; PULL2 R7", {F("R1", 0.5f)},
     {D("R5", 0x3EF57744), F("R7", kInf)}, kOff},
    {"sin_over_finite", "PUSH2K 2.0; PUSH2 R1; SIN; PULL2 R5; PULL2 R7", {F("R1", 0.5f)},
     {D("R5", 0x3EF57744), F("R7", 2.0f)}, kOn},
    {"sin_alone", "PUSH2 R1; SIN; PULL2 R5", {F("R1", 0.5f)}, {D("R5", 0x3EF57744)}, kOn},
    {"atan_over_nan", "PUSH2K 0x7FC00000; PUSH2 R1; ATAN; PULL2 R5; PULL2 R7", {F("R1", 1.0f)},
     {D("R5", 0x3F490FDB)}, kOff},
    // One cell below: only the operand is tested (0x7F80 would be the high word of an
    // infinity).
    {"atan_over_one_cell", "PUSHK 0x7F80; PUSH2 R1; ATAN; PULL2 R5; PULL R7", {F("R1", 1.0f)},
     {D("R5", 0x3F490FDB), lt::W("R7", 0x7F80)}, kOn},
    {"acos_minus_1", "PUSH2 R1; ACOS; PULL2 R5", {F("R1", -1.0f)}, {D("R5", 0x40490FDB)}, kOn},
};
TEST_F(RealErrors, Trigonometric) { RunCases(kRealErrorsTrigonometric); }

}  // namespace
