// Pass-through: a request addressed to another node goes out on the CAN network and the
// node's answers come back to the host, by the kind of the command's row:
//   0  one acknowledge byte back (a broadcast gets none)
//   1  one reply frame back
//   2  download: data frames from the host to the node, the node's byte back for each
//   3  upload: data frames from the node to the host, the host's byte back for each
// Each wait runs on the link timer; when it expires the dispatcher ends the exchange.
#include <algorithm>
#include <cstring>

#include "cmd_handlers.h"
#include "cmd_server.h"
#include "cmd_table.h"
#include "ground/cmdproto.h"
#include "ground/gentimers.h"

namespace {

constexpr uint32_t kEraseMs = 9000;

enum class Step : uint8_t {
  kStart,
  kNodeByte,    // the node's acknowledge (kinds 0, 2, 3) or its answer to a data frame
  kNodeFrame,   // the node's reply frame (kind 1)
  kHostFrame,   // a data frame of the host for the node (kind 2)
  kNodeData,    // a data frame of the node for the host (kind 3)
  kHostByte,    // the host's answer to the node's data frame (kind 3)
};

struct Relay {
  Step step = Step::kStart;
  uint8_t command = 0;
  int16_t kind = kRelayAck;
  bool data_phase = false;  // the node has acknowledged the request
  bool last_empty = false;  // the last data frame passed on was empty
  // The request's first bytes, for the lock of a relayed command 25.
  uint16_t count = 0;
  uint8_t head[8] = {};
};
Relay g;

void AwaitNode(Step step, uint32_t ms) {
  CmdHostToPlc = 0;
  CmdPacket.one_byte = 1;
  CmdResetReceive();
  Timer_Start(CmdPacket.link_timer, ms);
  g.step = step;
}

void AwaitHost(Step step) {
  CmdHostToPlc = 1;
  CmdPacket.one_byte = 0;
  CmdResetReceive();
  CmdStartLinkTimer();
  g.step = step;
}

// Sends the request as it came, to the node.
void SendRequest() {
  CmdHostToPlc = 1;
  put_packet(CmdPacket.command, uint16_t(CmdStored()), CmdPacket.data);
}

// Passes the frame in the buffer on, towards where the byte layer writes now.
void PassFrame() { put_packet(CmdPacket.command, uint16_t(CmdStored()), CmdPacket.data); }

bool Start() {
  g.command = CmdRun;
  g.kind = CmdRowOf(CmdRun).kind;
  g.data_phase = false;
  g.last_empty = false;
  g.count = CmdPacket.count;
  std::memcpy(g.head, CmdPacket.data, sizeof g.head);
  if (g.kind == kRelayAck) {
    CmdHostToPlc = 0;  // the byte layer reads the network: its queue is flushed
    cmdio::flushbyte();
  }
  SendRequest();
  if (g.kind == kRelayAck && CmdGlobal) return true;
  const uint32_t wait = g.command == 4 ? CmdLockTimeout(kEraseMs) : CmdByteTimeout();
  AwaitNode(g.kind == kRelayFrame ? Step::kNodeFrame : Step::kNodeByte, wait);
  return false;
}

bool NodeByte() {
  if (!get_packet()) return false;
  if (CmdPacket.command == kDataFrame) {  // a frame where a byte was due: pass it, stop
    PassFrame();
    return true;
  }
  const uint8_t b = CmdPacket.command;
  cmdio::putbyte(b);
  if (g.kind == kRelayAck) {
    if (b == kAck && g.command == 25) {
      CmdPacket.count = g.count;
      std::memcpy(CmdPacket.data, g.head, sizeof g.head);
      do_comm_lock();
    }
    return true;
  }
  if (b == kBusy || b == kRefused) return true;
  if (g.data_phase && g.kind == kRelayDownload && g.last_empty) return true;
  g.data_phase = true;
  if (g.kind == kRelayDownload) {
    AwaitHost(Step::kHostFrame);
  } else {
    AwaitNode(Step::kNodeData, CmdByteTimeout());
  }
  return false;
}

bool NodeFrame() {
  if (!get_packet()) return false;
  if (CmdPacket.command == kDataFrame) {
    PassFrame();
  } else {
    cmdio::putbyte(CmdPacket.command);
  }
  return true;
}

bool HostFrame() {
  if (!get_packet()) return false;
  if (CmdPacket.command != kDataFrame) {
    CmdStartLinkTimer();
    return false;
  }
  PassFrame();  // CmdHostToPlc 1: to the node
  g.last_empty = CmdPacket.count == 0;
  const uint32_t wait = g.last_empty && g.command == 4 ? CmdLockTimeout(kEraseMs) : CmdByteTimeout();
  AwaitNode(Step::kNodeByte, wait);
  return false;
}

bool NodeData() {
  if (!get_packet()) return false;
  if (CmdPacket.command != kDataFrame) {  // the node gave up
    cmdio::putbyte(CmdPacket.command);
    return true;
  }
  PassFrame();  // CmdHostToPlc 0: to the host
  g.last_empty = CmdPacket.count == 0;
  AwaitHost(Step::kHostByte);
  return false;
}

bool HostByte() {
  if (!cmdio::chkbyte()) return false;
  const uint8_t b = uint8_t(cmdio::getbyte());
  cmdio::putbyte(b);  // CmdHostToPlc 1: to the node
  if (b == kRefused || g.last_empty) return true;
  AwaitNode(Step::kNodeData, CmdByteTimeout());
  return false;
}

}  // namespace

void CmdRelayReset() { g.step = Step::kStart; }

bool CmdRelay() {
  bool done = false;
  switch (g.step) {
    case Step::kStart: done = Start(); break;
    case Step::kNodeByte: done = NodeByte(); break;
    case Step::kNodeFrame: done = NodeFrame(); break;
    case Step::kHostFrame: done = HostFrame(); break;
    case Step::kNodeData: done = NodeData(); break;
    case Step::kHostByte: done = HostByte(); break;
  }
  if (done) {
    CmdPacket.one_byte = 0;
    CmdHostToPlc = 1;
    g.step = Step::kStart;
  }
  return done;
}
