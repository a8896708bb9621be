// Hooks of the system screens subsystem until it is built.
#include "platform/trace.h"
#include "sysscreens/services.h"

uint8_t Sys_ALstmcInited = 0;

int MENU_SetPage(int number) {
  plat::TraceCall("MENU_SetPage", number);
  return 0;
}
int MENU_GetPage() { return 0; }
void MENU_CopyPages() { plat::TraceCall("MENU_CopyPages"); }
void REC_ScreenInit() { plat::TraceCall("REC_ScreenInit"); }
void RestoreBBRAM() { plat::TraceCall("RestoreBBRAM"); }
