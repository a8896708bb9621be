// Hooks of the runtime's later parts: each records its call and answers as an
// application without such objects would.
#include "pending_vm_parts.h"

#include "iec_runtime/services.h"
#include "platform/trace.h"

namespace n4hook {
int RunTask(uint8_t*, unsigned task, uint32_t) {
  plat::TraceCall("N4VMSched_RunTask", int(task));
  return 0;
}
void ProcessExecBuffer(uint8_t*) { plat::TraceCall("N4VMPrg_ProcessExecBuffer"); }
int IsBreakpoint(uint8_t*, uint16_t, uint16_t) { return 0; }  // asked at every instruction: not traced
void SamplerSet(uint8_t*, uint16_t number, const uint16_t*) { plat::TraceCall("N4VMBsmp_Set", number); }
void SamplerCtl(uint8_t*, uint16_t number, uint16_t) { plat::TraceCall("N4VMBsmp_Ctl", number); }
int OpenIo(const uint8_t*, uint8_t*) {
  plat::TraceCall("N4VMIO_Open");
  return 0;
}
void CloseIo(uint8_t*) { plat::TraceCall("N4VMIO_Close"); }
int ExchangeIo(uint8_t*) {
  plat::TraceCall("N4VMIO_Exchange");
  return 0;
}
int OpenModbus(uint8_t*) {
  plat::TraceCall("N4VM_OpenModbus");
  return 0;
}
void CloseModbus(uint8_t*) { plat::TraceCall("N4VM_CloseModbus"); }
void CycleModbus(uint8_t*, uint32_t) { plat::TraceCall("N4VM_ExchangeModbusData"); }
int OpenExtData(uint8_t*) {
  plat::TraceCall("N4VM_OpenExtData");
  return 0;
}
void CloseExtData(uint8_t*) { plat::TraceCall("N4VM_CloseExtData"); }
void UpdateExtData(uint8_t*, uint32_t) { plat::TraceCall("N4VM_UpdateExtData"); }
void SampleBits(uint8_t*) { plat::TraceCall("N4VMBs_Sample"); }
int CommOpen() {
  plat::TraceCall("N4CS_Open");
  return 0;
}
void CommClose() { plat::TraceCall("N4CS_Close"); }
int CommNextRequest(int*, const uint8_t**, uint32_t*) {
  plat::TraceCall("N4CS_GetQuestion");
  return 0;
}
void CommAnswer(int slot, int code) { plat::TraceCall("N4CS_SendRC", slot, code); }
uint32_t EventSize() {
  plat::TraceCall("N4EVS_GetMemorySize");
  return 0;
}
int EventOpen(void*) {
  plat::TraceCall("N4EVS_Open");
  return 1;
}
void EventClose(void*) { plat::TraceCall("N4EVS_Close"); }
void EventPass(void*) { plat::TraceCall("N4EVS_Activate"); }
void EventSignal(void*, int what, const char*) { plat::TraceCall("N4EVS_Signal", what); }
}  // namespace n4hook
