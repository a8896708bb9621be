#pragma once
// Stand-in for the board's hardware watchdog (/dev/watchdog: open, WDIOC_SETTIMEOUT,
// WDIOC_GETTIMELEFT, the "w" feed and the "V" magic close).
//
// Callers: the watchdog device service (open, timeout, feed, close) on the main thread,
// the feed also from inside a time slice; the watchdog-monitor thread (time left).
// Nothing here blocks, allocates or takes a lock: every call is async-signal-safe and
// safe between those threads.
//
// Time left is reported in milliseconds, measured on the platform clock from the last
// feed (or the open, or the last timeout change). The Linux driver reports whole seconds;
// with the unit's 5 s timeout a second count could never fall into the monitor's
// 400..1000 window, so the stand-in states its unit as milliseconds.
// When the time runs out the board would reset; the stand-in only records the expiry.

#include <cstdint>

namespace plat {

// Opens the device; false when it is open already.
bool WatchdogOpen();
bool WatchdogIsOpen();
// Sets the timeout in seconds and restarts the countdown; ignored while closed.
void WatchdogSetTimeout(int seconds);
// The "w" feed: restarts the countdown; ignored while closed.
void WatchdogKeepalive();
// The "V" magic close: the watchdog stops and the device closes.
void WatchdogMagicClose();
// Milliseconds before the watchdog expires (0 once expired); -1 while closed.
int32_t WatchdogTimeLeftMs();
// True once the countdown has reached 0 while open (the board would have reset).
bool WatchdogExpired();

// Tests: closes the device and forgets any expiry.
void WatchdogReset();

}  // namespace plat
