#pragma once
// The screen program loop: on a new screen program it checks the screen table, locates
// the tables the screens read and indexes the pages; on every pass it serves the mailbox
// and the panel services, chooses the page to show (user, alarm, system, boot, recovery,
// calibration or fault page), opens it through the object manager and lets it update.
// Main thread only, outside time slices.

#include <cstdint>

#include "ground/screen_program.h"

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
