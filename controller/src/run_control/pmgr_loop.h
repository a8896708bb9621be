#pragma once
// The protocol-driver plug-ins' turn in the main loop.

#include <cstdint>

// Runs each configured driver's loop once, in table order, from the protocol-driver
// table (download type 20: a 32-byte header whose u32 at byte 8 is the driver count,
// 1..8, then 32-byte entries). A driver whose loop is already running lower on the
// stack (a slice interrupted it) is skipped. In a pass under the sliced-pass rules the
// call ends at the first entry whose u16 at byte 12 is 314 or less.
void ExecutePMGR_Loop(int sliced);
// Busy bits: bit i set while driver i's loop runs.
extern volatile uint8_t PmgrBusy;
