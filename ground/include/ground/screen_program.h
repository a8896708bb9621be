#pragma once
// The running screen program as the screens and system services read it: the screen
// loop's state and fault, the page table, the tables the loop located, the status
// pop-up mode and the fault page. The controller's screen loop sets all of it up
// (controller/screenloop.h). Main thread only, outside time slices.

#include <cstdint>

struct DC;

// Screen-loop state.
inline constexpr uint8_t kPgmFault = 1;      // a fault page is shown
inline constexpr uint8_t kPgmStopped = 2;    // PGM_Destroy
inline constexpr uint8_t kPgmNew = 3;        // new screen program to check
inline constexpr uint8_t kPgmChecked = 4;    // checked, to be set up
inline constexpr uint8_t kPgmRunning = 5;
inline constexpr uint8_t kPgmAborted = 6;    // after an aborted download
extern uint8_t PGM_state;

// Fault codes of the fault page.
inline constexpr uint16_t kFaultSystemScreen = 1025;
inline constexpr uint16_t kFaultAlarmScreen = 1026;
inline constexpr uint16_t kFaultUserScreen = 1027;
inline constexpr uint16_t kFaultNoUserScreens = 2048;
inline constexpr uint16_t kFaultGraphicsInvalid = 2049;
extern uint16_t PGM_fault;

// From the screen table's header flags: program strings are 16-bit; a field without data
// shows asterisks.
extern uint8_t PGM_UnicodePresent;
extern uint8_t PGM_bShowAsterixForNodata;

// The page table: screen number s is entry s (the program's page index n at n + 1).
// Entries without a page hold the invalid page.
inline constexpr int kPageTableEntries = 1024;
extern const uint8_t* tPage[kPageTableEntries];
// The built-in pages: the invalid page (page index 0xFFFF) and the fault page, which
// paints the fault display.
extern const uint8_t* const PGM_InvalidPage;
extern const uint8_t* const PGM_FaultPage;
// The page record of screen number s (the invalid page outside the table).
const uint8_t* PGM_PageOf(uint32_t screen);

// Tables of the running screen program, null when the program has none: the active
// language segment of the strings, text tables, bitmaps, and from the screen table's
// header the alarm configuration, video, screen-capture, storage-service and menu
// tables.
extern const uint8_t* pPGM_Strings;
extern const uint8_t* pPGM_TextTbls;
extern const uint8_t* pPGM_Bitmaps;
extern const uint8_t* pPGM_Alarms;
extern const uint8_t* pPGM_Video;
extern const uint8_t* pPGM_Scap;
extern const uint8_t* pPGM_Storage;
extern const uint8_t* pPGM_Menu;

void PGM_SetSlice(uint16_t value);  // no effect
// Status pop-up mode (SR180): 0 off, 1 on status changes other than to OK and running,
// 2 on every change.
void PGM_SetPopupMode(uint8_t mode);
uint8_t PGM_GetPopupMode();
// The pop-up's answer: 4 puts the controller in Run (and stores 0); others are stored.
void PGM_SetPopupState(int state);

// The fault display of PGM_fault on dc.
void PGM_DisplayFault(DC* dc);
// When the invalid page is open, SR1 = the first user screen.
void PGM_FaultPageRecover();
