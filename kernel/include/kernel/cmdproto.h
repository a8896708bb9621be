#pragma once
// The programming-tool command server: what other kernel code uses of it.

#include <cstdint>

// Non-zero while online programming is in progress.
extern uint8_t OLPMode;
// 1 while a system user has claimed the programming port; the command server then
// leaves the port alone.
extern uint8_t Cmd_Override;
// The command being served; 255 when the server is idle.
extern uint8_t CmdRun;

// Opens the command port at start-up.
void Cmd_Init();
// One pass of the command server (never inside a time slice).
void Cmd_Check();
// Re-initialises the programming port in the given mode (written through SR34).
void Cmd_PortInit(uint8_t mode);
// Reconfigures network and I/O after a configuration change.
void NetIoConfig();
// J1939 start flag: held at 1 by the IEC loader during its NetIoConfig call, so that the
// reconfiguration starts the J1939 network with the IEC application.
extern uint8_t J1939StartFlag;
