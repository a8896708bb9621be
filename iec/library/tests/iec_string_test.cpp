// IEC string records at their capacity limits and the string primitives.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "iec_library/iec_string.h"

namespace {

// A string record of a capacity, filled with older bytes to show what a writer leaves.
struct Str {
  std::vector<uint8_t> r;
  explicit Str(uint8_t cap, const std::string& text = "") : r(cap + 3u + 8u, 0xEE) {
    r[0] = cap;
    N4VMStr_AscForce(r.data(), text.data(), uint32_t(text.size()));
  }
  uint8_t* p() { return r.data(); }
  std::string s() const { return std::string(reinterpret_cast<const char*>(r.data() + 2), r[1]); }
  bool Terminated() const { return r[2 + r[1]] == 0; }
  bool GuardIntact() const {
    for (size_t i = r[0] + 3u; i < r.size(); ++i)
      if (r[i] != 0xEE) return false;
    return true;
  }
};

TEST(IecString, WritersCutToTheCapacity) {
  Str s4(4);
  N4VMStr_AscForce(s4.p(), "0123456789", 10);
  EXPECT_EQ(s4.s(), "0123");
  EXPECT_TRUE(s4.Terminated());
  EXPECT_TRUE(s4.GuardIntact());
  Str s0(0, "abc");
  EXPECT_EQ(s0.s(), "");
  EXPECT_TRUE(s0.GuardIntact());
  Str full(255, std::string(300, 'x'));
  EXPECT_EQ(full.s().size(), 255u);
  EXPECT_TRUE(full.GuardIntact());
  // Concatenation into one of its sources, and numbers cut to the capacity.
  Str a(6, "abcd"), b(10, "WXYZ");
  N4VMStr_Cat(a.p(), a.p(), b.p());
  EXPECT_EQ(a.s(), "abcdWX");
  Str n3(3);
  N4VMStr_ItoA(n3.p(), -123456);
  EXPECT_EQ(n3.s(), "-12");
  N4VMStr_ULINTtoA(n3.p(), 9);
  EXPECT_EQ(n3.s(), "9");
  Str l(30);
  N4VMStr_LINTtoA(l.p(), INT64_MIN);
  EXPECT_EQ(l.s(), "-9223372036854775808");
  N4VMStr_DtoA(l.p(), 1.0 / 3.0);
  EXPECT_EQ(l.s(), "0.333333");
  N4VMStr_FtoA(l.p(), 1e20f);
  EXPECT_EQ(l.s(), "1e+20");
  const uint8_t counted[] = {3, 'a', 'b', 'c'};
  N4VMStr_DBForcePtr(n3.p(), counted);
  EXPECT_EQ(n3.s(), "abc");
}

TEST(IecString, Primitives) {
  Str ab(8, "AB"), abc(8, "ABC"), e1(8), e2(8);
  EXPECT_LT(N4VMStr_Compare(ab.p(), abc.p()), 0);
  EXPECT_EQ(N4VMStr_Compare(e1.p(), e2.p()), 0);
  EXPECT_EQ(N4VMStr_ICmp("abC", "ABc"), 0);
  EXPECT_EQ(N4VMStr_NICmp("abcX", "ABCY", 3), 0);

  Str in(10, "HELLO"), out(10);
  N4VMStr_Mid(out.p(), in.p(), 9, 2);
  EXPECT_EQ(out.s(), "");
  N4VMStr_Mid(out.p(), in.p(), 1, 9);
  EXPECT_EQ(out.s(), "ELLO");
  N4VMStr_Left(out.p(), in.p(), -1);
  EXPECT_EQ(out.s(), "");
  N4VMStr_Right(out.p(), in.p(), 2);
  EXPECT_EQ(out.s(), "LO");
  N4VMStr_Delete(out.p(), in.p(), 1, 3);
  EXPECT_EQ(out.s(), "HO");
  Str fullin(5, "HELLO"), ins(5, "xy");
  N4VMStr_Insert(out.p(), fullin.p(), ins.p(), 2);
  EXPECT_EQ(out.s(), "HELLO");  // into a full string nothing is inserted
  N4VMStr_Insert(out.p(), in.p(), ins.p(), 2);
  EXPECT_EQ(out.s(), "HExyLLO");
  Str ll(8, "LL");
  EXPECT_EQ(N4VMStr_Find(in.p(), ll.p()), 3);
  EXPECT_EQ(N4VMStr_Find(in.p(), e1.p()), 0);
  EXPECT_EQ(N4VMStr_Ascii(in.p(), 1), 'E');
  EXPECT_EQ(N4VMStr_Ascii(in.p(), 5), 0);
  N4VMStr_Char(out.p(), 'Q');
  EXPECT_EQ(out.s(), "Q");

  Str num(20, "  42abc"), bad(20, "abc"), neg(20, "-12"), hex(20, "1aZ"), big(30, "99999999999");
  EXPECT_EQ(N4VMStr_AtoUL(num.p()), 42u);
  EXPECT_EQ(N4VMStr_AtoUL(bad.p()), 0u);
  EXPECT_EQ(N4VMStr_AtoUL(big.p()), 4294967295u);
  EXPECT_EQ(N4VMStr_AtoI(big.p()), INT32_MAX);
  EXPECT_EQ(N4VMStr_AtoLINT(neg.p()), -12);
  EXPECT_EQ(N4VMStr_AtoH(hex.p()), 0x1Au);
  Str abc3(8, "abc"), empty(8);
  EXPECT_EQ(N4VMStr_Crc16(abc3.p()), 0x5749);  // the Modbus CRC-16 of "abc"
  EXPECT_EQ(N4VMStr_Crc16(empty.p()), 0xFFFF);

  Str h6(6), h8(8);
  N4VMStr_HtoA(h6.p(), 0x1A);
  EXPECT_EQ(h6.s(), "");
  for (auto [v, text] : std::vector<std::pair<uint32_t, std::string>>{{0, "00"}, {0x1A, "1A"}, {0x123, "0123"},
                                                                       {0xDEADBEEF, "DEADBEEF"}}) {
    N4VMStr_HtoA(h8.p(), v);
    EXPECT_EQ(h8.s(), text);
  }
  Str date(20), shortd(5);
  N4VMStr_DateFmt(date.p(), "%Y-%m-%d %H:%M:%S %q", (2024u << 16) | (3u << 8) | 9u, (13 * 3600 + 5 * 60 + 7) * 1000);
  EXPECT_EQ(date.s(), "2024-03-09 13:05:07 ");
  N4VMStr_DateFmt(shortd.p(), "ab%Y", (2024u << 16), 0);
  EXPECT_EQ(shortd.s(), "ab24");
}

TEST(IecString, ArrayCopies) {
  Str s(6, "ABCDE");
  uint8_t bytes[3] = {};
  EXPECT_EQ(N4VMStr_ToD8(s.p(), bytes, 3), 3);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(bytes), 3), "ABC");
  uint8_t words[8] = {};
  EXPECT_EQ(N4VMStr_ToD16(s.p(), words, 4), 2);
  const uint8_t src[8] = {'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h'};
  Str t(5);
  EXPECT_EQ(N4VMStr_FromD32(src, 2, t.p(), 2), 1);  // only one 4-byte element fits
  EXPECT_EQ(t.s(), "abcd");
  EXPECT_TRUE(t.GuardIntact());
}

TEST(IecString, NumbersInAFixedWidthField) {
  struct {
    int type;
    double value;
    int width, digits;
    const char* text;
  } const cases[] = {
      {3, 3.75, 6, 1, "   3.7"}, {3, 3.75, -6, 1, "3.7   "}, {2, 123456, 4, 0, "****"}, {3, -0.5, 0, 0, "-0"},
      {2, -42, 5, 0, "  -42"}, {2, 7, 6, 2, "  7.00"}, {11, 5, 0, 0, "5"}, {3, 1.5, 3, 3, "***"},
  };
  for (const auto& c : cases) {
    Str out(8);
    uint8_t value[8] = {};
    if (c.type == 3) {
      float f = float(c.value);
      std::memcpy(value, &f, 4);
    } else if (c.type == 11) {
      int16_t i = int16_t(c.value);
      std::memcpy(value, &i, 2);
    } else {
      int32_t i = int32_t(c.value);
      std::memcpy(value, &i, 4);
    }
    N4VMStr_NumToStr(out.p(), c.type, value, c.width, c.digits);
    EXPECT_EQ(out.s(), c.text) << c.value << " width " << c.width;
  }
}

}  // namespace
