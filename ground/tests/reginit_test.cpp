// Cold and warm initialisation of the register image.
#include <gtest/gtest.h>

#include "ground/rtc.h"
#include "ground/tablestore.h"
#include "testsupport/fake_iec_db.h"
#include "testsupport/reg_fixture.h"
#include "testsupport/temp_root.h"

namespace {
using ts::RegImageTest;

struct Area {
  const char* name;
  uint32_t from, to;  // byte range, end exclusive
  bool warm_zero, cold_zero;
};

// Whole areas not touched by the named register initialisations below.
const Area kAreas[] = {
    {"IG", reg::kOffIG, reg::kOffQG, false, true},     {"QG", reg::kOffQG, reg::kOffS, false, true},
    {"K", reg::kOffK, reg::kOffAIG, true, true},       {"AIG", reg::kOffAIG, reg::kOffAQG, false, true},
    {"AQG", reg::kOffAQG, reg::kOffSR, false, true},   {"F", reg::kOffF, reg::kOffI, false, false},
    {"I", reg::kOffI, reg::kOffQ, false, true},        {"Q", reg::kOffQ, reg::kOffT, true, true},
    {"T", reg::kOffT, reg::kOffM, true, true},         {"M", reg::kOffM, reg::kOffAI, false, true},
    {"AI", reg::kOffAI, reg::kOffAQ, false, true},     {"AQ", reg::kOffAQ, reg::kOffR, true, true},
    {"R", reg::kOffR, reg::kOffET, false, true},       {"ET", reg::kOffET, reg::kOffEM, true, true},
    {"EM", reg::kOffEM, reg::kOffESR, false, true},
    {"ESR_kept", reg::SrOffset(193), reg::SrOffset(212), false, false},  // SR212..SR217: UTC
    {"ESR_kept_after_utc", reg::SrOffset(218), reg::SrOffset(223), false, false},
    {"ESR_zeroed", reg::SrOffset(223), reg::kOffInternal, true, true},
};

bool AllEqual(uint32_t from, uint32_t to, uint8_t v) {
  for (uint32_t i = from; i < to; ++i)
    if (plc_reg[i] != v) return false;
  return true;
}

class RegInit : public ts::RegImageTest, public ::testing::WithParamInterface<bool> {
 protected:
  ts::TempRoot root;
};

TEST_P(RegInit, ClearsItsAreas) {
  const bool cold = GetParam();
  std::memset(plc_reg, 0xAA, sizeof plc_reg);
  PlcRegInit(cold);
  for (const Area& a : kAreas) {
    bool zero = cold ? a.cold_zero : a.warm_zero;
    EXPECT_TRUE(AllEqual(a.from, a.to, zero ? 0 : 0xAA)) << a.name << (cold ? " cold" : " warm");
  }
  EXPECT_EQ(0, std::memcmp(plc_reg + reg::kOffWatchBat, cold ? "WATCHBAT" : "\xAA\xAA\xAA\xAA\xAA\xAA\xAA\xAA", 8));
  EXPECT_TRUE(AllEqual(reg::kOffInternal, reg::kOffInternal + 26, 0));
  EXPECT_EQ(plc_reg[reg::kOffInternal + 26], 0xAA);
}

TEST_P(RegInit, SetsTheStartValues) {
  std::memset(plc_reg, 0xAA, sizeof plc_reg);
  tinyImage[kTableHeader + 10] = 0x12;
  tinyImage[kTableHeader + 11] = 0x34;
  tinyImage[kTableHeader + 12] = 0x56;
  tinyImage[kTableHeader + 13] = 0x78;
  PlcRegInit(GetParam());
  EXPECT_EQ(SrGet(35), 0x5678);
  EXPECT_EQ(SrGet(36), 0x1234);
  EXPECT_EQ(SrGet(38), 100);  // "01.00"
  EXPECT_EQ(SrGet(41), 800);
  EXPECT_EQ(SrGet(42), 480);
  EXPECT_EQ(SrGet(43), 255);
  EXPECT_EQ(SrGet(57), 255);
  EXPECT_EQ(SrGet(60), 2);
  EXPECT_EQ(SrGet32(53), 0xFFFFFFFFu);
  EXPECT_EQ(SrGet(155), 1500);
  for (uint32_t n : {6u, 40u, 51u, 56u, 58u, 59u, 62u, 63u, 149u, 150u, 153u, 176u, 182u, 184u, 187u, 192u})
    EXPECT_EQ(SrGet(n), 0) << "SR" << n;
  EXPECT_EQ(SrGet(52), 0xAAAA);  // not named: kept
  EXPECT_EQ(plc_reg[reg::kOffS], 0x40);
  EXPECT_EQ(plc_reg[reg::kOffS + 1], 0xAA & ~(0x02 | 0x01 | 0x20 | 0x40));  // S9, S10, S14, S15
  EXPECT_TRUE(AllEqual(reg::kOffS + 2, reg::kOffS + 26, 0));  // S17..S208
  EXPECT_EQ(plc_reg[reg::kOffS + 26], 0xAA);
  const RtcRecord clk{SrGet(44), SrGet(45), SrGet(46), SrGet(47), SrGet(48), SrGet(49), SrGet(50)};
  EXPECT_TRUE(RtcCheck(clk));  // read from the clock
  tinyImage[kTableHeader + 10] = tinyImage[kTableHeader + 11] = 0;
  tinyImage[kTableHeader + 12] = tinyImage[kTableHeader + 13] = 0;
}

INSTANTIATE_TEST_SUITE_P(ColdAndWarm, RegInit, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "cold" : "warm"; });

TEST_F(RegImageTest, ColdClearWithAnIecApplicationOnlyDropsItsRetainFile) {
  ts::TempRoot root;
  root.Write("/mnt/cfg/n4.ret", "retain");
  ts::FakeIecDb db;
  std::memset(plc_reg, 0xAA, sizeof plc_reg);
  PlcRegClear();
  EXPECT_FALSE(root.Exists("/mnt/cfg/n4.ret"));
  EXPECT_EQ(plat::TraceCountOf("OrvanelStop"), 1u);
  EXPECT_TRUE(AllEqual(0, reg::kImageSize, 0xAA));
}

TEST_F(RegImageTest, OldImageCopiesTheImage) {
  plc_reg[0] = 1;
  plc_reg[reg::kImageSize - 1] = 2;
  PlcOldInit();
  EXPECT_EQ(0, std::memcmp(old_reg, plc_reg, reg::kImageSize));
}

}  // namespace
