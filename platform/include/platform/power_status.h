#pragma once
// The board's power and battery status: "/proc/powerdown", ten bytes read as five u16
// words (power status, battery state, ..., battery voltage in mV), which the input
// service copies into SR194..SR198. On the host the file lives below the device root;
// tests and the run command write it to set the battery state the unit sees.
//
// Callers: the input service on the main thread; tests. Blocks only on the file system.

#include <cstdint>

namespace plat {

inline constexpr int kPowerStatusWords = 5;

// Reads the five words; false (words untouched) when the file is missing or short.
bool ReadPowerStatus(uint16_t words[kPowerStatusWords]);
// Writes them (creating the file and its directory on the host); false on failure.
bool WritePowerStatus(const uint16_t words[kPowerStatusWords]);

}  // namespace plat
