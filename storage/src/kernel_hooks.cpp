// Hooks of the storage subsystem until it is built: no drive, no job.
#include <cstdlib>

#include "platform/trace.h"
#include "storage/services.h"

uint8_t Sys_AutoLoad = 0;
uint8_t Sys_ManualLoadKey = 0;
uint8_t removeSafe = 0;
uint32_t Sys_CFinitTime = 0;

void BackTsk() { std::_Exit(0); }
void Cf_Check(int drive) { plat::TraceCall("Cf_Check", drive); }
void CFM_Open() { plat::TraceCall("CFM_Open"); }
void CFM_Init() { plat::TraceCall("CFM_Init"); }
void CFM_Update() { plat::TraceCall("CFM_Update"); }
void CFM_TheLoop() { plat::TraceCall("CFM_TheLoop"); }
int CFM_LoadDpramReq() {
  plat::TraceCall("CFM_LoadDpramReq");
  return 0;
}
int CFM_LoadLoggerReq() {
  plat::TraceCall("CFM_LoadLoggerReq");
  return 0;
}
int CFM_LoadReportReq() {
  plat::TraceCall("CFM_LoadReportReq");
  return 0;
}
int CFM_LoadRecipeReq() {
  plat::TraceCall("CFM_LoadRecipeReq");
  return 0;
}
int CFM_LoadAlarmReq() {
  plat::TraceCall("CFM_LoadAlarmReq");
  return 0;
}
int CFM_LoadEmailReq() {
  plat::TraceCall("CFM_LoadEmailReq");
  return 0;
}
int CFM_LoadTrendReq() {
  plat::TraceCall("CFM_LoadTrendReq");
  return 0;
}
int CFM_LoadTrendReadReq() {
  plat::TraceCall("CFM_LoadTrendReadReq");
  return 0;
}
int CFM_QuorvLoadTrendReadReq() {
  plat::TraceCall("CFM_QuorvLoadTrendReadReq");
  return 0;
}
int CFM_LoadDBGLoggerReq() {
  plat::TraceCall("CFM_LoadDBGLoggerReq");
  return 0;
}
int CFM_PollReq(int client, uint32_t*) {
  plat::TraceCall("CFM_PollReq", client);
  return 4;
}
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
