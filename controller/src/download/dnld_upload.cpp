// Upload (command 5): one program table from the table store to the tool, in data frames
// of at most CmdDataMax bytes, each answered by the tool. Steps: 0 the request, 3 a
// pause of 250 ms, 4 send a frame, 5 await the tool's byte.
#include <algorithm>
#include <cstring>

#include "cmd_server.h"
#include "dnld.h"
#include "ground/gentimers.h"
#include "ground/tablestore.h"
#include "ground/timebase.h"

namespace {

enum : uint8_t { kRequest = 0, kPause = 3, kSend = 4, kAwait = 5 };
constexpr uint32_t kPauseTicks = 2500;

struct Upload {
  const uint8_t* at = nullptr;
  uint32_t remaining = 0;
  uint16_t frame = 0;  // bytes of the frame last sent
  uint32_t since = 0;
  uint8_t header[sizeof(TableBlock)] = {};
};
Upload g;

bool Refuse() {
  cmdio::putbyte(kRefused);
  CmdDone();
  return false;
}

// The table's header as stored, with the size never above the table's capacity.
void FillHeader(uint8_t type) {
  const TableBlock h{.crc = FileCrc(file_info[type]), .unused = 0xFFFF, .size = DnldStoredSize(type)};
  std::memcpy(g.header, &h, sizeof h);
}

bool Request() {
  const uint8_t type = uint8_t(CmdField(1, 1));
  if (!DnldHasTable(type)) return Refuse();
  const FileInfo& f = file_info[type];
  if (type == kTypeBitmaps) {
    // Bytes 2..5 are the slot offset here, not the header flag.
    const BitmapTarget t = DnldBitmapTarget(CmdField(2, 4));
    if (!t.valid) return Refuse();
    if (t.map) {
      g.at = rom_map_tbl;
      g.remaining = kBmpMapEntries;
    } else {
      g.at = BmpSlot(t.slot);
      g.remaining = std::min(CmdField(6, 4), DnldSlotSize(t.slot));
    }
  } else if (CmdStored() >= 3 && CmdPacket.data[2] != 0) {
    FillHeader(type);
    g.at = g.header;
    g.remaining = sizeof g.header;
  } else {
    g.at = f.data;
    g.remaining = DnldStoredSize(type);
  }
  cmdio::putbyte(kAck);
  g.since = FPGA_GetFrt();
  return true;
}

void Send() {
  g.frame = uint16_t(std::min<uint32_t>(CmdDataMax, g.remaining));
  put_packet(kDataFrame, g.frame, g.at);
  CmdStartLinkTimer();
  CmdMode = kAwait;
}

void Await() {
  if (!cmdio::chkbyte()) return;
  const uint8_t answer = uint8_t(cmdio::getbyte());
  if (answer == kNak) {
    CmdMode = kSend;  // the same frame again
    return;
  }
  if (answer == kAck) {
    CmdRestartBaudTimer();
    if (g.frame == 0) {
      CmdDone();
      return;
    }
    g.at += g.frame;
    g.remaining -= g.frame;
    CmdMode = kSend;
    return;
  }
  if (answer != kRefused) cmdio::flushbyte();
  CmdDone();
}

}  // namespace

void upload_memory() {
  switch (CmdMode) {
    case kRequest:
      if (Request()) CmdMode = kPause;
      break;
    case kPause:
      if (uint32_t(FPGA_GetFrt() - g.since) >= kPauseTicks) Send();
      break;
    case kSend:
      Send();
      break;
    default:
      Await();
      break;
  }
}
