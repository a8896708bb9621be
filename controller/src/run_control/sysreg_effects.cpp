#include "ground/upcalls.h"

#include <array>
#include <cstring>

#include "controller/cmdserver.h"
#include "ground/regaccess.h"
#include "ground/regimage.h"
#include "ground/rtc.h"
#include "controller/runctl.h"
#include "controller/screenloop.h"
#include "ground/sysservices.h"
#include "ground/touch.h"
#include "ground/sr4.h"
#include "screenloop_internal.h"

namespace {

constexpr uint32_t kTokClock = reg::SrToken(44);      // date and time, or the time
constexpr uint32_t kTokClockDate = reg::SrToken(47);  // the date
constexpr int kDone = 1;
constexpr int kRefused = 0;

struct SideEffect {
  uint32_t token;
  int (*apply)(uint32_t value);  // kDone, kRefused or kSysRegContinue
};

int NodeId(uint32_t v) {
  if (int(v) > 128 - int(SrGet(61))) return kRefused;
  SrSet(29, uint16_t(v));
  Plc_NetInit();
  SrSet(4, SrGet(4) & ~kSr4NetworkIdRepaired);
  return kDone;
}

int ScreenSaverEnable(uint32_t v) {
  SrSet(185, uint16_t(v));
  ApplyScreenSaver();
  return kDone;
}

int ScreenSaverDelay(uint32_t v) {
  SrSet(186, uint16_t(v));
  ApplyScreenSaver();
  return kDone;
}

constexpr std::array kSideEffects{
    SideEffect{reg::SrToken(5), [](uint32_t v) { SetPlcMode(uint8_t(v)); return kDone; }},
    SideEffect{reg::SrToken(29), NodeId},
    SideEffect{reg::SrToken(30), [](uint32_t v) { SrSet(30, uint16_t(v)); Plc_NetInit(); return kDone; }},
    SideEffect{reg::SrToken(32), [](uint32_t v) { SrSet(32, uint16_t(v)); SYS_Contrast(uint8_t(v)); return kDone; }},
    SideEffect{reg::SrToken(34), [](uint32_t v) { Cmd_PortInit(uint8_t(v)); return kDone; }},
    SideEffect{reg::SrToken(163), [](uint32_t v) { SYS_MenuOption2(uint16_t(v)); return kSysRegContinue; }},
    SideEffect{reg::SrToken(164), [](uint32_t v) { SYS_MenuOption(0, int(v)); return kSysRegContinue; }},
    SideEffect{reg::SrToken(164) + 1, [](uint32_t v) { SYS_MenuOption(1, int(v)); return kSysRegContinue; }},
    SideEffect{reg::SrToken(165), [](uint32_t v) { SrSet(165, uint16_t(v)); return kSysRegContinue; }},
    SideEffect{reg::SrToken(167),
               [](uint32_t v) {
                 if (v < 2 || v > 50) return kSysRegContinue;
                 SrSet(167, uint16_t(v));
                 PGM_SetSlice(uint16_t(v));
                 return kDone;
               }},
    SideEffect{reg::SrToken(180), [](uint32_t v) { SrSet(180, uint16_t(v)); PGM_SetPopupMode(uint8_t(v)); return kDone; }},
    SideEffect{reg::SrToken(183), [](uint32_t v) { SrSet(183, uint16_t(v)); TCH_BeepEnable(uint8_t(v)); return kDone; }},
    SideEffect{reg::SrToken(185), ScreenSaverEnable},
    SideEffect{reg::SrToken(186), ScreenSaverDelay},
};
static_assert(kSideEffects.size() == 14);

const SideEffect* FindSideEffect(uint32_t token) {
  for (const auto& e : kSideEffects) {
    if (e.token == token) return &e;
  }
  return nullptr;
}

// The clock registers go to the clock routines, which check the record themselves.
int ClockWrite(uint32_t token, const uint8_t* src, uint32_t nbits) {
  uint16_t w[6] = {};
  if (token == kTokClock && nbits == 96) {
    std::memcpy(w, src, 12);
    RtcRecord r{w[0], w[1], w[2], w[3], w[4], w[5], 0};
    return RtcSet(r);
  }
  if (nbits != 48) return kRefused;
  std::memcpy(w, src, 6);
  return token == kTokClock ? RtcTimeSet(w) : RtcDateSet(w);
}

}  // namespace

int SysRegWrite(uint32_t token, const uint8_t* source, uint32_t nbits) {
  if (token == kTokClock || token == kTokClockDate) return ClockWrite(token, source, nbits);

  const uint32_t index = (token - reg::kTokSR) >> 4;
  const SrInfo& row = sr_info[index];
  if (nbits > row.width || nbits > 32) return kRefused;
  // The ordinary write stores nbits / 8 bytes: a count that is not a whole number of
  // bytes would store less than was checked.
  if (nbits != 1 && nbits % 8 != 0) return kRefused;
  const SideEffect* effect = FindSideEffect(token);
  uint32_t value = 0;
  std::memcpy(&value, source, (nbits + 7) / 8);
  if (nbits == 1) {
    value = value != 0;  // any non-zero byte sets a bit
    // A bit inside the register (not its first) changes the register to a new whole
    // value: that value is what is checked and acted on, unless the bit has an effect
    // of its own.
    const uint32_t bit = (token - reg::kTokSR) & 15;
    if (bit != 0 && effect == nullptr) {
      if (row.width > 32) return kRefused;  // the wide rows are read-only
      uint32_t whole = 0;
      std::memcpy(&whole, plc_reg + reg::SrOffset(index + 1), row.width / 8);
      value = value ? whole | (1u << bit) : whole & ~(1u << bit);
      effect = FindSideEffect(reg::SrToken(index + 1));
    }
  } else if (nbits < 32) {
    value &= (1u << nbits) - 1;  // bits past the count are not the value's
  }
  if (value < uint32_t(row.min) || value > uint32_t(row.max)) return kRefused;
  return effect != nullptr ? effect->apply(value) : kSysRegContinue;
}
