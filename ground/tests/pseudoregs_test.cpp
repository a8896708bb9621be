// The pseudo-registers 992..1023 through register links: each source by number, copies
// kept to the field's width, numbers without a source, and the writes.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "ground/bbram.h"
#include "ground/rcb.h"
#include "ground/regimage.h"
#include "ground/tablestore.h"
#include "net/services.h"
#include "rcb_fixture.h"
#include "web/services.h"

namespace {

using Bytes = std::vector<uint8_t>;

class Pseudo : public ts::RcbTest {
 protected:
  void SetUp() override {
    RcbTest::SetUp();
    saved_web_ = QuorvServerState;
    for (EthConfig& c : Dpr_Configuration) c = EthConfig{};
    Dpr_Configuration[0] = {.dhcp = 1, .ip = 0xC0A80A14, .mask = 0xFFFFFF00, .gateway = 0xC0A80A01, .dns = 0x08080404};
    Dpr_Configuration[1].ip = 0x11111111;
    std::memset(tinyImage, 0, sizeof tinyImage);
    std::memcpy(tinyImage + kTinyMacText0, "00:1A:2B:3C:4D:5E", kMacTextLen);
    std::memset(tinyImage + kTinyMacText0 + kMacTextLen, 'Z', 8);  // no NUL after the text
    for (uint32_t n = 195; n <= 220; ++n) SrSet(n, uint16_t(0x100 * n + 1));
    SrSet(5, 2);
    SrSet(208, 0x1234);
    SrSet(210, 330);
    SrSet(211, 1);
    std::memcpy(plc_reg + reg::SrOffset(201), "2.6.35.49", 10);
    SrSet(200, 17);
    QuorvServerState = 4;
    SYS_ResetRCBs(0);  // the page pool: room for every link of a test
  }
  void TearDown() override {
    QuorvServerState = saved_web_;
    RcbTest::TearDown();
  }

  // A pseudo-capable link re-pointed at a pseudo-register number.
  static RCB* Link(uint32_t number, uint16_t size) {
    RCB* r = SYS_LinkReg(1, size);
    SYS_ChgLink(r, number, size);
    return r;
  }
  static Bytes Read(uint32_t number, uint16_t size, uint32_t length) {
    Bytes out(length, 0xAA);
    EXPECT_EQ(SYS_ReadReg(out.data(), Link(number, size), length), 1);
    return out;
  }
  static Bytes Sr(uint32_t first, uint32_t words) {
    const uint8_t* p = plc_reg + reg::SrOffset(first);
    return Bytes(p, p + 2 * words);
  }

 private:
  uint8_t saved_web_ = 0;
};

Bytes U16(uint16_t v) { return {uint8_t(v), uint8_t(v >> 8)}; }
Bytes U32(uint32_t v) { return {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)}; }
Bytes Cat(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}
Bytes Zeros(std::size_t n) { return Bytes(n, 0); }

constexpr uint16_t kU16 = 0x40 | 16;
constexpr uint16_t kU32 = 0x40 | 32;

TEST_F(Pseudo, ReadsEachSourceByNumber) {
  struct Case {
    const char* what;
    uint32_t number;
    uint16_t size;
    uint32_t length;
    Bytes expected;
  };
  const Case kCases[] = {
      {"992 DHCP flag", 992, 0x40 | 8, 1, {1}},
      {"994 DNS", 994, kU32, 4, U32(0x08080404)},
      {"996 FPGA mode", 996, kU16, 2, U16(0x1234)},
      {"1002 web server running", 1002, kU16, 2, U16(1)},
      {"1003 no session", 1003, kU16, 2, U16(0)},
      {"1005 zone: word 1 unused, minutes, hours", 1005, 0x8000 | 6, 6, Cat(Cat(U16(0), U16(30)), U16(5))},
      {"1006 daylight saving", 1006, kU16, 2, U16(1)},
      {"1007 UTC record", 1007, 0x8000 | 12, 12, Sr(212, 6)},
      {"1008 record from SR215", 1008, 0x8000 | 12, 12, Sr(215, 6)},
      {"1010 SR195", 1010, kU16, 2, Sr(195, 1)},
      {"1011 SR196", 1011, kU16, 2, Sr(196, 1)},
      {"1012 SR197", 1012, kU16, 2, Sr(197, 1)},
      {"1013 SR198", 1013, kU16, 2, Sr(198, 1)},
      {"1014 MAC text and its NUL", 1014, 0x8000 | 18, 18, Cat(Bytes{'0', '0', ':', '1', 'A', ':', '2', 'B', ':', '3', 'C', ':', '4', 'D', ':', '5', 'E'}, {0})},
      {"1015 IP", 1015, kU32, 4, U32(0xC0A80A14)},
      {"1016 mask", 1016, kU32, 4, U32(0xFFFFFF00)},
      {"1017 gateway", 1017, kU32, 4, U32(0xC0A80A01)},
      {"1022 kernel version text", 1022, 0x8000 | 10, 10, Bytes{'2', '.', '6', '.', '3', '5', '.', '4', '9', 0}},
      {"1023 ramdisk version", 1023, kU16, 2, U16(17)},
  };
  for (const Case& c : kCases) EXPECT_EQ(Read(c.number, c.size, c.length), c.expected) << c.what;
}

TEST_F(Pseudo, ThirtyTwoBitReadOfTheAddressHasTheFirstOctetOnTop) {
  uint32_t v = 0;
  SYS_ReadReg(&v, Link(1015, kU32), 4);
  EXPECT_EQ(v >> 24, 192u);
  EXPECT_EQ(v, 0xC0A80A14u);
}

TEST_F(Pseudo, NegativeZoneSplitsTowardZero) {
  SrSet(210, uint16_t(-330 - 7));
  EXPECT_EQ(Read(1005, 0x8000 | 6, 6), Cat(Cat(U16(0), U16(uint16_t(-37))), U16(uint16_t(-5))));
}

TEST_F(Pseudo, WebServerNotRunningReadsZero) {
  for (uint8_t state : {0, 1, 2, 3}) {
    QuorvServerState = state;
    EXPECT_EQ(Read(1002, kU16, 2), U16(0)) << int(state);
  }
}

// A link wider than its field gets the field's bytes and zeros: nothing from beside it.
TEST_F(Pseudo, WideLinksReadOnlyTheField) {
  struct Case {
    const char* what;
    uint32_t number;
    uint32_t width;
  };
  const Case kCases[] = {{"992", 992, 1}, {"994", 994, 4}, {"1007", 1007, 12}, {"1008", 1008, 12},
                         {"1013", 1013, 2}, {"1014", 1014, 18}, {"1017", 1017, 4}, {"1022", 1022, 10}};
  for (const Case& c : kCases) {
    const Bytes wide = Read(c.number, 0x8000 | 32, 32);
    const Bytes exact = Read(c.number, uint16_t(0x8000 | c.width), c.width);
    EXPECT_EQ(wide, Cat(exact, Zeros(32 - c.width))) << c.what;
  }
}

// A number without a source reads as zeros, not as whatever the last read left behind.
TEST_F(Pseudo, NumbersWithoutASourceReadZeros) {
  RCB* sr5 = SYS_LinkReg(reg::SrToken(5), 16);
  for (uint32_t n : {993u, 995u, 997u, 998u, 1001u, 1004u, 1009u, 1018u, 1019u, 1020u, 1021u}) {
    uint16_t v = 0;
    SYS_ReadReg(&v, sr5, 2);
    ASSERT_EQ(v, 2);
    EXPECT_EQ(Read(n, 16, 4), Zeros(4)) << n;
  }
}

TEST_F(Pseudo, ZoneWriteConvertsMinutesAndHours) {
  const uint16_t words[3] = {0xFFFF, 30, 5};
  EXPECT_EQ(SYS_WriteReg(Link(1005, 0x8000 | 6), words, 6), 1);
  EXPECT_EQ(SrGet(210), 330);
  const uint16_t west[3] = {0, uint16_t(-30), uint16_t(-3)};
  SYS_WriteReg(Link(1005, 0x8000 | 6), west, 6);
  EXPECT_EQ(int16_t(SrGet(210)), -210);
}

TEST_F(Pseudo, NetworkWritesChangeOnlyTheirField) {
  const EthConfig before = Dpr_Configuration[0];
  const uint8_t wide[8] = {0, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE};
  EXPECT_EQ(SYS_WriteReg(Link(992, 0x8000 | 8), wide, 8), 1);
  EXPECT_EQ(Dpr_Configuration[0].dhcp, 0);
  EXPECT_EQ(Dpr_Configuration[0].ip, before.ip);

  const uint8_t address[16] = {0x01, 0x00, 0x00, 0x0A, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE};
  EXPECT_EQ(SYS_WriteReg(Link(1015, 0x8000 | 16), address, 16), 1);
  EXPECT_EQ(Dpr_Configuration[0].ip, 0x0A000001u);
  EXPECT_EQ(Dpr_Configuration[0].mask, before.mask);
  EXPECT_EQ(Dpr_Configuration[0].gateway, before.gateway);
  EXPECT_EQ(Dpr_Configuration[1].ip, 0x11111111u);

  for (uint32_t n : {994u, 1016u, 1017u}) {
    const uint32_t v = 0x7F000001;
    EXPECT_EQ(SYS_WriteReg(Link(n, kU32), &v, 4), 1) << n;
  }
  EXPECT_EQ(Dpr_Configuration[0].dns, 0x7F000001u);
  EXPECT_EQ(Dpr_Configuration[0].mask, 0x7F000001u);
  EXPECT_EQ(Dpr_Configuration[0].gateway, 0x7F000001u);
}

TEST_F(Pseudo, ClockRecordWritesStopAtTheRecord) {
  std::vector<uint16_t> data(16);
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = uint16_t(i + 1);
  const Bytes after_record = Sr(218, 3);
  EXPECT_EQ(SYS_WriteReg(Link(1007, 0x8000 | 32), data.data(), 32), 1);
  for (uint32_t i = 0; i < 6; ++i) EXPECT_EQ(SrGet(212 + i), i + 1);
  EXPECT_EQ(Sr(218, 3), after_record);

  const uint16_t daylight = 0;
  EXPECT_EQ(SYS_WriteReg(Link(1006, kU16), &daylight, 2), 1);
  EXPECT_EQ(SrGet(211), 0);
}

TEST_F(Pseudo, WritesWithoutADestinationChangeNothing) {
  const std::vector<uint8_t> image(plc_reg, plc_reg + reg::kImageSize);
  const EthConfig eth = Dpr_Configuration[0];
  const uint8_t data[16] = {9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9};
  for (uint32_t n : {993u, 996u, 1002u, 1003u, 1004u, 1009u, 1010u, 1013u, 1014u, 1018u, 1022u, 1023u})
    EXPECT_EQ(SYS_WriteReg(Link(n, 0x8000 | 16), data, 16), 0) << n;
  EXPECT_EQ(std::memcmp(image.data(), plc_reg, reg::kImageSize), 0);
  EXPECT_EQ(std::memcmp(&eth, &Dpr_Configuration[0], sizeof eth), 0);
}

}  // namespace
