#pragma once
// Run control: the PLC mode in SR5 (0 Idle, 1 Do I/O, 2 Run, 3 Run accepted with fault
// bits set, 4 held run) and the network set-up.

#include <cstdint>

void SetPlcMode(uint8_t mode);
void Plc_NetInit();
