#pragma once
// State of the input service shared by its files (touch_*.cpp, key_scan.cpp). Main
// thread only; also reached inside time slices and from the crash screen's fault signal,
// so nothing here allocates, locks or uses stdio.

#include <cstdint>

#include "ground/touch.h"
#include "platform/touch_device.h"

namespace tch {

inline constexpr int kScreenWidth = 800;
inline constexpr int kScreenHeight = 480;
inline constexpr int32_t kReleaseDelta = 25;
inline constexpr uint16_t kSteadyUnits = 44;  // a second point further away is no press
inline constexpr uint16_t kWakeSteps = 125;   // touches are ignored this long after a wake

// Release modes of the release filter.
inline constexpr uint8_t kReleaseNormal = 0;
inline constexpr uint8_t kReleaseDrag = 1;  // a move while pressed starts a new press
inline constexpr uint8_t kReleaseRaw = 2;   // no calibration demand, no screen-bounds test

struct Calibration {
  int32_t x_offset = 0;
  int32_t y_offset = 0;
  int32_t x_scale = kScreenWidth;
  int32_t y_scale = kScreenHeight;
  int32_t x_full = 1;  // 1: no full-scale calibration
  int32_t y_full = 1;
};

// Touch states.
inline constexpr uint8_t kIdle = 0;
inline constexpr uint8_t kTouched = 1;  // waiting for a steady point
inline constexpr uint8_t kMoved = 2;    // waiting for a steady point after a drag
inline constexpr uint8_t kPressed = 3;  // the press has been delivered

// Each reader keeps its own points and counters.
struct Reader {
  uint16_t px = 0, py = 0;  // raw point
  uint16_t x = 0, y = 0;    // mapped point
  uint8_t phase = 0;        // sample count (older reader) or phase (pressure reader)
  uint8_t uncalibrated = 0; // points seen without a calibration
};

// Key scan states.
inline constexpr uint8_t kKeyIdle = 0;
inline constexpr uint8_t kKeyWaitRelease = 1;
inline constexpr uint8_t kKeySystemDown = 2;
inline constexpr uint8_t kKeyComboHeld = 3;

// Screen saver states.
inline constexpr uint8_t kSaverOff = 0;
inline constexpr uint8_t kSaverArmed = 1;
inline constexpr uint8_t kSaverDark = 2;
inline constexpr uint8_t kSaverWaking = 3;

struct State {
  TouchEventCallback callback = nullptr;
  int fd = -1;
  uint8_t partial[plat::kTouchRecordBytes] = {};  // a record read only in part
  uint8_t partial_bytes = 0;

  Calibration cal;
  uint8_t release_mode = kReleaseNormal;
  int32_t release_delta = kReleaseDelta;
  uint8_t touch_state = kIdle;
  uint16_t last_x = 0, last_y = 0;    // last position, before the offset and scale mapping
  uint16_t press_x = 0, press_y = 0;  // the delivered press
  Reader older;     // kernel builds below 3549
  Reader pressure;  // kernel builds from 3549 on

  // Time: the tick already counted, milliseconds, and the last 10 ms step.
  bool started = false;
  uint32_t tick = 0;
  uint32_t ms = 0;
  uint32_t step_ms = 0;
  uint8_t flash_steps = 0;
  uint8_t power_steps = 0;

  uint8_t beep_enable = 0;
  uint16_t beep_count = 0;
  uint8_t beep_override = 0;

  uint8_t saver_state = kSaverOff;
  uint32_t saver_timer = 0;   // 10 ms units
  uint32_t saver_preset = 0;  // 10 ms units
  uint8_t dark = 0;
  uint8_t wake_request = 0;

  uint8_t key_buf[4] = {};
  uint8_t key_index = 0;
  uint8_t key_state = kKeyIdle;
  uint8_t key_sysCombo = 0;
  uint16_t key_delay = 0;
  uint8_t key_sys = 0x01;
  uint8_t key_first = 0x02;
};
extern State g;

// The beeper output (GPIO bank 0, bit 21).
void SetBeeper(bool on);
// Hands an event to the callback.
void Deliver(int event, int x, int y);
// Reads the touch device's pending records (TimerISR step 4).
void ReadTouchEvents();
// Builds the key sample of a 10 ms step and runs the key scan on it.
void KeyStep();
// One 10 ms step of the screen saver.
void SaverStep();
// Back to the power-on state, the device closed.
void Reset();

}  // namespace tch
