// The key and touch event rings: overflow rules, flushing, the System key's functions,
// the key registers, and the key-press instructions' repeat timing.
#include <gtest/gtest.h>

#include <vector>

#include "fieldbus/talk.h"
#include "controller/poweron.h"
#include "ground/regaccess.h"
#include "ground/regimage.h"
#include "ground/sysservices.h"
#include "ground/touch.h"
#include "platform/trace.h"
#include "screens/keys.h"
#include "storage/services.h"
#include "testsupport/recording_runner.h"
#include "testsupport/temp_root.h"

namespace {

struct Ev {
  int event, x, y;
  bool operator==(const Ev&) const = default;
};
std::ostream& operator<<(std::ostream& os, const Ev& e) { return os << "{" << e.event << "," << e.x << "," << e.y << "}"; }

std::vector<Ev> g_seen;
int Seen(int event, int x, int y) {
  g_seen.push_back({event, x, y});
  return 7;
}

class KeyRings : public ::testing::Test {
 protected:
  void SetUp() override {
    KernelPowerOnReset();
    g_seen.clear();
    plat::TraceClear();
    plat::TraceEnable(true);
  }
  void TearDown() override { plat::TraceEnable(false); }
  static std::vector<Ev> DrainEvents() {
    g_seen.clear();
    while (KEY_Check(Seen) != 0) {
    }
    return g_seen;
  }
  static uint16_t KWord() { return RegWord(reg::kOffK); }
};

TEST_F(KeyRings, EventRingKeepsReleasesWhenFull) {
  for (int i = 0; i < 31; ++i) KEY_Press(kEventTouchDown, i, 0);
  KEY_Press(kEventTouchDown, 99, 0);  // dropped
  KEY_Press(kEventScreenKey, kKeyEnter, 0);  // dropped
  KEY_Press(kEventTouchUp, 5, 6);  // replaces the newest entry
  const std::vector<Ev> events = DrainEvents();
  ASSERT_EQ(events.size(), 31u);
  EXPECT_EQ(events[29], (Ev{512, 29, 0}));
  EXPECT_EQ(events[30], (Ev{256, 5, 6}));
}

TEST_F(KeyRings, FunctionKeyRingKeepsReleasesWhenFull) {
  for (int i = 1; i <= 7; ++i) KEY_Press(i, 0, 0);
  KEY_Press(8, 0, 0);  // dropped
  KEY_Press(kKeyRelease, 0, 0);  // replaces F7
  std::vector<uint16_t> sr56;
  for (int i = 0; i < 8; ++i) {
    KEY_Check(nullptr);
    sr56.push_back(SrGet(56));
  }
  EXPECT_EQ(sr56, (std::vector<uint16_t>{1, 2, 3, 4, 5, 6, 255, 255}));
}

TEST_F(KeyRings, FlushDownsDropsLeadingDownsButNeverTheNewest) {
  KEY_Press(kEventTouchDown, 1, 0);
  KEY_Press(kEventTouchDown, 2, 0);
  KEY_Press(kEventTouchUp, 3, 0);
  KEY_Press(kEventTouchDown, 4, 0);
  KEY_FlushDowns();
  EXPECT_EQ(DrainEvents(), (std::vector<Ev>{{256, 3, 0}, {512, 4, 0}}));
  KEY_Press(kEventTouchDown, 5, 0);
  KEY_FlushDowns();
  EXPECT_EQ(DrainEvents(), (std::vector<Ev>{{512, 5, 0}}));
}

TEST_F(KeyRings, FlushesEmptyTheirOwnRing) {
  KEY_Press(1, 0, 0);
  KEY_Press(kEventTouchDown, 1, 1);
  KEY_Flush();
  EXPECT_EQ(KEY_Check(Seen), 7) << "the event ring is untouched";
  EXPECT_EQ(SrGet(56), 0) << "the function key is gone";
  KEY_Press(kEventTouchDown, 1, 1);
  KEY_FlushTouch();
  EXPECT_EQ(KEY_Check(Seen), 0);
}

TEST_F(KeyRings, FunctionKeysSetAndReleaseTheirKBits) {
  KEY_Press(3, 0, 0);
  KEY_Check(nullptr);
  EXPECT_EQ(KWord() & 0x4, 0x4);
  EXPECT_EQ(SrGet(56), 3);
  KEY_Press(kKeyRelease, 0, 0);
  KEY_Check(nullptr);
  EXPECT_EQ(KWord() & 0x4, 0);
  EXPECT_EQ(plat::TraceCountOf("TCH_Beep"), 1u) << "a click for the key, none for the release";
}

TEST_F(KeyRings, SystemKeyFunctions) {
  ts::TempRoot root;
  ts::RecordingRunner runner;
  struct Case {
    const char* what;
    uint16_t sub;
    uint16_t sr173;   // 1 disables the keys
    uint8_t autoload;
    uint16_t sr3;     // 0xFFFF: not written
    const char* act;  // the call it makes, or null
  };
  const Case cases[] = {
      {"menu", 0, 0, 0, 1, nullptr},
      {"menu with keys disabled", 0, 1, 0, 1, nullptr},
      {"calibration", 1, 0, 0, 21, nullptr},
      {"calibration with keys disabled", 1, 1, 0, 0xFFFF, nullptr},
      {"warm reset", 2, 0, 0, 0xFFFF, "SYS_WarmReset"},
      {"program erase", 4, 0, 0, 0xFFFF, "SYS_VDG"},
      {"ignored while auto-loading", 0, 0, 1, 0xFFFF, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SrSet(3, 0xFFFF);
    SrSet(173, c.sr173);
    Sys_AutoLoad = c.autoload;
    plat::TraceClear();
    KEY_Press(kKeySystem, c.sub, 0);
    KEY_Check(nullptr);
    EXPECT_EQ(SrGet(3), c.sr3);
    if (c.act) {
      EXPECT_EQ(plat::TraceCountOf(c.act), 1u);
    }
    EXPECT_EQ(SrGet(56), kKeySystem) << "the code still reaches the key register";
  }
}

// The ladder's key-press instruction: key number, 16-bit register token.
struct Instruction {
  std::vector<uint16_t> words;
  int Run(int power, bool* overrun = nullptr) {
    BlockCursor c{.code = reinterpret_cast<const uint8_t*>(words.data()), .size = uint32_t(words.size())};
    const int r = PressKeyProcess(c, power);
    if (overrun) *overrun = c.overrun;
    consumed = c.ip;
    return r;
  }
  uint32_t consumed = 0;
};

TEST_F(KeyRings, KeyPressInstructionRepeatsEnterAfter125ThenEvery50) {
  const uint32_t m1 = reg::BitToken(reg::kTokM, 1);
  Instruction enter{{kKeyEnter, uint16_t(m1)}};
  uint8_t on = 1;
  PlcReg_Set(m1, &on, 1);
  std::vector<int> at;
  for (int call = 0; call < 300; ++call) {
    EXPECT_EQ(enter.Run(1), 1);
    if (KEY_Check(Seen)) at.push_back(call);
  }
  EXPECT_EQ(at, (std::vector<int>{0, 125, 175, 225, 275}));
  EXPECT_EQ(g_seen[0], (Ev{kEventScreenKey, kKeyEnter, 0}));
  EXPECT_EQ(PressKeyON, 1);
  EXPECT_EQ(PressKeyimageON, 0x40000u);

  // Released: a key release, and the count starts again.
  on = 0;
  PlcReg_Set(m1, &on, 1);
  EXPECT_EQ(enter.Run(1), 1);
  EXPECT_EQ(PressKeyimageOFF, 0x40000u);
  KEY_Check(nullptr);
  EXPECT_EQ(SrGet(56), kKeyRelease);
  EXPECT_EQ(enter.Run(1), 0) << "nothing to release";
  on = 1;
  PlcReg_Set(m1, &on, 1);
  g_seen.clear();
  for (int call = 0; call < 126; ++call) {
    enter.Run(1);
    KEY_Check(Seen);
  }
  EXPECT_EQ(g_seen.size(), 2u) << "at once, then after 125 calls";
}

TEST_F(KeyRings, KeyPressInstructionOperands) {
  const uint32_t m1 = reg::BitToken(reg::kTokM, 1);
  uint8_t on = 1;
  PlcReg_Set(m1, &on, 1);
  Instruction with_trailer{{2, uint16_t(m1), 1023, 2, 0xAAAA, 0xBBBB, 0x0009}};
  EXPECT_EQ(with_trailer.Run(1), 1);
  EXPECT_EQ(with_trailer.consumed, 6u) << "the trailer is skipped";
  EXPECT_EQ(PressKeyimageON, 0x4u);
  KEY_Check(nullptr);
  EXPECT_EQ(SrGet(56), 2);

  Instruction off{{kKeyEsc, uint16_t(m1)}};
  EXPECT_EQ(off.Run(0), 0) << "power flow off";
  EXPECT_EQ(off.consumed, 2u);
  Instruction low_token{{kKeyEsc, 1024}};
  EXPECT_EQ(low_token.Run(1), 0);
  Instruction unknown_key{{9, uint16_t(m1)}};
  EXPECT_EQ(unknown_key.Run(1), 0);
  bool overrun = false;
  Instruction cut{{kKeyEsc, uint16_t(m1), 1023, 5, 1}};
  EXPECT_EQ(cut.Run(1, &overrun), 0);
  EXPECT_TRUE(overrun);
}

TEST_F(KeyRings, IecKeyPressBlock) {
  EXPECT_EQ(N4_PressKeyProcess(kKeyUp, 1), 1);
  EXPECT_EQ(DrainEvents(), (std::vector<Ev>{{kEventScreenKey, kKeyUp, 0}}));
  EXPECT_EQ(N4_PressKeyProcess(kKeyUp, 0), 1);
  EXPECT_EQ(PressKeyimageON, 0u);
  EXPECT_EQ(N4_PressKeyProcess(100, 1), 0);
}

}  // namespace
