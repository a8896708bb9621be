// Unaligned 32- and 64-bit fields held as 16-bit halves, low half first.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstring>
#include <limits>

#include "ground/unaligned.h"

namespace {

TEST(Unaligned, DwordIsLowHalfFirst) {
  alignas(4) uint16_t words[3] = {0x0002, 0x0001, 0xBEEF};
  EXPECT_EQ(UTIL_GetDword(words), 0x00010002u);
  EXPECT_EQ(UTIL_GetDword(words), 65538u);
  uint16_t out[3] = {0, 0, 0x5555};
  UTIL_PutDword(out, 65538);
  EXPECT_EQ(out[0], 0x0002);
  EXPECT_EQ(out[1], 0x0001);
  EXPECT_EQ(out[2], 0x5555);  // nothing beyond the field
  UTIL_PutDword(out, 0x3F800000);
  EXPECT_EQ(UTIL_GetFloat(out), 1.0f);
}

TEST(Unaligned, DoubleSurvivesAnAddressThatIsOnlyTwoAligned) {
  alignas(8) uint8_t buf[24] = {};
  uint8_t* at = buf + 2;  // 2-aligned, neither 4- nor 8-aligned
  const double values[] = {0.0, -0.0, 1.5, -123456.789, std::numeric_limits<double>::denorm_min(),
                           std::numeric_limits<double>::infinity(),
                           std::bit_cast<double>(uint64_t(0x7FF8000000000123))};  // NaN with payload
  for (double v : values) {
    UTIL_PutDouble(at, v);
    EXPECT_EQ(std::bit_cast<uint64_t>(UTIL_GetDouble(at)), std::bit_cast<uint64_t>(v));
  }
  // Word 0 is the least significant.
  UTIL_PutDouble(at, std::bit_cast<double>(uint64_t(0x4444333322221111)));
  uint16_t w[4];
  std::memcpy(w, at, 8);
  EXPECT_EQ(w[0], 0x1111);
  EXPECT_EQ(w[3], 0x4444);
  EXPECT_EQ(buf[0], 0);
  EXPECT_EQ(buf[10], 0);
}

}  // namespace
