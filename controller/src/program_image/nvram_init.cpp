// The start-up check of the table store: network id and system-register repair, the
// first-start defaults, and the validation (or reset) of the logic and screen tables.
#include <algorithm>
#include <array>
#include <cstring>

#include "graphics/record_reader.h"
#include "ground/file_info.h"
#include "controller/progstore.h"
#include "ground/regimage.h"
#include "controller/retentive.h"
#include "ground/tablestore.h"
#include "ground/sr4.h"
#include "storage/crc16.h"
#include "table_defaults.h"

namespace {

struct SrValue {
  uint16_t sr;
  uint16_t value;
};
// System registers that a first start sets.
constexpr std::array<SrValue, 16> kFirstStartValues{{
    {169, 0x7FFF}, {170, 0x8000}, {5, 0}, {32, 16}, {33, 0}, {31, 0}, {137, 500}, {173, 0},
    {180, 0}, {183, 1}, {185, 0}, {186, 15}, {152, 0}, {167, 2}, {164, 0}, {163, 0},
}};

struct SrRepair {
  uint16_t sr;
  uint16_t lo, hi;  // the valid range
  uint16_t value;   // taken outside it
};
constexpr std::array<SrRepair, 12> kRepairs{{
    {.sr = 5, .lo = 0, .hi = 2, .value = 0},        // PLC mode
    {.sr = 32, .lo = 1, .hi = 40, .value = 16},
    {.sr = 33, .lo = 0, .hi = 1, .value = 0},
    {.sr = 31, .lo = 0, .hi = 127, .value = 0},
    {.sr = 137, .lo = 500, .hi = 0xFFFF, .value = 500},  // download time-out, ms
    {.sr = 173, .lo = 0, .hi = 1, .value = 0},
    {.sr = 180, .lo = 0, .hi = 2, .value = 0},
    {.sr = 183, .lo = 0, .hi = 1, .value = 1},
    {.sr = 185, .lo = 0, .hi = 1, .value = 0},
    {.sr = 186, .lo = 5, .hi = 1200, .value = 15},
    {.sr = 152, .lo = 0, .hi = 3, .value = 0},
    {.sr = 167, .lo = 2, .hi = 50, .value = 2},     // time slice, ms
}};

void RepairNetworkIds() {
  uint16_t ids = SrGet(61);
  if (ids == 0 || ids > 127) SrSet(61, ids = 1);
  uint16_t local = SrGet(29);
  if (local == 0 || local > 128 - ids) {
    SrSet(29, uint16_t(128 - ids));
    SrSet(4, SrGet(4) | kSr4NetworkIdRepaired);
  }
  if (SrGet(30) > 4) SrSet(30, 0);
}

void SetOrRepairSystemRegisters(bool first_start) {
  if (first_start) {
    for (const SrValue& v : kFirstStartValues) SrSet(v.sr, v.value);
    return;
  }
  for (const SrRepair& r : kRepairs) {
    uint16_t v = SrGet(r.sr);
    if (v < r.lo || v > r.hi) SrSet(r.sr, r.value);
  }
}

// A table block holds 1..max bytes (and no more than the block) whose CRC is its CRC word.
bool BlockGood(const uint8_t* block, std::size_t capacity, uint32_t max) {
  uint32_t size = BlockSize(block);
  uint32_t limit = std::min<uint32_t>(max, uint32_t(capacity - kTableHeader));
  return size >= 1 && size <= limit && crc16(block + kTableHeader, size) == BlockCrc(block);
}

struct OptionalTable {
  uint8_t* block;
  std::size_t capacity;
  uint32_t max;
  uint32_t features;  // checked when any of these feature bits is set
};
constexpr std::array<OptionalTable, 8> kOptionalTables{{
    {promgr_table_bl, kPromgrTableCap, 4 * MiB, kFeatProtocolDrivers},
    {sms_table_bl, kSmsTableCap, 128 * KiB, kFeatSms},
    {datalog_table, kDatalogTableCap, 128 * KiB, kFeatDataLog},
    {copendnet_tbl, kCopendnetCap, 128 * KiB, kFeatCan},
    {report_table, kReportTableCap, 256 * KiB, kFeatReports},
    {recipe_tbl, kRecipeTableCap, 256 * KiB, kFeatRecipes},
    {login_tbl, kLoginTableCap, 64 * KiB, kFeatLogins},
    {mqtt_tbl, kMqttTableCap, 8 * MiB, kFeatReports | kFeatLogins},
}};

// A table held in the register image: 1..max bytes at data, CRC and size in its slots.
bool RegisterTableGood(const FileInfo& f, uint32_t max, const uint8_t* data) {
  uint32_t size = FileSize(f);
  return size >= 1 && size <= max && crc16(data, size) == FileCrc(f);
}

bool LogicTablesGood() {
  if (!BlockGood(io_config_bl, kIoConfigCap, kTableCheckedMax)) return false;
  if (!BlockGood(ladder_bl, kLadderCap, kLogicCheckedMax)) return false;
  // The force table is checked on its copy.
  uint32_t force_size = FileSize(file_info[2]);
  if (force_size < 1 || force_size > kIoForceCap) return false;
  std::memcpy(io_force, file_info[2].data, force_size);
  if (!RegisterTableGood(file_info[2], kIoForceCap, io_force)) return false;
  if (!RegisterTableGood(file_info[4], reg::kSecurityMax, file_info[4].data)) return false;
  uint32_t features = nv_get_features();
  for (const OptionalTable& t : kOptionalTables) {
    if ((features & t.features) && !BlockGood(t.block, t.capacity, t.max)) return false;
  }
  return true;
}

// The screen table names a font (and so needs the font table) when its header is longer
// than 23 bytes and the u32 at byte 20 is not 0.
bool ScreensNeedFonts() {
  uint32_t size = std::min<uint32_t>(BlockSize(vtn_pgm_bl), kVtnPgmCap - kTableHeader);
  RecordReader rd(vtn_pgm, size);
  uint16_t header_length = 0;
  uint32_t font_identity = 0;
  rd.Seek(8);
  rd.U16(header_length);
  rd.Seek(20);
  rd.U32(font_identity);
  return rd.ok() && header_length > 23 && font_identity != 0;
}

bool BitmapsGood() {
  uint32_t total;
  std::memcpy(&total, rom_map_tbl + kBmpMapTrailerSize, 4);
  if (total < 1 || total > kBmpTableCap) return false;
  std::memcpy(ram_map_tbl, rom_map_tbl, kBmpMapCap);
  for (std::size_t slot = 0; slot < kBmpSlots; ++slot) {
    uint32_t size = MapEntrySize(ram_map_tbl, slot);
    if (size > kBmpSlotCap || crc16(BmpSlot(slot), size) != MapEntryCrc(ram_map_tbl, slot)) return false;
  }
  return true;
}

bool ScreenTablesGood() {
  return BlockGood(vtn_pgm_bl, kVtnPgmCap, 1 * MiB) && BlockGood(text_table_bl, kTextTableCap, kTableCheckedMax) &&
         BlockGood(string_table_bl, kStringTableCap, kTableCheckedMax) && BitmapsGood() &&
         (!ScreensNeedFonts() || BlockGood(font_table_bl, kFontTableCap, 4 * MiB));
}

}  // namespace

int nvram_init(int first_start, int reset_logic, int graphics_only) {
  RestoreSRReg();
  if (first_start) EraseBackupData();
  RepairNetworkIds();
  if (fwload_set_def) first_start = 1;
  SetOrRepairSystemRegisters(first_start != 0);
  SrSet(193, 0);

  // In Run the logic tables in use are kept, even when a download into them stopped.
  const bool in_run = SrGet(5) == 2;
  if (first_start || reset_logic) {
    if (!in_run) tables::ResetLogicTables(first_start != 0);
  } else if (!LogicTablesGood() && !in_run) {
    tables::ResetLogicTables(false);
  }

  if (first_start || graphics_only || !ScreenTablesGood()) {
    tables::ResetScreenTables(first_start && !graphics_only);
  }
  SrSet(154, SrGet(154) & 0x3FFF);
  return first_start;
}
