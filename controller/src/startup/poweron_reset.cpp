// The kernel's power-on state, put back in one call: for the tests, which share one
// process, and for the fuzz targets, which run many inputs in one. It costs little: of
// the table store only the block headers are cleared (a table whose size word is 0 holds
// nothing), not its tens of megabytes.
#include "controller/poweron.h"

#include <cstring>

#include "ground/tablestore.h"

#include "cmd_server.h"
#include "dnld.h"
#include "drivers/services.h"
#include "fieldbus/dyn_scan.h"
#include "fieldbus/services.h"
#include "graphics/stills.h"
#include "graphics/vdr.h"
#include "iec_runtime/services.h"
#include "ground/bbram.h"
#include "ground/cmdproto.h"
#include "ground/coop.h"
#include "controller/download.h"
#include "ground/extobjects.h"
#include "controller/fpga.h"
#include "ground/gentimers.h"
#include "ground/mailbox.h"
#include "controller/mainloop.h"
#include "controller/orvanel.h"
#include "controller/progstore.h"
#include "ground/rcb.h"
#include "ground/regimage.h"
#include "controller/retentive.h"
#include "controller/runctl.h"
#include "controller/screenloop.h"
#include "controller/startup.h"
#include "ground/sysmsg.h"
#include "ground/sysservices.h"
#include "ground/timebase.h"
#include "logic/engine.h"
#include "logic/media_jobs.h"
#include "net/services.h"
#include "platform/fpga_spi.h"
#include "platform/gpio.h"
#include "platform/io_boards.h"
#include "platform/kernel_ident.h"
#include "platform/persistent_regs.h"
#include "platform/power_controller.h"
#include "platform/rtc_model.h"
#include "platform/systime.h"
#include "platform/trace.h"
#include "platform/watchdog.h"
#include "pmgr_loop.h"
#include "retentive_internal.h"
#include "ground/power_on.h"
#include "runctl_internal.h"
#include "screenloop_internal.h"
#include "screens/keys.h"
#include "screens/objm.h"
#include "screens/objm_bodies.h"
#include "touch_state.h"
#include "platform/key_matrix.h"
#include "screens/services.h"
#include "storage/services.h"
#include "sysscreens/services.h"
#include "timeslice.h"
#include "watchdog_monitor.h"
#include "web/services.h"
#include "webstart.h"

namespace {

void ClearTableHeaders() {
  for (uint8_t* block : {ladder_bl, io_config_bl, net_config_bl, vtn_pgm_bl, string_table_bl, text_table_bl,
                         font_table_bl, promgr_table_bl, sms_table_bl, datalog_table, flash_parm_tbl,
                         copendnet_tbl, report_table, recipe_tbl, ladder_olp, login_tbl, mqtt_tbl})
    std::memset(block, 0, kTableHeader);
  std::memset(rom_map_tbl, 0, sizeof rom_map_tbl);
  std::memset(ram_map_tbl, 0, sizeof ram_map_tbl);
  for (std::size_t slot = 0; slot < kBmpSlots; ++slot) std::memset(BmpSlot(slot), 0, kTableHeader);
  std::memset(tinyImage, 0, sizeof tinyImage);
  std::memset(io_force, 0, sizeof io_force);
}

void ResetImageAndTables() {
  std::memset(plc_reg, 0, sizeof plc_reg);
  std::memset(old_reg, 0, sizeof old_reg);
  std::memset(ExternalRegs, 0, sizeof ExternalRegs);
  std::memset(ExternalRegsOffsets, 0, sizeof ExternalRegsOffsets);
  std::memset(Ext_Obj_Comm_Status, 0, sizeof Ext_Obj_Comm_Status);
  ClearTableHeaders();
  NV_EditorFeatures = 0;
  std::memset(bbram, 0, sizeof bbram);
  SYS_InitBBR();
}

void ResetTime() {
  TimebaseRestart();
  fpga_port = 0;
  Timer_Init(nullptr, 0);
  tx_timer_reset();
  qcb_cfi = {};
  qcb_cfo = {};
}

void ResetCommandServer() {
  CmdServerReset();
  Vcomm_Host = 0;
  Vcomm_Mode = 0;
  Vcomm_ConnectId = 0;
  Vcomm_Lock = 0;
  Vcomm_Idle = 0;
  DnldType = 0;
  DnldScreenReset();
}

void ResetRunControl() {
  runctl::ResetState();
  runctl::ResetNetConfig();
  rtc::ResetState();
  for (uint16_t& id : io_init) id = 255;
  std::memset(io_cfg, 0, sizeof io_cfg);
}

void ResetLoopAndStartUp() {
  DisarmSliceTimer();
  Sliced = 0;
  Vint = 0;
  DntTmeSlc = 0;
  RecoverMode = 0;
  SliceCounter = 0;
  ISRCountOnOpenPage = 0;
  PmgrBusy = 0;
  pgm::Reset();
  PowerdownSignal = 0;
  fwload_set_def = 0;
  AutoregFailed = 0;
  retentive::ResetRetentive();
  BIS = 1;
  BootMode = 0;
  WatchDogDisable = 0;
  Sys_AppLoad = 0;
  MainPid = 0;
  pDisplayDC = pMem1DC = pMem2DC = pMem3DC = nullptr;
  WebStartPasses = 0;
  WebRestartAfterDownload = 0;
  orvanel_ptr = nullptr;
}

void ResetSystemServices() {
  tch::Reset();
  Dpram_Init();
  SysKeysReset();
  SysRegsReset();
  PanelServicesReset();
  BacklightReset();
  SYS_ResetRCBs(2);  // the fixed pool, empty; after the table store, whose page table it reads
  FpgaReset();
  WatchdogMonitorReset();
}

// What the hooks of subsystems that are not built yet keep for the kernel.
void ResetHookFlags() {
  OrvanelRuntime = 0;
  orvanel_variables_enumerateded = 0;
  is_n4protocol = 0;
  pDB = nullptr;
  Iec_SetVarBackend(nullptr);
  OrvanelI0_VarLoc = nullptr;
  N4_init = 0;
  iVmAlive = 0;
  OrvanelFirstRun = 0;
  OrvanelS9 = 0;
  CANOpen_dwnld = 0;
  CANOpen_ClearStats = 0;
  CANOpenSetupStandIn = {};
  std::memset(TalkOpenedStandIn, 0, sizeof TalkOpenedStandIn);
  for (VcommDriver& row : Vcomm_Drv) row = {};
  ProgrammingPort = 0;
  NetPowerOnReset();
  DynScanPowerOnReset();
  QuorvServerState = 1;
  QuorvUpdateNewIp = 0;
  QuorvFtping = 0;
  QuorvThreadCreated = 0;
  QuorvUploadWatcherReset();
  StillOpened = 0;
  VDR_BmpClrMem();
  ExternalRegOnPage = 0;
  PAGE_current = 0;
  PAGE_mode = 0;
  openPageExec = 0;
  g_objm_bodies = {};
  ObjmPowerOnReset();
  KeyRingsReset();
  // The storage queues stand empty, as start-up leaves them.
  CreateStorageQueues();
  StoragePowerOnReset();
  Sys_AutoLoad = 0;
  Sys_ManualLoadKey = 0;
  removeSafe = 0;
  Sys_ALstmcInited = 0;
  RegTokLen_16b = 0;
  for (MediaJob* job : {&RmCopyJob, &RmDeleteJob}) {
    job->code = 0;
    job->pid = 0;
    job->result = 0;
  }
}

// The device models, after the kernel code that may still talk to them (closing the FPGA
// channel, disarming the slice timer).
void ResetDeviceModels() {
  plat::WatchdogReset();
  plat::ResetPersistentRegs();
  plat::power_model::Reset();
  plat::GpioReset();
  plat::rtc_model::Reset();
  plat::systime_model::Reset();
  plat::FpgaModelReset();
  plat::SetUnameLine({});
  plat::IoBoardsReset();
  plat::KeyMatrixReset();
}

}  // namespace

void KernelPowerOnReset() {
  ResetImageAndTables();
  ResetTime();
  ResetCommandServer();
  ResetRunControl();
  ResetLoopAndStartUp();
  ResetSystemServices();
  ResetHookFlags();
  ResetDeviceModels();
}
