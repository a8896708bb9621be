// Hooks of kernel operations whose own code is not built yet: each only records its
// call in the platform call trace, so that everything links and runs.
#include <cstdio>
#include <cstdlib>

#include "kernel/sysservices.h"
#include "kernel/version.h"
#include "platform/trace.h"

// Until the system services are built, the sign-on is the firmware's own name and
// version, and the identity table knows no panel.
int SYS_Init(char* signon) {
  plat::TraceCall("SYS_Init");
  if (signon) std::snprintf(signon, kSignonBytes, "Controller: %.5s", kFirmwareVersion);
  return 0;
}
void ExceptionISR(int signal) {
  plat::TraceCall("ExceptionISR", signal);
  std::_Exit(128 + signal);
}
// Until the program header is kept by the command server, the unit's own identity.
uint8_t OemIdentityByte() { return 0; }
void Vcomm_Init() { plat::TraceCall("Vcomm_Init"); }
