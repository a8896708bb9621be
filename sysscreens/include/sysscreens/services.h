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
void RestoreBBRAM();
// 0 until the media directory's auto-load-run sequence has started.
extern uint8_t Sys_ALstmcInited;
