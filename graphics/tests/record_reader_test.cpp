// The bounded record cursor: every field is checked against what remains.
#include <gtest/gtest.h>

#include <bit>

#include "graphics/record_reader.h"

namespace {

TEST(RecordReader, ReadsLittleEndianFieldsAndHalvesLowFirst) {
  const uint8_t rec[] = {0x7F,                                            // u8
                         0x34, 0x12,                                      // u16
                         0xFE, 0xFF,                                      // i16 -2
                         0x02, 0x00, 0x01, 0x00,                          // u32 as halves 0x0002, 0x0001
                         0x00, 0x00, 0x80, 0x3F,                          // f32 1.0
                         0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xF8, 0x3F,  // f64 1.5
                         0xAA, 0xBB};
  RecordReader rd(rec);
  uint8_t a;
  uint16_t b;
  int16_t c;
  uint32_t d;
  float e;
  double f;
  std::span<const uint8_t> g;
  ASSERT_TRUE(rd.U8(a) && rd.U16(b) && rd.I16(c) && rd.U32(d) && rd.F32(e) && rd.F64(f) && rd.Bytes(2, g));
  EXPECT_EQ(a, 0x7F);
  EXPECT_EQ(b, 0x1234);
  EXPECT_EQ(c, -2);
  EXPECT_EQ(d, 65538u);
  EXPECT_EQ(e, 1.0f);
  EXPECT_EQ(f, 1.5);
  EXPECT_EQ(g[1], 0xBB);
  EXPECT_EQ(rd.remaining(), 0u);
  EXPECT_TRUE(rd.ok());
}

TEST(RecordReader, AFieldPastTheEndFailsAndEveryLaterReadFails) {
  const uint8_t rec[] = {1, 2, 3};
  RecordReader rd(rec);
  uint32_t d = 0xDEAD;
  EXPECT_FALSE(rd.U32(d));
  EXPECT_EQ(d, 0u);
  EXPECT_EQ(rd.offset(), 0u);  // nothing was consumed
  EXPECT_FALSE(rd.ok());
  uint8_t a = 9;
  EXPECT_FALSE(rd.U8(a));  // sticky, though one byte would fit
  EXPECT_EQ(a, 0);

  // A length taken from the data itself cannot reach past the record.
  RecordReader r2(rec);
  std::span<const uint8_t> s;
  EXPECT_FALSE(r2.Bytes(SIZE_MAX, s));
  EXPECT_TRUE(s.empty());
  RecordReader r3(rec);
  EXPECT_FALSE(r3.Seek(4));
  RecordReader r4(rec);
  EXPECT_TRUE(r4.Seek(3));
  EXPECT_FALSE(r4.Has(1));
  RecordReader none(nullptr, 100);
  EXPECT_EQ(none.size(), 0u);
}

TEST(RecordReader, SubReaderIsBoundedToItsPart) {
  const uint8_t rec[] = {2, 0, 0xAA, 0xBB, 0xCC};
  RecordReader rd(rec);
  uint16_t n;
  RecordReader part;
  ASSERT_TRUE(rd.U16(n) && rd.Sub(n, part));
  uint16_t v;
  EXPECT_TRUE(part.U16(v));
  EXPECT_EQ(v, 0xBBAA);
  uint8_t x;
  EXPECT_FALSE(part.U8(x));  // 0xCC belongs to the outer record
  EXPECT_TRUE(rd.U8(x));
  EXPECT_EQ(x, 0xCC);
  RecordReader bad;
  EXPECT_FALSE(rd.Sub(1, bad));
  EXPECT_FALSE(bad.ok());
}

}  // namespace
