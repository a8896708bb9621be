// Hooks of kernel operations whose own code is not built yet: each only records its
// call in the platform call trace, so that everything links and runs.
#include <cstdio>
#include <cstdlib>
#include <cstring>

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
uint16_t SYS_LastUserScreen() { return 0; }
void SYS_MenuOption(int which, int on) { plat::TraceCall("SYS_MenuOption", which, on); }
void SYS_MenuOption2(uint16_t value) { plat::TraceCall("SYS_MenuOption2", value); }
void SYS_Contrast(uint8_t value) { plat::TraceCall("SYS_Contrast", value); }
uint16_t SYS_RunMode() { return SrGet(5); }
int SYS_GetRunLed() { return 0; }
int SYS_GetOkLed() { return 0; }
int SYS_KeyEnabled() { return SrGet(173) == 0; }
int SYS_KeyPut(uint16_t key) {
  plat::TraceCall("SYS_KeyPut", key);
  return 1;
}
int SYS_PackRegs(int flag) {
  plat::TraceCall("SYS_PackRegs", flag);
  return 0;
}
int SYS_GetModel() { return 0; }
void LogicTickleWatchdog() {}
uint8_t SYS_fGrayScale = 0;

void BKLT_Ctrl(int direct, int level) { plat::TraceCall("BKLT_Ctrl", direct, level); }
void SYS_InitGFX() { plat::TraceCall("SYS_InitGFX"); }
void SYS_PanelServices() { plat::TraceCall("SYS_PanelServices"); }
uint16_t* SYS_GetParmTbl() {
  static uint16_t table[kParmTblWords];
  plat::TraceCall("SYS_GetParmTbl");
  return table;
}
int SYS_SaveParmTbl(const uint16_t*) {
  plat::TraceCall("SYS_SaveParmTbl");
  return 1;
}

int SYS_BattTest() { return 1; }
void SYS_WarmReset() { plat::TraceCall("SYS_WarmReset"); }
void SYS_VDG() { plat::TraceCall("SYS_VDG"); }
void ExceptionISR(int signal) {
  plat::TraceCall("ExceptionISR", signal);
  std::_Exit(128 + signal);
}

void StartWatchdog() { plat::TraceCall("StartWatchdog"); }
void StopWatchdog() { plat::TraceCall("StopWatchdog"); }
void TickleWatchdogReal() { plat::TraceCall("TickleWatchdogReal"); }
void set_watchdog_time(int seconds) { plat::TraceCall("set_watchdog_time", seconds); }

void Oem_GetSignon(char* text, uint16_t product_code, uint16_t module_id) {
  plat::TraceCall("Oem_GetSignon", product_code, module_id);
  if (text) std::snprintf(text, kSignonBytes, "*Unknown*");
}
void Oem_GetModel(char* model, uint16_t product_code, uint16_t module_id) {
  plat::TraceCall("Oem_GetModel", product_code, module_id);
  if (model) std::snprintf(model, 10, "*Unknown*");
}

void Vcomm_Init() { plat::TraceCall("Vcomm_Init"); }

// Register links.
void SYS_ResetRCBs(int mode) { plat::TraceCall("SYS_ResetRCBs", mode); }
int SYS_LoadRCBs(int x) { return x; }
RCB* SYS_LinkReg(uint32_t reference, uint16_t size) {
  plat::TraceCall("SYS_LinkReg", reference, size);
  return nullptr;
}
RCB* SYS_32LinkReg(uint32_t reference, uint8_t size) {
  plat::TraceCall("SYS_32LinkReg", reference, size);
  return nullptr;
}
void SYS_ChgLink(RCB*, uint32_t reference, uint16_t size) { plat::TraceCall("SYS_ChgLink", reference, size); }
void SYS_ModLink(RCB*, int32_t offset) { plat::TraceCall("SYS_ModLink", offset); }
void SYS_InitRogueRCB(uint32_t* out, uint32_t reference) {
  if (out) *out = reference;
}
int SYS_WriteRogueRCB(const uint32_t*, uint32_t offset, uint32_t nbits, const void*) {
  plat::TraceCall("SYS_WriteRogueRCB", offset, nbits);
  return 0;
}
void SYS_LoadAlarmRcb(uint32_t reference, uint32_t bits) { plat::TraceCall("SYS_LoadAlarmRcb", reference, bits); }
int SYS_ReadReg(void* buffer, RCB*, uint32_t length) {
  if (buffer) std::memset(buffer, 0, length);
  return 0;
}
int SYS_WriteReg(RCB*, const void*, uint32_t) { return 0; }
void SYS_InitTchSen(uint32_t reference) { plat::TraceCall("SYS_InitTchSen", reference); }

// Battery-backed RAM image and block readers.
alignas(8) uint8_t bbram[kBbramSize];
void SYS_WriteCmd(const void*, uint32_t offset, uint32_t length) { plat::TraceCall("SYS_WriteCmd", offset, length); }
void SYS_ReadCmd(void*, uint32_t offset, uint32_t length) { plat::TraceCall("SYS_ReadCmd", offset, length); }
void SYS_ClearCmd() { plat::TraceCall("SYS_ClearCmd"); }
void SYS_InitBBR() {}
uint32_t SYS_AllocBBR() { return 128; }
void SYS_ExpandBBR(uint32_t n) { plat::TraceCall("SYS_ExpandBBR", n); }
void SYS_GetMACID(void*) { plat::TraceCall("SYS_GetMACID"); }
uint32_t SYS_ReadSeg(int, uint32_t) { return 0; }
