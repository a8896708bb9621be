// The input service's clock: milliseconds and 10 ms steps on the time base, and on each
// step the keys, the screen saver and every 100 ms the power-down figures; the beeper
// counts service calls.
#include "ground/regimage.h"
#include "ground/sysservices.h"
#include "ground/timebase.h"
#include "platform/gpio.h"
#include "platform/power_status.h"
#include "platform/trace.h"
#include "touch_state.h"

uint16_t sysTic = 0;
uint8_t sysFlash = 0;
uint32_t BoardID = 0;

namespace tch {
namespace {

constexpr uint32_t kTicksPerMs = 10;
constexpr uint32_t kStepMs = 10;
constexpr uint8_t kFlashSteps = 50;  // 500 ms
constexpr uint8_t kPowerSteps = 10;  // 100 ms
constexpr uint32_t kFirstPowerSr = 194;

// SR194..SR198: power and battery status words.
void ReadPowerFigures() {
  uint16_t words[plat::kPowerStatusWords];
  if (!plat::ReadPowerStatus(words)) return;
  for (int i = 0; i < plat::kPowerStatusWords; ++i) SrSet(kFirstPowerSr + uint32_t(i), words[i]);
}

void TenMsStep() {
  ++sysTic;
  if (++g.flash_steps >= kFlashSteps) {
    g.flash_steps = 0;
    sysFlash ^= 1;
  }
  KeyStep();
  SaverStep();
  if (++g.power_steps >= kPowerSteps) {
    g.power_steps = 0;
    ReadPowerFigures();
  }
}

// Advances the millisecond count by the whole milliseconds since the last counted tick;
// false when less than one has passed.
bool CountMilliseconds() {
  const uint32_t now = FPGA_GetFrt();
  if (!g.started) {
    g.started = true;
    g.tick = now;
    g.step_ms = g.ms;
    return false;
  }
  const uint32_t whole = (now - g.tick) / kTicksPerMs;
  if (whole == 0) return false;
  g.tick += whole * kTicksPerMs;
  g.ms += whole;
  return true;
}

}  // namespace

void SetBeeper(bool on) {
  constexpr uint32_t kBeeperBit = 1u << 21;
  if (on)
    plat::GpioDoutSet(0, kBeeperBit);
  else
    plat::GpioDoutClear(0, kBeeperBit);
}

void Deliver(int event, int x, int y) {
  if (g.callback) g.callback(event, x, y);
}

void SaverStep() {
  switch (g.saver_state) {
    case kSaverOff:
      break;
    case kSaverArmed:
      if (g.saver_timer > 0) --g.saver_timer;
      if (g.saver_timer == 0) {
        g.saver_state = kSaverDark;
        g.dark = 1;
        BKLT_Ctrl(1, 0);
        g.touch_state = kIdle;
      }
      break;
    case kSaverDark:
      if (g.wake_request) {
        g.wake_request = 0;
        BKLT_Ctrl(1, SrGet(57) & 0x7FFF);
        g.saver_timer = kWakeSteps;
        g.saver_state = kSaverWaking;
      }
      break;
    case kSaverWaking:
      if (g.saver_timer > 0) --g.saver_timer;
      if (g.saver_timer == 0) {
        g.saver_timer = g.saver_preset;
        g.dark = 0;
        g.saver_state = kSaverArmed;
      }
      break;
    default:
      g.saver_state = kSaverOff;
  }
}

}  // namespace tch

void TimerISR() {
  using tch::g;
  plat::TraceCall("TimerISR");
  const bool counted = tch::CountMilliseconds();
  if (g.ms - g.step_ms >= tch::kStepMs) {
    g.step_ms += tch::kStepMs;
    // A stalled loop loses the steps it missed rather than running them in a burst.
    if (g.ms - g.step_ms >= tch::kStepMs) g.step_ms = g.ms;
    tch::TenMsStep();
  }
  if (counted && g.beep_count > 0 && --g.beep_count == 0 && !g.beep_override) tch::SetBeeper(false);
  if (g.fd >= 0) tch::ReadTouchEvents();
}
