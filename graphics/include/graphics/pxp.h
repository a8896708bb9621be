#pragma once
// The SoC pixel pipeline. Main thread only.

#include <cstdint>

// Sets up the pipeline over the eight frame areas (areas 1..7, then area 0).
int PXP_Init(void* const areas[8], uint32_t display_size);
// Starts the composition of the active page into the display frame; 0 while busy.
int PXP_buf_next();
int PXP_Exit();
// Makes the next page presentation wait until the running composition has finished.
void PXP_WaitUpdate();
