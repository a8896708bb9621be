#pragma once
// Private parts shared between the system services' files.

#include <cstddef>
#include <cstdint>

// The backlight level last applied from SR57 (-1 before the first).
int BacklightLevel();
// The screen saver as SR185 (on) and SR186 (delay) set it: the delay, or 0 for off.
void ApplyScreenSaver();
// The product code SYS_Init puts in SR37, by which the identity table finds the panel.
inline constexpr uint16_t kProductCode = 573;
// The kernel version text (10 characters, the last one NUL) from a "uname -a" line.
void ParseKernelVersion(const char* line, std::size_t length, char out[10]);

// Back to the power-on state, each for its own file (the owner's start-up, and tests).
void SysKeysReset();        // no function key held
void SysRegsReset();        // no screen number written to SR1 yet, register packing off
void PanelServicesReset();  // no beeper override, no touch-sensitivity link
void BacklightReset();      // no level applied from SR57 yet
