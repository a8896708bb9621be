// Verify (command 3): the tool sends a table as for a download and the panel compares it
// with the stored one, frame by frame. Step 0 the request, 2 the data frames.
#include <cstring>

#include "cmd_server.h"
#include "dnld.h"
#include "ground/tablestore.h"

namespace {

enum : uint8_t { kRequest = 0, kCompare = 2 };

struct Verify {
  const uint8_t* base = nullptr;
  uint32_t size = 0;  // bytes that can be compared
  uint32_t at = 0;
};
Verify g;

void Finish(uint8_t answer) {
  cmdio::putbyte(answer);
  CmdDone();
}

void Request() {
  const uint8_t type = uint8_t(CmdField(1, 1));
  if (DnldRefused(type)) return Finish(kRefused);
  BitmapTarget t{.valid = true, .map = false, .slot = 0};
  if (type == kTypeBitmaps) {
    t = DnldBitmapTarget(CmdField(2, 4));
    if (!t.valid) return Finish(kRefused);
  }
  CmdPanel(1, 0);
  if (type != kTypeBitmaps) {
    g.base = file_info[type].data;
    g.size = DnldStoredSize(type);
  } else if (t.map) {
    g.base = rom_map_tbl;
    g.size = kBmpMapCap;
  } else {
    g.base = BmpSlot(t.slot);
    g.size = DnldSlotSize(t.slot);
  }
  g.at = 0;
  CmdMode = kCompare;
  cmdio::putbyte(kAck);
  CmdStartLinkTimer();
}

void Compare() {
  if (!get_packet()) return;
  if (CmdPacket.command != kDataFrame) {
    CmdStartLinkTimer();
    return;
  }
  const uint32_t n = CmdPacket.count;
  if (n == 0) return Finish(kAck);
  // A frame that reaches past the stored table cannot match it.
  if (!CmdWhole() || n > g.size - g.at || std::memcmp(g.base + g.at, CmdPacket.data, n) != 0)
    return Finish(kRefused);
  g.at += n;
  cmdio::putbyte(kAck);
  CmdStartLinkTimer();
}

}  // namespace

void verify_memory() {
  if (CmdMode == kRequest) {
    Request();
  } else {
    Compare();
  }
}
