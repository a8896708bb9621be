#pragma once
// Still images and the video manager. Main thread only.

#include <cstdint>

// Set while a still image is on the display; the next page presentation then makes the
// page surface active again instead of copying it.
extern uint8_t StillOpened;
void VIDM_Init();
// The video manager's step of each screen pass (captures, stills).
void VIDM_Update();
