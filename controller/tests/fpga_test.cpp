#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "controller/fpga.h"
#include "platform/fpga_spi.h"
#include "testsupport/reg_fixture.h"
#include "testsupport/temp_root.h"

namespace {

struct FpgaTest : ts::RegImageTest {
  ts::TempRoot root;
  void SetUp() override {
    ts::RegImageTest::SetUp();
    Fpga_Close();
    plat::FpgaModelReset();
  }
  void TearDown() override {
    Fpga_Close();
    plat::FpgaModelReset();
    ts::RegImageTest::TearDown();
  }
};

TEST_F(FpgaTest, InitOpensTheChannelAndReadsTheMode) {
  plat::FpgaModelConfig c;
  c.mode = 7;
  c.version = 0x42;
  plat::FpgaModelReset(c);
  EXPECT_EQ(Fpga_Init(), 1);
  EXPECT_TRUE(FPGA_Check());
  EXPECT_EQ((plat::FpgaModelSpiSetup()), (std::array<int, 4>{1, 0, 12, 2}));
  EXPECT_EQ(SrGet(208), 7);
  EXPECT_EQ(FPGA_GetVer(), 0x42);
  // A 4-byte register goes least significant byte first.
  EXPECT_EQ(spi_data_RD_nWR(0x11223344, 0x0120, 4, 0), 0x11223344u);
  EXPECT_EQ(plat::FpgaModelRegister(0x0120), 0x44);
  EXPECT_EQ(plat::FpgaModelRegister(0x0123), 0x11);
  EXPECT_EQ(spi_data_RD_nWR(0, 0x0120, 2, 1), 0x3344u);
  Fpga_Close();
  EXPECT_FALSE(plat::FpgaSpiIsOpen());
}

TEST_F(FpgaTest, WrongJtagIdLeavesTheChannelClosed) {
  plat::FpgaModelConfig c;
  c.jtag_id = 0x12345678;
  plat::FpgaModelReset(c);
  SrSet(208, 99);
  EXPECT_EQ(Fpga_Init(), 0);
  EXPECT_FALSE(FPGA_Check());
  EXPECT_EQ(plat::TraceCountOf("FpgaSpiOpen"), 0u);
  EXPECT_EQ(SrGet(208), 99);
  EXPECT_EQ(FPGA_GetVer(), 0);
}

TEST_F(FpgaTest, FailedOpenReadsNothing) {
  plat::FpgaModelConfig c;
  c.spi_open_result = 0;
  plat::FpgaModelReset(c);
  SrSet(208, 99);
  EXPECT_EQ(Fpga_Init(), 0);
  EXPECT_TRUE(FPGA_Check());
  EXPECT_EQ(SrGet(208), 99);
}

// A programming file: seven CR LF header lines, the third ending in the version digits,
// then the image.
std::vector<uint8_t> ImageFile(std::size_t image_bytes, int header_lines = 7) {
  std::string header;
  for (int i = 1; i <= header_lines; ++i) header += i == 3 ? "version 123\r\n" : "line " + std::to_string(i) + "\r\n";
  std::vector<uint8_t> file(header.begin(), header.end());
  for (std::size_t i = 0; i < image_bytes; ++i) file.push_back(uint8_t(i * 7 + 1));
  return file;
}

TEST_F(FpgaTest, ProgrammingAgainstTheModel) {
  const std::size_t header = ImageFile(0).size();
  struct Case {
    const char* what;
    std::vector<uint8_t> file;  // empty: no file
    int engine_result;
    int expected;
    bool engine_ran;
  };
  const Case cases[] = {
      {"good image", ImageFile(1000), 0, 1, true},
      {"engine failure is reported", ImageFile(1000), 3, 0, true},
      {"file exactly fills the buffer", ImageFile(kFpgaImageMax - header), 0, 1, true},
      {"file one byte larger than the buffer", ImageFile(kFpgaImageMax - header + 1), 0, 0, false},
      {"six header lines", ImageFile(1000, 6), 0, 0, false},
      {"header without image", ImageFile(0), 0, 0, false},
      {"no file", {}, 0, 0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    plat::FpgaModelConfig config;
    config.engine_result = c.engine_result;
    plat::FpgaModelReset(config);
    plat::TraceClear();
    std::remove(root.Host("/mnt/USB/kv4ef.hex").c_str());
    if (!c.file.empty()) root.Write("/mnt/USB/kv4ef.hex", c.file);
    EXPECT_EQ(FPGA_program(), c.expected);
    EXPECT_EQ(plat::TraceCountOf("FCE_Run"), c.engine_ran ? 1u : 0u);
    if (c.engine_ran) {
      const std::vector<uint8_t> image(c.file.begin() + long(header), c.file.end());
      EXPECT_EQ(plat::FpgaModelConfiguredImage(), image);
      EXPECT_EQ(fpga_ver_file, 123);
    }
  }
}

TEST(FpgaHeader, LineEndsAndVersion) {
  const std::string text = "a\r\nb\r\nv042\r\n\r\n\r\n\r\n\r\nDATA";
  const std::vector<uint8_t> head(text.begin(), text.end());
  EXPECT_EQ(FPGA_param(head), text.size() - 4);
  EXPECT_EQ(fpga_ver_file, 42);
  // Line ends past the first 512 bytes do not count.
  std::vector<uint8_t> late(600, 'x');
  for (int i = 0; i < 7; ++i) late.insert(late.end(), {'\r', '\n'});
  EXPECT_EQ(FPGA_param(late), 0u);
}

}  // namespace
