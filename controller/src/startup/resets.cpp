// Restarts of the unit: the warm reset, which keeps the program and the registers, and
// the program erase. The reboot is a command of the runner; on the board it does not
// return, on a host it is refused (or recorded by a test) and the call returns.
#include "ground/bootstatus.h"
#include "controller/progstore.h"
#include "controller/retentive.h"
#include "ground/sysservices.h"
#include "platform/gpio.h"
#include "platform/runner.h"
#include "platform/trace.h"

namespace {
// The reset-hold output keeps the I/O modules and the option board in reset while the
// controller restarts.
constexpr int kResetHoldBank = 3;
constexpr uint32_t kResetHoldMask = 1u << 26;

void SyncAndReboot() {
  plat::RunCommand({"sync"});
  plat::RunCommand({"reboot"});
}
}  // namespace

void SYS_WarmReset() {
  plat::TraceCall("SYS_WarmReset");
  plat::GpioDoutSet(kResetHoldBank, kResetHoldMask);
  AutoSaveRegisters();
  CreateSavedFile();
  // An orderly stop: the next start restores the saved registers and does not count a
  // reset.
  BootStatusSet(boot::kOrderlyShutdown);
  SyncAndReboot();
}

void SYS_VDG() {
  plat::TraceCall("SYS_VDG");
  DeleteProgram();
  DelAutoRegFile();
  ClrRegFile();
  SyncAndReboot();
}
