// Hooks of the parts of the networking subsystem that are not built yet: MQTT and the
// Wi-Fi link status.
#include "net/services.h"
#include "platform/trace.h"

void mqttStateLoop() { plat::TraceCall("mqttStateLoop"); }
void watchdogStModeStatus() { plat::TraceCall("watchdogStModeStatus"); }
