#pragma once
// The watchdog-monitor thread: when the main loop has stopped feeding the watchdog and
// its time is nearly up, it saves the registers once, so that the reset the watchdog is
// about to cause loses nothing.

#include <cstdint>

// Starts the thread (SIGALRM, SIGINT and SIGTERM blocked in it, so slices and stop
// requests land on the main thread); StopWatchdogMonitor ends and joins it.
void StartWatchdogMonitor();
void StopWatchdogMonitor();

enum class WatchdogScanResult : uint8_t {
  kPolled,   // time left outside the window (or the device closed): Wi-Fi polled
  kSaved,    // in the window: the registers were saved; from now on the thread only
             // waits for the reset
  kWaiting,  // saved before: nothing more to do
};
// One poll of the thread: the time left of the watchdog device (in milliseconds) from
// 400 to 1000 inclusive saves the registers, once.
WatchdogScanResult WatchdogScan();
// Tests: forget an earlier save.
void WatchdogMonitorReset();
