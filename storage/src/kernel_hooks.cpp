// Hooks of the storage subsystem's parts not built yet: loggers, reports, alarms.
#include "platform/trace.h"
#include "storage/services.h"

uint8_t Sys_AutoLoad = 0;
uint8_t Sys_ManualLoadKey = 0;
uint8_t removeSafe = 0;
uint32_t Sys_CFinitTime = 0;

void LOG_Start() { plat::TraceCall("LOG_Start"); }
void LOG_Stop() { plat::TraceCall("LOG_Stop"); }
void LOG_Update() { plat::TraceCall("LOG_Update"); }
void REPORT_Start() { plat::TraceCall("REPORT_Start"); }
void REPORT_Stop() { plat::TraceCall("REPORT_Stop"); }
void REPORT_Scanner() { plat::TraceCall("REPORT_Scanner"); }
void AlarmLogToCF_Start() { plat::TraceCall("AlarmLogToCF_Start"); }
void AlarmLogToCF_Stop() { plat::TraceCall("AlarmLogToCF_Stop"); }
void AlarmLogToCF_Scanner() { plat::TraceCall("AlarmLogToCF_Scanner"); }
void DLOG_Update() { plat::TraceCall("DLOG_Update"); }
void ALRM_Init() { plat::TraceCall("ALRM_Init"); }
void ALRM_Update() { plat::TraceCall("ALRM_Update"); }
uint8_t ALRM_WindowCopy[kAlarmWindowBytes];
int LoadPgm() {
  plat::TraceCall("LoadPgm");
  return 0;
}
