#include "controller/mainloop.h"

#include "drivers/services.h"
#include "fieldbus/services.h"
#include "iec_runtime/services.h"
#include "controller/cmdserver.h"
#include "ground/coop.h"
#include "controller/datagram.h"
#include "controller/fxp.h"
#include "ground/mailbox.h"
#include "ground/regimage.h"
#include "controller/retentive.h"
#include "controller/runctl.h"
#include "controller/screenloop.h"
#include "controller/startup.h"
#include "ground/sysservices.h"
#include "ground/touch.h"
#include "mainloop_internal.h"
#include "messaging/services.h"
#include "net/services.h"
#include "pmgr_loop.h"
#include "storage/services.h"
#include "timeslice.h"
#include "webstart.h"

volatile uint8_t Sliced = 0;
volatile uint8_t Vint = 0;
volatile uint8_t DntTmeSlc = 0;
volatile uint8_t RecoverMode = 0;

namespace {

// The storage and screen loops, under an armed slice timer when the unit is not Idle.
void ScreenAndStorageLoops() {
  if (SrGet(5) != 0 && !DntTmeSlc) {
    Vint = 1;
    ArmSliceTimer();
  }
  CFM_TheLoop();
  if (PGM_state != 2) PGM_TheLoop();
  Vint = 0;
  DisarmSliceTimer();
  Sliced = 0;
}

// One pass. Under the sliced-pass rules (inside the slice handler, or a waiting caller's
// pass) the command port and the storage and screen loops are left out.
void RunPass(bool slice_rules) {
  Can_Isr();
  TimerISR();
  RctISR();
  if (!RecoverMode) ExecutePMGR_Loop(slice_rules);
  UpdateStatusBits();
  if (!Sys_AutoLoad && !RecoverMode) PlcScan();
  OCB_Update();
  if (!slice_rules) Cmd_Check();
  Dpram_Service();
  UpdateBatteryStatus();
  FxpMain(1);
  UpdateSelfTestResult();
  Datagram_Check();
  if (!slice_rules) ScreenAndStorageLoops();
  if (!RecoverMode && BIS != 2 && OrvanelRuntime) Orvanel_Comm_service();
  EnetMain(slice_rules ? 1 : 0);
  tx_timer_check();
  USBPortMon();
  TickleWatchdogReal();
  ModemCycle();
  if (PowerdownSignal) PowerDown();
}

}  // namespace

void The_Loop() { RunPass(Sliced != 0); }

void ExecuteSubLoop_Wait() { RunPass(true); }

void MainLoopOnce() {
  // Between two passes: no scan is halfway through its registers.
  ServeRegisterSnapshot();
  The_Loop();
  mqttStateLoop();
  if (BIS == 2) return;
  WebStartAfterPass();
}
