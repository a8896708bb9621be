// Hooks of kernel operations whose own code is not built yet: each only records its
// call in the platform call trace, so that everything links and runs.
#include "kernel/runctl.h"
#include "platform/trace.h"

void SetPlcMode(uint8_t mode) { plat::TraceCall("SetPlcMode", mode); }
void Plc_NetInit() { plat::TraceCall("Plc_NetInit"); }
