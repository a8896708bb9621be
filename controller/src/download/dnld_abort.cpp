// An interrupted download: the link timed out, or a frame was refused.
#include "cmd_server.h"
#include "dnld.h"
#include "drivers/services.h"
#include "fieldbus/services.h"
#include "controller/download.h"
#include "controller/progstore.h"
#include "ground/sysmsg.h"
#include "ground/timebase.h"

namespace {
constexpr uint32_t kMessageMs = 200;
}

void CmdAbortDownload() {
  if (!Cmd_Downloading) return;
  IoStop();
  VID_DnldHalted();
  Delay(kMessageMs);
  // The tables come back as a start leaves them, told which side the download wrote
  // into: the screen tables for types 7..11, else the logic tables.
  const bool screens = DnldScreenType(DnldType);
  nvram_init(0, screens ? 0 : 1, screens ? 1 : 0);
  // No CAN network download is in progress any more.
  CANOpen_dwnld = 0;
  CmdPanel(1, 0);
}
