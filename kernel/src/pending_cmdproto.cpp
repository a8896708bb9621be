// Hooks of kernel operations whose own code is not built yet: each only records its
// call in the platform call trace, so that everything links and runs.
#include "kernel/cmdproto.h"
#include "platform/trace.h"

uint8_t OLPMode = 0;

void Cmd_PortInit(uint8_t mode) { plat::TraceCall("Cmd_PortInit", mode); }
