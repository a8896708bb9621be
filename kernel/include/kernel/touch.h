#pragma once
// Touch screen, beeper and screen saver settings reachable from system registers.

#include <cstdint>

void TCH_BeepEnable(uint8_t on);
void TCH_ScreenSaver(uint16_t delay);

// The input service at the start of every main-loop pass (time slices included): keys,
// touch, beeper, screen saver, power-down figures.
void TimerISR();
// Sounds the beeper for n steps when beeping is enabled; returns n.
int TCH_Beep(int n);
