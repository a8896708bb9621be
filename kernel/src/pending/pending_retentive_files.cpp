// Hooks of kernel operations whose own code is not built yet: each only records its
// call in the platform call trace, so that everything links and runs.
#include "kernel/retentive.h"
#include "platform/trace.h"

uint8_t AutoregFailed = 0;
void CreateSavedFile() { plat::TraceCall("CreateSavedFile"); }
int DelAutoRegFile() {
  plat::TraceCall("DelAutoRegFile");
  return 1;
}
int ClrRegFile() {
  plat::TraceCall("ClrRegFile");
  return 1;
}
int GenLogFile() {
  plat::TraceCall("GenLogFile");
  return 1;
}
