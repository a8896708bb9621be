// The power-fail path: the board's kernel sends signal 44 when the supply fails; the
// handler only raises PowerdownSignal, and the main loop then saves everything and
// switches the SoC off. The save runs on the main thread, possibly inside a time-slice
// pass, so it uses only file calls (open, write, fsync, rename) and the device models.
#include <csignal>
#include <ctime>
#include <unistd.h>

#include "iec_runtime/services.h"
#include "ground/bootstatus.h"
#include "controller/orvanel.h"
#include "controller/retentive.h"
#include "controller/startup.h"
#include "ground/sysservices.h"
#include "platform/persistent_regs.h"
#include "platform/power_controller.h"
#include "platform/runner.h"
#include "platform/trace.h"
#include "platform/watchdog.h"

volatile int PowerdownSignal = 0;

namespace {
constexpr int kPowerFailSignal = 44;
constexpr int kPowerDownWatchdogS = 60;
// On the board the loop never ends: the SoC switches off while it runs.
constexpr unsigned kSwitchOffWrites = 1000;
}  // namespace

void PowerDownSignaled(int) { PowerdownSignal = 1; }

void PowerDown() {
  plat::TraceCall("PowerDown");
  // Time enough for the save, but a hang still ends in a reset.
  StopWatchdog();
  if (!WatchDogDisable && plat::WatchdogOpen()) plat::WatchdogSetTimeout(kPowerDownWatchdogS);
  AutoSaveRegisters();
  if (OrvanelRuntime) {
    OrvanelStop();
    plat::RunCommand({"sync"});
  }
  CreateSavedFile();
  BootStatusOr(boot::kOrderlyShutdown);
  const timespec settle{0, 25'000};
  nanosleep(&settle, nullptr);
  plat::SyncPersistentRegs();
  // The SoC switches off during these writes; only a held host model lets them return.
  for (unsigned i = 0; i < kSwitchOffWrites; ++i) plat::PowerControllerWrite(plat::kPowerOffWord);
}

void GPIOInit() {
  plat::TraceCall("GPIOInit");
  // Without the window the previous one (the in-process registers) stays in use.
  plat::AttachPersistentRegs();
  struct sigaction sa {};
  sa.sa_handler = PowerDownSignaled;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_RESTART;
  sigaction(kPowerFailSignal, &sa, nullptr);
  plat::RegisterPowerDownNotice(::getpid());
}
