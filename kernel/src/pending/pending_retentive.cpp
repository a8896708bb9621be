// Hooks of kernel operations whose own code is not built yet: each only records its
// call in the platform call trace, so that everything links and runs.
#include "kernel/regimage.h"
#include "kernel/retentive.h"
#include "platform/trace.h"

uint8_t fwload_set_def = 0;

// Records the PLC mode that the saved image would hold.
int AutoSaveRegisters() {
  plat::TraceCall("AutoSaveRegisters", SrGet(5));
  return 1;
}
int AutoLoadRegisters() {
  plat::TraceCall("AutoLoadRegisters");
  return 1;
}
void RestoreSRReg() { plat::TraceCall("RestoreSRReg"); }
void StoreBBRAM() { plat::TraceCall("StoreBBRAM"); }
int EraseBackupData() {
  plat::TraceCall("EraseBackupData");
  return 1;
}

volatile int PowerdownSignal = 0;
void PowerDown() { plat::TraceCall("PowerDown"); }
void GPIOInit() { plat::TraceCall("GPIOInit"); }
int SaveAndSetMACID() {
  plat::TraceCall("SaveAndSetMACID");
  return 1;
}
