// Hooks of the networking subsystem until it is built: no interface comes up.
#include "net/services.h"
#include "platform/trace.h"

EthConfig Dpr_Configuration[kEthInterfaces];
int MasterScriptPipefd = -1;
uint8_t QuorvHttp = 0;

void EnetMain(int sliced) { plat::TraceCall("EnetMain", sliced); }
void Etn_SetMacId(const uint8_t*, int interface) { plat::TraceCall("Etn_SetMacId", interface); }
void Etn_UpdateSecurity() { plat::TraceCall("Etn_UpdateSecurity"); }
void Etn_UpdateStatus() { plat::TraceCall("Etn_UpdateStatus"); }
void mqttStateLoop() { plat::TraceCall("mqttStateLoop"); }
void watchdogStModeStatus() { plat::TraceCall("watchdogStModeStatus"); }
