// The communication lock (command 25): a tool holds the link across several requests,
// a multi-table download above all, and sets the link's time-outs.
#include "cmd_handlers.h"
#include "cmd_server.h"
#include "controller/cmdserver.h"
#include "ground/gentimers.h"
#include "ground/regimage.h"
#include "ground/sysservices.h"

namespace {
constexpr uint32_t kMinTimeoutMs = 500;
}  // namespace

void do_comm_lock() {
  const uint32_t lock = CmdField(1, 1);
  if (lock == 1) {
    Vcomm_LockSet(3);
  } else if (lock == 0) {
    Vcomm_LockSet(4);
  }
  const uint16_t count = CmdPacket.count;
  if (count >= 4) {
    const uint32_t timeout = CmdField(2, 2);
    if (timeout >= kMinTimeoutMs) {
      SrSet(136, uint16_t(timeout));
      if (count == 4) SrSet(137, uint16_t(timeout));
    }
  }
  if (count == 6) {
    const uint32_t byte_timeout = CmdField(4, 2);
    if (byte_timeout >= kMinTimeoutMs) SrSet(137, uint16_t(byte_timeout));
  }
  if (Vcomm_Mode != 2 && Timer_Running(CmdBaudTimer))
    Timer_Start(CmdBaudTimer, CmdLockTimeout(kBaudHoldMs));
}

void set_comm_lock() {
  const bool release = CmdField(1, 1) == 0;
  if (release) NetIoConfig();
  do_comm_lock();
  CmdAck();
  // The tables of a multi-table download are saved once, when the tool lets go.
  if (release) CmdPanel(1, 0);
  CmdDone();
}
