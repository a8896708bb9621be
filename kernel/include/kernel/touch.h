#pragma once
// Touch screen, beeper and screen saver settings reachable from system registers.

#include <cstdint>

void TCH_BeepEnable(uint8_t on);
void TCH_ScreenSaver(uint16_t delay);
