// Hooks of kernel operations whose own code is not built yet: each only records its
// call in the platform call trace, so that everything links and runs.
#include "kernel/sysservices.h"
#include "platform/trace.h"

void SYS_MenuOption(int which, int on) { plat::TraceCall("SYS_MenuOption", which, on); }
void SYS_MenuOption2(uint16_t value) { plat::TraceCall("SYS_MenuOption2", value); }
void SYS_Contrast(uint8_t value) { plat::TraceCall("SYS_Contrast", value); }
