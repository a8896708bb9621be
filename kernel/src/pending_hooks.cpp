// Kernel operations whose own code is not built yet. Each one only records its call in
// the platform call trace, so that everything links and runs and tests can see the call.
#include "kernel/cmdproto.h"
#include "kernel/rtc.h"
#include "kernel/runctl.h"
#include "kernel/screenloop.h"
#include "kernel/sysservices.h"
#include "kernel/touch.h"
#include "platform/trace.h"

uint8_t OLPMode = 0;

void SetPlcMode(uint8_t mode) { plat::TraceCall("SetPlcMode", mode); }
void Plc_NetInit() { plat::TraceCall("Plc_NetInit"); }

int RtcSet(const RtcRecord& r) {
  plat::TraceCall("RtcSet", r.second | (r.minute << 8) | (int64_t(r.hour) << 16), r.day | (r.month << 8) | (int64_t(r.year) << 16));
  return 1;
}
int RtcTimeSet(const uint16_t t[3]) {
  plat::TraceCall("RtcTimeSet", t[0] | (t[1] << 8) | (int64_t(t[2]) << 16));
  return 1;
}
int RtcDateSet(const uint16_t d[3]) {
  plat::TraceCall("RtcDateSet", d[0] | (d[1] << 8) | (int64_t(d[2]) << 16));
  return 1;
}
void RtcStartup() { plat::TraceCall("RtcStartup"); }

void SYS_MenuOption(int which, int on) { plat::TraceCall("SYS_MenuOption", which, on); }
void SYS_MenuOption2(uint16_t value) { plat::TraceCall("SYS_MenuOption2", value); }
void SYS_Contrast(uint8_t value) { plat::TraceCall("SYS_Contrast", value); }

void PGM_SetSlice(uint16_t value) { plat::TraceCall("PGM_SetSlice", value); }
void PGM_SetPopupMode(uint8_t mode) { plat::TraceCall("PGM_SetPopupMode", mode); }

void TCH_BeepEnable(uint8_t on) { plat::TraceCall("TCH_BeepEnable", on); }
void TCH_ScreenSaver(uint16_t delay) { plat::TraceCall("TCH_ScreenSaver", delay); }

void Cmd_PortInit(uint8_t mode) { plat::TraceCall("Cmd_PortInit", mode); }

#include "kernel/orvanel.h"
void LoadOrvanel(const uint8_t*) { plat::TraceCall("LoadOrvanel"); }
void OrvanelStart() { plat::TraceCall("OrvanelStart"); }
void OrvanelStop() { plat::TraceCall("OrvanelStop"); }
