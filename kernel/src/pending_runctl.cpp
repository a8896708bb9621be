// Hooks of kernel operations whose own code is not built yet: each only records its
// call in the platform call trace, so that everything links and runs.
#include "kernel/regimage.h"
#include "kernel/runctl.h"
#include "platform/trace.h"

void PlcInit(int cold) {
  plat::TraceCall("PlcInit", cold);
  PlcRegInit(cold);
}
void SetPlcMode(uint8_t mode) { plat::TraceCall("SetPlcMode", mode); }
void IoStart() { plat::TraceCall("IoStart"); }
int IoConfig() {
  plat::TraceCall("IoConfig");
  return 0;
}
void NetConfig() { plat::TraceCall("NetConfig"); }
void Plc_NetInit() { plat::TraceCall("Plc_NetInit"); }
void PlcScan() { plat::TraceCall("PlcScan"); }
uint16_t io_init[3] = {255, 255, 255};
