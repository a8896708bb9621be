// Register links: the pools, references through the page table, reads and writes by size
// code, indexed and re-pointed links, direct writes and the alarm window.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <vector>

#include "ground/extobjects.h"
#include "ground/rcb.h"
#include "ground/regimage.h"
#include "rcb_fixture.h"

namespace {

using ts::RcbTest;

constexpr uint32_t kSr5 = reg::SrToken(5);
constexpr uint32_t kR1 = reg::kTokR;

TEST_F(RcbTest, EachPoolRunsOutAtItsSize) {
  struct Case {
    int mode;
    int size;
  };
  constexpr Case kCases[] = {{0, kPagePoolRcbs}, {1, kSystemPoolRcbs}, {2, kFixedPoolRcbs}, {7, kFixedPoolRcbs}};
  for (const Case& c : kCases) {
    SYS_ResetRCBs(c.mode);
    for (int i = 0; i < c.size; ++i) ASSERT_NE(SYS_LinkReg(kR1, 16), nullptr) << "mode " << c.mode << " link " << i;
    EXPECT_EQ(SYS_LinkReg(kR1, 16), nullptr) << "mode " << c.mode;
    EXPECT_EQ(SYS_32LinkReg(kR1, 16), nullptr) << "mode " << c.mode;
    SYS_ResetRCBs(c.mode);  // emptied: links are handed out again
    EXPECT_NE(SYS_LinkReg(kR1, 16), nullptr) << "mode " << c.mode;
  }
}

TEST_F(RcbTest, SelectingAPoolLeavesTheOthersLinksAlone) {
  SYS_ResetRCBs(1);
  RCB* system = SYS_LinkReg(kSr5, 16);
  SYS_ResetRCBs(0);
  RCB* page = SYS_LinkReg(kR1, 16);
  EXPECT_NE(system, page);
  EXPECT_EQ(system->base, kSr5);
}

TEST_F(RcbTest, ReferencesResolveByKind) {
  constexpr uint32_t kExternal = 0x80000005u;  // object 5
  PageRefs({{kSr5, 0}, {kExternal, 0x10000u | (3u << 4)}, {kR1 + 16, 0}});
  struct Case {
    const char* what;
    uint32_t reference;
    uint32_t token;
    uint8_t pseudo;
  };
  const Case kCases[] = {
      {"page entry", 2, kSr5, 0},
      {"external entry, bit offset from the attributes", 3, kExternal | (0x1003u << 12), 0},
      {"page entry 4", 4, kR1 + 16, 0},
      {"beyond the page table", 5, 0, 0},
      {"last page reference, no entry", 1023, 0, 0},
      {"pseudo mark", 1, 1, 1},
      {"plain token", kR1, kR1, 0},
      {"token 0", 0, 0, 0},
  };
  for (const Case& c : kCases) {
    RCB* r = SYS_LinkReg(c.reference, 16);
    ASSERT_NE(r, nullptr) << c.what;
    EXPECT_EQ(r->base, c.token) << c.what;
    EXPECT_EQ(r->current, c.token) << c.what;
    EXPECT_EQ(r->pseudo, c.pseudo) << c.what;
    uint32_t rogue = 0xDEAD;
    SYS_InitRogueRCB(&rogue, c.reference);
    EXPECT_EQ(rogue, c.reference == 1 ? 1u : c.token) << c.what;
    SYS_ResetRCBs(2);
  }
}

TEST_F(RcbTest, NoPageTableWithAnOlderHeader) {
  PageRefs({{kSr5, 0}});
  const uint16_t short_header = 40;  // does not reach the reference table's field
  std::memcpy(vtn_pgm + 8, &short_header, 2);
  SYS_ResetRCBs(2);
  EXPECT_EQ(SYS_LinkReg(2, 16)->base, 0u);
}

TEST_F(RcbTest, ExternalEntrySetsTheLinkStatus) {
  struct Case {
    const char* what;
    uint32_t attributes;
    uint8_t status;      // byte 0 of the object's record
    uint8_t attr_byte;   // byte 1
  };
  constexpr uint32_t kHigh = 0x3u << 25;  // lands in the status byte's high nibble
  const Case kCases[] = {
      {"code kept below 4", kHigh | 0x2 | 0x40, 0x32, 0x00},
      {"code 4 is not refined", 0x4 | 0x80, 0x04, 0x00},
      {"first set test bit 0x40: position 1", 0x5 | 0x40 | 0x100, 0x5 + 2 + 4, 0x00},
      {"bit 0x80: position 2", 0x6 | 0x80, 0x6 + 4 + 4, 0x00},
      {"bit 0x100: position 3", 0x5 | 0x100, 0x5 + 6 + 4, 0x00},
      {"position 0 (0x20) is skipped", kHigh | 0x5 | 0x20, 0x35, 0x00},
      {"no test bit: high nibble and code", kHigh | 0x9, 0x39, 0x00},
      {"byte 1 from the bits above 16", (0x5Bu << 17) | 0x1, 0x01, 0x5B},
  };
  for (const Case& c : kCases) {
    std::memset(Ext_Obj_Comm_Status, 0, sizeof Ext_Obj_Comm_Status);
    PageRefs({{0x80000007u, c.attributes}});
    ASSERT_NE(SYS_LinkReg(2, 16), nullptr);
    EXPECT_EQ(Ext_Obj_Comm_Status[7].status, c.status) << c.what;
    EXPECT_EQ(Ext_Obj_Comm_Status[7].attributes, c.attr_byte) << c.what;
  }
  // Attribute bit 16 leaves the status alone.
  std::memset(Ext_Obj_Comm_Status, 0, sizeof Ext_Obj_Comm_Status);
  PageRefs({{0x80000007u, 0x10000u | 0x5 | 0x40}});
  SYS_LinkReg(2, 16);
  EXPECT_EQ(Ext_Obj_Comm_Status[7].status, 0);
}

struct SizeCase {
  const char* what;
  uint16_t size;
  std::array<uint8_t, 4> image;  // bytes at R1
  std::array<uint8_t, 4> read;   // into a 4-byte buffer
};

class ReadBySize : public RcbTest, public ::testing::WithParamInterface<SizeCase> {};

TEST_P(ReadBySize, CopiesTheLinkBytesAndPads) {
  const SizeCase& c = GetParam();
  std::memcpy(plc_reg + reg::kOffR, c.image.data(), 4);
  RCB* r = SYS_LinkReg(kR1, c.size);
  ASSERT_NE(r, nullptr);
  std::array<uint8_t, 4> out{0xAA, 0xAA, 0xAA, 0xAA};
  EXPECT_EQ(SYS_ReadReg(out.data(), r, 4), 1);
  EXPECT_EQ(out, c.read);
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, ReadBySize,
    ::testing::Values(
        SizeCase{"signed16_negative", 16, {0x00, 0x80, 0x12, 0x34}, {0x00, 0x80, 0xFF, 0xFF}},
        SizeCase{"signed16_positive", 16, {0xFF, 0x7F, 0x12, 0x34}, {0xFF, 0x7F, 0x00, 0x00}},
        SizeCase{"unsigned16_unit1", 0x40 | 16, {0x00, 0x80, 0x12, 0x34}, {0x00, 0x80, 0x00, 0x00}},
        SizeCase{"unsigned16_unit2", 0x80 | 16, {0x00, 0x80, 0x12, 0x34}, {0x00, 0x80, 0x00, 0x00}},
        SizeCase{"signed8", 8, {0x80, 0x11, 0x12, 0x34}, {0x80, 0xFF, 0xFF, 0xFF}},
        SizeCase{"signed32", 32, {1, 2, 3, 0x84}, {1, 2, 3, 0x84}},
        SizeCase{"three_bytes_unit3", 0xC0 | 3, {1, 2, 0x83, 4}, {1, 2, 0x83, 0x00}},
        SizeCase{"byte_count_form", 0x8000 | 2, {0x34, 0x92, 5, 6}, {0x34, 0x92, 0x00, 0x00}},
        SizeCase{"twelve_bits_read_one_byte", 12, {0xAB, 0xCD, 5, 6}, {0xAB, 0x00, 0x00, 0x00}},
        SizeCase{"one_bit", 0x40 | 1, {0x01, 0, 0, 0}, {0x01, 0x00, 0x00, 0x00}},
        SizeCase{"one_bit_signed_set", 1, {0x01, 0, 0, 0}, {0x01, 0x00, 0x00, 0x00}}),
    [](const auto& info) { return std::string(info.param.what); });

TEST_F(RcbTest, ReadIntoAShortBufferStopsAtItsLength) {
  std::memcpy(plc_reg + reg::kOffR, "\x01\x02\x03\x04", 4);
  RCB* r = SYS_LinkReg(kR1, 32);
  uint8_t out[3] = {0xAA, 0xAA, 0xAA};
  SYS_ReadReg(out, r, 2);
  EXPECT_EQ(out[0], 1);
  EXPECT_EQ(out[1], 2);
  EXPECT_EQ(out[2], 0xAA);
}

TEST_F(RcbTest, WriteBuildsTheValueFromTheLinkBytes) {
  RCB* r = SYS_LinkReg(kR1, 16);
  const uint8_t data[4] = {0x34, 0x12, 0x99, 0x99};
  EXPECT_EQ(SYS_WriteReg(r, data, 4), 1);
  EXPECT_EQ(plc_reg[reg::kOffR], 0x34);
  EXPECT_EQ(plc_reg[reg::kOffR + 1], 0x12);
  EXPECT_EQ(plc_reg[reg::kOffR + 2], 0x00);  // only the link's two bytes reach the image

  // A one-byte source through a 32-bit signed link is sign-padded.
  RCB* wide = SYS_LinkReg(kR1 + 32, 32);
  const uint8_t minus = 0xFE;
  EXPECT_EQ(SYS_WriteReg(wide, &minus, 1), 1);
  EXPECT_EQ(RegWord(reg::kOffR + 4), 0xFFFE);
  EXPECT_EQ(RegWord(reg::kOffR + 6), 0xFFFF);
}

TEST_F(RcbTest, WriteRefusalsComeFromTheRegisterAccess) {
  const uint16_t v = 7;
  EXPECT_EQ(SYS_WriteReg(SYS_LinkReg(reg::SrToken(6), 16), &v, 2), 0);  // read-only SR6
  EXPECT_EQ(SYS_WriteReg(SYS_LinkReg(0xCC400, 16), &v, 2), 0);          // no such register
  EXPECT_EQ(SYS_WriteReg(nullptr, &v, 2), 0);
  uint16_t out = 0;
  EXPECT_EQ(SYS_ReadReg(&out, nullptr, 2), 0);
}

TEST_F(RcbTest, ModLinkIndexesFromTheBase) {
  SetRegWord(reg::kOffR + 6, 0x1234);
  RCB* r = SYS_LinkReg(kR1, 16);
  SYS_ModLink(r, 3 * 16);
  EXPECT_EQ(r->current, kR1 + 48);
  uint16_t v = 0;
  SYS_ReadReg(&v, r, 2);
  EXPECT_EQ(v, 0x1234);
  SYS_ModLink(r, 0);
  EXPECT_EQ(r->current, kR1);
}

TEST_F(RcbTest, ChgLinkKeepsPseudoNumbersOnlyForPseudoLinks) {
  PageRefs({{kSr5, 0}});
  struct Case {
    const char* what;
    uint32_t first;      // reference the link was taken for
    uint32_t reference;  // re-pointed to
    uint32_t token;
    uint8_t pseudo;
  };
  const Case kCases[] = {
      {"pseudo mark keeps 1005", 1, 1005, 1005, 1},
      {"ordinary link: 1005 goes through the page table", kR1, 1005, 0, 0},
      {"ordinary link: page reference", kR1, 2, kSr5, 0},
      {"pseudo link: page reference", 1, 2, kSr5, 1},
      {"plain token", kR1, kR1 + 64, kR1 + 64, 0},
  };
  for (const Case& c : kCases) {
    RCB* r = SYS_LinkReg(c.first, 16);
    SYS_ChgLink(r, c.reference, 0x8000 | 4);
    EXPECT_EQ(r->base, c.token) << c.what;
    EXPECT_EQ(r->current, c.token) << c.what;
    EXPECT_EQ(r->pseudo, c.pseudo) << c.what;
    EXPECT_EQ(r->nbits, 32) << c.what;
    EXPECT_EQ(r->nbytes, 4) << c.what;
  }
  // A link marked once stays marked through a re-point to a plain token.
  RCB* r = SYS_LinkReg(1, 16);
  SYS_ChgLink(r, 1005, 16);
  SYS_ChgLink(r, kR1, 16);
  SYS_ChgLink(r, 1015, 32);
  EXPECT_EQ(r->current, 1015u);
}

TEST_F(RcbTest, EightBitSizeCodes) {
  struct Case {
    uint8_t size;
    uint16_t nbits;
    uint8_t nbytes;
  };
  constexpr Case kCases[] = {{16, 16, 0x82}, {0x40 | 1, 1, 1}, {0x80 | 9, 9, 2}, {0xC0 | 63, 504, 63}, {0, 0, 0x80}};
  for (const Case& c : kCases) {
    RCB* r = SYS_32LinkReg(kR1, c.size);
    EXPECT_EQ(r->nbits, c.nbits) << int(c.size);
    EXPECT_EQ(r->nbytes, c.nbytes) << int(c.size);
  }
  RCB* r = SYS_LinkReg(kR1, 0x8000 | 127);
  EXPECT_EQ(r->nbits, 1016);
  EXPECT_EQ(r->nbytes, 127);
}

TEST_F(RcbTest, RogueWriteStaysInsideTheImage) {
  struct Case {
    const char* what;
    uint32_t token;
    uint32_t offset;
    uint32_t nbits;
    int written;
  };
  constexpr uint32_t kLastR = reg::kTokImageLast - 15;  // the last word of R
  const Case kCases[] = {
      {"inside R", kR1, 32, 16, 1},
      {"last word of R", kLastR, 0, 16, 1},
      {"past the end of R", kLastR, 16, 16, 0},
      {"long write running past the image", reg::kTokESR + 0xFF0, 0, 40, 0},
      {"offset wraps the token", kR1, 0xFFFFFFF0u, 16, 0},
      {"below the image", 0, 16, 16, 0},
      {"window gap", 0x10007FF0u, 0, 16, 0},
      {"ESR window", reg::kTokESR, 16, 16, 1},
      {"external scratch slot too small", 0x80000001u, 0, 8 * 40, 0},
  };
  const uint8_t data[40] = {0xA5, 0x5A};
  for (const Case& c : kCases) {
    const std::vector<uint8_t> before(plc_reg, plc_reg + reg::kImageSize);
    EXPECT_EQ(SYS_WriteRogueRCB(&c.token, c.offset, c.nbits, data), c.written) << c.what;
    if (!c.written) {
      EXPECT_EQ(std::memcmp(before.data(), plc_reg, reg::kImageSize), 0) << c.what;
    }
  }
  EXPECT_EQ(RegWord(reg::kOffR + 4), 0x5AA5);
  EXPECT_EQ(RegWord(reg::kOffESR + 2), 0x5AA5);
}

TEST_F(RcbTest, AlarmWindowGetsTheResolvedTokenAndWholeBytes) {
  PageRefs({{kR1, 0}});
  struct Case {
    uint32_t reference;
    uint32_t bits;
    int64_t token;
    int64_t rounded;
  };
  constexpr Case kCases[] = {{2, 13, kR1, 16}, {kSr5, 16, kSr5, 16}, {kR1, 1, kR1, 8}, {0, 0, 0, 0}};
  for (const Case& c : kCases) {
    plat::TraceClear();
    SYS_LoadAlarmRcb(c.reference, c.bits);
    auto calls = Calls("Dpram_SetAlarmWindow");
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].a, c.token);
    EXPECT_EQ(calls[0].b, c.rounded);
  }
}

}  // namespace
