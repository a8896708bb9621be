#include "table_defaults.h"

#include <array>
#include <cstring>

#include "ground/file_info.h"
#include "logic/engine.h"
#include "controller/progstore.h"
#include "ground/regimage.h"
#include "controller/retentive.h"
#include "controller/runctl.h"
#include "ground/tablestore.h"
#include "ground/sr4.h"
#include "storage/crc16.h"

namespace tables {
namespace {

constexpr uint8_t kDefaultLogic[2] = {0x09, 0x00};
constexpr uint8_t kDefaultIoConfig[12] = {0xFF, 0, 0, 0, 0xFF, 0, 0, 0, 0xFF, 0, 0, 0};
constexpr uint8_t kDefaultNetConfig[34] = {0, 0, 0, 0, 0, 0, 0x40};
constexpr uint8_t kZeros[reg::kSecurityMax] = {};
constexpr uint32_t kDefaultSecuritySize = reg::kSecurityMax;
constexpr uint32_t kDefaultForceSize = 4;

struct LogicTable {
  uint8_t* block;
  uint32_t erase;  // 0: not erased
  const uint8_t* data;
  uint32_t size;
};

constexpr std::array<LogicTable, 11> kLogicTables{{
    {ladder_bl, 2 * MiB, kDefaultLogic, sizeof kDefaultLogic},
    {io_config_bl, 0x7F000, kDefaultIoConfig, sizeof kDefaultIoConfig},
    {net_config_bl, 0, kDefaultNetConfig, sizeof kDefaultNetConfig},
    {promgr_table_bl, 4 * MiB, kEmptyTable, sizeof kEmptyTable},
    {sms_table_bl, 256 * KiB, kEmptyTable, sizeof kEmptyTable},
    {datalog_table, 0, kEmptyTable, sizeof kEmptyTable},
    {copendnet_tbl, 128 * KiB, kEmptyTable, sizeof kEmptyTable},
    {report_table, 256 * KiB, kEmptyTable, sizeof kEmptyTable},
    {recipe_tbl, 256 * KiB, kEmptyTable, sizeof kEmptyTable},
    {login_tbl, 64 * KiB, kEmptyTable, sizeof kEmptyTable},
    {mqtt_tbl, 8 * MiB, kEmptyTable, sizeof kEmptyTable},
}};
// Download types whose mirrors follow a logic-table reset.
constexpr int kLogicMirrored[] = {0, 2, 4, 5, 6, 20, 21};

constexpr std::array<uint8_t*, 4> kScreenBlocks{vtn_pgm_bl, string_table_bl, text_table_bl, font_table_bl};
constexpr std::array<std::size_t, 4> kScreenCaps{kVtnPgmCap, kStringTableCap, kTextTableCap, kFontTableCap};
constexpr int kScreenTypes[] = {7, 8, 9, 10, 11};

}  // namespace

void PutTable(uint8_t* block, uint32_t erase_length, const uint8_t* data, uint32_t n, bool real) {
  if (erase_length) SYS_BlockErase(block, erase_length);
  nv_write(block + kTableHeader, data, n);
  SetBlockCrc(block, real ? crc16(data, n) : 0);
  SetBlockSize(block, real ? n : 0);
}

void SetDefaultNetConfig(bool real) {
  PutTable(net_config_bl, 0, kDefaultNetConfig, sizeof kDefaultNetConfig, real);
  WriteMirrors(file_info[6]);
}

void ResetLogicTables(bool first_start_form) {
  const bool real = first_start_form;
  fwload_set_def = 0;
  for (const LogicTable& t : kLogicTables) PutTable(t.block, t.erase, t.data, t.size, real);
  LogicTableChanged();

  std::memset(plc_reg + reg::kOffSecurity, 0, reg::kSecurityMax);
  SetFileCrcSize(file_info[4], real ? crc16(kZeros, kDefaultSecuritySize) : 0, real ? kDefaultSecuritySize : 0);
  if (real) {
    SetEmptyForceTable();
  } else {
    std::memset(io_force, 0, kDefaultForceSize);
    SetFileCrcSize(file_info[2], 0, 0);
  }
  for (int type : kLogicMirrored) WriteMirrors(file_info[type]);

  // The data log keeps its mirror inverted.
  SrSet(148, uint16_t(~BlockCrc(datalog_table)));
  SrSet32(145, ~BlockSize(datalog_table));

  // The CAN layer always finds a valid (empty) network table.
  SetBlockCrc(copendnet_tbl, crc16(kEmptyTable, sizeof kEmptyTable));
  SetBlockSize(copendnet_tbl, sizeof kEmptyTable);
  Plc_NetInit();

  if (!first_start_form) {
    SrSet(4, SrGet(4) | kSr4UserProgram);
    SetPlcMode(0);
  }
  nv_get_features();
}

void SetEmptyForceTable() {
  std::memset(io_force, 0, kDefaultForceSize);
  std::memset(file_info[2].data, 0, kDefaultForceSize);
  SetFileCrcSize(file_info[2], crc16(kZeros, kDefaultForceSize), kDefaultForceSize);
}

void ResetScreenTables(bool real) {
  for (std::size_t i = 0; i < kScreenBlocks.size(); ++i) {
    PutTable(kScreenBlocks[i], uint32_t(kScreenCaps[i]), kEmptyTable, sizeof kEmptyTable, real);
  }
  const uint16_t empty_crc = crc16(kEmptyTable, sizeof kEmptyTable);
  for (std::size_t slot = 0; slot < kBmpSlots; ++slot) {
    SYS_BlockErase(BmpSlot(slot), kBmpSlotCap);
    nv_write(BmpSlot(slot), kEmptyTable, sizeof kEmptyTable);
    SetMapEntry(ram_map_tbl, slot, empty_crc, sizeof kEmptyTable);
  }
  SlotSet(file_info[9].crc, real ? empty_crc : 0);
  SlotSet(file_info[9].size, real ? sizeof kEmptyTable : 0);
  std::memcpy(rom_map_tbl, ram_map_tbl, kBmpMapCap);
  for (int type : kScreenTypes) WriteMirrors(file_info[type]);
  if (!real) SrSet(4, SrGet(4) | kSr4UserGraphics);
}

}  // namespace tables
