// Hooks of the runtime's later parts: each records its call and answers as an
// application without such objects would. Until the interpreter lands, a cycle runs no
// code.
#include "pending_vm_parts.h"

#include "iec_runtime/services.h"
#include "platform/trace.h"

namespace n4hook {
int RunProgram(uint8_t*, unsigned program) {
  plat::TraceCall("N4VMTic_Run", int(program));
  return 1;
}
int RunTask(uint8_t*, unsigned task, uint32_t) {
  plat::TraceCall("N4VMSched_RunTask", int(task));
  return 0;
}
void ProcessExecBuffer(uint8_t*) {}
int LinkBlocks(const uint8_t*, uint8_t*, int) { return 0; }
void ShutDownBlocks(uint8_t*) {}
int BuildMap(const uint8_t*, uint8_t*, int) { return 0; }
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
void BuildBindingTables(const uint8_t*) { plat::TraceCall("BuildBindingTables"); }
void EnumVariables() {
  plat::TraceCall("EnumOrvanelVars");
  orvanel_variables_enumerateded = 1;  // the per-scan sync is on from here
}
void SetBoundSystemBits() {}
}  // namespace n4hook
