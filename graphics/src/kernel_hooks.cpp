// Hooks of the graphics subsystem until it is built: nothing is drawn. Each records its
// call in the platform call trace; the bitmap work memory already hands out memory.
#include "graphics/dc.h"
#include "graphics/draw.h"
#include "graphics/playback.h"
#include "graphics/pxp.h"
#include "graphics/stills.h"
#include "graphics/text.h"
#include "graphics/vdr.h"
#include "platform/trace.h"

uint8_t StillOpened = 0;

int GDI_Init() {
  plat::TraceCall("GDI_Init");
  return 1;
}
DC* GDI_GetDisplayDC() { return nullptr; }
DC* GDI_CreateDC(int flag, int surface) {
  plat::TraceCall("GDI_CreateDC", flag, surface);
  return nullptr;
}
int GDI_SetClipRect(DC*, const int16_t rect[4], int16_t*) {
  plat::TraceCall("GDI_SetClipRect", (int64_t(rect[0]) << 16) | uint16_t(rect[1]), (int64_t(rect[2]) << 16) | uint16_t(rect[3]));
  return 1;
}
DC* GDI_SetPen(DC* dc, int16_t style, int16_t, uint16_t colour) {
  plat::TraceCall("GDI_SetPen", style, colour);
  return dc;
}
uint16_t GDI_SetFillColor(DC*, uint16_t colour) {
  plat::TraceCall("GDI_SetFillColor", colour);
  return 0xFFDF;
}
uint16_t GDI_SetTextColor(DC*, uint16_t colour) {
  plat::TraceCall("GDI_SetTextColor", colour);
  return 0;
}
int GDI_Rectangle(DC*, int16_t left, int16_t top, int16_t right, int16_t bottom) {
  plat::TraceCall("GDI_Rectangle", (int64_t(left) << 16) | uint16_t(top), (int64_t(right) << 16) | uint16_t(bottom));
  return 1;
}
int GDI_SelectFont(DC*, int number, int16_t*, int16_t*) {
  plat::TraceCall("GDI_SelectFont", number);
  return 1;
}
int GDI_ByteTextOut(DC*, int16_t x, int16_t y, const char*) {
  plat::TraceCall("GDI_ByteTextOut", x, y);
  return 0;
}
void TTY_Allocate(DC*) { plat::TraceCall("TTY_Allocate"); }
int TTY_SetPos(int row, int column) {
  plat::TraceCall("TTY_SetPos", row, column);
  return 1;
}
int TTY_Puts(const char*) {
  plat::TraceCall("TTY_Puts");
  return 1;
}
int VDR_CopyPage() {
  plat::TraceCall("VDR_CopyPage");
  return 1;
}
int VDR_SetActiveFrame(DC*) {
  plat::TraceCall("VDR_SetActiveFrame");
  return 1;
}
int VDR_IsPageCopied() { return 1; }
void PXP_WaitUpdate() { plat::TraceCall("PXP_WaitUpdate"); }
void VIDM_Init() { plat::TraceCall("VIDM_Init"); }
void VideoPlayStreamInit() { plat::TraceCall("VideoPlayStreamInit"); }
void VideoStop() { plat::TraceCall("VideoStop"); }

namespace {
// Stand-in for the bitmap work memory, which the video driver will carve out of the
// storage service's download image (6 MiB).
constexpr uint32_t kWorkBytes = 6 * 1024 * 1024;
alignas(8) uint8_t g_work[kWorkBytes];
uint32_t g_work_next = 0;
}  // namespace

void VDR_BmpClrMem() { g_work_next = 0; }
uint8_t* VDR_BmpGetMem(uint32_t n) {
  const uint64_t rounded = (uint64_t(n) + 3) & ~uint64_t(3);
  if (g_work_next + rounded > kWorkBytes) return nullptr;
  uint8_t* p = g_work + g_work_next;
  g_work_next += uint32_t(rounded);
  return p;
}
