#pragma once
// Display geometry of the video driver.

#include <cstdint>

extern uint16_t scr_wdt;  // visible width in pixels
extern uint16_t scr_hgt;  // height in pixels
