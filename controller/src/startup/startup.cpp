// Start-up of the unit in its fixed order, then the main loop until an orderly stop.
#include "controller/startup.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <limits.h>
#include <sys/resource.h>
#include <unistd.h>

#include "drivers/services.h"
#include "fieldbus/services.h"
#include "graphics/dc.h"
#include "graphics/playback.h"
#include "graphics/stills.h"
#include "graphics/text.h"
#include "ground/bootstatus.h"
#include "controller/cmdserver.h"
#include "ground/coop.h"
#include "controller/fpga.h"
#include "ground/gentimers.h"
#include "ground/mailbox.h"
#include "controller/mainloop.h"
#include "iec_runtime/services.h"
#include "net/nx.h"
#include "controller/orvanel.h"
#include "controller/progstore.h"
#include "ground/regimage.h"
#include "controller/retentive.h"
#include "controller/runctl.h"
#include "controller/screenloop.h"
#include "ground/sysmsg.h"
#include "ground/sysservices.h"
#include "ground/tablestore.h"
#include "ground/timebase.h"
#include "ground/sr4.h"
#include "child_reaper.h"
#include "mainloop_internal.h"
#include "net/services.h"
#include "platform/persistent_regs.h"
#include "platform/root.h"
#include "platform/runner.h"
#include "screens/services.h"
#include "startup_selftest.h"
#include "storage/services.h"
#include "sysscreens/services.h"
#include "timeslice.h"
#include "watchdog_monitor.h"
#include "web/services.h"

int BIS = 1;
uint8_t BootMode = 0;
uint8_t WatchDogDisable = 0;
uint8_t Sys_AppLoad = 0;
pid_t MainPid = 0;
DC* pDisplayDC = nullptr;
DC* pMem1DC = nullptr;
DC* pMem2DC = nullptr;
DC* pMem3DC = nullptr;

namespace {

constexpr rlim_t kOpenFiles = 4096;
constexpr int kLoadTries = 10;
constexpr int kWatchdogMonitorFromBuild = 3544;
// Between passes the loop waits for the network at most one tick of the time base.
constexpr uint32_t kPassWaitUs = 100;
constexpr char kMasterScript[] = "/opt/dravek/MasterScript.sh";
constexpr char kEndOfFtp[] = "/mnt/USB0/EndOfFTP.txt";
constexpr uint16_t kSr164AutoLoadRun = 0x20;

volatile std::sig_atomic_t g_stop_requested = 0;

void OnStopSignal(int) { g_stop_requested = 1; }

// On a host SIGINT and SIGTERM end the unit in an orderly way.
void InstallStopSignals() {
  g_stop_requested = 0;
  struct sigaction sa {};
  sa.sa_handler = OnStopSignal;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_RESTART;
  sigaction(SIGINT, &sa, nullptr);
  sigaction(SIGTERM, &sa, nullptr);
}

bool RaiseOpenFileLimit() {
  rlimit rl{};
  if (getrlimit(RLIMIT_NOFILE, &rl) != 0) {
    std::perror("Failed to get limit..");
    return false;
  }
  rl.rlim_cur = kOpenFiles;
  if (rl.rlim_max != RLIM_INFINITY && rl.rlim_max < kOpenFiles) rl.rlim_max = kOpenFiles;
  if (setrlimit(RLIMIT_NOFILE, &rl) != 0) {
    std::perror("Failed to set limit..");
    return false;
  }
  return true;
}

bool UnitFileExists(const char* unit_path) {
  char host[PATH_MAX];
  return plat::MapPath(unit_path, host, sizeof host) && ::access(host, F_OK) == 0;
}

void InitDevicesAndDisplay() {
  SYS_HardwareCheck();
  GDI_Init();
  GPIOInit();
  pDisplayDC = GDI_CreateDC(0, 0);
  pMem1DC = GDI_CreateDC(0, 1);
  pMem2DC = GDI_CreateDC(0, 4);
  pMem3DC = GDI_CreateDC(0, 5);
  const int16_t whole[4] = {0, 0, 0x7FFF, 0x7FFF};
  GDI_SetClipRect(pDisplayDC, whole, nullptr);
  FPGA_GetFrt();
  Timer_Init(&fpga_port, 100);
  KEY_Init();
}

// The kernel's console messages stay off the display: printk level 0.
void SilenceKernelConsole() {
  char host[PATH_MAX];
  if (!plat::MapPath("/proc/sys/kernel/printk", host, sizeof host)) return;
  const int fd = ::open(host, O_WRONLY | O_TRUNC | O_CLOEXEC);
  if (fd < 0) return;
  if (::write(fd, "0\n", 2) != 2) std::perror("printk");
  ::close(fd);
}

void ReadCommandLine(int argc) {
  BIS = argc < 1 ? 1 : argc;
  if (BIS == 2) {
    BootMode = 1;
    SYS_WriteSys(3, 22);
    return;
  }
  if (BIS == 1) {
    SilenceKernelConsole();
  } else {
    WatchDogDisable = 1;
  }
  for (int i = 0; i < kLoadTries && !LoadProgram(); ++i) {
  }
  for (int i = 0; i < kLoadTries && !AutoLoadRegisters(); ++i) {
  }
}

void ForkMediaSpaceChild() {
  const pid_t pid = ::fork();
  if (pid == 0) BackTsk();
  if (pid < 0) std::fprintf(stderr, "media-space child: fork: %s\n", std::strerror(errno));
  WatchChild(pid);
}

// The master script runs the FTP daemon and NTP; the network code feeds it commands
// through a pipe on its standard input.
void StartMasterScript() {
  if (!UnitFileExists(kMasterScript)) return;
  plat::RunCommand({"killall", "MasterScript.sh"});
  int fds[2];
  if (::pipe(fds) != 0) {
    std::perror("pipe");
    return;
  }
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::close(fds[1]);
    ::dup2(fds[0], STDIN_FILENO);
    ::close(fds[0]);
    _exit(plat::RunCommand({"sh", kMasterScript}));
  }
  ::close(fds[0]);
  WatchChild(pid);
  if (pid < 0) {
    std::fprintf(stderr, "FORK failed\n");
    ::close(fds[1]);
    return;
  }
  MasterScriptPipefd = fds[1];
}

void OpenSerialPorts() {
  Vcomm_Init();
  SCI0_Init(1);
  SCI2_Init(0);
  SCI3_Init(2);
  SCI4_Init(3);
  SCI1_Init(3);
}

void ApplyMenuOptions() {
  SYS_MenuOption(0, SrGet(164) & 1);
  SYS_MenuOption(1, SrGet(164) & 2);
  SYS_MenuOption2(SrGet(163));
}

void CheckTablesAndInitPlc(int first_start) {
  const int result = nvram_init(first_start, 0, 0);
  if (result != 0) SaveProgram();
  PlcInit(result);
  NetConfig();
  TickleWatchdogReal();
  if (!SYS_BattTest()) SrSet(4, SrGet(4) | kSr4Battery);
  IoConfig();
}

// The product sign-on and the model name (SR131, 10 bytes) from the identity table.
void FillIdentity(char* signon) {
  Oem_GetSignon(signon, SrGet(37), io_init[0]);
  char model[11] = {};
  Oem_GetModel(model, SrGet(37), io_init[0]);
  std::memcpy(plc_reg + reg::SrOffset(131), model, 10);
}

void CheckUserTables() {
  if ((SrGet(164) & kSr164AutoLoadRun) == 0) return;
  const uint16_t sr4 = SrGet(4);
  if ((sr4 & (kSr4UserProgram | kSr4UserGraphics)) || BlockSize(ladder_bl) == 2) Sys_AppLoad = 1;
}

void OpenServices() {
  OCB_Open();
  Cmd_Init();
  OCB_Init();
  UpdateStatusBits();
  KEY_Flush();
  SrSet(2, 0);
  SrSet(3, 0);
  SYS_ResetRCBs(2);
  CFM_Open();
  PGM_InitRunCtrl();
  RCT_Init();
  SYS_LoadRCBs(0);
}

void StartScreensAndMode() {
  PGM_state = (SrGet(4) & kSr4UserGraphics) ? 1 : 4;
  PGM_Create(1);
  PGM_state = 4;
  const uint8_t saved_mode = uint8_t(SrGet(5));
  SrSet(5, 0);
  REC_ScreenInit();
  SetPlcMode(saved_mode);
  if (SrGet(5) > 1) IoStart();
}

void StartAutoLoadRun() {
  if ((SrGet(164) & kSr164AutoLoadRun) == 0 || !Sys_AppLoad || Sys_AutoLoad) return;
  Sys_AutoLoad = 1;
  Sys_ALstmcInited = 0;
  OBJM_DestroyPage();
  SYS_WriteSys(3, 0);
  SystemMsg(pDisplayDC, "Absent/Corrupt User Tables", "Initializing Auto-Load-Run...");
  Delay(200);
}

void FinishStartup() {
  PGM_SetSlice(SrGet(167));  // the slice the screen loop keeps to
  VIDM_Init();
  if (BootMode) SrSet(29, 254);
  SrSet(40, FPGA_GetVer());
  if (UnitFileExists(kEndOfFtp)) {
    plat::RunCommand({"rm", kEndOfFtp});
    plat::RunCommand({"sync"});
  }
  quorv_init_mutexes();
  quorv_update_system_screen_details();
  Cf_Check(0);
  Cf_Check(2);
}

void OrderlyStop() {
  Vint = 0;
  DisarmSliceTimer();
  StopWatchdogMonitor();
  StopWatchdog();
  Fpga_Close();
  if (MasterScriptPipefd >= 0) {
    ::close(MasterScriptPipefd);
    MasterScriptPipefd = -1;
  }
  // The registers are saved as at power-down and the stop marked orderly, so the next
  // start takes them back without a question; the IEC application stops as at
  // power-down, so its retained variables are written.
  AutoSaveRegisters();
  if (OrvanelRuntime) OrvanelStop();
  QuorvStopServer();
  CreateSavedFile();
  BootStatusOr(boot::kOrderlyShutdown);
  plat::SyncPersistentRegs();
  std::printf("panel: stopped\n");
  std::fflush(stdout);
}

}  // namespace

int PanelMain(int argc, char** argv) {
  (void)argv;
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  InstallStopSignals();
  InstallChildReaper();
  if (!RaiseOpenFileLimit()) return -1;

  InitDevicesAndDisplay();
  ReadCommandLine(argc);
  MainPid = ::getpid();
  CreateStorageQueues();
  InstallTimerIRQ();
  ForkMediaSpaceChild();
  if (KernelBuildNumber() >= kWatchdogMonitorFromBuild) StartWatchdogMonitor();
  VideoPlayStreamInit();
  StartMasterScript();

  StartWatchdog();
  TTY_Allocate(pDisplayDC);
  Dpram_Init();
  Fpga_Init();
  char signon[kSignonBytes] = {};
  const int first_start = SYS_Init(signon);
  SystemMsg(pDisplayDC, signon, "Self-test Running...");
  SrSet(4, 0);
  SrSet(34, 0);

  OpenSerialPorts();
  ApplyMenuOptions();
  CheckTablesAndInitPlc(first_start);
  FillIdentity(signon);
  SelfTestReport(pDisplayDC, signon);
  CheckUserTables();
  OpenServices();
  StartScreensAndMode();
  StartAutoLoadRun();
  FinishStartup();

  std::printf("panel: running\n");
  // Between passes the loop waits on the network's sockets, at most one tick: a request
  // starts the next pass at once, and a busy spin would compete with the peers it serves
  // for the processor.
  SetRegisterLoopThread(true);
  while (!g_stop_requested) {
    MainLoopOnce();
    EnetIdleWait(kPassWaitUs);
  }
  SetRegisterLoopThread(false);
  OrderlyStop();
  return 0;
}
