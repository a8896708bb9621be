// Register tokens that address IEC variables, against a fake variable database.
#include <gtest/gtest.h>

#include "testsupport/fake_iec_db.h"
#include "testsupport/reg_fixture.h"

namespace {

using ts::FakeIecDb;

class IecTokens : public ts::RegImageTest {
 protected:
  FakeIecDb db;
};

TEST_F(IecTokens, OneBitReadsAndWritesByBitNumber) {
  auto& v = db.Add(1, 4);  // 32-bit variable
  v[0] = 0x00; v[1] = 0x80; v[2] = 0; v[3] = 0x80;
  EXPECT_EQ(GetBit(FakeIecDb::Token(1, 2, 15)), 1);
  EXPECT_EQ(GetBit(FakeIecDb::Token(1, 2, 14)), 0);
  EXPECT_EQ(GetBit(FakeIecDb::Token(1, 2, 31)), 1);
  EXPECT_EQ(GetBit(FakeIecDb::Token(1, 2, 40)), 0);  // beyond the work word
  EXPECT_EQ(SetBit(FakeIecDb::Token(1, 2, 3), 1), 1);
  EXPECT_EQ(v[0], 0x08);
  EXPECT_EQ(SetBit(FakeIecDb::Token(1, 2, 3), 2), 1);  // only exactly 1 sets
  EXPECT_EQ(v[0], 0x00);
  auto& w = db.Add(2, 1);  // 8-bit
  EXPECT_EQ(SetBit(FakeIecDb::Token(2, 0, 7), 1), 1);
  EXPECT_EQ(w[0], 0x80);
}

TEST_F(IecTokens, WholeVariablesCopyTheirBytes) {
  auto& v = db.Add(3, 2);
  EXPECT_EQ(Set16(FakeIecDb::Token(3, 1), 0x1234), 1);
  EXPECT_EQ(v[0], 0x34);
  EXPECT_EQ(v[1], 0x12);
  EXPECT_EQ(Get16(FakeIecDb::Token(3, 1)), 0x1234);
}

TEST_F(IecTokens, SeveralBitsWithBitNumberGiveOneFlagPerElement) {
  auto& v = db.Add(4, 8);  // four 16-bit elements
  const uint16_t e[4] = {0x0001, 0x0000, 0x8000, 0x0000};
  std::memcpy(v.data(), e, 8);
  // bit number 4: element i is 1 when (e[i] << 4) keeps a bit, or e[i+1] >> 12 is non-zero
  uint16_t out[4] = {9, 9, 9, 9};
  ASSERT_EQ(PlcReg_Get(out, FakeIecDb::Token(4, 1, 4), 64), 1);
  EXPECT_EQ(out[0], 1);  // 0x0001 << 4
  EXPECT_EQ(out[1], 1);  // neighbour 0x8000 >> 12
  EXPECT_EQ(out[2], 1);  // 0x8000 << 4 = 0x80000 fits 32 bits
  EXPECT_EQ(out[3], 0);  // last element: no neighbour beyond the request
  // A write with a bit number changes nothing.
  EXPECT_EQ(PlcReg_Set(FakeIecDb::Token(4, 1, 4), out, 64), 1);
  EXPECT_EQ(0, std::memcmp(v.data(), e, 8));
}

TEST_F(IecTokens, StringsRespectTheirCapacity) {
  auto& s = db.Add(5, 2 + 8);
  s[0] = 8;  // capacity
  const char text[8] = {'P', 'U', 'M', 'P', 0, 0, 0, 0};
  EXPECT_EQ(PlcReg_Set(FakeIecDb::Token(5, 4), text, 64), 1);
  EXPECT_EQ(s[1], 4);  // current length
  EXPECT_EQ(0, std::memcmp(s.data() + 2, "PUMP", 4));
  char back[8] = {};
  EXPECT_EQ(PlcReg_Get(back, FakeIecDb::Token(5, 4), 64), 1);
  EXPECT_STREQ(back, "PUMP");
  // Too long for the variable: nothing stored, and the caller is told.
  char longer[16] = "OVERFLOWING!";
  EXPECT_EQ(PlcReg_Set(FakeIecDb::Token(5, 4), longer, 128), 0);
  EXPECT_EQ(s[1], 4);
  // A read longer than the variable gets zeros past its capacity.
  char wide[16];
  std::memset(wide, 'x', sizeof wide);
  EXPECT_EQ(PlcReg_Get(wide, FakeIecDb::Token(5, 4), 128), 1);
  EXPECT_EQ(wide[8], 0);
  EXPECT_EQ(wide[15], 0);
}

TEST_F(IecTokens, PackedBitsUseOneBytePerBit) {
  auto& b = db.Add(6, 16);
  const uint8_t reg_bits[2] = {0x05, 0x80};
  EXPECT_EQ(PlcReg_Set(FakeIecDb::Token(6, 6), reg_bits, 16), 1);
  EXPECT_EQ(b[0], 1);
  EXPECT_EQ(b[1], 0);
  EXPECT_EQ(b[2], 1);
  EXPECT_EQ(b[15], 1);
  uint8_t back[2] = {};
  EXPECT_EQ(PlcReg_Get(back, FakeIecDb::Token(6, 6, 3), 16), 1);  // bit number ignored
  EXPECT_EQ(back[0], 0x05);
  EXPECT_EQ(back[1], 0x80);
}

TEST_F(IecTokens, MissingAndNoneTypedVariables) {
  uint16_t v = 0xAAAA;
  EXPECT_EQ(PlcReg_Get(&v, FakeIecDb::Token(99, 1), 16), 1);  // reads nothing
  EXPECT_EQ(v, 0xAAAA);
  EXPECT_EQ(Set16(FakeIecDb::Token(99, 1), 1), 0);            // nothing to write into
  db.Add(7, 2);
  EXPECT_EQ(PlcReg_Get(&v, FakeIecDb::Token(7, 7), 16), 1);   // type "none"
  EXPECT_EQ(v, 0xAAAA);
  EXPECT_EQ(Set16(FakeIecDb::Token(7, 7), 1), 1);             // accepted, ignored
}

TEST_F(IecTokens, OnlineProgrammingResolvesReadsAndRefusesWrites) {
  auto& v = db.Add(8, 2);
  v[0] = 0x21;
  v[1] = 0x43;
  OLPMode = 1;
  EXPECT_EQ(Get16(FakeIecDb::Token(8, 1)), 0x4321);
  EXPECT_EQ(Set16(FakeIecDb::Token(8, 1), 1), 0);
  EXPECT_EQ(v[0], 0x21);
}

TEST(IecTokensNotEnumerated, WritesAreRefusedAndReadsAreRemote) {
  std::memset(plc_reg, 0, sizeof plc_reg);
  FakeIecDb db(false);
  db.Add(1, 2);
  uint16_t v = 7;
  EXPECT_EQ(PlcReg_Set(FakeIecDb::Token(1, 1), &v, 16), 0);
  // Not bound: the token is an external-object token; not in Run it reads zeros.
  EXPECT_EQ(PlcReg_Get(&v, FakeIecDb::Token(1, 1), 16), 1);
  EXPECT_EQ(v, 0);
}

}  // namespace
