#pragma once
// The table store: every table of the program image lives in a fixed-size memory block
// of its own, kept for the whole run (persistent through /mnt/cfg/ladder.pgm and
// /mnt/cfg/config.pgm). A block is a table block (TableBlock): u16 CRC-16 of the data,
// u16 unused (0xFFFF after an erase), u32 size of the data, then the data at +8.
// Capacities are the blocks' whole memory sizes, header included.
//
// Main thread only (the download, the start-up check and the program files); readers of
// a table take its data at block + 8 and never trust its size word beyond the capacity.

#include <cstddef>
#include <cstdint>
#include <cstring>

inline constexpr std::size_t kTableHeader = 8;
inline constexpr std::size_t KiB = 1024;
inline constexpr std::size_t MiB = 1024 * 1024;

inline constexpr std::size_t kLadderCap = 4 * MiB;
inline constexpr std::size_t kIoConfigCap = 1040384;
inline constexpr std::size_t kNetConfigCap = 4 * KiB;
inline constexpr std::size_t kVtnPgmCap = 1 * MiB;
inline constexpr std::size_t kStringTableCap = 520192;
inline constexpr std::size_t kBmpSlots = 64;
inline constexpr std::size_t kBmpSlotCap = 256 * KiB;
inline constexpr std::size_t kBmpTableCap = kBmpSlots * kBmpSlotCap;  // 16 MiB
inline constexpr std::size_t kBmpMapCap = 520;
inline constexpr std::size_t kTextTableCap = 520192;
inline constexpr std::size_t kFontTableCap = 4 * MiB;
inline constexpr std::size_t kPromgrTableCap = 4 * MiB;
inline constexpr std::size_t kSmsTableCap = 128 * KiB;
inline constexpr std::size_t kDatalogTableCap = 128 * KiB;
inline constexpr std::size_t kFlashParmCap = 64 * KiB;
inline constexpr std::size_t kCopendnetCap = 128 * KiB;
inline constexpr std::size_t kReportTableCap = 256 * KiB;
inline constexpr std::size_t kRecipeTableCap = 256 * KiB;
inline constexpr std::size_t kLadderOlpCap = 4 * MiB;
inline constexpr std::size_t kLoginTableCap = 64 * KiB;
inline constexpr std::size_t kMqttTableCap = 8 * MiB;
inline constexpr std::size_t kTinyImageCap = 124;
inline constexpr std::size_t kIoForceCap = 256;
// The largest data the start-up check accepts where that is less than the table holds.
// A larger table would be wiped at the next start, so downloads and loads keep to it too.
inline constexpr uint32_t kLogicCheckedMax = 2 * MiB;   // the logic program
inline constexpr uint32_t kTableCheckedMax = 0x7F000;   // I/O configuration, strings, text

alignas(8) extern uint8_t ladder_bl[kLadderCap];         // logic program (type 0)
alignas(8) extern uint8_t io_config_bl[kIoConfigCap];    // I/O configuration (type 5)
alignas(8) extern uint8_t net_config_bl[kNetConfigCap];  // network configuration (type 6)
alignas(8) extern uint8_t vtn_pgm_bl[kVtnPgmCap];        // screens (type 7)
alignas(8) extern uint8_t string_table_bl[kStringTableCap];  // strings (type 8)
alignas(8) extern uint8_t bmp_table[kBmpTableCap];       // bitmaps: 64 slots, each a table block (type 9)
alignas(8) extern uint8_t rom_map_tbl[kBmpMapCap];       // bitmap slot map, stored copy
alignas(8) extern uint8_t ram_map_tbl[kBmpMapCap];       // bitmap slot map, working copy
alignas(8) extern uint8_t text_table_bl[kTextTableCap];  // text tables (type 10)
alignas(8) extern uint8_t font_table_bl[kFontTableCap];  // fonts (type 11)
alignas(8) extern uint8_t promgr_table_bl[kPromgrTableCap];  // protocol drivers (type 20)
alignas(8) extern uint8_t sms_table_bl[kSmsTableCap];    // SMS and e-mail (type 21)
alignas(8) extern uint8_t datalog_table[kDatalogTableCap];  // data log (type 22)
alignas(8) extern uint8_t flash_parm_tbl[kFlashParmCap];  // parameter table (no download type)
alignas(8) extern uint8_t copendnet_tbl[kCopendnetCap];  // CAN network (type 23)
alignas(8) extern uint8_t report_table[kReportTableCap];  // reports (type 24)
alignas(8) extern uint8_t recipe_tbl[kRecipeTableCap];   // recipes (type 25)
alignas(8) extern uint8_t ladder_olp[kLadderOlpCap];     // online-change logic (type 26)
alignas(8) extern uint8_t login_tbl[kLoginTableCap];     // users and logins (type 29)
alignas(8) extern uint8_t mqtt_tbl[kMqttTableCap];       // MQTT (type 33)
alignas(8) extern uint8_t tinyImage[kTinyImageCap];      // hardware information (type 19)
alignas(8) extern uint8_t io_force[kIoForceCap];         // I/O force table (type 2 copy)

// The data of the logic program and of the screen table.
inline uint8_t* const ladder = ladder_bl + kTableHeader;
inline uint8_t* const vtn_pgm = vtn_pgm_bl + kTableHeader;

// Header fields of a table block.
inline uint16_t BlockCrc(const uint8_t* block) {
  uint16_t v;
  std::memcpy(&v, block, 2);
  return v;
}
inline uint32_t BlockSize(const uint8_t* block) {
  uint32_t v;
  std::memcpy(&v, block + 4, 4);
  return v;
}
inline void SetBlockCrc(uint8_t* block, uint16_t crc) { std::memcpy(block, &crc, 2); }
inline void SetBlockSize(uint8_t* block, uint32_t size) { std::memcpy(block + 4, &size, 4); }

// The header of a table block; the data follows at +8.
struct TableBlock {
  uint16_t crc;     // CRC-16 of the data
  uint16_t unused;  // 0xFFFF after an erase
  uint32_t size;    // bytes of data
};
static_assert(sizeof(TableBlock) == kTableHeader);

// The bitmap slot map (rom_map_tbl, ram_map_tbl): 64 entries {u32 CRC, u32 size}, one per
// 256 KiB slot of bmp_table (the CRC and size of the slot's bytes from its start), then a
// trailer {u32 CRC, u32 total size} that serves as the bitmap table's CRC and size.
inline constexpr std::size_t kBmpMapEntries = 512;         // bytes of the 64 entries
inline constexpr std::size_t kBmpMapTrailerCrc = 512;
inline constexpr std::size_t kBmpMapTrailerSize = 516;
static_assert(kBmpMapEntries == kBmpSlots * 8 && kBmpMapTrailerSize + 4 == kBmpMapCap);

inline uint32_t MapEntryCrc(const uint8_t* map, std::size_t slot) {
  uint32_t v;
  std::memcpy(&v, map + 8 * slot, 4);
  return v;
}
inline uint32_t MapEntrySize(const uint8_t* map, std::size_t slot) {
  uint32_t v;
  std::memcpy(&v, map + 8 * slot + 4, 4);
  return v;
}
inline void SetMapEntry(uint8_t* map, std::size_t slot, uint32_t crc, uint32_t size) {
  std::memcpy(map + 8 * slot, &crc, 4);
  std::memcpy(map + 8 * slot + 4, &size, 4);
}
inline uint8_t* BmpSlot(std::size_t slot) { return bmp_table + slot * kBmpSlotCap; }

// The screen-saver record (download type 17, never downloaded) and its CRC and size.
inline constexpr std::size_t kSsInfoSize = 98;
extern uint8_t Cmd_SS_Info[kSsInfoSize];
extern uint16_t ss_info_crc;
extern uint32_t ss_info_size;

// Sets the first min(length, 1024) bytes of a block to 0xFF and nothing else: the flash
// this store stands in for erases in 1 KiB sectors, and only the first one is ever
// needed before a write.
void SYS_BlockErase(void* block, uint32_t length);
// Copies words 16-bit words from source to destination.
void SYS_FlashWrite(const void* source, void* destination, uint32_t words);
// Writes length bytes at destination. An odd length is padded with one 0xFF byte, so
// the destination must hold length rounded up to even; the source is only read.
void nv_write(void* destination, const void* source, uint32_t length);
