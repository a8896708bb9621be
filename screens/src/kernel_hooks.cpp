// Hooks of the screen objects subsystem until it is built, unless a test gives them
// bodies (screens/objm_bodies.h). So that the running unit behaves sensibly, every page
// opens (drawing nothing) and the update pass drains the key and touch rings, so that
// function keys and the System key work.
#include "platform/trace.h"
#include "screens/objm_bodies.h"
#include "screens/services.h"

ObjmBodies g_objm_bodies;

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
int OBJM_Keypress(int event, int x, int y) {
  plat::TraceCall("OBJM_Keypress", event, (int64_t(x) << 16) | y);
  return 0;
}
void OBJM_MorfObj(int object_class, void*) { plat::TraceCall("OBJM_MorfObj", object_class); }
int OBJM_OpenPage(DC* dc, const uint8_t* page) {
  plat::TraceCall("OBJM_OpenPage", page ? int16_t(page[0] | (page[1] << 8)) : -1);
  if (g_objm_bodies.open_page) return g_objm_bodies.open_page(dc, page);
  return 1;
}
const uint8_t* OBJM_ScanPage(DC* dc, const uint8_t* page) {
  return g_objm_bodies.scan_page ? g_objm_bodies.scan_page(dc, page) : nullptr;
}
int OBJM_Update(DC* dc) {
  plat::TraceCall("OBJM_Update");
  if (g_objm_bodies.update) return g_objm_bodies.update(dc);
  KEY_Check(OBJM_Keypress);
  return 1;
}
void STR_Init(uint32_t a, uint32_t b) { plat::TraceCall("STR_Init", a, b); }
int STR_Update() { return 0; }
int UserGotAccess(int) { return 1; }
void USRMGR_Init() { plat::TraceCall("USRMGR_Init"); }
void USRMGR_Update() { plat::TraceCall("USRMGR_Update"); }
void USRMGR_resetTimeout() { plat::TraceCall("USRMGR_resetTimeout"); }
int USRMGR_SessionFlag() { return 0; }
uint8_t openPageExec = 0;
