#pragma once
// The programming-tool command server's state, as the layers below the controller read it.
// The controller's command server sets it (controller/cmdserver.h has its operations);
// its hosts are in cmdhost.h, the programming link's ownership (Vcomm_*) in
// sysservices.h. Main thread only.

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

// J1939 start flag: held at 1 by the IEC loader during its NetIoConfig call, so that the
// reconfiguration starts the J1939 network with the IEC application.
extern uint8_t J1939StartFlag;

// Set while a download is in progress: from a download request that shows the download
// screen until the screen is left (the end of a download outside a communication lock,
// the lock's release, a verify, or an interrupted download).
extern uint8_t Cmd_Downloading;
