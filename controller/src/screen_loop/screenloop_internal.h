#pragma once
// State of the screen loop shared by its files (pgm_*.cpp). Main thread only.

#include <cstdint>

struct RCB;

namespace pgm {

// Page modes (PAGE_mode).
inline constexpr uint8_t kModeReopen = 0;
inline constexpr uint8_t kModeUser = 1;
inline constexpr uint8_t kModeAlarm = 2;
inline constexpr uint8_t kModeSystem = 3;
inline constexpr uint8_t kModeFault = 4;

inline constexpr uint8_t kStatusNone = 255;  // no status seen since the start
inline constexpr uint8_t kStatusOff = 119;   // pop-ups off, or a fault shown

struct State {
  uint8_t popup_mode = 0;
  uint8_t popup_state = 0;  // 0 none, 1 first status, 2 status changed, 3 shown
  uint8_t last_status = kStatusNone;
  uint16_t last_mode = 0;     // SR5 at the last pass
  uint16_t first_screen = 0;  // from the screen table's header
  uint16_t system_screen = 0; // the system screen opened last
  const uint8_t* open_page = nullptr;
  RCB* run_control = nullptr;
};
extern State g;

// The checks and set-up of a new screen program (states 3, 4 and 6).
void StartProgram();
// A fault: the fault page is shown from the next pass on.
void Fault(uint16_t code);
// Power-on state.
void Reset();

}  // namespace pgm

// The panel services (panel_services.cpp): the screen saver as SR185 (on) and SR186
// (delay) set it, the delay or 0 for off; and back to the power-on state (no beeper
// override, no touch-sensitivity link).
void ApplyScreenSaver();
void PanelServicesReset();
