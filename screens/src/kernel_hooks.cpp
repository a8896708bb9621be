// Hooks of the screen objects subsystem until it is built: no page opens.
#include "platform/trace.h"
#include "screens/services.h"

uint8_t ExternalRegOnPage = 0;
int16_t PAGE_current = 0;
uint8_t PAGE_mode = 0;

void OBJM_CreatePopup(DC*, const void*, PopupCallback, void*) { plat::TraceCall("OBJM_CreatePopup"); }
void OBJM_DestroyPage() { plat::TraceCall("OBJM_DestroyPage"); }
void OBJM_FlushUserScreens() { plat::TraceCall("OBJM_FlushUserScreens"); }
void OBJM_SwitchUserScreen(int screen, int flag) { plat::TraceCall("OBJM_SwitchUserScreen", screen, flag); }
OCB* OBJM_GetRootOCB() { return nullptr; }
uint32_t OBJM_Init() {
  plat::TraceCall("OBJM_Init");
  return 0;
}
void OBJM_Keypress(int event, int x, int y) { plat::TraceCall("OBJM_Keypress", event, (int64_t(x) << 16) | y); }
void OBJM_MorfObj(int object_class, void*) { plat::TraceCall("OBJM_MorfObj", object_class); }
int OBJM_OpenPage(DC*, int page) {
  plat::TraceCall("OBJM_OpenPage", page);
  return 0;
}
const uint8_t* OBJM_ScanPage(DC*, const uint8_t*) { return nullptr; }
void OBJM_Update(DC*) { plat::TraceCall("OBJM_Update"); }
void STR_Init(uint32_t a, uint32_t b) { plat::TraceCall("STR_Init", a, b); }
int STR_Update() { return 0; }
int UserGotAccess(int) { return 1; }
void USRMGR_Init() { plat::TraceCall("USRMGR_Init"); }
void USRMGR_Update() { plat::TraceCall("USRMGR_Update"); }
void USRMGR_resetTimeout() { plat::TraceCall("USRMGR_resetTimeout"); }
int USRMGR_SessionFlag() { return 0; }
uint8_t openPageExec = 0;
void KEY_Init() { plat::TraceCall("KEY_Init"); }
void KEY_Flush() { plat::TraceCall("KEY_Flush"); }
