// ladder.pgm and config.pgm: the program image's files in the internal flash.
//
// ladder.pgm: the logic table's block header (u16 CRC and u16 unused word, u32 size),
// then size bytes of logic data.
// config.pgm: every other table, one item after another in the order of kItems. A block
// item is the block's 8-byte header and its data. The bitmap item is the 520-byte slot
// map followed by the bytes of each slot whose map entry has a non-zero size, in slot
// order (each slot keeps its own place in the 16 MiB store, so the store is never
// written as one run). The network configuration is the last item; a file that ends
// before it (as files written by earlier firmware do) loads the default network
// configuration.
#include <array>
#include <cstring>

#include "ground/cfg_file.h"
#include "ground/bootstatus.h"
#include "logic/engine.h"
#include "controller/orvanel.h"
#include "controller/progstore.h"
#include "ground/regimage.h"
#include "controller/retentive.h"
#include "ground/sysservices.h"
#include "ground/tablestore.h"
#include "platform/trace.h"
#include "iec_runtime/services.h"
#include "storage/crc16.h"
#include "table_defaults.h"

namespace {

constexpr const char* kLadderPgm = "/mnt/cfg/ladder.pgm";
constexpr const char* kConfigPgm = "/mnt/cfg/config.pgm";

enum class ItemKind : uint8_t { kBlock, kSecurity, kBitmaps };

struct Item {
  ItemKind kind;
  uint8_t* block = nullptr;  // kBlock
  std::size_t capacity = 0;  // of the block, header included
};

constexpr std::array<Item, 17> kItems{{
    {.kind = ItemKind::kBlock, .block = io_config_bl, .capacity = kIoConfigCap},
    {.kind = ItemKind::kSecurity},
    {.kind = ItemKind::kBlock, .block = vtn_pgm_bl, .capacity = kVtnPgmCap},
    {.kind = ItemKind::kBitmaps},
    {.kind = ItemKind::kBlock, .block = string_table_bl, .capacity = kStringTableCap},
    {.kind = ItemKind::kBlock, .block = text_table_bl, .capacity = kTextTableCap},
    {.kind = ItemKind::kBlock, .block = font_table_bl, .capacity = kFontTableCap},
    {.kind = ItemKind::kBlock, .block = promgr_table_bl, .capacity = kPromgrTableCap},
    {.kind = ItemKind::kBlock, .block = sms_table_bl, .capacity = kSmsTableCap},
    {.kind = ItemKind::kBlock, .block = datalog_table, .capacity = kDatalogTableCap},
    {.kind = ItemKind::kBlock, .block = flash_parm_tbl, .capacity = kFlashParmCap},
    {.kind = ItemKind::kBlock, .block = copendnet_tbl, .capacity = kCopendnetCap},
    {.kind = ItemKind::kBlock, .block = report_table, .capacity = kReportTableCap},
    {.kind = ItemKind::kBlock, .block = recipe_tbl, .capacity = kRecipeTableCap},
    {.kind = ItemKind::kBlock, .block = login_tbl, .capacity = kLoginTableCap},
    {.kind = ItemKind::kBlock, .block = mqtt_tbl, .capacity = kMqttTableCap},
    {.kind = ItemKind::kBlock, .block = net_config_bl, .capacity = kNetConfigCap},
}};
// Items a file must hold; the last one is optional.
constexpr std::size_t kRequiredItems = 16;
static_assert(kItems[kRequiredItems].block == net_config_bl);

uint8_t* SecurityData() { return plc_reg + reg::kOffSecurity; }

// ---- writing ------------------------------------------------------------------------

bool WriteBlockItem(CfgWriter& w, const Item& it) {
  uint32_t size = BlockSize(it.block);
  if (size > it.capacity - kTableHeader) return false;  // a corrupt size word
  return w.Write(it.block, kTableHeader + size) == kTableHeader + size;
}

bool WriteSecurityItem(CfgWriter& w) {
  uint32_t size = SrGet(21);
  if (size > reg::kSecurityMax) return false;
  uint16_t head[2] = {uint16_t(size), SrGet(28)};
  return w.Write(head, 4) == 4 && w.Write(SecurityData(), size) == size;
}

bool WriteBitmapItem(CfgWriter& w) {
  if (w.Write(rom_map_tbl, kBmpMapCap) != kBmpMapCap) return false;
  for (std::size_t slot = 0; slot < kBmpSlots; ++slot) {
    uint32_t size = MapEntrySize(rom_map_tbl, slot);
    if (size > kBmpSlotCap) return false;
    if (size != 0 && w.Write(BmpSlot(slot), size) != size) return false;
  }
  return true;
}

bool WriteItem(CfgWriter& w, const Item& it) {
  switch (it.kind) {
    case ItemKind::kBlock: return WriteBlockItem(w, it);
    case ItemKind::kSecurity: return WriteSecurityItem(w);
    case ItemKind::kBitmaps: return WriteBitmapItem(w);
  }
  return false;
}

bool WriteLadderFile() {
  uint32_t size = BlockSize(ladder_bl);
  CfgWriter w(kLadderPgm);
  bool ok = w.open() && size <= kLadderCap - kTableHeader &&
            w.Write(ladder_bl, kTableHeader) == kTableHeader && w.Write(ladder, size) == size;
  // In Run the scan must not wait for the flash; the file is synced by the next save.
  bool sync = SrGet(5) != 2;
  if (ok && sync) ok = w.Sync();
  if (ok) ok = w.Commit(sync);
  if (!ok) BootStatusOr(boot::kLadderWriteFailed);
  return ok;
}

// ---- reading ------------------------------------------------------------------------

enum class ReadResult { kOk, kAbsent, kBad };

ReadResult ReadBlockItem(CfgReader& r, const Item& it, bool optional) {
  uint8_t head[kTableHeader];
  std::size_t got = r.Read(head, kTableHeader);
  if (got == 0 && optional) return ReadResult::kAbsent;
  if (got != kTableHeader) return ReadResult::kBad;
  uint32_t size;
  std::memcpy(&size, head + 4, 4);
  if (size > it.capacity - kTableHeader) return ReadResult::kBad;  // the block is not touched
  std::memcpy(it.block, head, kTableHeader);
  return r.Read(it.block + kTableHeader, size) == size ? ReadResult::kOk : ReadResult::kBad;
}

ReadResult ReadSecurityItem(CfgReader& r) {
  uint16_t head[2];
  if (r.Read(head, 4) != 4 || head[0] > reg::kSecurityMax) return ReadResult::kBad;
  SrSet32(21, head[0]);
  SrSet(28, head[1]);
  return r.Read(SecurityData(), head[0]) == head[0] ? ReadResult::kOk : ReadResult::kBad;
}

ReadResult ReadBitmapItem(CfgReader& r) {
  if (r.Read(rom_map_tbl, kBmpMapCap) != kBmpMapCap) return ReadResult::kBad;
  for (std::size_t slot = 0; slot < kBmpSlots; ++slot) {
    uint32_t size = MapEntrySize(rom_map_tbl, slot);
    if (size > kBmpSlotCap || r.Read(BmpSlot(slot), size) != size) return ReadResult::kBad;
  }
  return ReadResult::kOk;
}

ReadResult ReadItem(CfgReader& r, const Item& it, bool optional) {
  switch (it.kind) {
    case ItemKind::kBlock: return ReadBlockItem(r, it, optional);
    case ItemKind::kSecurity: return ReadSecurityItem(r);
    case ItemKind::kBitmaps: return ReadBitmapItem(r);
  }
  return ReadResult::kBad;
}

// Reads the items in order. A failed item ends the load: the items behind it would be
// read from the wrong place in the file.
bool ReadConfigFile(CfgReader& r) {
  for (std::size_t i = 0; i < kItems.size(); ++i) {
    ReadResult res = ReadItem(r, kItems[i], i >= kRequiredItems);
    if (res == ReadResult::kBad) return false;
    if (res == ReadResult::kAbsent) {
      tables::SetDefaultNetConfig(true);
      break;
    }
  }
  return true;
}

// The logic data of a ladder.pgm being loaded, checked here before any of it reaches the
// ladder table: a rejected file leaves the program that runs as it was.
alignas(8) uint8_t staged_logic[kLogicCheckedMax];

bool LoadLadderFrom(CfgReader& r) {
  uint8_t head[kTableHeader];
  if (r.Read(head, kTableHeader) != kTableHeader) return false;
  uint16_t crc;
  uint32_t size;
  std::memcpy(&crc, head, 2);
  std::memcpy(&size, head + 4, 4);
  // Size 0 is what a save writes after the tables were emptied: no program.
  if (size == 0) return true;
  if (size > kLogicCheckedMax || r.Read(staged_logic, size) != size) return false;
  if (crc16(staged_logic, size) != crc) return false;
  std::memcpy(ladder, staged_logic, size);
  LogicTableChanged();
  std::memcpy(ladder_bl, head, kTableHeader);
  nv_get_features();
  OrvanelStart();
  return true;
}

bool LoadLadderFile() {
  CfgReader r(kLadderPgm);
  if (r.missing()) return true;
  return r.open() && LoadLadderFrom(r);
}

bool LoadConfigFrom(CfgReader& r) {
  if (r.open() && ReadConfigFile(r)) return true;
  BootStatusOr(boot::kConfigLoadFailed);
  return false;
}

}  // namespace

int N4SaveLadderPgm() { return WriteLadderFile() ? 1 : 0; }

int SaveLadder() {
  if (!WriteLadderFile()) return 0;
  if (OrvanelRuntime) {
    OrvanelStop();
    DeleteOrvanelProgram();
  }
  OrvanelStart();
  return 1;
}

int LoadLadder() {
  if (LoadLadderFile()) return 1;
  BootStatusOr(boot::kLadderLoadFailed);
  return 0;
}

int SaveProgram() {
  if (!SaveLadder()) return 0;
  bool ok;
  {
    CfgWriter w(kConfigPgm);
    ok = w.open();
    for (const Item& it : kItems) {
      if (!ok) break;
      ok = WriteItem(w, it);
    }
    if (ok) {
      // A large file can take longer to reach the flash than the watchdog allows.
      StopWatchdog();
      ok = w.Sync();
      StartWatchdog();
    }
    if (ok) ok = w.Commit(true);
  }
  if (ok) ok = AutoSaveRegisters() != 0;
  if (!ok) BootStatusOr(boot::kConfigWriteFailed);
  return ok ? 1 : 0;
}

int LoadProgram() {
  plat::TraceCall("LoadProgram");
  if (!LoadLadder()) return 0;
  CfgReader r(kConfigPgm);
  if (r.missing()) return 1;
  return LoadConfigFrom(r) ? 1 : 0;
}

int LoadLadderImage(const uint8_t* data, std::size_t size) {
  CfgReader r(data, size);
  if (LoadLadderFrom(r)) return 1;
  BootStatusOr(boot::kLadderLoadFailed);
  return 0;
}

int LoadConfigImage(const uint8_t* data, std::size_t size) {
  CfgReader r(data, size);
  return LoadConfigFrom(r) ? 1 : 0;
}

int DeleteProgram() {
  CfgRemove("/mnt/cfg/ladder.pgm.new");
  CfgRemove("/mnt/cfg/config.pgm.new");
  bool ladder_gone = CfgRemove(kLadderPgm);
  bool config_gone = CfgRemove(kConfigPgm);
  return ladder_gone && config_gone ? 1 : 0;
}
