#pragma once
// The default contents of the program tables and the two resets of the start-up check:
// the logic tables (every table the logic and the I/O use) and the screen tables
// (screens, strings, text tables, bitmaps, fonts).

#include <cstdint>

namespace tables {

// The empty form of an optional table.
inline constexpr uint8_t kEmptyTable[8] = {0x08, 0, 0, 0, 0, 0, 0, 0};

// Erases a block (erase_length, at most its first 1 KiB; 0 none) and writes n bytes of
// data as its table. With real the header takes the data's CRC and size, else 0 and 0.
void PutTable(uint8_t* block, uint32_t erase_length, const uint8_t* data, uint32_t n, bool real);

// The default network configuration (34 bytes, all 0 but byte 6 = 0x40), mirrored.
void SetDefaultNetConfig(bool real);

// Resets the logic tables. The first-start form gives each table its default with its
// real CRC and size; the empty form writes every CRC, size and mirror 0, reports the
// re-initialisation in SR4 (0x04) and sets the PLC mode to Idle.
void ResetLogicTables(bool first_start_form);
// The I/O force table's default: 4 bytes of zero with their real CRC and size.
void SetEmptyForceTable();

// Resets the screen tables to the empty table. With real each keeps the empty table's
// CRC and size; else CRC and size are 0 and SR4 reports it (0x4000).
void ResetScreenTables(bool real);

}  // namespace tables
