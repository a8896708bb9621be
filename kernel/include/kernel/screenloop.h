#pragma once
// The screen program loop's settings reachable from system registers.

#include <cstdint>

void PGM_SetSlice(uint16_t value);
void PGM_SetPopupMode(uint8_t mode);

// Screen-loop state: 1 fault shown, 2 screens stopped, 3 new screen program to check,
// 4 program checked, to be set up, 5 running, 6 after an aborted download.
extern uint8_t PGM_state;
// Links the run-control register link to SR5.
void PGM_InitRunCtrl();
// Starts a new screen program (state 3); a non-zero exception also resets the status
// pop-up's memory.
void PGM_Create(int exception);
// One screen pass (outside time slices, under an armed slice timer).
void PGM_TheLoop();
// Closes the running screen program (the open page, the screen saver, the beeper
// override) and stops the screens (state 2).
void PGM_Destroy();
