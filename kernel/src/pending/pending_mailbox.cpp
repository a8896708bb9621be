// Hooks of kernel operations whose own code is not built yet: each only records its
// call in the platform call trace, so that everything links and runs.
#include "kernel/mailbox.h"
#include "platform/trace.h"

void Dpram_Init() { plat::TraceCall("Dpram_Init"); }
void Dpram_Service() { plat::TraceCall("Dpram_Service"); }
void Dpram_SetAlarmWindow(uint32_t token, uint32_t bits) { plat::TraceCall("Dpram_SetAlarmWindow", token, bits); }
void Dpram_ResetJobStates() { plat::TraceCall("Dpram_ResetJobStates"); }
