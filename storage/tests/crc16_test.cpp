// CRC-16/MODBUS against published check values and against Python computing it bit by
// bit over the same bytes.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "storage/crc16.h"
#include "testsupport/temp_root.h"

namespace {

TEST(Crc16, PublishedCheckValues) {
  const struct {
    std::string text;
    uint16_t crc;
  } cases[] = {{"", 0xFFFF}, {"123456789", 0x4B37}, {"abc", 0x5749}};
  for (const auto& c : cases) EXPECT_EQ(crc16(c.text.data(), c.text.size()), c.crc) << c.text;
  EXPECT_EQ(CrcTab[0], 0x0000);
  EXPECT_EQ(CrcTab[1], 0xC0C1);
  EXPECT_EQ(CrcTab[255], 0x4040);
}

std::vector<uint8_t> Bytes(std::size_t n) {
  std::vector<uint8_t> v(n);
  uint32_t x = 12345;
  for (auto& b : v) {
    x = x * 1103515245u + 12345u;
    b = uint8_t(x >> 16);
  }
  return v;
}

TEST(Crc16, PiecesGiveTheCrcOfTheWhole) {
  auto data = Bytes(1656);
  uint16_t crc = crc16_next(data.data(), 1024, 0xFFFF);
  crc = crc16_next(data.data() + 1024, 632, crc);
  EXPECT_EQ(crc, crc16(data.data(), data.size()));
  EXPECT_EQ(crc16_next(data.data(), 0, 0x1234), 0x1234);
}

TEST(Crc16, AgreesWithPythonOverEveryByteValue) {
  ts::TempRoot root;
  auto data = Bytes(4096);
  for (int i = 0; i < 256; ++i) data[i] = uint8_t(i);
  root.Write("/data.bin", data);
  std::string cmd =
      "python3 -c \"import sys\n"
      "c=0xFFFF\n"
      "for b in open(sys.argv[1],'rb').read():\n"
      " c^=b\n"
      " for _ in range(8): c=(c>>1)^0xA001 if c&1 else c>>1\n"
      "print(c)\" " + root.Host("/data.bin") + " 2>/dev/null";
  FILE* p = ::popen(cmd.c_str(), "r");
  ASSERT_NE(p, nullptr);
  unsigned expected = 0;
  int got = std::fscanf(p, "%u", &expected);
  int status = ::pclose(p);
  if (got != 1 || status != 0) GTEST_SKIP() << "python3 is not available";
  EXPECT_EQ(crc16(data.data(), data.size()), expected);
}

}  // namespace
