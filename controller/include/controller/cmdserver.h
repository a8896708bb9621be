#pragma once
// The programming-tool command server's operations. Main thread only: Cmd_Check runs once
// per main-loop pass, never inside a time slice, and never blocks; commands that take
// more than one pass are advanced on later passes.

#include <cstdint>

#include "ground/cmdproto.h"

// Start-up: timers, the hosts (the USB device port's stand-in included), the checksum
// seed, the programming port in its default mode, the file-transfer host. Called once.
void Cmd_Init();
// One pass of the command server (never inside a time slice). The media-image loader
// also calls it while it waits for an answer of its own requests.
void Cmd_Check();
// 0: warm reset; 1: re-opens the programming port in its default mode; other values
// nothing. Also the side effect of writing SR34.
void Cmd_PortInit(uint8_t mode);
// Re-reads the network and I/O configuration when a download changed them.
void NetIoConfig();
