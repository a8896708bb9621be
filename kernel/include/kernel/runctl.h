#pragma once
// Run control and the PLC scan: the PLC mode in SR5 (0 Idle, 1 Do I/O, 2 Run, 3 Run
// accepted with fault bits set, 4 held run), the I/O start, the slot configuration and
// the network set-up.

#include <cstdint>

void PlcInit(int cold);
void SetPlcMode(uint8_t mode);
void IoStart();
// 1 when any I/O slot is in error.
int IoConfig();
void NetConfig();
void Plc_NetInit();
// One scan.
void PlcScan();

// The module id found in each I/O slot by the I/O configuration (255 = none).
extern uint16_t io_init[3];
