#pragma once
// The web server's start and stop state machine, stepped from the main loop.

#include <cstdint>

// After each pass outside boot mode: counts passes (none while a download is in
// progress) and, once more than 100 have run while the web server owns HTTP, steps the
// start state machine.
void WebStartAfterPass();
// Passes counted so far (at most 101).
extern uint8_t WebStartPasses;
// Set when a download stopped the web server: it starts again once the download is over.
extern uint8_t WebRestartAfterDownload;
