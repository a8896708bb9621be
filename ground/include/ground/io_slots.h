#pragma once
// The I/O slots as the I/O configuration found them: what run control reports in
// SR64..SR112 and what the I/O module driver fills in for each module.

#include <cstddef>
#include <cstdint>
#include <span>

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
