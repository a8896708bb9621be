// Hooks of the messaging subsystem until it is built: no modem, no message.
#include "messaging/services.h"
#include "platform/trace.h"

void EtnEmailScan(int flag) { plat::TraceCall("EtnEmailScan", flag); }
int IsModemSocketActive(int, int) { return 1; }
int ModemCheckRecv(int) { return 0; }
int ModemDataRecv(int) { return 0; }
int ModemDataSend(int, const uint8_t*, uint32_t, int) { return 0; }
void ModemCycle() { plat::TraceCall("ModemCycle"); }
void SMS_Start() { plat::TraceCall("SMS_Start"); }
void SMS_Stop() { plat::TraceCall("SMS_Stop"); }
void SMS_Scanner() { plat::TraceCall("SMS_Scanner"); }
