// Download (command 4): one program table from the tool into the table store, frame by
// frame. Step 0 takes the request (type, argument, erase), step 1 the data frames; the
// empty data frame ends it. No frame ever writes past the table: a frame that would is
// refused with 0x09 and the download is stopped as an interrupted one.
#include <algorithm>
#include <cstring>

#include "cmd_server.h"
#include "dnld.h"
#include "dnld_end.h"
#include "fieldbus/services.h"
#include "iec_runtime/services.h"
#include "ground/cmdproto.h"
#include "logic/engine.h"
#include "controller/download.h"
#include "ground/sysmsg.h"
#include "ground/sysservices.h"
#include "ground/tablestore.h"

namespace {

constexpr uint8_t kTypeCanNetwork = 23;
constexpr std::size_t kMaskBytes = 36;

struct Download {
  uint8_t* start = nullptr;  // where the table's data begins
  uint32_t count = 0;        // bytes received
  uint32_t capacity = 0;
  BitmapTarget bitmap{};
  uint8_t mask[kMaskBytes] = {};
};
Download g;

// Types that a download takes without the download screen.
bool Quiet(uint8_t type) {
  return type == kTypeForce || OLPMode ||
         (OrvanelRuntime && (!orvanel_variables_enumerateded || type == kTypeOnlineLogic));
}

void Refuse() {
  cmdio::putbyte(kRefused);
  CmdDone();
}

void Request() {
  uint8_t type = uint8_t(CmdField(1, 1));
  if (type == kTypeLogic && OLPMode) type = kTypeOnlineLogic;
  const uint32_t argument = CmdField(2, 4);
  g.bitmap = type == kTypeBitmaps ? DnldBitmapTarget(argument) : BitmapTarget{.valid = true, .map = false, .slot = 0};
  if (DnldRefused(type) || !g.bitmap.valid) {
    Refuse();
    return;
  }
  DnldType = type;
  if (!Quiet(type)) CmdPanel(0, type);

  const FileInfo& f = file_info[type];
  g.count = 0;
  g.start = f.data;
  g.capacity = DnldCapacity(type);
  if (type == kTypeBitmaps) {
    g.start = g.bitmap.map ? rom_map_tbl : BmpSlot(g.bitmap.slot);
    g.capacity = g.bitmap.map ? uint32_t(kBmpMapCap) : uint32_t(kBmpSlotCap);
    std::memset(g.mask, 0, sizeof g.mask);
    const std::size_t stored = CmdStored();
    if (stored > 6) std::copy_n(CmdPacket.data + 6, std::min(stored - 6, kMaskBytes), g.mask);
  }
  if (f.flags & kEraseBeforeDownload) {
    if (type == kTypeBitmaps) {
      SYS_BlockErase(g.start, g.capacity);
    } else {
      SYS_BlockErase(f.data - kTableHeader, (f.flags & kEraseKiBMask) * 1024);
      if (f.data == ladder) LogicTableChanged();
    }
    if (type == kTypeCanNetwork) CANOpen_dwnld = 1;
  }
  CmdMode = 1;
  cmdio::putbyte(kAck);
  CmdStartLinkTimer();
}

// Writes the frame's data; the flash writes 16-bit words, so an odd length is padded
// with 0xFF, except where the pad would pass the end of the table.
void Store(const uint8_t* data, uint32_t n) {
  uint8_t* at = g.start + g.count;
  if ((n & 1) && g.count + n == g.capacity) {
    nv_write(at, data, n - 1);
    at[n - 1] = data[n - 1];
  } else {
    nv_write(at, data, n);
  }
}

void Data() {
  if (DnldType != kTypeForce && !OLPMode) VID_DnldUpdate();
  const uint32_t n = CmdPacket.count;
  if (!CmdWhole() || n > g.capacity - g.count) {
    Refuse();
    CmdAbortDownload();
    return;
  }
  Store(CmdPacket.data, n);
  if (g.start == ladder) LogicTableChanged();
  g.count += n;
  cmdio::putbyte(kAck);
  CmdStartLinkTimer();
}

void End() {
  DnldEnd(DnldType, g.bitmap, g.count, g.mask);
  if (!(Vcomm_Lock & kVcommLockComm)) CmdPanel(1, 0);
  cmdio::putbyte(kAck);
  CmdDone();
}

}  // namespace

void download_memory() {
  if (CmdMode == 0) {
    Request();
    return;
  }
  if (!get_packet()) return;
  if (CmdPacket.command != kDataFrame) {
    CmdStartLinkTimer();  // not a data frame: no answer, but the time-out still runs
    return;
  }
  if (CmdPacket.count == 0) {
    End();
  } else {
    Data();
  }
}
