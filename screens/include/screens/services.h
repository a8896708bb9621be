#pragma once
// What the controller kernel uses of the screen objects subsystem.

#include <cstdint>

#include "screens/keys.h"

struct DC;        // device context (graphics)
struct OCB;       // object control block of the object manager

// Set while the open page shows external-object registers.
extern uint8_t ExternalRegOnPage;
// The number of the page on screen, and the page mode.
extern int16_t PAGE_current;
extern uint8_t PAGE_mode;

// Opens a modal pop-up built from a dialog object (an object record) over the page, or
// over the display when no page is open; the callback gets the answer. Refused while a
// pop-up or a morph is open, and for a record of no known class. The pop-up takes the
// focus until it closes itself with OBJM_DestroyPopup, which gives the focus back and
// repaints the page.
using PopupCallback = void (*)(int answer, void* parameter);
void OBJM_CreatePopup(DC* dc, const void* dialog_object, PopupCallback callback, void* parameter);
void OBJM_DestroyPopup(DC* dc);
void OBJM_DestroyPage();
void OBJM_FlushUserScreens();
// The history of user screens: a switch (remembering the screen left and its focused
// object when push is set) writes SR1; a pop goes back to the last remembered screen.
void OBJM_SwitchUserScreen(int screen, int push);
void OBJM_PopUserScreen();
OCB* OBJM_GetRootOCB();
// Empties the object manager's pools; returns the size used.
uint32_t OBJM_Init();
// The callback KEY_Check hands one event of the event ring to: 1 when a morph was
// opened or a screen change requested, else 0.
int OBJM_Keypress(int event, int x, int y);
void OBJM_MorfObj(int object_class, void* parameter_block);
// Opens a page (its page record in the screen table, or one of the screen loop's own
// pages) and creates its objects; 0 when the page cannot be opened.
int OBJM_OpenPage(DC* dc, const uint8_t* page);
// Scans one page record of the screen table; returns the next page record.
const uint8_t* OBJM_ScanPage(DC* dc, const uint8_t* page_record);
// One update pass of the open page: one event of the rings, signals, repaint. 0 while a
// morph holds the focus, else 1.
int OBJM_Update(DC* dc);

// The program strings' languages: the language-select register and the language count
// from the screen program's header ((0, 1) for a program without them).
void STR_Init(uint32_t language_reg, uint32_t languages);
// 1 when the register chose another language this pass (the page is then re-opened).
int STR_Update();

// 1 when the logged-in user's level meets the required level 1..7 (0 always grants).
int UserGotAccess(int level);
void USRMGR_Init();
void USRMGR_Update();
void USRMGR_resetTimeout();
// 1 when the user list's session flag is set, else 0.
int USRMGR_SessionFlag();

// Set by the object manager while it opens a page.
extern uint8_t openPageExec;
