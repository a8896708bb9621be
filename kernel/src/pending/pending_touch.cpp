// Hooks of kernel operations whose own code is not built yet: each only records its
// call in the platform call trace, so that everything links and runs.
#include "kernel/touch.h"
#include "platform/trace.h"

void TCH_BeepEnable(uint8_t on) { plat::TraceCall("TCH_BeepEnable", on); }
void TCH_ScreenSaver(uint16_t delay) { plat::TraceCall("TCH_ScreenSaver", delay); }
void TimerISR() { plat::TraceCall("TimerISR"); }
int TCH_Beep(int n) {
  plat::TraceCall("TCH_Beep", n);
  return n;
}
void TCH_Open(TouchEventCallback) { plat::TraceCall("TCH_Open"); }
int TCH_Ctrl(int code, int32_t* value) {
  plat::TraceCall("TCH_Ctrl", code, value ? *value : 0);
  return 1;
}
void TCH_BeepOvrd(uint8_t on) { plat::TraceCall("TCH_BeepOvrd", on); }
void TCH_TickleSaver() { plat::TraceCall("TCH_TickleSaver"); }
