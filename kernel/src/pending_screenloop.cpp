// Hooks of kernel operations whose own code is not built yet: each only records its
// call in the platform call trace, so that everything links and runs.
#include "kernel/screenloop.h"
#include "platform/trace.h"

void PGM_SetSlice(uint16_t value) { plat::TraceCall("PGM_SetSlice", value); }
void PGM_SetPopupMode(uint8_t mode) { plat::TraceCall("PGM_SetPopupMode", mode); }
