#include "ground/sysmsg.h"

#include <cstdio>

#include "graphics/dc.h"
#include "graphics/draw.h"
#include "graphics/pxp.h"
#include "graphics/stills.h"
#include "graphics/text.h"
#include "graphics/vdr.h"
#include "ground/timebase.h"

namespace {

// Page copies complete within the presentation on every page scheme; the bound only
// keeps a broken driver from holding the unit for ever.
constexpr int kCopyWaitPolls = 1'000'000;

}  // namespace

void WaitPageCopied() {
  for (int i = 0; i < kCopyWaitPolls && !VID_WaitUpdate(); ++i) {
  }
}

void VID_Update() {
  if (StillOpened) {
    VDR_SetActiveFrame(GDI_GetDisplayDC());
    StillOpened = 0;
  } else {
    VDR_CopyPage();
  }
}

int VID_WaitUpdate() { return VDR_IsPageCopied(); }

void SystemMsg(DC* dc, const char* line1, const char* line2) {
  WaitPageCopied();
  TTY_Allocate(dc);
  TTY_SetPos(1, 5);
  TTY_Puts(line1);
  TTY_SetPos(2, 9);
  TTY_Puts(line2);
  PXP_WaitUpdate();
  VID_Update();
  // The same two lines for a person watching the unit from a terminal, indented as on
  // the console.
  std::printf("     %s\n         %s\n", line1, line2);
  std::fflush(stdout);
}

void DebugMsg(const char* text) {
  DC* dc = GDI_GetDisplayDC();
  GDI_SetFillColor(dc, 0xFFDF);
  GDI_Rectangle(dc, 5, 110, 300, 140);
  GDI_SetTextColor(dc, 0x0000);
  GDI_SelectFont(dc, 0, nullptr, nullptr);
  GDI_ByteTextOut(dc, 10, 120, text);
  VID_Update();
  std::printf("     %s\n", text);
  std::fflush(stdout);
  Delay(200);
}
