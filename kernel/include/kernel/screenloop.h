#pragma once
// The screen program loop's settings reachable from system registers.

#include <cstdint>

void PGM_SetSlice(uint16_t value);
void PGM_SetPopupMode(uint8_t mode);
