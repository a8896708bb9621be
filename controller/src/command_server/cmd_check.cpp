// Cmd_Check, one step of the command server per main-loop pass: the hosts are polled,
// the link is claimed, a request is received and served locally or relayed to another
// node, and the link's time-outs are kept.
#include "cmd_server.h"
#include "cmd_table.h"
#include "drivers/services.h"
#include "iec_runtime/services.h"
#include "ground/cmdhost.h"
#include "controller/cmdserver.h"
#include "controller/download.h"
#include "ground/gentimers.h"
#include "ground/regimage.h"
#include "ground/sysservices.h"
#include "ground/sr4.h"
#include "platform/trace.h"

namespace {

constexpr uint16_t kCanFailed = 0x80;
constexpr uint32_t kHoldMs = 5000;

uint16_t g_reported_idle = 0;

void GoIdle() {
  CmdRun = kCmdIdle;
  CmdMode = 0;
  CmdRelayReset();
}

// The host with input, in the order Ethernet, USB (unless the IEC runtime's debug
// protocol owns it), serial; -1 when none has any.
int PollHosts() {
  if (cmdio::HostCheck(kHostEthernet)) return kHostEthernet;
  if (!is_n4protocol && cmdio::HostCheck(kHostUsb)) return kHostUsb;
  if (cmdio::HostCheck(kHostSerial)) return kHostSerial;
  return -1;
}

// A host that is not the current one polls: it takes the link when the link is free.
void TakeOver(uint8_t host) {
  if (Vcomm_ModeSet(0, host, 0, CmdLocalId())) {
    CmdHost = host;
    CmdResetReceive();
    GoIdle();
  } else {
    // Refused, also when the poller owns the link but a remote master still uses it: the
    // poller's input is dropped, or it would draw a busy answer on every pass.
    cmdio::HostFlush(host);
    cmdio::HostPut(host, kBusy);
  }
}

// Claims the link for a request, locally or as a pass-through to node id.
bool Claim(uint8_t mode, uint8_t id) {
  if (Vcomm_ModeSet(1, CmdHost, mode, id)) return true;
  // The communication lock keeps other hosts out while the tool that set it works
  // through several requests (a multi-table download); its own requests still claim.
  if ((Vcomm_Lock & kVcommLockComm) && Vcomm_Host == CmdHost) {
    Vcomm_Mode = mode;
    Vcomm_ConnectId = id;
    Vcomm_LockSet(1);
    return true;
  }
  return false;
}

// Receives a request; true when one is to be served.
bool ReceiveRequest() {
  CmdPacket.link_period = CmdByteTimeout();
  CmdHostToPlc = 1;
  CmdPacket.one_byte = 0;
  CmdGlobal = 0;
  if (!get_packet()) return false;
  CmdRun = CmdPacket.command < kCmdCount ? CmdPacket.command : 0;
  CmdMode = 0;
  const CmdRow& row = CmdInfo[CmdRun];
  // A request without data names no node: it is taken as addressed to this panel.
  const uint8_t node = CmdStored() ? CmdPacket.data[0] : CmdLocalId();
  bool claimed = true;
  if (row.any_node) {
    claimed = Claim(0, CmdLocalId());
  } else if (Vcomm_Mode != 2) {
    claimed = node == CmdLocalId() ? Claim(0, node) : Claim(1, node);
  }
  if (!claimed) {
    CmdEndCommand();  // dropped
    return false;
  }
  if (node == kNodeBroadcast && CmdRun != 9) {
    if (!row.broadcast) {
      CmdEndCommand();  // ignored
      return false;
    }
    CmdGlobal = 1;
  }
  return true;
}

void Serve() {
  if (CmdGlobal || Vcomm_Mode != 1) {
    const uint8_t command = CmdRun;
    CmdInfo[command].handler();
    if (CmdRun != kCmdIdle) return;  // called again on the next pass
    if (!(CmdGlobal && Vcomm_Mode == 1 && !(SrGet(4) & kSr4DuplicateNetworkId))) {
      CmdEndCommand();
      return;
    }
    CmdRun = command;  // a broadcast goes on to the other nodes too
  }
  if ((SrGet(4) & kSr4DuplicateNetworkId) || CmdRelay()) CmdEndCommand();
}

}  // namespace

void CmdResetLinkFreeReport() { g_reported_idle = 0; }

void CmdEndCommand() {
  GoIdle();
  Vcomm_LockSet(2);
  Timer_Start(CmdPacket.link_timer, CmdLockTimeout(kHoldMs));
}

void Cmd_Check() {
  plat::TraceCall("Cmd_Check");
  // 1. The Ethernet channel hears when the link becomes free.
  if (Vcomm_Idle != g_reported_idle) {
    g_reported_idle = Vcomm_Idle;
    cmdio::HostPut(kHostEthernet, kLinkFree);
  }
  // 2. A temporary baud rate ends with its timer.
  if (Timer_Status(CmdBaudTimer) == kTimerExpired && SrGet(34) == 1) CmdOpenProgrammingPort(nullptr);
  // 3, 4. A host with input that is not the current one.
  const int host = PollHosts();
  if (host >= 0 && (host != Vcomm_Host || Vcomm_Mode == 2)) TakeOver(uint8_t(host));
  // 5. A failed CAN port ends every exchange with the network.
  if ((candrv::_Can_Status(0) & kCanFailed) && Vcomm_Mode != 0) {
    Vcomm_LockSet(0);
    CmdResetReceive();
    GoIdle();
  }
  // 6, 7. The link's time-outs.
  const int link = Timer_Status(CmdPacket.link_timer);
  if (link == kTimerExpired) {
    CmdAbortDownload();
    Vcomm_LockSet(0);
    CmdResetReceive();
    GoIdle();
  } else if (link == kTimerStopped && Vcomm_Lock != 0 && CmdRun == kCmdIdle) {
    Timer_Start(CmdPacket.link_timer, CmdPacket.link_period);
  }
  // 8 to 11. Receive a request when idle, serve it.
  if (CmdRun == kCmdIdle && !ReceiveRequest()) return;
  Serve();
}
