#pragma once
// Run control and the PLC scan: the PLC mode in SR5 (0 Idle, 1 Do I/O, 2 Run, 3 Run
// accepted with fault bits set, 4 held run), the I/O start, the slot configuration and
// the network set-up.
//
// Main thread only; PlcScan also runs inside time slices, so the scan allocates nothing,
// takes no lock and uses no stdio. Each operation records its call in the platform call
// trace (nothing when tracing is off), so that its callers' tests can see the call.

#include <cstdint>
#include "ground/io_slots.h"
#include "ground/plc_mode.h"
#include "ground/sr4.h"



// Start-up initialisation of the register image, cold (non-zero) or warm.
void PlcInit(int cold);
// Changes the PLC mode and starts or stops what belongs to it. A mode above 4 is
// ignored; the fault bits of SR4 force Idle unless the mode is 3. Except on the first
// call after start-up, the registers are saved with SR5 showing the new mode.
//
// Start-up re-applies the saved mode through the first call. Only Idle, Do I/O and Run
// survive a restart: the start-up check of the system registers turns a saved 3 or 4
// into Idle, and that stays so. Mode 3 runs the logic with fault bits accepted and mode
// 4 is a hold set by the programming tool; after a power cycle neither is re-entered
// without someone asking for it again.
void SetPlcMode(uint8_t mode);
// Starts the I/O: warm clear, old_reg copy, scan statistics reset, S1 set, the I/O
// driver told to start.
void IoStart();
// Compares the installed I/O modules with the I/O configuration (download type 5),
// configures the modules and reports the slots in io_cfg and SR64..SR112. 1 when any
// slot is in error (then SR4 bit 0x40 is set and the I/O stopped), else 0.
int IoConfig();
// Takes SR31, SR61 and the network parameters from the network configuration (download
// type 6) and starts the network layer.
void NetConfig();
// Hands the network layer its set-up record (node id SR29, span SR61, baud SR30).
void Plc_NetInit();
// One scan.
void PlcScan();
