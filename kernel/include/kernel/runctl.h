#pragma once
// Run control and the PLC scan: the PLC mode in SR5 (0 Idle, 1 Do I/O, 2 Run, 3 Run
// accepted with fault bits set, 4 held run), the I/O start, the slot configuration and
// the network set-up.
//
// Main thread only; PlcScan also runs inside time slices, so the scan allocates nothing,
// takes no lock and uses no stdio. Each operation records its call in the platform call
// trace (nothing when tracing is off), so that its callers' tests can see the call.

#include <cstddef>
#include <cstdint>
#include <span>
#include "kernel/sr4.h"

// The PLC modes of SR5.
inline constexpr uint8_t kModeIdle = 0;
inline constexpr uint8_t kModeDoIo = 1;
inline constexpr uint8_t kModeRun = 2;
inline constexpr uint8_t kModeRunFaulted = 3;  // Run accepted although fault bits are set
inline constexpr uint8_t kModeHeld = 4;        // I/O running, logic not run


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

// The module id found in each I/O slot by the I/O configuration (255 = none).
extern uint16_t io_init[3];
// Cleared by Plc_NetInit before each start of the network layer.
extern uint8_t NodeId_Flag;

// One I/O slot as the configuration found it. The installed id and the first 21 bytes
// of each record are what SR64..SR112 report. The two location fields hold byte offsets
// (the board kept addresses there): the configuration data within the I/O configuration
// table's data, and the clock registers SR44.. within the register image.
inline constexpr uint32_t kNoSlotConfig = 0xFFFFFFFF;
struct IoSlotRecord {
  char mark;              // ' ' good, 'f' set-up failed, 'c' not configured, '-' missing,
                          // '?' wrong module, '+' module not in the configuration,
                          // '*' unsupported
  char text[11];          // status text, blank padded, not terminated
  uint32_t config;        // offset of the configuration data, kNoSlotConfig when none
  uint32_t clock;         // offset of SR44 in the register image
  char name[7];           // module name from the I/O driver, NUL padded
  uint8_t failed;         // set by the driver: the module's set-up failed
  uint16_t di_bits;       // counts from the I/O driver
  uint16_t ai_words;
  uint16_t do_bits;
  uint16_t ao_words;
  uint8_t configured;     // set by the driver: the module reports it is configured
  uint8_t status;         // 1 empty, 2 configured, 3 missing, 4 wrong module,
                          // 5 not configured, 6 unsupported
  uint16_t config_length; // bytes of configuration data
};
static_assert(offsetof(IoSlotRecord, config) == 12 && offsetof(IoSlotRecord, clock) == 16 &&
              offsetof(IoSlotRecord, name) == 20 && offsetof(IoSlotRecord, di_bits) == 28 &&
              sizeof(IoSlotRecord) == 40);

// Three slots, and a fourth record that is always reported empty.
inline constexpr int kIoSlots = 3;
inline constexpr int kIoSlotRecords = 4;
extern IoSlotRecord io_cfg[kIoSlotRecords];

// The configuration data a slot record names (empty when none), always inside the I/O
// configuration table.
std::span<const uint8_t> IoSlotConfigData(const IoSlotRecord& record);
