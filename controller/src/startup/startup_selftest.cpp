#include "startup_selftest.h"

#include <array>
#include <cstdint>

#include "ground/regimage.h"
#include "ground/sysmsg.h"
#include "ground/sysservices.h"
#include "ground/timebase.h"
#include "ground/touch.h"
#include "ground/sr4.h"
#include "mainloop_internal.h"

namespace {

struct SelfTestLine {
  uint16_t sr4_bit;
  const char* line1;
  const char* line2;
};

// In the order they are shown.
constexpr std::array kSelfTestLines{
    SelfTestLine{.sr4_bit = kSr4StaticRam, .line1 = "Static RAM", .line2 = "Memory Error"},
    SelfTestLine{.sr4_bit = kSr4BiosFlash, .line1 = "BIOS Flash", .line2 = "Memory Error"},
    SelfTestLine{.sr4_bit = kSr4EngineFlash, .line1 = "Engine Flash", .line2 = "Memory Error"},
    SelfTestLine{.sr4_bit = kSr4UserProgram, .line1 = "User Program", .line2 = "Memory Error"},
    SelfTestLine{.sr4_bit = kSr4UserGraphics, .line1 = "User Graphics", .line2 = "Memory Error"},
    SelfTestLine{.sr4_bit = kSr4ClockDefault, .line1 = "Real-Time-Clock", .line2 = "Default Set"},
    SelfTestLine{.sr4_bit = kSr4IoConfig, .line1 = "I/O Module", .line2 = "Config Error"},
    SelfTestLine{.sr4_bit = kSr4DuplicateNetworkId, .line1 = "Duplicate Network ID", .line2 = "Network Disabled"},
    SelfTestLine{.sr4_bit = kSr4Battery, .line1 = "Battery", .line2 = "Missing or Low Voltage"},
};
static_assert(kSelfTestLines.size() == 9);

constexpr uint32_t kLineWaitMs = 300;
constexpr int kFailureBeep = 50;

}  // namespace

void SelfTestReport(DC* dc, const char* signon) {
  UpdateSelfTestResult();
  TickleWatchdogReal();
  const uint16_t result = SrGet(55);
  if (result != 0) {
    const uint16_t sr4 = SrGet(4);
    for (const auto& row : kSelfTestLines) {
      if ((sr4 & row.sr4_bit) == 0) continue;
      SystemMsg(dc, row.line1, row.line2);
      TCH_Beep(kFailureBeep);
      Delay(kLineWaitMs);
    }
  }
  SystemMsg(dc, signon, result != 0 ? "*** Self-Test FAILED ***" : "*** Self-Test Passed ***");
  Delay(kLineWaitMs);
}
