// Hooks of the protocols subsystem until it is built: no driver, no CAN network.
#include "fieldbus/services.h"
#include "fieldbus/user_modem.h"
#include "platform/trace.h"

uint8_t CANOpen_dwnld = 0;
uint8_t CANOpen_ClearStats = 0;

int CAN_TalkthruCMD(int sub_command, const uint8_t*) {
  plat::TraceCall("CAN_TalkthruCMD", sub_command);
  return 0;
}
int CAN_TalkthruRX(int, uint8_t*) { return 0; }
void CANOpen_PutByte(const uint8_t*, uint32_t count, int link_mode) { plat::TraceCall("CANOpen_PutByte", count, link_mode); }
CanNetSetup CANOpenSetupStandIn{};
void CANOpenInit(const CanNetSetup* setup) {
  plat::TraceCall("CANOpenInit");
  if (setup) CANOpenSetupStandIn = *setup;
}
void CANOpenRxMsg() { plat::TraceCall("CANOpenRxMsg"); }
void CANOpenTxMsg() { plat::TraceCall("CANOpenTxMsg"); }
namespace candrv {
void _Can_SetEvent(int, int, int) { plat::TraceCall("_Can_SetEvent"); }
}  // namespace candrv
int Net_CheckRx() { return 0; }
int Net_GetRx() { return 0; }
void Net_FlushRx() {}
void OCB_Open() { plat::TraceCall("OCB_Open"); }
void OCB_Init() { plat::TraceCall("OCB_Init"); }
void OCB_Update() { plat::TraceCall("OCB_Update"); }
void OCB_DfltPortChange(uint16_t value) { plat::TraceCall("OCB_DfltPortChange", value); }
void PMGR_TheLoop(int driver_index) { plat::TraceCall("PMGR_TheLoop", driver_index); }
void PMGR_Start() { plat::TraceCall("PMGR_Start"); }
void PMGR_Stop() { plat::TraceCall("PMGR_Stop"); }
void PMGR_Scan() { plat::TraceCall("PMGR_Scan"); }
void PMGR_GetDrvInfo(const uint8_t*, int count) { plat::TraceCall("PMGR_GetDrvInfo", count); }
void ModemInit(int port) { plat::TraceCall("ModemInit", port); }
int ModemStart(int port, const ModemStartRecord& record) {
  plat::TraceCall("ModemStart", port, record.function);
  return 1;
}
int ModemStop(int port, int function) {
  plat::TraceCall("ModemStop", port, function);
  return 1;
}
int ModemExecute(int port, int function) {
  plat::TraceCall("ModemExecute", port, function);
  return 0;
}
