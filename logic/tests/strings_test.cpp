// String and byte-block instructions in both operand forms: byte compares and copies
// with literals, text to number, IEC strings through pointers, formatting against
// Python's own formatting, and ranges at and just past the end of the registers.
#include <cstring>

#include "word_case.h"

namespace {

using lt::D;
using lt::kOff;
using lt::kOn;
using lt::LadderTest;
using lt::W;

// Bytes placed at or expected from a register's first byte.
struct Bytes {
  const char* reg;
  std::string bytes;
};
// An IEC string: maximum length, then the text as its current characters.
Bytes Iec(const char* reg, uint8_t max, const std::string& text) {
  return {reg, std::string(1, char(max)) + char(text.size()) + text};
}

struct StringCase {
  const char* what;
  std::string body;
  std::vector<Bytes> in;
  std::vector<lt::Reg> regs_in;
  std::vector<Bytes> out;
  std::vector<lt::Reg> regs_out;
  bool power;
};

constexpr uint32_t kR(uint32_t n) { return 3968 + 2 * (n - 1); }  // byte offset of R n
constexpr uint32_t kRegistersEnd = 109056;

class Strings : public LadderTest {
 protected:
  // The 16-bit form's byte references do not reach the end of the image: cases that
  // name its last registers run in the 32-bit form only.
  void RunCases(const std::vector<StringCase>& cases, bool only32 = false) {
    for (ts::OperandForm form : {ts::OperandForm::k16, ts::OperandForm::k32}) {
      if (only32 && form == ts::OperandForm::k16) continue;
      for (const StringCase& c : cases) {
        SCOPED_TRACE(std::string(c.what) + (form == ts::OperandForm::k16 ? " (16-bit form)" : " (32-bit form)"));
        std::memset(plc_reg, 0, sizeof plc_reg);
        SetBit("I1");
        for (const Bytes& b : c.in) std::memcpy(plc_reg + lt::RegOffset(b.reg), b.bytes.data(), b.bytes.size());
        for (const lt::Reg& r : c.regs_in) lt::PutReg(r);
        ASSERT_EQ(Run("LD I1; " + c.body + "; OUT Q1; END", form), -1) << c.body;
        for (const Bytes& b : c.out)
          EXPECT_EQ(std::string(reinterpret_cast<const char*>(plc_reg + lt::RegOffset(b.reg)), b.bytes.size()), b.bytes)
              << b.reg;
        for (const lt::Reg& r : c.regs_out) EXPECT_EQ(lt::GetReg(r), r.value) << r.name;
        EXPECT_EQ(Bit("Q1"), c.power) << "power flow";
      }
    }
  }
};

const std::vector<StringCase> kBlocks = {
    {"compare_equal", "STRCMP 3, R10, R20", {{"R10", "abc"}, {"R20", "abc"}}, {}, {}, {}, kOn},
    {"compare_differs", "STRCMP 3, R10, R20", {{"R10", "abc"}, {"R20", "abd"}}, {}, {}, {}, kOff},
    {"compare_zero_bytes", "STRCMP 0, R10, R20", {{"R10", "a"}, {"R20", "b"}}, {}, {}, {}, kOn},
    {"compare_literal", "STRCMPK 3, R10, abc", {{"R10", "abc"}}, {}, {}, {}, kOn},
    // Three literal bytes take two words: the next instruction follows them.
    {"compare_literal_odd_length", "STRCMPK 3, R10, abx; PUSHK 9; PULL R30", {{"R10", "abc"}}, {}, {},
     {W("R30", 9)}, kOff},
    {"copy", "STRCPY 4, R20, R10", {{"R10", "wxyz"}}, {}, {{"R20", "wxyz"}}, {}, kOn},
    {"copy_literal_four", "STRCPYK 4, R20, w\\x2Cyz; PUSHK 9; PULL R30", {}, {}, {{"R20", "w,yz"}}, {W("R30", 9)}, kOn},
    {"text_to_int", "STRTONUM R30, R10, 0", {{"R10", std::string("-1234x\0", 7)}}, {}, {}, {W("R30", uint16_t(-1234))}, kOn},
    {"text_to_dint", "STRTONUM R30, R10, 1", {{"R10", std::string("-70000\0", 7)}}, {}, {}, {D("R30", uint32_t(-70000))}, kOn},
    {"text_to_dint_saturates", "STRTONUM R30, R10, 1", {{"R10", std::string("99999999999\0", 12)}}, {}, {},
     {D("R30", 0x7FFFFFFF)}, kOn},
    {"text_to_real", "STRTONUM R30, R10, 2", {{"R10", std::string(" 2.5e1\0", 7)}}, {}, {}, {lt::F("R30", 25.0f)}, kOn},
    {"no_number_gives_0", "STRTONUM R30, R10, 1", {{"R10", std::string("abc\0", 4)}}, {D("R30", 5)}, {}, {D("R30", 0)}, kOn},
    {"other_kind_writes_nothing", "STRTONUM R30, R10, 3", {{"R10", std::string("5\0", 2)}}, {W("R30", 7)}, {},
     {W("R30", 7)}, kOn},
    {"length", "STRLEN R30, R10", {{"R10", std::string("hello\0", 6)}}, {}, {}, {W("R30", 5)}, kOn},
    {"length_empty", "STRLEN R30, R10", {}, {W("R30", 9)}, {}, {W("R30", 0)}, kOn},
    {"decimal_2_pow_32", "DEC64 R20, R1", {}, {lt::Q("R1", 0x100000000ull)}, {{"R20", std::string("4294967296\0", 11)}},
     {}, kOn},
    {"decimal_zero", "DEC64 R20, R1", {{"R20", "xx"}}, {}, {{"R20", std::string("0\0", 2)}}, {}, kOn},
    {"decimal_max", "DEC64 R20, R1", {}, {lt::Q("R1", ~0ull)}, {{"R20", std::string("18446744073709551615\0", 21)}},
     {}, kOn},
};
TEST_F(Strings, ByteBlocks) { RunCases(kBlocks); }

const std::vector<StringCase> kBlocksAtTheEnd = {
    {"compare_past_the_end", "STRCMP 3, SR448, R20", {}, {}, {}, {}, kOff},
    {"copy_to_the_last_byte", "STRCPYK 2, SR448, ok", {}, {}, {{"SR448", "ok"}}, {}, kOn},
    {"copy_past_the_end", "STRCPYK 3, SR448, bad", {}, {}, {{"SR448", std::string(2, '\0')}}, {}, kOff},
    {"decimal_past_the_end", "DEC64 SR448, R1", {}, {lt::Q("R1", 12)}, {{"SR448", std::string(2, '\0')}}, {}, kOff},
};
TEST_F(Strings, ByteBlocksAtTheEndOfTheRegisters) { RunCases(kBlocksAtTheEnd, true); }

// Pointers: R1 to P's string at R10, R3 to Q's string at R20.
std::vector<lt::Reg> PQ(uint32_t p = kR(10), uint32_t q = kR(20)) { return {D("R1", p), D("R3", q)}; }

const std::vector<StringCase> kIec = {
    {"copy", "IEC_CPY R1, R3", {Iec("R10", 5, "xx"), Iec("R20", 9, "abc")}, PQ(), {Iec("R10", 5, "abc")}, {}, kOn},
    {"copy_cut_to_maximum", "IEC_CPY R1, R3", {Iec("R10", 2, ""), Iec("R20", 9, "abc")}, PQ(), {Iec("R10", 2, "ab")},
     {}, kOn},
    {"append", "IEC_CAT R1, R3", {Iec("R10", 5, "ab"), Iec("R20", 9, "cdefg")}, PQ(), {Iec("R10", 5, "abcde")},
     {}, kOn},
    {"append_full", "IEC_CAT R1, R3", {Iec("R10", 2, "ab"), Iec("R20", 9, "c")}, PQ(), {Iec("R10", 2, "ab")}, {}, kOn},
    // A string whose maximum runs past the registers is not written.
    {"copy_past_the_end", "IEC_CPY R1, R3", {Iec("SR447", 5, ""), Iec("R20", 9, "abc")}, PQ(kRegistersEnd - 4),
     {Iec("SR447", 5, "")}, {}, kOff},
    {"source_past_the_end", "IEC_CPY R1, R3", {Iec("R10", 9, ""), {"SR448", "\xC8\x05"}}, PQ(kR(10), kRegistersEnd - 2),
     {Iec("R10", 9, "")}, {}, kOff},
    {"equal", "IEC_EQ R1, R3", {Iec("R10", 5, "ab"), Iec("R20", 9, "ab")}, PQ(), {}, {}, kOn},
    {"equal_lengths_differ", "IEC_EQ R1, R3", {Iec("R10", 5, "ab"), Iec("R20", 9, "abc")}, PQ(), {}, {}, kOff},
    {"equal_outside", "IEC_EQ R1, R3", {}, PQ(kRegistersEnd - 1), {}, {}, kOff},
};
TEST_F(Strings, IecStrings) { RunCases(kIec); }

// 514 and 515 leave their result on the bit stack; it goes to R30 through a coil of M.
TEST_F(LadderTest, IecCompareResults) {
  struct Case {
    const char* op;
    const char* p;
    const char* q;
    int want;
  };
  const Case cases[] = {
      {"IEC_CMP", "abc", "ab", 1}, {"IEC_CMP", "ab", "abc", 0}, {"IEC_CMP", "b", "abc", 0xFF},
      {"IEC_CMP2", "b", "ab", 0},  {"IEC_CMP2", "ab", "ab", 1}, {"IEC_CMP2", "a", "b", 0},
  };
  for (ts::OperandForm form : {ts::OperandForm::k16, ts::OperandForm::k32}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.op) + " " + c.p + " " + c.q);
      const Bytes p = Iec("R10", 9, c.p), q = Iec("R20", 9, c.q);
      std::memcpy(plc_reg + kR(10), p.bytes.data(), p.bytes.size());
      std::memcpy(plc_reg + kR(20), q.bytes.data(), q.bytes.size());
      lt::PutReg(D("R1", kR(10)));
      lt::PutReg(D("R3", kR(20)));
      SetBit("I1");
      ASSERT_EQ(Run(std::string("LD I1; ") + c.op + " R1, R3; OUT Q1; END", form), -1);
      EXPECT_EQ(int(logic::LastMachine().bits[0]), c.want);
    }
  }
}

const std::vector<StringCase> kIecNumbers = {
    {"iec_to_int", "IEC_TONUM R1, R3, 0", {Iec("R20", 9, "-12")}, PQ(kR(30), kR(20)), {}, {W("R30", uint16_t(-12))}, kOn},
    // Only the current characters count: the 9 after them is not part of the number.
    {"iec_current_only", "IEC_TONUM R1, R3, 1", {{"R20", "\x09\x03" "1239"}}, PQ(kR(30), kR(20)), {},
     {D("R30", 123)}, kOn},
    {"iec_to_real", "IEC_TONUM R1, R3, 2", {Iec("R20", 9, "0.5")}, PQ(kR(30), kR(20)), {}, {lt::F("R30", 0.5f)}, kOn},
    {"text_to_dint", "TXT_TONUM R1, R3, 1", {{"R20", std::string("-70000\0", 7)}}, PQ(kR(30), kR(20)), {},
     {D("R30", uint32_t(-70000))}, kOn},
    {"target_past_the_end", "TXT_TONUM R1, R3, 1", {{"R20", std::string("5\0", 2)}}, PQ(kRegistersEnd - 2, kR(20)), {},
     {W("SR448", 0)}, kOff},
};
TEST_F(Strings, IecNumbers) { RunCases(kIecNumbers); }

// Formatting: the edge cases of the decimal-point step, the leading zero and the length.
const std::vector<StringCase> kFormat = {
    {"decimals", "FMT R20, R1, 0, 2, 10, %d", {}, {W("R1", 12345)}, {{"R20", std::string("123.45\0", 7)}}, {}, kOn},
    {"padded", "FMT R20, R1, 0, 2, 10, %d", {}, {W("R1", 5)}, {{"R20", std::string("0.05\0", 5)}}, {}, kOn},
    {"leading_zero_dropped", "FMT R20, R1, 0, 2, 3, %d", {}, {W("R1", 5)}, {{"R20", std::string(".05\0", 4)}}, {}, kOn},
    {"too_long", "FMT R20, R1, 0, 2, 2, %d", {}, {W("R1", 5)}, {{"R20", std::string("0.\0", 3)}}, {}, kOff},
    {"negative_point", "FMT R20, R1, 1, 2, 10, %d", {}, {D("R1", uint32_t(-123))}, {{"R20", std::string("-1.23\0", 6)}},
     {}, kOn},
    {"negative_short_point", "FMT R20, R1, 1, 2, 10, %d", {}, {D("R1", uint32_t(-12))}, {{"R20", std::string("-.12\0", 5)}},
     {}, kOn},
    // The padding goes after the sign.
    {"negative_padded", "FMT R20, R1, 1, 2, 10, %d", {}, {D("R1", uint32_t(-5))}, {{"R20", std::string("-0.05\0", 6)}},
     {}, kOn},
    {"real", "FMT R20, R1, 2, 0, 10, %.2f", {}, {lt::F("R1", 2.5f)}, {{"R20", std::string("2.50\0", 5)}}, {}, kOn},
    {"real_nan_writes_nothing", "FMT R20, R1, 2, 0, 10, %f; PUSHK 9; PULL R30", {{"R20", "zz"}},
     {D("R1", 0x7FC00000)}, {{"R20", "zz"}}, {W("R30", 9)}, kOff},
    {"string_format_refused", "FMT R20, R1, 0, 0, 10, %s", {{"R20", "zz"}}, {W("R1", 1)}, {{"R20", "zz"}}, {}, kOff},
    {"two_conversions_refused", "FMT R20, R1, 0, 0, 10, %d%d", {{"R20", "zz"}}, {W("R1", 1)}, {{"R20", "zz"}}, {}, kOff},
    {"real_format_for_integer_refused", "FMT R20, R1, 0, 0, 10, %f", {{"R20", "zz"}}, {W("R1", 1)}, {{"R20", "zz"}}, {},
     kOff},
    // L beyond the 40-byte buffer is limited to it: 39 characters at most, cut and off.
    {"length_limited_to_buffer", "FMT R20, R1, 0, 0, 60000, %50d", {}, {W("R1", 7)},
     {{"R20", std::string(39, ' ') + '\0'}}, {}, kOff},
    {"sign_before_padding", "FMT R20, R1, 0, 3, 10, %+d", {}, {W("R1", 17)}, {{"R20", std::string("+0.017\0", 7)}}, {},
     kOn},
    {"through_pointers", "FMTP R1, R3, 0, 1, 10, %d", {{"R20", "\x39\x30"}}, PQ(kR(30), kR(20)),
     {{"R30", std::string("1234.5\0", 7)}}, {}, kOn},
    {"iec_cut_keeps_power", "FMT_IEC R1, R3, 1, 0, 3, %d", {{"R20", std::string("\x40\xE2\x01\x00", 4)}},
     PQ(kR(30), kR(20)), {{"R30", std::string("\x03\x03" "123", 5)}}, {}, kOn},
    {"iec_past_the_end", "FMT_IEC R1, R3, 0, 0, 9, %d", {{"R20", "\x05"}}, PQ(kRegistersEnd - 2, kR(20)),
     {{"SR448", std::string(2, '\0')}}, {}, kOff},
};
TEST_F(Strings, Formatting) { RunCases(kFormat); }

// Python's %-formatting of the same values, with the decimal-point step of the
// instruction applied to its text.
TEST_F(LadderTest, FormattingMatchesPython) {
  struct Case {
    const char* format;
    int kind;
    uint32_t raw;
    uint16_t p;
  };
  const Case cases[] = {
      {"%d", 1, uint32_t(-2147483647 - 1), 0}, {"%5d", 0, 42, 0},          {"%-6d|", 0, 42, 0},
      {"%x", 1, 0xDEADBEEF, 0},                {"%08X", 0, 0xBEEF, 0},     {"%+d", 1, 17, 2},
      {"%o", 0, 8, 0},                          {"%u", 1, uint32_t(-1), 0}, {"%.3e", 2, 0x40490FDB, 0},
      {"%g", 2, 0x3DCCCCCD, 0},                 {"%7.1f", 2, 0xC2F6E979, 0}, {"%05d", 1, uint32_t(-42), 1},
  };
  std::string script = "import struct\n";
  for (const Case& c : cases) {
    std::string value = c.kind == 2 ? "struct.unpack('<f', struct.pack('<I', " + std::to_string(c.raw) + "))[0]"
                        : c.kind == 1 ? "struct.unpack('<i', struct.pack('<I', " + std::to_string(c.raw) + "))[0]"
                                      : std::to_string(c.raw);
    std::string fmt = c.format;
    if (fmt.find_first_of("uxXo") != std::string::npos && c.kind == 1) value = std::to_string(c.raw);
    if (fmt.find('u') != std::string::npos) fmt.replace(fmt.find('u'), 1, "d");
    script += "print('" + fmt + "' % " + value + ")\n";
  }
  ::setenv("LADDER_FORMAT_PEER", script.c_str(), 1);
  FILE* py = ::popen("python3 -c \"$LADDER_FORMAT_PEER\" 2>/dev/null", "r");
  ASSERT_NE(py, nullptr);
  std::vector<std::string> want;
  char line[128];
  while (std::fgets(line, sizeof line, py) != nullptr) want.emplace_back(line, std::strcspn(line, "\n"));
  if (::pclose(py) != 0 || want.empty()) GTEST_SKIP() << "python3 is not available";
  ASSERT_EQ(want.size(), std::size(cases));
  for (ts::OperandForm form : {ts::OperandForm::k16, ts::OperandForm::k32}) {
    for (std::size_t i = 0; i < want.size(); ++i) {
      const Case& c = cases[i];
      SCOPED_TRACE(std::string(c.format) + " -> " + want[i]);
      std::string text = want[i];
      if (c.p > 0) {
        if (c.p < text.size()) text.insert(text.size() - c.p, ".");
      }
      std::memset(plc_reg + kR(20), 0x55, 40);
      lt::PutReg(D("R1", c.raw));
      SetBit("I1");
      std::string fmt;
      for (char ch : std::string(c.format)) fmt += ch == '|' ? std::string("\\x7C") : std::string(1, ch);
      ASSERT_EQ(Run("LD I1; FMT R20, R1, " + std::to_string(c.kind) + ", " + std::to_string(c.p) + ", 30, " + fmt +
                        "; OUT Q1; END",
                    form),
                -1);
      EXPECT_STREQ(reinterpret_cast<const char*>(plc_reg + kR(20)), text.c_str());
      EXPECT_TRUE(Bit("Q1"));
    }
  }
}

}  // namespace
