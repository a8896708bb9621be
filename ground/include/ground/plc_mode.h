#pragma once
// The PLC mode as SR5 holds it. Run control (controller/runctl.h) changes it; every layer
// may read it.

#include <cstdint>

// The PLC modes of SR5.
inline constexpr uint8_t kModeIdle = 0;
inline constexpr uint8_t kModeDoIo = 1;
inline constexpr uint8_t kModeRun = 2;
inline constexpr uint8_t kModeRunFaulted = 3;  // Run accepted although fault bits are set
inline constexpr uint8_t kModeHeld = 4;        // I/O running, logic not run
