#pragma once
// The end of a download: the table's CRC and size (the bitmap map for type 9), then what
// the type asks of the rest of the unit.

#include <cstdint>

#include "dnld.h"

// count bytes were received; mask is the slot mask of a map download (36 bytes).
void DnldEnd(uint8_t type, const BitmapTarget& bitmap, uint32_t count, const uint8_t* mask);
