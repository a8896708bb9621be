#pragma once
// What the controller kernel uses of the system screens subsystem.

#include <cstdint>

// Selects a System Menu page; 0 when the number is not a page.
int MENU_SetPage(int number);
int MENU_GetPage();
// Copies the 28 System Menu pages into the menu's working pages (system start-up).
void MENU_CopyPages();
// Recovery screen start-up; sets RecoverMode when recovery is needed.
void REC_ScreenInit();
// 0 until the media directory's auto-load-run sequence has started.
extern uint8_t Sys_ALstmcInited;

// The system screens' own pages, which the screen loop opens by SR3: touch calibration
// (21), boot installer (22), recovery (23) and the System Menu page that MENU_SetPage
// prepared.
extern const uint8_t* const calTchPage;
extern const uint8_t* const BootPage;
extern const uint8_t* const RecoverPage;
extern const uint8_t* const sysPage;
// Started flags of the clone screens (from the card, from the stick): set by the screen,
// cleared by the screen loop whenever its SR164 request bit is clear.
extern uint8_t Clon_McInited;
extern uint8_t Clon_McLinited;
