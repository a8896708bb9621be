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

// Receives the input service's events: 512 touch press at (x, y), 256 touch release at
// the press position, 1..7 function key, 26 the System key with its sub-code in x, 255 a
// key release.
using TouchEventCallback = void (*)(int event, int x, int y);
// Resets the touch filters, calibration, saver, keys and beeper, loads the stored
// calibration and opens the touch device; events then go to callback.
void TCH_Open(TouchEventCallback callback);
// Touch driver settings by code (16: sensitivity, value 0..5); value is read or written
// by the code. Returns 1.
int TCH_Ctrl(int code, int32_t* value);
// The beeper override switches the beeper on or off directly.
void TCH_BeepOvrd(uint8_t on);
// While the screen is dark, asks the saver to wake it; otherwise restarts its timer.
void TCH_TickleSaver();
