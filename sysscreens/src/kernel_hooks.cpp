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

namespace {
// Page headers without objects (version 0): page index, fault marker, object count,
// background colour, version, external-reference table offset.
constexpr uint8_t kEmptyPage[14] = {0xFE, 0xFF, 0, 0, 0, 0, 0xDF, 0xFF, 0, 0, 0, 0, 0, 0};
}  // namespace
const uint8_t* const calTchPage = kEmptyPage;
const uint8_t* const BootPage = kEmptyPage;
const uint8_t* const RecoverPage = kEmptyPage;
const uint8_t* const sysPage = kEmptyPage;
uint8_t Clon_McInited = 0;
uint8_t Clon_McLinited = 0;
