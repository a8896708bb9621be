// Hooks of kernel operations whose own code is not built yet: each only records its
// call in the platform call trace, so that everything links and runs.
#include "kernel/cmdproto.h"
#include "platform/trace.h"

uint8_t OLPMode = 0;
uint8_t Cmd_Override = 0;
uint8_t CmdRun = 255;

void Cmd_Init() { plat::TraceCall("Cmd_Init"); }
void Cmd_Check() { plat::TraceCall("Cmd_Check"); }
void Cmd_PortInit(uint8_t mode) { plat::TraceCall("Cmd_PortInit", mode); }
uint8_t J1939StartFlag = 0;
void NetIoConfig() { plat::TraceCall("NetIoConfig", J1939StartFlag); }
