// Hooks of kernel operations whose own code is not built yet: each only records its
// call in the platform call trace, so that everything links and runs.
#include "kernel/regaccess.h"
#include "kernel/regimage.h"
#include "kernel/sysservices.h"
#include "platform/trace.h"

void SYS_HardwareCheck() { plat::TraceCall("SYS_HardwareCheck"); }
void SYS_Init() { plat::TraceCall("SYS_Init"); }
uint16_t SYS_ReadSys(int n) { return SrGet(uint32_t(n)); }
int SYS_WriteSys(int n, uint16_t value) {
  plat::TraceCall("SYS_WriteSys", n, value);
  return PlcReg_Set(reg::SrToken(uint32_t(n)), &value, 16);
}
void SYS_MenuOption(int which, int on) { plat::TraceCall("SYS_MenuOption", which, on); }
void SYS_MenuOption2(uint16_t value) { plat::TraceCall("SYS_MenuOption2", value); }
void SYS_Contrast(uint8_t value) { plat::TraceCall("SYS_Contrast", value); }
int SYS_BattTest() { return 1; }
void SYS_ResetRCBs(int mode) { plat::TraceCall("SYS_ResetRCBs", mode); }
void StartWatchdog() { plat::TraceCall("StartWatchdog"); }
void StopWatchdog() { plat::TraceCall("StopWatchdog"); }
void TickleWatchdogReal() { plat::TraceCall("TickleWatchdogReal"); }
