#pragma once
// Start-up of the unit and its main loop.
//
// Command line: no argument starts normally with the kernel console silenced; exactly
// one argument starts in boot mode (the boot installer screen, no program loaded); two
// or more start normally with the watchdog left closed. The loop runs until SIGINT or
// SIGTERM asks for an orderly stop, then PanelMain returns 0; it returns -1 when the
// open-file limit cannot be raised.

#include <cstdint>
#include <sys/types.h>

#include "ground/version.h"

struct DC;

int PanelMain(int argc, char** argv);

// The number of command-line words, the program's own name included (1 with no argument).
extern int BIS;
extern uint8_t BootMode;
extern uint8_t WatchDogDisable;  // the watchdog device must not be opened
extern uint8_t Sys_AppLoad;      // the user tables are absent or corrupt
extern pid_t MainPid;            // the process id, remembered at start-up

// The display device context and the three memory device contexts made at start-up
// (surfaces 1, 4 and 5; the last is the page painter's gradient background).
extern DC* pDisplayDC;
extern DC* pMem1DC;
extern DC* pMem2DC;
extern DC* pMem3DC;

