// The two operand forms: 16-bit references with the escapes 1776 and 1777, and 32-bit
// tokens with the ET, EM and ESR windows relocated.
#include <algorithm>

#include "ladder_fixture.h"

namespace {

using lt::LadderTest;
using ts::OperandForm;

// Step words set to 3 become 0 and continue at o3, the next instruction; a misread
// operand lands elsewhere.
constexpr const char* kBothForms = R"(
    LDX I1; OUT Q1
    LD I1; OUT_P M7
    STEP R2048, bad, bad, s1, bad         // one word
    s1: STEP R2049, bad, bad, s2, bad     // 1776, 0: word 4032
    s2: STEP R6144, bad, bad, s3, bad     // 1776, 65520: word 8127
    s3: STEP R6145, bad, bad, s4, bad     // 1777, 0: word 8128
    s4: STEP R10240, bad, bad, s5, bad    // 1777, 65520: word 12223
    s5: LD I1; SET Q2; END
  bad: LD I1; SET Q3; END
)";

class BothForms : public LadderTest, public ::testing::WithParamInterface<OperandForm> {};

TEST_P(BothForms, RunTheSameProgramAlike) {
  SetBit("I1");
  for (const char* r : {"R2048", "R2049", "R6144", "R6145", "R10240"}) SetWord(r, 3);
  prog_ = ts::LadderProgram(GetParam());
  prog_.Load(kBothForms);
  const auto& w = prog_.words();
  const bool escapes = std::count(w.begin(), w.end(), 1776) == 2 && std::count(w.begin(), w.end(), 1777) == 2;
  EXPECT_EQ(escapes, GetParam() == OperandForm::k16);

  ASSERT_EQ(Scan(), -1);
  EXPECT_EQ(RegTokLen_16b, GetParam() == OperandForm::k16 ? 1 : 0);
  for (const char* r : {"R2048", "R2049", "R6144", "R6145", "R10240"}) EXPECT_EQ(Word(r), 0) << r;
  EXPECT_TRUE(Bit("Q1"));
  EXPECT_TRUE(Bit("M7"));
  EXPECT_TRUE(Bit("Q2"));
  EXPECT_FALSE(Bit("Q3"));
}

INSTANTIATE_TEST_SUITE_P(Operands, BothForms, ::testing::Values(OperandForm::k16, OperandForm::k32),
                         [](const auto& info) { return info.param == OperandForm::k16 ? "form16" : "form32"; });

// Word references decoded from raw stream words: {form, operand words, register word}.
struct WordRefCase {
  const char* what;
  OperandForm form;
  std::vector<uint16_t> operand;
  uint32_t word;
};
void PrintTo(const WordRefCase& c, std::ostream* os) { *os << c.what; }

class WordRefs : public LadderTest, public ::testing::WithParamInterface<WordRefCase> {};

TEST_P(WordRefs, AddressTheirRegisterWord) {
  const WordRefCase& c = GetParam();
  SetRegWord(2 * c.word, 3);
  // STEP <operand>, 0, 0, 2, 0; END: o3 = 2 steps over o4 to the END.
  std::vector<uint16_t> code{361};
  code.insert(code.end(), c.operand.begin(), c.operand.end());
  code.insert(code.end(), {0, 0, 0, 0, 2, 0, 0, 0, 9});
  prog_ = ts::LadderProgram(c.form);
  prog_.Load(code);
  ASSERT_EQ(Scan(), -1);
  EXPECT_EQ(RegWord(2 * c.word), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Operands, WordRefs,
    ::testing::Values(WordRefCase{"plain", OperandForm::k16, {1040}, 1},
                      WordRefCase{"plain_ignores_bit_part", OperandForm::k16, {1039}, 0},
                      WordRefCase{"plain_last", OperandForm::k16, {65535}, 4031},
                      WordRefCase{"escape_1776_first", OperandForm::k16, {1776, 0}, 4032},
                      WordRefCase{"escape_1776_ignores_bit_part", OperandForm::k16, {1776, 31}, 4033},
                      WordRefCase{"escape_1777_last", OperandForm::k16, {1777, 65535}, 12223},
                      WordRefCase{"token_r1", OperandForm::k32, {0x8000, 0}, 1984},
                      WordRefCase{"token_et_first", OperandForm::k32, {0x8000, 0x1000}, 52224},
                      WordRefCase{"token_et_bit_part", OperandForm::k32, {0x8013, 0x1000}, 52225},
                      WordRefCase{"token_em_first", OperandForm::k32, {0xC000, 0x1001}, 53248},
                      WordRefCase{"token_esr_sr193", OperandForm::k32, {0x0000, 0x1003}, 54272},
                      WordRefCase{"token_esr_sr448", OperandForm::k32, {0x0FF0, 0x1003}, 54527}),
    [](const auto& info) { return std::string(info.param.what); });

// Bit references of the 32-bit form: {token, image byte, bit}.
struct BitRefCase {
  uint32_t token;
  uint32_t byte;
  int bit;
};
void PrintTo(const BitRefCase& c, std::ostream* os) { *os << std::hex << c.token; }

class BitTokens : public LadderTest, public ::testing::WithParamInterface<BitRefCase> {};

// A coil writes the bit, a contact on the same token reads it back.
TEST_P(BitTokens, AddressTheirImageBit) {
  const BitRefCase& c = GetParam();
  SetBit("I1");
  const std::string t = "@" + std::to_string(c.token);
  ASSERT_EQ(Run("LD I1; OUT " + t + "; LDX " + t + "; OUT Q2; END", OperandForm::k32), -1);
  EXPECT_EQ(plc_reg[c.byte], 1 << c.bit);
  EXPECT_TRUE(Bit("Q2"));
}

INSTANTIATE_TEST_SUITE_P(Operands, BitTokens,
                         ::testing::Values(BitRefCase{1024, 0, 0}, BitRefCase{65541, 8064, 5},
                                           BitRefCase{0xCC3FF, 104447, 7}, BitRefCase{0x10008000, 104448, 0},
                                           BitRefCase{0x1000BFFF, 106495, 7}, BitRefCase{0x1001C000, 106496, 0},
                                           BitRefCase{0x1001FFFF, 108543, 7}, BitRefCase{0x10030000, 108544, 0},
                                           BitRefCase{0x10030FFF, 109055, 7}));

}  // namespace
