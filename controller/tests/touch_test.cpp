// The input service: touch records through the device's FIFO, the readers' filters and
// calibration, the side keys and System-key combinations on the test clock, the screen
// saver, the beeper and the power-down figures.
#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <vector>

#include "controller/mainloop.h"
#include "ground/regimage.h"
#include "ground/sysservices.h"
#include "ground/touch.h"
#include "platform/backlight.h"
#include "platform/clock.h"
#include "platform/gpio.h"
#include "platform/key_matrix.h"
#include "platform/power_status.h"
#include "screens/keys.h"
#include "storage/services.h"
#include "testsupport/reg_fixture.h"
#include "testsupport/temp_root.h"
#include "testsupport/touch_writer.h"
#include "touch_state.h"

namespace {

using namespace std::chrono_literals;

struct Ev {
  int event, x, y;
  bool operator==(const Ev&) const = default;
};
std::ostream& operator<<(std::ostream& os, const Ev& e) { return os << "{" << e.event << "," << e.x << "," << e.y << "}"; }

std::vector<Ev> g_events;
int Record(int event, int x, int y) {
  g_events.push_back({event, x, y});
  return 0;
}

constexpr uint32_t kBeeperBit = 1u << 21;

class Touch : public ts::RegImageTest {
 protected:
  void SetUp() override {
    ts::RegImageTest::SetUp();
    g_events.clear();
    SetKernelBuild(3549);
    TCH_Open(Record);
    ASSERT_TRUE(finger.Open(2s));
    TimerISR();  // the service's clock starts
  }
  static void SetKernelBuild(int build) {
    SrSet(203, uint16_t((build / 1000) | ((build / 100 % 10) << 8)));
    SrSet(204, uint16_t((build / 10 % 10) << 8));
    SrSet(205, uint16_t(build % 10));
  }
  // Full-scale calibration that keeps x and turns raw y into 480 - y, so that Raw(x, y)
  // lands on the screen point (x, y).
  static void Calibrate() {
    int32_t full_x = 800, full_y = 480;
    TCH_Ctrl(17, &full_x);
    TCH_Ctrl(18, &full_y);
  }
  void Press(int x, int y, int pressure = 100) { ASSERT_TRUE(finger.Report(x, 480 - y, pressure)); }
  void Service() { TimerISR(); }
  // n steps of 10 ms, each with one service call.
  void Steps(int n) {
    for (int i = 0; i < n; ++i) {
      clock->AdvanceMs(10);
      TimerISR();
    }
  }

  ts::TempRoot root;
  plat::ScopedTestClock clock;
  ts::TouchWriter finger{root.Host("/dev/input/ts0")};
};

TEST_F(Touch, RecordIsSixteenBytesLittleEndian) {
  uint8_t bytes[plat::kTouchRecordBytes];
  plat::EncodeTouchRecord({.seconds = 1, .microseconds = 2, .type = 3, .code = 24, .value = -2}, bytes);
  const std::vector<uint8_t> expected = {1, 0, 0, 0, 2, 0, 0, 0, 3, 0, 24, 0, 0xFE, 0xFF, 0xFF, 0xFF};
  EXPECT_EQ(std::vector<uint8_t>(bytes, bytes + 16), expected);
  EXPECT_EQ(plat::DecodeTouchRecord(bytes).value, -2);
}

TEST_F(Touch, PressureReaderPressDragAndRelease) {
  struct Case {
    const char* what;
    int filter;  // TCH_Ctrl code of the release filter
    std::vector<std::array<int, 2>> points;  // screen points reported, then a lift
    std::vector<Ev> events;
  };
  const Case cases[] = {
      {"steady second point presses there", 0, {{100, 100}, {110, 105}}, {{512, 110, 105}, {256, 110, 105}}},
      {"second point too far in x", 0, {{100, 100}, {145, 100}}, {}},
      {"second point too far in y", 0, {{100, 100}, {100, 145}}, {}},
      {"44 units is still steady", 0, {{100, 100}, {144, 144}}, {{512, 144, 144}, {256, 144, 144}}},
      {"a move alone does not release", 0, {{100, 100}, {100, 100}, {140, 100}, {200, 100}},
       {{512, 100, 100}, {256, 100, 100}}},
      {"dragging gives new presses", 1, {{100, 100}, {100, 100}, {130, 100}, {131, 101}},
       {{512, 100, 100}, {512, 131, 101}, {256, 131, 101}}},
      {"a press outside the screen is dropped", 0, {{799, 100}, {801, 100}}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TCH_Open(Record);
    Calibrate();
    int32_t none = 0;
    TCH_Ctrl(c.filter, &none);
    g_events.clear();
    for (const auto& p : c.points) {
      Press(p[0], p[1]);
      Service();
    }
    ASSERT_TRUE(finger.Lift());
    Service();
    EXPECT_EQ(g_events, c.events);
    EXPECT_EQ(tch::g.touch_state, tch::kIdle);
  }
}

TEST_F(Touch, PressSetsTheTouchRegistersAndReleaseClearsThem) {
  Calibrate();
  Press(300, 200);
  Press(301, 200);
  Service();
  EXPECT_EQ(SrGet(171), 301);
  EXPECT_EQ(SrGet(172), 200);
  EXPECT_GT(SrGet(9), 200) << "the weighted pressure";
  ASSERT_TRUE(finger.Lift());
  Service();
  EXPECT_EQ(SrGet(171), 0);
  EXPECT_EQ(SrGet(172), 0);
}

TEST_F(Touch, PressureThresholdWeighsByPosition) {
  struct Case {
    int raw_x, pressure;
    uint16_t sr10;
    bool touch;
  };
  // Weights: up to 200 x10, to 400 x5, to 800 x4, to 2096 x1.5, above x1.
  for (const Case& c : {Case{100, 20, 0, false}, Case{100, 21, 0, true}, Case{300, 40, 0, false},
                        Case{300, 41, 0, true}, Case{1000, 134, 0, true}, Case{1000, 133, 0, false},
                        Case{3000, 201, 0, true}, Case{100, 21, 300, false}, Case{100, 31, 300, true}}) {
    TCH_Open(Record);
    SrSet(10, c.sr10);
    ASSERT_TRUE(finger.Report(c.raw_x, 100, c.pressure));
    Service();
    EXPECT_EQ(tch::g.touch_state != tch::kIdle, c.touch) << c.raw_x << " " << c.pressure << " " << c.sr10;
  }
}

TEST_F(Touch, OlderReaderTakesYFirstAndAZeroPressureRelease) {
  SetKernelBuild(3548);
  Calibrate();
  using ts::TouchWriter;
  const auto point = [&](int x, int y) {
    ASSERT_TRUE(finger.Write({TouchWriter::Abs(plat::kAbsX, 480 - y), TouchWriter::Abs(plat::kAbsY, x)}));
  };
  point(200, 100);
  point(202, 101);
  ASSERT_TRUE(finger.Lift());
  Service();
  EXPECT_EQ(g_events, (std::vector<Ev>{{512, 202, 101}, {256, 202, 101}}));
}

TEST_F(Touch, RecordsSplitAcrossReadsAndOtherEventTypes) {
  Calibrate();
  std::vector<uint8_t> bytes(4 * plat::kTouchRecordBytes);
  const plat::TouchRecord records[] = {{.type = 1, .code = 330, .value = 1},  // a key event: ignored
                                       ts::TouchWriter::Abs(plat::kAbsX, 50),
                                       ts::TouchWriter::Abs(plat::kAbsY, 480 - 60),
                                       ts::TouchWriter::Abs(plat::kAbsPressure, 100)};
  for (int i = 0; i < 4; ++i) plat::EncodeTouchRecord(records[i], bytes.data() + i * plat::kTouchRecordBytes);
  ASSERT_TRUE(finger.WriteBytes(bytes.data(), 21));  // one record and a part
  Service();
  ASSERT_TRUE(finger.WriteBytes(bytes.data() + 21, bytes.size() - 21));
  Press(51, 60);
  Service();
  EXPECT_EQ(g_events, (std::vector<Ev>{{512, 51, 60}}));
}

TEST_F(Touch, WithoutCalibrationTheThirdPointAsksForTheCalibrationPage) {
  int32_t x_scale = 123;
  TCH_Ctrl(6, &x_scale);
  for (int i = 0; i < 3; ++i) {
    Press(100, 100);
    Service();
  }
  EXPECT_NE(SrGet(3), 21);
  Press(100, 100);
  Service();
  EXPECT_EQ(SrGet(3), 21);
  EXPECT_TRUE(g_events.empty());
  int32_t v = 0;
  TCH_Ctrl(10, &v);
  EXPECT_EQ(v, 800) << "the calibration is back to its defaults";

  // In raw mode there is no such demand: points map as they come.
  SrSet(3, 0);
  int32_t none = 0;
  TCH_Ctrl(2, &none);
  for (int i = 0; i < 4; ++i) {
    ASSERT_TRUE(finger.Report(100, 100, 100));
    Service();
  }
  EXPECT_EQ(SrGet(3), 0);
  EXPECT_EQ(g_events, (std::vector<Ev>{{512, 100, 100}}));
}

TEST_F(Touch, DriverSettings) {
  struct Case {
    int code;
    int32_t value;
    int32_t delta;
  };
  for (const Case& c : {Case{16, 0, 25}, Case{16, 1, 25}, Case{16, 3, 75}, Case{16, 9, 125}, Case{1, 0, 1},
                        Case{0, 0, 25}}) {
    int32_t v = c.value;
    EXPECT_EQ(TCH_Ctrl(c.code, &v), 1);
    EXPECT_EQ(tch::g.release_delta, c.delta) << c.code << " " << c.value;
  }
  int32_t v = 0;
  TCH_Ctrl(14, &v);
  EXPECT_EQ(v, 800);
  TCH_Ctrl(15, &v);
  EXPECT_EQ(v, 480);
  v = 7;
  TCH_Ctrl(4, &v);
  v = 0;
  TCH_Ctrl(8, &v);
  EXPECT_EQ(v, 7);
  TCH_Ctrl(12, &v);
  EXPECT_EQ(v, 0);
}

TEST_F(Touch, AScaleOfZeroDropsTheTouchInsteadOfDividingByIt) {
  Calibrate();
  int32_t zero = 0;
  TCH_Ctrl(6, &zero);
  Press(100, 100);
  Press(100, 100);
  Service();
  EXPECT_TRUE(g_events.empty());
  int32_t full = 0;
  TCH_Ctrl(17, &full);
  Press(100, 100);
  Service();
}

TEST_F(Touch, StoredCalibrationIsLoadedWhenBothFullScalesAreSet) {
  uint16_t table[kParmTblWords] = {};
  const int32_t values[6] = {10, 20, 780, 460, 4096, 4096};
  for (int i = 0; i < 6; ++i) {
    table[2 + 2 * i] = uint16_t(values[i]);
    table[3 + 2 * i] = uint16_t(values[i] >> 16);
  }
  ASSERT_EQ(SYS_SaveParmTbl(table), 1);
  EXPECT_EQ(root.Read("/mnt/cfg/cal.dta").size(), 24u);
  TCH_Open(Record);
  EXPECT_EQ(tch::g.cal.x_offset, 10);
  EXPECT_EQ(tch::g.cal.y_scale, 460);
  EXPECT_EQ(tch::g.cal.x_full, 4096);
  // A stored table without full-scale values is not taken.
  table[10] = table[11] = 0;
  ASSERT_EQ(SYS_SaveParmTbl(table), 1);
  TCH_Open(Record);
  EXPECT_EQ(tch::g.cal.x_full, 1);
  EXPECT_EQ(tch::g.cal.x_offset, 0);
  // Once the file is gone no calibration is taken, not even the one read before.
  table[10] = 4096;
  ASSERT_EQ(SYS_SaveParmTbl(table), 1);
  TCH_Open(Record);
  ASSERT_EQ(tch::g.cal.x_full, 4096);
  ASSERT_EQ(::unlink(root.Host("/mnt/cfg/cal.dta").c_str()), 0);
  tch::Reset();
  TCH_Open(Record);
  EXPECT_EQ(tch::g.cal.x_full, 1);
}

// --- Side keys -------------------------------------------------------------------------

TEST_F(Touch, SideKeyAreasExcludeTheirRightAndBottomEdges) {
  struct Case {
    int x, y;
    int key;  // event, 0 for none
  };
  for (const Case& c : {Case{760, 100, 1}, Case{760, 10, 26}, Case{737, 228, 3}, Case{760, 435, 5},
                        Case{760, 56, 0}, Case{793, 100, 0}, Case{736, 100, 0}, Case{760, 436, 0}}) {
    TCH_Open(Record);
    g_events.clear();
    ASSERT_TRUE(finger.Report(c.x, c.y, 100));
    Steps(5);
    std::vector<Ev> expected;
    if (c.key) expected.push_back({c.key, 0, 0});
    EXPECT_EQ(g_events, expected) << c.x << "," << c.y;
  }
}

TEST_F(Touch, FunctionKeyPressAndRelease) {
  ASSERT_TRUE(finger.Report(760, 320, 100));  // F4
  Steps(4);  // the touch is read after the step's sample: four equal samples by the fifth
  EXPECT_TRUE(g_events.empty()) << "four equal samples first";
  Steps(1);
  EXPECT_EQ(g_events, (std::vector<Ev>{{4, 0, 0}}));
  ASSERT_TRUE(finger.Lift());
  Steps(4);
  EXPECT_EQ(g_events, (std::vector<Ev>{{4, 0, 0}}));
  Steps(1);
  EXPECT_EQ(g_events, (std::vector<Ev>{{4, 0, 0}, {255, 0, 0}}));
}

TEST_F(Touch, HoldingTheSystemKeyOpensTheRecoveryPageAfterAbout3Point8Seconds) {
  for (const bool enabled : {true, false}) {
    SCOPED_TRACE(enabled);
    TCH_Open(Record);
    g_events.clear();
    RecoverMode = 0;
    SrSet(3, 0);
    SrSet(173, enabled ? 0 : 1);
    ASSERT_TRUE(finger.Report(760, 10, 100));
    Steps(5);
    EXPECT_EQ(g_events, (std::vector<Ev>{{26, 0, 0}}));
    int steps = 0;
    while (steps < 500 && SrGet(3) != 23) {
      Steps(1);
      ++steps;
    }
    if (enabled) {
      EXPECT_EQ(steps, 377) << "1 + 125 steps, then 251";
      EXPECT_EQ(RecoverMode, 1);
    } else {
      EXPECT_EQ(SrGet(3), 0);
      EXPECT_EQ(RecoverMode, 0);
    }
    EXPECT_EQ(g_events.size(), 1u);
    ASSERT_TRUE(finger.Lift());
    Steps(5);
  }
}

TEST_F(Touch, SystemKeyWithAFunctionKeyActsAfter126StableSteps) {
  ASSERT_TRUE(finger.Report(760, 10, 100));
  PressKeyimageON = 0x04;  // F2 held through the key image
  Steps(5);
  EXPECT_TRUE(g_events.empty()) << "no event until the combination has been held";
  Steps(125);
  EXPECT_TRUE(g_events.empty());
  Steps(1);
  EXPECT_EQ(g_events, (std::vector<Ev>{{26, 2, 0}}));
  PressKeyimageON = 0;
  ASSERT_TRUE(finger.Lift());
  Steps(5);
  EXPECT_EQ(g_events.back(), (Ev{255, 0, 0}));
}

TEST_F(Touch, ReleasingOneKeyOfACombinationEarlyGivesOnlyTheRelease) {
  ASSERT_TRUE(finger.Report(760, 10, 100));
  PressKeyimageON = 0x04;
  Steps(50);
  PressKeyimageON = 0;
  PressKeyimageOFF = 0x04;
  Steps(1);
  EXPECT_EQ(tch::g.key_state, tch::kKeyWaitRelease);
  EXPECT_EQ(PressKeyimageOFF, 0u) << "the scan takes the released keys once";
  ASSERT_TRUE(finger.Lift());
  Steps(5);
  EXPECT_EQ(g_events, (std::vector<Ev>{{255, 0, 0}}));
}

TEST_F(Touch, SystemKeyAndF3AsksForTheManualLoad) {
  TCH_BeepEnable(1);
  ASSERT_TRUE(finger.Report(760, 10, 100));
  PressKeyimageON = 0x08;
  Steps(5);
  EXPECT_NE(plat::GpioDout(0) & kBeeperBit, 0u) << "a click when the combination is taken";
  Steps(126);
  EXPECT_EQ(g_events, (std::vector<Ev>{{26, 3, 0}}));
  EXPECT_EQ(Sys_ManualLoadKey, 1);
}

TEST_F(Touch, SystemKeyAndF4AtTheFirstScanGoesToIdle) {
  SrSet(5, 2);
  SBitSet(1, true);
  ASSERT_TRUE(finger.Report(760, 10, 100));
  PressKeyimageON = 0x10;
  Steps(2);
  EXPECT_EQ(SrGet(5), 0);
}

TEST_F(Touch, BoardIdentifierFromTheKeyPort) {
  plat::KeyMatrixSet(0, 0x5A33);
  Steps(1);
  EXPECT_EQ(BoardID, 0x5Au);
  plat::KeyMatrixSet(0, 0x1100);
  Steps(1);
  EXPECT_EQ(BoardID, 0x5Au) << "kept once set";
}

// --- Screen saver, beeper, power-down figures ----------------------------------------

TEST_F(Touch, ScreenSaverDarkensWakesAndIgnoresTouchesWhileWaking) {
  Calibrate();
  SrSet(57, 80);
  TCH_ScreenSaver(5);
  Steps(5 * 6000 - 1);
  EXPECT_EQ(tch::g.dark, 0);
  Steps(1);
  EXPECT_EQ(tch::g.dark, 1);
  EXPECT_EQ(plat::BacklightRead(), 0);

  // The first touch only lights the screen.
  Press(100, 100);
  Press(100, 100);
  Service();
  EXPECT_TRUE(g_events.empty());
  Steps(1);
  EXPECT_EQ(plat::BacklightRead(), 80);
  ASSERT_TRUE(finger.Lift());
  Steps(100);
  Press(100, 100);
  Press(100, 100);
  Service();
  EXPECT_TRUE(g_events.empty()) << "touches are ignored for 1.25 s";
  Steps(30);
  Press(100, 100);
  Press(100, 100);
  Service();
  EXPECT_EQ(g_events, (std::vector<Ev>{{512, 100, 100}}));
}

TEST_F(Touch, KeysRestartTheSaverAndAKeyOnADarkScreenOnlyWakesIt) {
  TCH_ScreenSaver(1);
  Steps(5000);
  ASSERT_TRUE(finger.Report(760, 100, 100));
  Steps(5);
  EXPECT_EQ(g_events, (std::vector<Ev>{{1, 0, 0}}));
  EXPECT_GT(tch::g.saver_timer, 5990u) << "restarted by the key";
  ASSERT_TRUE(finger.Lift());
  Steps(6010);
  ASSERT_EQ(tch::g.dark, 1);
  EXPECT_EQ(g_events, (std::vector<Ev>{{1, 0, 0}, {255, 0, 0}}));
  PressKeyimageON = 0x02;
  Steps(4);
  EXPECT_EQ(g_events.size(), 2u) << "the key only wakes the screen";
  EXPECT_EQ(tch::g.saver_state, tch::kSaverWaking);
}

TEST_F(Touch, TurningTheSaverOffOnADarkScreenLightsIt) {
  SrSet(57, 60);
  TCH_ScreenSaver(1);
  Steps(6000);
  ASSERT_EQ(plat::BacklightRead(), 0);
  TCH_ScreenSaver(0);
  EXPECT_EQ(plat::BacklightRead(), 60);
  EXPECT_EQ(tch::g.dark, 0);
}

TEST_F(Touch, Beeper) {
  TCH_Beep(50);
  EXPECT_EQ(plat::GpioDout(0) & kBeeperBit, 0u) << "beeping disabled";
  TCH_BeepEnable(1);
  EXPECT_EQ(TCH_Beep(3), 3);
  EXPECT_NE(plat::GpioDout(0) & kBeeperBit, 0u);
  for (int i = 0; i < 2; ++i) {
    clock->AdvanceMs(1);
    Service();
  }
  Service();  // less than a millisecond: not counted
  EXPECT_NE(plat::GpioDout(0) & kBeeperBit, 0u);
  clock->AdvanceMs(1);
  Service();
  EXPECT_EQ(plat::GpioDout(0) & kBeeperBit, 0u);
  // The override holds it on through a beep's end.
  TCH_BeepOvrd(1);
  TCH_Beep(1);
  clock->AdvanceMs(1);
  Service();
  EXPECT_NE(plat::GpioDout(0) & kBeeperBit, 0u);
  TCH_BeepOvrd(0);
  EXPECT_EQ(plat::GpioDout(0) & kBeeperBit, 0u);
}

TEST_F(Touch, FlashAndPowerDownFigures) {
  const uint16_t words[5] = {1, 2, 3, 4, 3300};
  ASSERT_TRUE(plat::WritePowerStatus(words));
  const uint16_t tic = sysTic;
  Steps(9);
  EXPECT_EQ(SrGet(198), 0);
  Steps(1);
  EXPECT_EQ(SrGet(194), 1);
  EXPECT_EQ(SrGet(198), 3300);
  EXPECT_EQ(uint16_t(sysTic - tic), 10);
  const uint8_t flash = sysFlash;
  Steps(50);
  EXPECT_NE(sysFlash, flash);
}

TEST_F(Touch, AStalledLoopLosesStepsInsteadOfRunningThemInABurst) {
  const uint16_t tic = sysTic;
  clock->AdvanceMs(1000);
  TimerISR();
  TimerISR();
  EXPECT_EQ(uint16_t(sysTic - tic), 1);
}

}  // namespace
