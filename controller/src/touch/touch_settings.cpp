// Opening the touch driver and its settings: the release filter, the calibration, the
// beeper and the screen saver.
#include <unistd.h>

#include <algorithm>
#include <iterator>

#include "ground/regimage.h"
#include "ground/sysservices.h"
#include "platform/trace.h"
#include "touch_state.h"

namespace tch {

State g;

namespace {

constexpr uint32_t kSaverUnitsPerMinute = 6000;  // 10 ms units
constexpr int32_t kMaxSensitivity = 5;

int32_t TableValue(const uint16_t* table, int index) {
  return int32_t(uint32_t(table[2 + 2 * index]) | (uint32_t(table[3 + 2 * index]) << 16));
}

void LoadStoredCalibration() {
  const uint16_t* table = SYS_GetParmTbl();
  if (!table) return;
  const int32_t x_full = TableValue(table, 4), y_full = TableValue(table, 5);
  if (x_full == 0 || y_full == 0) return;
  g.cal = {.x_offset = TableValue(table, 0), .y_offset = TableValue(table, 1), .x_scale = TableValue(table, 2),
           .y_scale = TableValue(table, 3), .x_full = x_full, .y_full = y_full};
}

void CloseDevice() {
  if (g.fd >= 0) ::close(g.fd);
  g.fd = -1;
  g.partial_bytes = 0;
}

// Leaving a dark screen by any other way than a wake (the saver re-armed or turned off)
// lights it again, or it would stay dark.
void LightIfDark() {
  if (!g.dark) return;
  g.dark = 0;
  g.wake_request = 0;
  BKLT_Ctrl(1, SrGet(57) & 0x7FFF);
}

}  // namespace

void Reset() {
  CloseDevice();
  g = State{};
  SetBeeper(false);
  sysTic = 0;
  sysFlash = 0;
  BoardID = 0;
}

}  // namespace tch

void TCH_Open(TouchEventCallback callback) {
  using tch::g;
  plat::TraceCall("TCH_Open");
  tch::CloseDevice();
  g.cal = tch::Calibration{};
  g.release_mode = tch::kReleaseNormal;
  g.release_delta = tch::kReleaseDelta;
  g.touch_state = tch::kIdle;
  g.older = g.pressure = tch::Reader{};
  tch::LightIfDark();
  g.saver_state = tch::kSaverOff;
  g.saver_timer = g.saver_preset = 0;
  std::fill(std::begin(g.key_buf), std::end(g.key_buf), uint8_t(0));
  g.key_state = tch::kKeyIdle;
  g.key_sysCombo = 0;
  g.key_delay = 0;
  g.key_sys = 0x01;
  g.key_first = 0x02;
  g.beep_count = 0;
  g.beep_override = 0;
  tch::SetBeeper(false);
  tch::LoadStoredCalibration();
  g.callback = callback;
  g.fd = plat::TouchOpen();
  if (g.fd < 0) {
    // The crash screen opens the driver from a fault signal: write() only.
    static constexpr char kText[] = "\nTouch Open Error\n";
    const ssize_t w = ::write(STDOUT_FILENO, kText, sizeof kText - 1);
    (void)w;
  }
}

int TCH_Ctrl(int code, int32_t* value) {
  using tch::g;
  plat::TraceCall("TCH_Ctrl", code, value ? *value : 0);
  int32_t ignored = 0;
  int32_t& v = value ? *value : ignored;
  switch (code) {
    case 0:
      g.release_delta = tch::kReleaseDelta;
      g.release_mode = tch::kReleaseNormal;
      break;
    case 1:
      g.release_delta = 1;
      g.release_mode = tch::kReleaseDrag;
      break;
    case 2:
      g.cal = tch::Calibration{};
      g.release_mode = tch::kReleaseRaw;
      g.release_delta = tch::kReleaseDelta;
      break;
    case 4: g.cal.x_offset = v; break;
    case 5: g.cal.y_offset = v; break;
    case 6: g.cal.x_scale = v; break;
    case 7: g.cal.y_scale = v; break;
    case 8: v = g.cal.x_offset; break;
    case 9: v = g.cal.y_offset; break;
    case 10: v = g.cal.x_scale; break;
    case 11: v = g.cal.y_scale; break;
    case 12:
    case 13: v = 0; break;
    case 14: v = tch::kScreenWidth; break;
    case 15: v = tch::kScreenHeight; break;
    case 16:
      g.release_delta = v <= 0 ? tch::kReleaseDelta : std::min(v, tch::kMaxSensitivity) * tch::kReleaseDelta;
      break;
    case 17: g.cal.x_full = v; break;
    case 18: g.cal.y_full = v; break;
    default: break;
  }
  return 1;
}

void TCH_BeepEnable(uint8_t on) {
  plat::TraceCall("TCH_BeepEnable", on);
  tch::g.beep_enable = on;
}

int TCH_Beep(int n) {
  plat::TraceCall("TCH_Beep", n);
  if (tch::g.beep_enable) {
    tch::SetBeeper(true);
    tch::g.beep_count = uint16_t(n < 0 ? 0 : n);
  }
  return n;
}

void TCH_BeepOvrd(uint8_t on) {
  plat::TraceCall("TCH_BeepOvrd", on);
  tch::g.beep_override = on;
  tch::SetBeeper(on != 0);
}

void TCH_ScreenSaver(uint16_t minutes) {
  using tch::g;
  plat::TraceCall("TCH_ScreenSaver", minutes);
  tch::LightIfDark();
  if (minutes == 0) {
    g.saver_state = tch::kSaverOff;
    g.saver_timer = g.saver_preset = 0;
    return;
  }
  g.saver_preset = g.saver_timer = uint32_t(minutes) * tch::kSaverUnitsPerMinute;
  g.saver_state = tch::kSaverArmed;
}

void TCH_TickleSaver() {
  using tch::g;
  plat::TraceCall("TCH_TickleSaver");
  if (g.dark)
    g.wake_request = 1;
  else
    g.saver_timer = g.saver_preset;
}
