// Hooks of kernel operations whose own code is not built yet: each only records its
// call in the platform call trace, so that everything links and runs.
#include <cstdio>

#include "kernel/regaccess.h"
#include "kernel/regimage.h"
#include "kernel/sysservices.h"
#include "kernel/version.h"
#include "platform/trace.h"

void SYS_HardwareCheck() { plat::TraceCall("SYS_HardwareCheck"); }
// Until the system services are built, the sign-on is the firmware's own name and
// version, and the identity table knows no panel.
int SYS_Init(char* signon) {
  plat::TraceCall("SYS_Init");
  if (signon) std::snprintf(signon, kSignonBytes, "Controller: %.5s", kFirmwareVersion);
  return 0;
}
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
uint8_t SYS_fGrayScale = 0;
void Vcomm_Init() { plat::TraceCall("Vcomm_Init"); }
int SYS_LoadRCBs(int x) { return x; }
void Oem_GetSignon(char* text, uint16_t product_code, uint16_t module_id) {
  plat::TraceCall("Oem_GetSignon", product_code, module_id);
  if (text) std::snprintf(text, kSignonBytes, "*Unknown*");
}
void Oem_GetModel(char* model, uint16_t product_code, uint16_t module_id) {
  plat::TraceCall("Oem_GetModel", product_code, module_id);
  if (model) std::snprintf(model, 10, "*Unknown*");
}
