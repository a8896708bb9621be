// Hooks of the parts of the screen objects subsystem not built yet (the user manager),
// and the screen-loop tests' seam into the object manager.
#include "platform/trace.h"
#include "screens/objm_bodies.h"
#include "ground/upcalls.h"
#include "screens/services.h"

ObjmBodies g_objm_bodies;

uint8_t ExternalRegOnPage = 0;
int16_t PAGE_current = 0;
uint8_t PAGE_mode = 0;

int UserGotAccess(int) { return 1; }
void USRMGR_Init() { plat::TraceCall("USRMGR_Init"); }
void USRMGR_Update() { plat::TraceCall("USRMGR_Update"); }
void USRMGR_resetTimeout() { plat::TraceCall("USRMGR_resetTimeout"); }
int USRMGR_SessionFlag() { return 0; }
bool PseudoSessionOpen() { return USRMGR_SessionFlag() != 0; }
uint8_t openPageExec = 0;
