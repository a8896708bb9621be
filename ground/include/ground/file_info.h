#pragma once
// The download-type table file_info: for each of the 34 download types, where the table's
// data lives, where its CRC-16 and size are kept, which system registers mirror them,
// and how the download erases it. The download, upload and verify commands, the start-up
// check and the register restore all go through this one table.

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "ground/regimage.h"
#include "ground/tablestore.h"

// A CRC or size word: a little-endian field of `width` bytes (2 or 4) at `at`, which is a
// table block's header, a system register (a 4-byte field is two registers, low word
// first), the bitmap map's trailer or a variable of its own. width 0: there is none.
struct FileSlot {
  void* at = nullptr;
  uint8_t width = 0;
};

inline constexpr uint32_t kEraseKiBMask = 0xFFFF;       // erase length in KiB
inline constexpr uint32_t kEraseBeforeDownload = 0x10000;

struct FileInfo {
  uint8_t* data = nullptr;  // nullptr: no table of this type (refused by the commands)
  // Bytes the data area holds. No size above it is ever stored or used.
  uint32_t capacity = 0;
  FileSlot crc;          // u16 CRC-16 of the data
  FileSlot size;         // u32 size of the data
  FileSlot crc_mirror;   // u16 system register, or none
  FileSlot size_mirror;  // u32 in two system registers, or none
  uint32_t flags = 0;    // kEraseKiBMask | kEraseBeforeDownload
};

namespace file_info_detail {
constexpr FileSlot BlockCrc(uint8_t* block) { return {block, 2}; }
constexpr FileSlot BlockSize(uint8_t* block) { return {block + 4, 4}; }
constexpr FileSlot Sr16(uint32_t n) { return {plc_reg + reg::SrOffset(n), 2}; }
constexpr FileSlot Sr32(uint32_t n) { return {plc_reg + reg::SrOffset(n), 4}; }
constexpr uint32_t Erase(uint32_t kib) { return kEraseBeforeDownload | kib; }
// A table kept in a block of the table store.
constexpr FileInfo InBlock(uint8_t* block, std::size_t cap, FileSlot crc_mirror, FileSlot size_mirror,
                           uint32_t flags) {
  return {.data = block + kTableHeader,
          .capacity = uint32_t(cap - kTableHeader),
          .crc = BlockCrc(block),
          .size = BlockSize(block),
          .crc_mirror = crc_mirror,
          .size_mirror = size_mirror,
          .flags = flags};
}
constexpr FileSlot kNone{};
}  // namespace file_info_detail

inline constexpr std::size_t kFileTypes = 34;

inline constexpr std::array<FileInfo, kFileTypes> file_info = [] {
  using namespace file_info_detail;
  return std::array<FileInfo, kFileTypes>{{
      /* 0 logic program */ InBlock(ladder_bl, kLadderCap, Sr16(23), Sr32(11), Erase(256)),
      /* 1 */ {},
      /* 2 I/O force, in the F registers */
      {.data = plc_reg + reg::kOffF,
       .capacity = reg::kOffI - reg::kOffF,
       .crc = Sr16(25),
       .size = Sr32(15),
       .crc_mirror = Sr16(25),
       .size_mirror = Sr32(15)},
      /* 3 always refused */ {},
      /* 4 security, in the internal register area */
      {.data = plc_reg + reg::kOffSecurity,
       .capacity = reg::kSecurityMax,
       .crc = Sr16(28),
       .size = Sr32(21),
       .crc_mirror = Sr16(28),
       .size_mirror = Sr32(21)},
      /* 5 I/O configuration */ InBlock(io_config_bl, kIoConfigCap, Sr16(26), Sr32(17), Erase(128)),
      /* 6 network configuration */ InBlock(net_config_bl, kNetConfigCap, Sr16(27), Sr32(19), 0),
      /* 7 screens */ InBlock(vtn_pgm_bl, kVtnPgmCap, Sr16(125), Sr32(113), Erase(256)),
      /* 8 strings */ InBlock(string_table_bl, kStringTableCap, Sr16(126), Sr32(115), Erase(128)),
      /* 9 bitmaps: CRC and total size in the working map's trailer (u32 fields) */
      {.data = bmp_table,
       .capacity = kBmpTableCap,
       .crc = {ram_map_tbl + kBmpMapTrailerCrc, 4},
       .size = {ram_map_tbl + kBmpMapTrailerSize, 4},
       .crc_mirror = Sr16(127),
       .size_mirror = Sr32(117),
       .flags = Erase(256)},
      /* 10 text tables */ InBlock(text_table_bl, kTextTableCap, Sr16(128), Sr32(119), Erase(128)),
      /* 11 fonts */ InBlock(font_table_bl, kFontTableCap, Sr16(129), Sr32(121), Erase(256)),
      /* 12 */ {}, /* 13 */ {}, /* 14 */ {}, /* 15 */ {}, /* 16 */ {},
      /* 17 screen saver, never downloaded */
      {.data = Cmd_SS_Info,
       .capacity = kSsInfoSize,
       .crc = {&ss_info_crc, 2},
       .size = {&ss_info_size, 4},
       .crc_mirror = {&ss_info_crc, 2},
       .size_mirror = {&ss_info_size, 4}},
      /* 18 */ {},
      /* 19 hardware information */ InBlock(tinyImage, kTinyImageCap, kNone, kNone, 0),
      /* 20 protocol drivers */ InBlock(promgr_table_bl, kPromgrTableCap, Sr16(130), Sr32(123), Erase(64)),
      /* 21 SMS and e-mail */ InBlock(sms_table_bl, kSmsTableCap, Sr16(147), Sr32(143), Erase(64)),
      /* 22 data log */ InBlock(datalog_table, kDatalogTableCap, kNone, kNone, 0),
      /* 23 CAN network */ InBlock(copendnet_tbl, kCopendnetCap, kNone, kNone, Erase(64)),
      /* 24 reports */ InBlock(report_table, kReportTableCap, kNone, kNone, Erase(64)),
      /* 25 recipes */ InBlock(recipe_tbl, kRecipeTableCap, kNone, kNone, Erase(64)),
      /* 26 online-change logic */ InBlock(ladder_olp, kLadderOlpCap, kNone, kNone, Erase(64)),
      /* 27 */ {}, /* 28 */ {},
      /* 29 logins */ InBlock(login_tbl, kLoginTableCap, kNone, kNone, Erase(64)),
      /* 30 */ {}, /* 31 */ {}, /* 32 */ {},
      /* 33 MQTT */ InBlock(mqtt_tbl, kMqttTableCap, kNone, kNone, Erase(64)),
  }};
}();
static_assert(file_info.size() == 34 && file_info[33].data == mqtt_tbl + kTableHeader);

// Reads and writes a slot; a slot that is none reads 0 and takes no write.
inline uint32_t SlotGet(FileSlot s) {
  if (s.width == 2) {
    uint16_t v;
    std::memcpy(&v, s.at, 2);
    return v;
  }
  if (s.width == 4) {
    uint32_t v;
    std::memcpy(&v, s.at, 4);
    return v;
  }
  return 0;
}
inline void SlotSet(FileSlot s, uint32_t value) {
  if (s.width == 2) {
    uint16_t v = uint16_t(value);
    std::memcpy(s.at, &v, 2);
  } else if (s.width == 4) {
    std::memcpy(s.at, &value, 4);
  }
}

// The type's table as its slots describe it.
inline uint16_t FileCrc(const FileInfo& f) { return uint16_t(SlotGet(f.crc)); }
inline uint32_t FileSize(const FileInfo& f) { return SlotGet(f.size); }
// Sets CRC and size and mirrors them.
inline void SetFileCrcSize(const FileInfo& f, uint16_t crc, uint32_t size) {
  SlotSet(f.crc, crc);
  SlotSet(f.size, size);
  SlotSet(f.crc_mirror, crc);
  SlotSet(f.size_mirror, size);
}
// Copies the CRC and size slots into the mirror registers.
inline void WriteMirrors(const FileInfo& f) {
  SlotSet(f.crc_mirror, SlotGet(f.crc));
  SlotSet(f.size_mirror, SlotGet(f.size));
}
