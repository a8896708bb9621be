// The hardware watchdog device. Opened at start-up with a 5 s timeout and fed by the main
// loop (time slices included); stopped with the magic close.
//
// On the board the open can land on descriptor 6, which the board's serial layer expects
// to find free; the unit then parks that descriptor on /usr/version and opens the device
// again. The device model here has no descriptor, so there is nothing to park.
#include "controller/startup.h"
#include "ground/sysservices.h"
#include "platform/watchdog.h"
#include "platform/trace.h"

namespace {
constexpr int kTimeoutS = 5;
}  // namespace

void StartWatchdog() {
  plat::TraceCall("StartWatchdog");
  if (WatchDogDisable || plat::WatchdogIsOpen()) return;
  if (plat::WatchdogOpen()) plat::WatchdogSetTimeout(kTimeoutS);
}

void TickleWatchdogReal() {
  plat::TraceCall("TickleWatchdogReal");
  plat::WatchdogKeepalive();
}

void StopWatchdog() {
  plat::TraceCall("StopWatchdog");
  plat::WatchdogMagicClose();
}

void set_watchdog_time(int seconds) {
  plat::TraceCall("set_watchdog_time", seconds);
  plat::WatchdogSetTimeout(seconds);
}
