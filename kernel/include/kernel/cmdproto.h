#pragma once
// The programming-tool command server: what other kernel code uses of it. Its hosts are
// in cmdhost.h, the programming link's ownership (Vcomm_*) in sysservices.h.
//
// Main thread only: Cmd_Check runs once per main-loop pass, never inside a time slice,
// and never blocks; commands that take more than one pass are advanced on later passes.

#include <cstdint>

// Non-zero while online programming is in progress.
extern uint8_t OLPMode;
// 1 while a system user has claimed the programming port; the command server then
// leaves the port alone.
extern uint8_t Cmd_Override;
// The command being served; 255 when the server is idle.
extern uint8_t CmdRun;
// CmdRun while no command is being served.
inline constexpr uint8_t kCmdIdle = 255;

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
// J1939 start flag: held at 1 by the IEC loader during its NetIoConfig call, so that the
// reconfiguration starts the J1939 network with the IEC application.
extern uint8_t J1939StartFlag;
