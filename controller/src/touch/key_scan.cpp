// The side keys: every 10 ms a key sample from the touch position (six areas at the
// screen's right edge) and the key image of the key-press instructions, four samples in
// a ring, and the key scan that turns stable keys and held System-key combinations into
// key events.
#include <iterator>

#include "drivers/services.h"
#include "controller/mainloop.h"
#include "ground/regimage.h"
#include "ground/sysservices.h"
#include "screens/keys.h"
#include "storage/services.h"
#include "touch_state.h"

namespace tch {
namespace {

constexpr uint16_t kComboDelay = 125;   // steps a System-key combination is held
constexpr uint16_t kRecoverDelay = 250;  // further steps the System key alone is held
constexpr uint8_t kSysF3 = 0x09;        // System key and F3: load the application from the card
constexpr uint8_t kSysF4 = 0x11;        // System key and F4 at the first scan: Idle
constexpr int kManualLoadKey = 3;
constexpr uint16_t kRecoveryPage = 23;

// The six side-key areas, from the top: left, top, right, bottom (right and bottom
// excluded).
struct Area {
  int16_t left, top, right, bottom;
};
constexpr Area kKeyAreas[] = {{737, 0, 793, 56},    {737, 76, 793, 132},  {737, 152, 793, 208},
                              {737, 228, 793, 284}, {737, 304, 793, 360}, {737, 380, 793, 436}};
static_assert(std::size(kKeyAreas) == 6);

uint8_t TouchSample() {
  if (g.touch_state == kIdle) return 0;
  for (std::size_t i = 0; i < std::size(kKeyAreas); ++i) {
    const Area& a = kKeyAreas[i];
    if (g.last_x >= a.left && g.last_x < a.right && g.last_y >= a.top && g.last_y < a.bottom) return uint8_t(1u << i);
  }
  return 0;
}

// The lowest function key of a key set (0x02 up to 0x80), or 0.
uint8_t LowestFunctionBit(uint8_t keys) {
  for (uint8_t bit = g.key_first; bit != 0; bit = uint8_t(bit << 1))
    if (keys & bit) return bit;
  return 0;
}

// A function key's number: its bit's position counted from key_first (1..7).
int FunctionNumber(uint8_t bit) {
  int n = 1;
  for (uint8_t b = g.key_first; b != 0 && b != bit; b = uint8_t(b << 1)) ++n;
  return n;
}

void StartCombo(uint8_t combo, uint16_t delay) {
  g.key_sysCombo = combo;
  g.key_state = kKeyComboHeld;
  g.key_delay = delay;
}

void ComboActs(bool enabled) {
  if (g.key_sysCombo == g.key_sys) {
    if (!enabled) return;
    RecoverMode = 1;
    g.key_state = kKeyWaitRelease;
    SYS_WriteSys(3, kRecoveryPage);
    return;
  }
  const int n = FunctionNumber(LowestFunctionBit(uint8_t(g.key_sysCombo & ~g.key_sys)));
  Deliver(kKeySystem, n, 0);
  if (n == kManualLoadKey) Sys_ManualLoadKey = 1;
  g.key_state = kKeyWaitRelease;
}

struct Samples {
  uint8_t shared;  // bits every sample holds
  uint8_t any;     // bits some sample holds
  bool equal;
  uint8_t newest;
};

Samples Look() {
  const uint8_t* s = g.key_buf;
  return {.shared = uint8_t(s[0] & s[1] & s[2] & s[3]),
          .any = uint8_t(s[0] | s[1] | s[2] | s[3]),
          .equal = s[0] == s[1] && s[1] == s[2] && s[2] == s[3],
          .newest = s[g.key_index]};
}

void ScanIdle(const Samples& s) {
  if (s.any == (g.key_sys | 0x10) && SBitGet(1)) SrSet(5, 0);
  if (s.shared == 0) return;
  if (g.dark) {
    g.wake_request = 1;
    return;
  }
  g.saver_timer = g.saver_preset;
  if (!s.equal) return;
  const uint8_t keys = s.newest;
  g.key_delay = 0;
  g.key_state = kKeyWaitRelease;
  if (keys == g.key_sys) {
    Deliver(kKeySystem, 0, 0);
    g.key_state = kKeySystemDown;
  } else if ((keys & g.key_sys) == 0) {
    if (const uint8_t bit = LowestFunctionBit(keys)) Deliver(FunctionNumber(bit), 0, 0);
  } else {
    StartCombo(uint8_t(g.key_sys | LowestFunctionBit(keys)), kComboDelay);
  }
}

void ScanSystemDown(const Samples& s) {
  if (s.shared == 0) {
    Deliver(kKeyRelease, 0, 0);
    g.key_state = kKeyIdle;
    return;
  }
  if ((s.shared & g.key_sys) == 0) {
    g.key_state = kKeyWaitRelease;
    return;
  }
  if (g.key_delay == 0) {
    g.key_delay = kComboDelay;
  } else if (--g.key_delay == 0) {
    StartCombo(g.key_sys, kRecoverDelay);
  }
  if (const uint8_t bit = LowestFunctionBit(uint8_t(s.shared & ~g.key_sys)))
    StartCombo(uint8_t(g.key_sys | bit), kComboDelay);
}

void KeyScan() {
  const Samples s = Look();
  const bool enabled = SYS_KeyEnabled() != 0;
  if (Sys_ManualLoadKey == 0 && g.key_state != kKeyComboHeld && enabled && s.shared != 0) {
    if (!s.equal) return;
    if ((s.newest & kSysF3) == kSysF3) {
      StartCombo(kSysF3, kComboDelay);
      if (g.beep_enable) {
        SetBeeper(true);
        g.beep_count = 3;
      }
      return;
    }
  }
  switch (g.key_state) {
    case kKeyIdle:
      ScanIdle(s);
      break;
    case kKeyWaitRelease:
      if (s.any == 0) {
        Deliver(kKeyRelease, 0, 0);
        g.key_state = kKeyIdle;
      }
      break;
    case kKeySystemDown:
      ScanSystemDown(s);
      break;
    case kKeyComboHeld:
      if (s.newest != g.key_sysCombo) {
        g.key_state = kKeyWaitRelease;
      } else if (g.key_delay > 0) {
        --g.key_delay;
      } else {
        ComboActs(enabled);
      }
      break;
    default:
      g.key_state = kKeyIdle;
  }
}

}  // namespace

void KeyStep() {
  g.key_index = uint8_t((g.key_index + 1) & 3);
  const uint16_t port = Ssp2_Xch(0, 0, 0);
  if (BoardID == 0) BoardID = port >> 8;
  uint8_t sample = TouchSample();
  if (PressKeyimageOFF != 0) {
    sample = uint8_t(sample & ~PressKeyimageOFF);
    PressKeyimageOFF = 0;
  }
  sample = uint8_t(sample | (PressKeyimageON & 0xFF));
  g.key_buf[g.key_index] = sample;
  KeyScan();
}

}  // namespace tch
