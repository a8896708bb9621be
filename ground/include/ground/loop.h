#pragma once
// What the layers below the controller see of its main loop: the time-slice flags, the
// slice timer and the waiting sub-loop. The controller's main loop defines them
// (controller/mainloop.h); a storage, screen or driver routine that must keep the unit
// going while it waits calls ExecuteSubLoop_Wait without knowing the loop.

#include <cstdint>

// Process flags; single bytes shared by the main thread and its time slices.
// Sliced: 1 while a pass runs inside the slice handler; stays 1 until the interrupted
// pass has finished its storage and screen loops.
extern volatile uint8_t Sliced;
// 1 while the storage and screen loops run with an armed slice timer.
extern volatile uint8_t Vint;
// Set by others to forbid arming the slice timer (a program load from media).
extern volatile uint8_t DntTmeSlc;
// Consecutive slices (0 for a slice that follows a normal pass), and the slices that
// fell into the opening of a page.
extern volatile uint16_t SliceCounter;
extern volatile uint16_t ISRCountOnOpenPage;
// Set while the recovery screen is up; it holds the scan and the protocol drivers.
extern volatile uint8_t RecoverMode;

// One pass for a caller that waits (a serial driver waiting for bytes, a protocol driver,
// the storage service's port transfer): it keeps the logic and the communications going
// and may be entered from inside any driver, so it follows the sliced-pass rules (no
// command port, no storage or screen loop, drivers that are busy lower on the stack are
// skipped).
void ExecuteSubLoop_Wait();
// 1 arms the one-shot slice timer for SR167 ms; any other value disarms it.
void Enable_Interrupt(int on);
