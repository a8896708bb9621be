#pragma once
// The panel's input service: touch screen, side keys, beeper, screen saver and the
// power-down figures. TimerISR is an ordinary call at the start of every main-loop pass
// (time slices included) and in the crash screen's loop; everything it reaches reads
// files, the register image and the rings only (no allocation, no lock, no stdio).

#include <cstdint>

// Receives the input service's events: 512 touch press at (x, y), 256 touch release at
// the press position, 1..7 function key, 26 the System key with its sub-code in x, 255 a
// key release. The result is not used.
using TouchEventCallback = int (*)(int event, int x, int y);

inline constexpr int kEventTouchDown = 512;
inline constexpr int kEventTouchUp = 256;
inline constexpr int kKeySystem = 26;
inline constexpr int kKeyRelease = 255;

// Count of 10 ms steps (wraps); the screens time their polls by it.
extern uint16_t sysTic;
// Blink phase: toggles every 500 ms.
extern uint8_t sysFlash;
// The board identifier: the high byte of the key port word, kept once it is not 0.
extern uint32_t BoardID;

// The input service, once per main-loop pass.
void TimerISR();

// Resets the touch filters, calibration, saver, keys and beeper, loads the stored
// calibration and opens the touch device; events then go to callback.
void TCH_Open(TouchEventCallback callback);
// Touch driver settings by code; value is read or written by the code:
//   0 release filter (delta 25, normal), 1 drag filter (delta 1, a move is a new press),
//   2 raw mode, 4..7 set x/y offset and x/y scale, 8..11 read them, 12 and 13 read 0,
//   14 and 15 read the screen width and height, 16 sensitivity 0..5, 17 and 18 set the
//   x and y full-scale values. Other codes do nothing. Returns 1.
int TCH_Ctrl(int code, int32_t* value);

void TCH_BeepEnable(uint8_t on);
// Sounds the beeper for n service calls when beeping is enabled; returns n.
int TCH_Beep(int n);
// The beeper override switches the beeper on or off directly.
void TCH_BeepOvrd(uint8_t on);

// Non-zero arms the screen saver for that many minutes without a touch; 0 turns it off.
void TCH_ScreenSaver(uint16_t minutes);
// While the screen is dark, asks the saver to wake it; otherwise restarts its timer.
void TCH_TickleSaver();
