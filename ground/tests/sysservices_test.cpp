// System-register helpers, keys and LEDs, menu outputs, the backlight and the panel
// services, the battery test, the battery-backed RAM image and the block readers.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "ground/bbram.h"
#include "ground/regimage.h"
#include "controller/retentive.h"
#include "ground/sysservices.h"
#include "ground/tablestore.h"
#include "platform/backlight.h"
#include "platform/gpio.h"
#include "testsupport/reg_fixture.h"
#include "testsupport/temp_root.h"

namespace {

class SysServices : public ts::RegImageTest {
 protected:
  void SetUp() override {
    RegImageTest::SetUp();
    plat::GpioReset();
    SYS_KeyPut(0);  // no key held from an earlier test
    plat::TraceClear();
  }
  static bool KBit(int n) { return plc_reg[reg::kOffK + (n - 1) / 8] & (1 << ((n - 1) % 8)); }
};

TEST_F(SysServices, KeyPressSetsItsKBitAndAReleaseClearsIt) {
  EXPECT_EQ(SYS_KeyPut(3), 1);
  EXPECT_EQ(SrGet(56), 3);
  EXPECT_TRUE(KBit(3));
  SYS_KeyPut(0);
  EXPECT_EQ(SrGet(56), 0);
  EXPECT_FALSE(KBit(3));

  SYS_KeyPut(10);
  EXPECT_TRUE(KBit(10));
  SYS_KeyPut(255);
  EXPECT_FALSE(KBit(10));

  SYS_KeyPut(11);  // not a function key: only SR56
  EXPECT_EQ(SrGet(56), 11);
  EXPECT_EQ(RegWord(reg::kOffK), 0);
}

TEST_F(SysServices, ToggleModeFlipsOnEachPressAndIgnoresReleases) {
  SrSet(33, 1);
  SYS_KeyPut(3);
  EXPECT_TRUE(KBit(3));
  SYS_KeyPut(0);
  EXPECT_TRUE(KBit(3));  // a release leaves a toggled key
  SYS_KeyPut(3);
  EXPECT_FALSE(KBit(3));
  SYS_KeyPut(3);
  SYS_KeyPut(3);
  EXPECT_FALSE(KBit(3));  // twice: as it was
}

TEST_F(SysServices, KeysEnabledBySr173) {
  for (auto [sr173, enabled] : {std::pair{0, 1}, {1, 0}, {2, 0}}) {
    SrSet(173, uint16_t(sr173));
    EXPECT_EQ(SYS_KeyEnabled(), enabled) << sr173;
  }
}

TEST_F(SysServices, RunLedByModeAndProgram) {
  struct Case {
    uint16_t mode;
    uint8_t first_opcode;
    int led;
  };
  constexpr Case kCases[] = {{0, 1, 0}, {2, 1, 1}, {3, 1, 1}, {2, 9, 2}, {1, 1, 2}, {4, 1, 2}};
  const uint8_t saved = ladder[0];
  for (const Case& c : kCases) {
    SrSet(5, c.mode);
    ladder[0] = c.first_opcode;
    EXPECT_EQ(SYS_GetRunLed(), c.led) << c.mode << " " << int(c.first_opcode);
  }
  ladder[0] = saved;
  EXPECT_EQ(SYS_RunMode(), 4);
}

TEST_F(SysServices, OkLedFromPortModeForcingAndSelfTest) {
  struct Case {
    uint16_t sr34;
    bool forced;
    uint16_t sr55;
    int led;
  };
  constexpr Case kCases[] = {{0, false, 0, 2}, {1, true, 0, 2}, {1, false, 0, 1}, {1, false, 1, 0}, {1, false, 7, 0}};
  for (const Case& c : kCases) {
    SrSet(34, c.sr34);
    SrSet(55, c.sr55);
    plc_reg[reg::kOffS + 1] = c.forced ? 0x04 : 0;  // S11
    EXPECT_EQ(SYS_GetOkLed(), c.led) << c.sr34 << " " << c.forced << " " << c.sr55;
  }
}

TEST_F(SysServices, MenuOptionsDriveTheirOutputs) {
  SYS_MenuOption(0, 1);
  SYS_MenuOption(1, 1);
  EXPECT_EQ(plat::GpioDout(3), 1u << 14);
  EXPECT_EQ(plat::GpioDout(2), 1u << 27);
  SYS_MenuOption(0, 0);
  SYS_MenuOption(2, 1);   // no such output
  SYS_MenuOption(-1, 1);
  EXPECT_EQ(plat::GpioDout(3), 0u);
  EXPECT_EQ(plat::GpioDout(2), 1u << 27);
}

TEST_F(SysServices, DefaultPortOnlyForItsValues) {
  for (uint16_t v = 0; v <= 20; ++v) SYS_MenuOption2(v);
  std::vector<int64_t> ports;
  for (const auto& e : Calls("OCB_DfltPortChange")) ports.push_back(e.a);
  EXPECT_EQ(ports, (std::vector<int64_t>{0, 1, 2, 3, 4, 7, 10, 11, 13}));
}

TEST_F(SysServices, WriteSysGoesThroughTheRegisterCheckAndRemembersTheScreen) {
  EXPECT_EQ(SYS_WriteSys(1, 12), 1);
  EXPECT_EQ(SYS_ReadSys(1), 12);
  EXPECT_EQ(SYS_LastUserScreen(), 12);
  EXPECT_EQ(SYS_WriteSys(6, 5), 0);  // read-only
  EXPECT_EQ(SYS_WriteSys(0, 5), 0);
  EXPECT_EQ(SYS_WriteSys(449, 5), 0);
  EXPECT_EQ(SYS_LastUserScreen(), 12);
}

TEST_F(SysServices, PackFlagAnswersThePreviousOne) {
  SYS_PackRegs(0);
  EXPECT_EQ(SYS_PackRegs(1), 0);
  EXPECT_EQ(SYS_PackRegs(0), 1);
  EXPECT_EQ(SYS_GetModel(), 0);
}

TEST_F(SysServices, BacklightLevelIsLimitedAndWrittenToTheDevice) {
  ts::TempRoot root;
  struct Case {
    int direct;
    int level;
    uint16_t sr57;
    int device;
  };
  constexpr Case kCases[] = {{0, 150, 100, 100}, {0, 40, 40, 40}, {0, -5, 0, 0}, {1, 255, 0, 255}, {1, 0, 0, 0}};
  for (const Case& c : kCases) {
    BKLT_Ctrl(c.direct, c.level);
    EXPECT_EQ(SrGet(57), c.sr57) << c.direct << " " << c.level;
    EXPECT_EQ(plat::BacklightRead(), c.device) << c.direct << " " << c.level;
  }
  EXPECT_EQ(root.Read("/sys/class/backlight/mxs-bl/brightness"), (std::vector<uint8_t>{'0'}));
}

TEST_F(SysServices, PanelServicesFollowSr57AndWakeTheSaver) {
  ts::TempRoot root;
  SYS_InitGFX();
  EXPECT_EQ(SrGet(57), 100);
  EXPECT_EQ(plat::BacklightRead(), 100);

  plat::TraceClear();
  SYS_PanelServices();
  EXPECT_EQ(plat::TraceCountOf("BKLT_Ctrl"), 0u);  // unchanged

  BKLT_Ctrl(1, 0);  // the saver darkens the screen: not a new SR57
  SYS_PanelServices();
  EXPECT_EQ(plat::BacklightRead(), 0);

  SrSet(57, 60);
  SYS_PanelServices();
  EXPECT_EQ(plat::BacklightRead(), 60);

  SrSet(57, 0x8000 | 60);
  plat::TraceClear();
  SYS_PanelServices();
  EXPECT_EQ(SrGet(57), 60);
  EXPECT_EQ(plat::TraceCountOf("TCH_TickleSaver"), 1u);
  EXPECT_EQ(plat::TraceCountOf("BKLT_Ctrl"), 0u);
}

TEST_F(SysServices, InitGfxTakesItsSettingsFromTheRegisters) {
  ts::TempRoot root;
  struct Case {
    uint16_t enable, delay;
    int64_t saver;
  };
  constexpr Case kCases[] = {{1, 10, 10}, {0, 10, 0}, {1, 0, 0}};
  for (const Case& c : kCases) {
    SrSet(185, c.enable);
    SrSet(186, c.delay);
    SrSet(183, 1);
    SrSet(180, 2);
    plat::TraceClear();
    SYS_InitGFX();
    ASSERT_EQ(Calls("TCH_ScreenSaver").size(), 1u);
    EXPECT_EQ(Calls("TCH_ScreenSaver")[0].a, c.saver);
    EXPECT_EQ(Calls("TCH_BeepEnable")[0].a, 1);
    EXPECT_EQ(Calls("PGM_SetPopupMode")[0].a, 2);
    EXPECT_EQ(plat::TraceCountOf("Dpram_ResetJobStates"), 1u);
    EXPECT_EQ(Calls("PMGR_GetDrvInfo")[0].a, 4);
  }
}

TEST_F(SysServices, BeeperOverrideFollowsSr184InRunOnly) {
  ts::TempRoot root;
  struct Step {
    uint16_t mode;
    uint16_t sr184;
    std::vector<int64_t> calls;  // TCH_BeepOvrd arguments of this pass
  };
  const Step kSteps[] = {
      {2, 1, {1}}, {2, 1, {}},  // a change, then nothing
      {2, 0x0101, {}},          // the low byte is unchanged
      {2, 0, {0}},  {2, 5, {1}},
      {0, 5, {0}},  {0, 5, {}},  // outside Run the active override goes off once
      {2, 5, {1}},               // and comes back with Run
  };
  for (const Step& s : kSteps) {
    SrSet(5, s.mode);
    SrSet(184, s.sr184);
    plat::TraceClear();
    SYS_PanelServices();
    std::vector<int64_t> seen;
    for (const auto& e : Calls("TCH_BeepOvrd")) seen.push_back(e.a);
    EXPECT_EQ(seen, s.calls) << s.mode << " " << s.sr184;
  }
}

TEST_F(SysServices, TouchSensitivityGoesToTheDriverWhenItChanges) {
  ts::TempRoot root;
  SYS_ResetRCBs(1);
  SYS_InitTchSen(reg::WordToken(reg::kTokR, 3));
  SetRegWord(reg::kOffR + 4, 2);
  plat::TraceClear();
  SYS_PanelServices();
  SYS_PanelServices();
  SetRegWord(reg::kOffR + 4, 4);
  SYS_PanelServices();
  std::vector<int64_t> codes, values;
  for (const auto& e : Calls("TCH_Ctrl")) {
    codes.push_back(e.a);
    values.push_back(e.b);
  }
  EXPECT_EQ(codes, (std::vector<int64_t>{16, 16}));
  EXPECT_EQ(values, (std::vector<int64_t>{2, 4}));

  SYS_InitTchSen(0);  // no register: nothing
  plat::TraceClear();
  SYS_PanelServices();
  EXPECT_EQ(plat::TraceCountOf("TCH_Ctrl"), 0u);
}

TEST_F(SysServices, BatteryTest) {
  struct Case {
    uint8_t restore_failed;
    uint16_t state;
    uint16_t millivolts;
    int good;
  };
  constexpr Case kCases[] = {
      {0, 0, 3001, 1}, {0, 0, 3000, 0}, {0, 3, 3600, 0}, {0, 7, 3600, 0},
      {0, 10, 3600, 0}, {0, 2, 3600, 1}, {1, 0, 3600, 0},
  };
  for (const Case& c : kCases) {
    AutoregFailed = c.restore_failed;
    SrSet(196, c.state);
    SrSet(198, c.millivolts);
    EXPECT_EQ(SYS_BattTest(), c.good) << int(c.restore_failed) << " " << c.state << " " << c.millivolts;
  }
  AutoregFailed = 0;
}

TEST_F(SysServices, BatteryBackedImageCopiesStayInside) {
  std::memset(bbram, 0x11, kBbramSize);
  const uint8_t data[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  SYS_WriteCmd(data, 200, 8);
  SYS_WriteCmd(data, kBbramSize - 3, 8);  // cut at the end
  SYS_WriteCmd(data, kBbramSize, 8);      // past the end: nothing
  SYS_WriteCmd(data, 0xFFFFFFF0u, 32);
  EXPECT_EQ(bbram[200], 1);
  EXPECT_EQ(bbram[207], 8);
  EXPECT_EQ(bbram[kBbramSize - 1], 3);

  uint8_t out[8];
  std::memset(out, 0xEE, sizeof out);
  SYS_ReadCmd(out, kBbramSize - 2, 8);
  EXPECT_EQ(out[0], 2);
  EXPECT_EQ(out[1], 3);
  EXPECT_EQ(out[2], 0xEE);

  SYS_ClearCmd();
  EXPECT_EQ(bbram[127], 0x11);  // the network address copies stay
  EXPECT_EQ(bbram[128], 0);
  EXPECT_EQ(bbram[kBbramSize - 1], 0);
}

TEST_F(SysServices, BatteryBackedAllocationMark) {
  SYS_InitBBR();
  EXPECT_EQ(SYS_AllocBBR(), 128u);
  SYS_ExpandBBR(0x2020);
  SYS_ExpandBBR(5);
  EXPECT_EQ(SYS_AllocBBR(), 128u + 0x2020 + 6);
  SYS_ExpandBBR(0xFFFFFFFFu);  // no wrap round to the start
  EXPECT_EQ(SYS_AllocBBR(), kBbramSize);
  SYS_InitBBR();
}

TEST_F(SysServices, BlockReaders) {
  for (std::size_t i = 0; i < kTinyImageCap; ++i) tinyImage[i] = uint8_t(i);
  uint8_t copy[kTinyImageCap];
  SYS_GetMACID(copy);
  EXPECT_EQ(std::memcmp(copy, tinyImage, kTinyImageCap), 0);

  std::memset(vtn_pgm_bl, 0, 64);
  SetBlockSize(vtn_pgm_bl, 12);
  const uint16_t word = 0xBEEF;
  std::memcpy(vtn_pgm_bl + 10, &word, 2);
  const uint32_t dword = 0x12345678;
  std::memcpy(vtn_pgm_bl + 16, &dword, 4);
  struct Case {
    int kind;
    uint32_t index;
    uint32_t value;
  };
  constexpr Case kCases[] = {
      {2, 0, 12},           // the size word
      {1, 5, 0xBEEF},       {2, 3, 0x12345678},
      {1, 9, 0x1234},       // the last word of the data
      {1, 10, 0},           // past the table's data
      {2, 4, 0},            {2, 0xFFFFFFFFu, 0}, {3, 0, 0}, {0, 0, 0},
  };
  for (const Case& c : kCases) EXPECT_EQ(SYS_ReadSeg(c.kind, c.index), c.value) << c.kind << " " << c.index;
  SetBlockSize(vtn_pgm_bl, 0xFFFFFFFFu);  // a size beyond the block reads only the block
  EXPECT_EQ(SYS_ReadSeg(1, uint32_t(kVtnPgmCap / 2)), 0u);
  SetBlockSize(vtn_pgm_bl, 0);
}

}  // namespace
