#pragma once
// The main loop. One pass of The_Loop services every subsystem once. The storage and
// screen loops run under a one-shot slice timer (SIGALRM, SR167 ms, armed only when SR5
// is not 0 and DntTmeSlc is clear); when it expires while they are still busy, the
// handler runs a whole pass from inside the signal ("sliced" pass) that skips the
// command port and the two loops, and re-arms. Code reachable from a sliced pass can be
// entered in the middle of the screen or storage code: it must not allocate, lock or use
// stdio (see docs/architecture.md for the list).

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

// One pass.
void The_Loop();
// One pass for a caller that waits (a serial driver waiting for bytes, a protocol driver,
// the storage service's port transfer): it keeps the logic and the communications going
// and may be entered from inside any driver, so it follows the sliced-pass rules (no
// command port, no storage or screen loop, drivers that are busy lower on the stack are
// skipped).
void ExecuteSubLoop_Wait();
// 1 arms the one-shot slice timer for SR167 ms; any other value disarms it.
void Enable_Interrupt(int on);
