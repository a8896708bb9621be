// The download screen around a table download, and the network and I/O reconfiguration
// that a download asks for.
#include "cmd_server.h"
#include "controller/cmdserver.h"
#include "controller/download.h"
#include "controller/progstore.h"
#include "ground/regimage.h"
#include "controller/runctl.h"
#include "controller/screenloop.h"
#include "ground/sysmsg.h"
#include "platform/trace.h"

uint8_t Cmd_Downloading = 0;
uint8_t CmdNetIoConfigUpdated = 0;
uint8_t J1939StartFlag = 0;

void CmdPanel(int step, int type) {
  if (step == 0) {
    if (!Cmd_Downloading) PGM_Destroy();
    Cmd_Downloading = 1;
    VID_DnldMsg(type);
    return;
  }
  if (step != 1 || !Cmd_Downloading) return;
  Cmd_Downloading = 0;
  SrSet(2, 0);
  SrSet(3, 0);
  if (SrGet(5) != kModeRun) SaveProgram();
  // A new program: the status pop-up starts afresh.
  PGM_Create(1);
}

void NetIoConfig() {
  plat::TraceCall("NetIoConfig", J1939StartFlag);
  if (!CmdNetIoConfigUpdated) return;
  NetConfig();
  IoConfig();
  CmdNetIoConfigUpdated = 0;
}
