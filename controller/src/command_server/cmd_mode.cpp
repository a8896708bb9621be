// Commands of the controller's mode: read and set the PLC mode (1, 2), protect (19),
// restart (20), and the key press this panel does not take over the link (21).
#include "cmd_handlers.h"
#include "cmd_server.h"
#include "ground/cmdproto.h"
#include "controller/download.h"
#include "controller/progstore.h"
#include "ground/regimage.h"
#include "controller/runctl.h"
#include "ground/sysservices.h"
#include "ground/timebase.h"

namespace {
constexpr uint32_t kResetDelayMs = 10;
}  // namespace

void get_mode() {
  const uint8_t mode = OLPMode ? kOnlineProgramming : uint8_t(SrGet(5));
  put_packet(kDataFrame, 1, &mode);
  CmdDone();
}

void set_mode() {
  const uint8_t mode = uint8_t(CmdField(1, 1));
  if (Cmd_Downloading && mode == kModeRun) SaveProgram();
  OLPMode = 0;
  if (mode == kOnlineProgramming) {
    SrSet(193, 0);
    OLPMode = 1;
  } else {
    SetPlcMode(mode);
  }
  CmdAck();
  CmdDone();
}

void protect_nvram() {
  CmdAck();
  CmdDone();
}

void reset_plc() {
  cmdio::putbyte(kAck);
  CmdDone();
  Delay(kResetDelayMs);  // the acknowledge leaves before the restart
  SYS_WarmReset();
}

void press_key() { do_default(); }
