// Hooks of kernel operations whose own code is not built yet: each only records its
// call in the platform call trace, so that everything links and runs.
#include "kernel/screenloop.h"
#include "platform/trace.h"
#include "screenloop_body.h"

void (*g_screen_pass_body)() = nullptr;

void PGM_SetSlice(uint16_t value) { plat::TraceCall("PGM_SetSlice", value); }
void PGM_SetPopupMode(uint8_t mode) { plat::TraceCall("PGM_SetPopupMode", mode); }

uint8_t PGM_state = 0;
void PGM_InitRunCtrl() { plat::TraceCall("PGM_InitRunCtrl"); }
void PGM_Create(int exception) { plat::TraceCall("PGM_Create", exception); }
void PGM_TheLoop() {
  plat::TraceCall("PGM_TheLoop");
  if (g_screen_pass_body) g_screen_pass_body();
}
// Until the screen program is built: the screens stop, so that the loop leaves a
// download screen alone.
void PGM_Destroy() {
  plat::TraceCall("PGM_Destroy");
  PGM_state = 2;
}
