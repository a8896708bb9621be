// The end of a download.
#include <algorithm>
#include <cstring>

#include "cmd_server.h"
#include "dnld_end.h"
#include "fieldbus/services.h"
#include "controller/cmdserver.h"
#include "logic/engine.h"
#include "controller/progstore.h"
#include "ground/regimage.h"
#include "controller/retentive.h"
#include "ground/tablestore.h"
#include "ground/sr4.h"
#include "net/services.h"
#include "storage/crc16.h"

namespace {

constexpr uint8_t kEmptySlot[8] = {};

bool MaskBit(const uint8_t* mask, std::size_t slot) {
  // Slot i is bit i mod 32 of the little-endian u32 word i / 32.
  const std::size_t word = slot / 32, bit = slot % 32;
  return (mask[word * 4 + bit / 8] >> (bit % 8)) & 1;
}

// A map download: slots outside the mask are emptied, the total of the others becomes
// the bitmap table's size, and the working map replaces the stored one.
void EndBitmapMap(const uint8_t* mask) {
  uint32_t total = 0;
  for (std::size_t slot = 0; slot < kBmpSlots; ++slot) {
    if (MaskBit(mask, slot)) {
      total += DnldSlotSize(uint8_t(slot));
    } else {
      std::memset(BmpSlot(slot), 0, sizeof kEmptySlot);
      SetMapEntry(ram_map_tbl, slot, crc16(kEmptySlot, sizeof kEmptySlot), sizeof kEmptySlot);
    }
  }
  // Nothing checks the map's own CRC word; it is given the CRC of the 64 entries, so
  // that it and SR127 say something definite about the map.
  SetFileCrcSize(file_info[kTypeBitmaps], crc16(ram_map_tbl, kBmpMapEntries), total);
  std::memcpy(rom_map_tbl, ram_map_tbl, kBmpMapCap);
}

void InvalidateNetworkConfig() {
  SetBlockCrc(net_config_bl, 0);
  SetBlockSize(net_config_bl, 0);
  SrSet(27, 0);
  SrSet32(19, 0);
}

}  // namespace

void DnldEnd(uint8_t type, const BitmapTarget& bitmap, uint32_t count, const uint8_t* mask) {
  const FileInfo& f = file_info[type];
  if (type == kTypeBitmaps) {
    if (bitmap.map) {
      EndBitmapMap(mask);
    } else {
      SetMapEntry(ram_map_tbl, bitmap.slot, crc16(BmpSlot(bitmap.slot), count), count);
    }
  } else {
    SetFileCrcSize(f, crc16(f.data, count), count);
  }

  switch (type) {
    case 0:
      LogicTableChanged();
      SrSet(4, SrGet(4) & ~(kSr4UserProgram | kSr4LogicFault));
      nv_get_features();
      break;
    case 2:
      std::memcpy(io_force, f.data, std::min<std::size_t>(count, kIoForceCap));
      break;
    case 4:
      Etn_UpdateSecurity();
      break;
    case 5:  // the network configuration must be downloaded again after it
      CmdNetIoConfigUpdated = 1;
      InvalidateNetworkConfig();
      break;
    case 6:
      CmdNetIoConfigUpdated = 1;
      NetIoConfig();
      break;
    case 19:
      SaveAndSetMACID();
      break;
    case 23:
      CANOpen_dwnld = 0;
      break;
    default:
      break;
  }
}
