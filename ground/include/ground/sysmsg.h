#pragma once
// System messages and the download progress screen. Main thread only, never inside a
// time slice (they draw). On a host each message is also printed on standard output.

#include <cstdint>

struct DC;

// The two-line system message on the text console: line 1 at row 1, column 5, line 2 at
// row 2, column 9; waits for the previous page copy first and shows the page afterwards.
void SystemMsg(DC* dc, const char* line1, const char* line2);
// Shows the drawn page (after a still image: makes the page surface active again).
void VID_Update();
// Waits, within a bound, until the last page copy has reached the display.
void WaitPageCopied();
// Non-zero once the last page copy has finished.
int VID_WaitUpdate();
// A one-line box message, shown for 200 ms.
void DebugMsg(const char* text);

// The download progress screen: "LOADING PROGRAM" over the table's name with an
// eight-box progress bar (types without a name draw only the side bars); the bar
// advances every tenth update; an aborted download says so and leaves the screen loop in
// state 6.
void VID_DnldMsg(int type);
void VID_DnldUpdate();
void VID_DnldHalted();
// The progress bar as at power-on: the first box lit, no update counted (the owner's
// start-up, and tests).
void DnldScreenReset();
