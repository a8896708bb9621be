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
void ProcessExecBuffer(uint8_t*) {}
int IsBreakpoint(uint8_t*, uint16_t, uint16_t) { return 0; }
void SamplerSet(uint8_t*, uint16_t number, const uint16_t*) { plat::TraceCall("N4VMBsmp_Set", number); }
void SamplerCtl(uint8_t*, uint16_t number, uint16_t) { plat::TraceCall("N4VMBsmp_Ctl", number); }
int OpenIo(const uint8_t*, uint8_t*) { return 0; }
void CloseIo(uint8_t*) {}
int ExchangeIo(uint8_t*) { return 0; }
int OpenModbus(uint8_t*) { return 0; }
void CloseModbus(uint8_t*) {}
void CycleModbus(uint8_t*, uint32_t) {}
int OpenExtData(uint8_t*) { return 0; }
void CloseExtData(uint8_t*) {}
void UpdateExtData(uint8_t*, uint32_t) {}
void SampleBits(uint8_t*) {}
int CommOpen() { return 0; }
void CommClose() {}
int CommNextRequest(int*, const uint8_t**, uint32_t*) { return 0; }
void CommAnswer(int, int) {}
uint32_t EventSize() { return 0; }
int EventOpen(void*) { return 1; }
void EventClose(void*) {}
void EventPass(void*) {}
void EventSignal(void*, int, const char*) {}
}  // namespace n4hook
