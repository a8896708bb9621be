// Hooks of the parts of the graphics subsystem that are not built yet: the drawing
// primitives, the pixel pipeline, still images and video playback. Each records its call
// in the platform call trace. The pipeline's presentation does slightly more, so that a
// unit on a pixel-pipeline kernel shows its pages: it copies the active page into the
// display frame as 32-bit pixels, the key colour 0x0001 showing black.
#include "graphics/draw.h"
#include "graphics/icons.h"
#include "graphics/video.h"
#include "graphics/playback.h"
#include "graphics/pxp.h"
#include "graphics/stills.h"
#include "platform/trace.h"

uint8_t StillOpened = 0;

int GDI_Rectangle(DC*, int16_t left, int16_t top, int16_t right, int16_t bottom) {
  plat::TraceCall("GDI_Rectangle", (int64_t(left) << 16) | uint16_t(top), (int64_t(right) << 16) | uint16_t(bottom));
  return 1;
}
namespace {
int64_t Pack(int16_t a, int16_t b) { return (int64_t(a) << 16) | uint16_t(b); }
}  // namespace
int GDI_LineTo(DC*, int16_t x, int16_t y) {
  plat::TraceCall("GDI_LineTo", x, y);
  return 1;
}
int GDI_Ellipse(DC*, int16_t left, int16_t top, int16_t right, int16_t bottom) {
  plat::TraceCall("GDI_Ellipse", Pack(left, top), Pack(right, bottom));
  return 1;
}
int GDI_RoundRect(DC*, int16_t left, int16_t top, int16_t right, int16_t bottom, int16_t, int16_t) {
  plat::TraceCall("GDI_RoundRect", Pack(left, top), Pack(right, bottom));
  return 1;
}
int GDI_GradientRect(DC*, int16_t, int16_t, int16_t left, int16_t top, int16_t right, int16_t bottom) {
  plat::TraceCall("GDI_GradientRect", Pack(left, top), Pack(right, bottom));
  return 1;
}
int GDI_GradEllipse(DC*, int16_t, int16_t, int16_t left, int16_t top, int16_t right, int16_t bottom) {
  plat::TraceCall("GDI_GradEllipse", Pack(left, top), Pack(right, bottom));
  return 1;
}
int GDI_GradRoundRect(DC*, int16_t, int16_t, int16_t left, int16_t top, int16_t right, int16_t bottom, int16_t,
                      int16_t) {
  plat::TraceCall("GDI_GradRoundRect", Pack(left, top), Pack(right, bottom));
  return 1;
}
void UTIL_3DShades(int sunken, uint16_t colour, uint16_t* light, uint16_t* dark) {
  plat::TraceCall("UTIL_3DShades", sunken, colour);
  *light = 0xFFFF;
  *dark = 0x0000;
}
void UTIL_ShadeRect(DC*, const int16_t rect[4], uint16_t, uint16_t, int inset) {
  plat::TraceCall("UTIL_ShadeRect", Pack(rect[0], rect[1]), inset);
}
void UTIL_GradButton(DC*, int16_t, int16_t, const int16_t rect[4], int) {
  plat::TraceCall("UTIL_GradButton", Pack(rect[0], rect[1]), Pack(rect[2], rect[3]));
}
void Draw_alarmIcon(DC*, const int16_t rect[4]) {
  plat::TraceCall("Draw_alarmIcon", Pack(rect[0], rect[1]), Pack(rect[2], rect[3]));
}
int PXP_Init(void* const*, uint32_t display_size) {
  plat::TraceCall("PXP_Init", display_size);
  return 1;
}
int PXP_buf_next() {
  plat::TraceCall("PXP_buf_next");
  auto* frame = static_cast<uint32_t*>(framebuffer_array[7]);
  if (frame == nullptr || pCurrentMem == nullptr) return 1;
  for (uint32_t i = 0; i < DisplaySize; ++i) {
    const uint32_t p = pCurrentMem[i] == 0x0001 ? 0 : pCurrentMem[i];
    const uint32_t r = p >> 11, g = (p >> 5) & 0x3F, b = p & 0x1F;
    frame[i] = ((r << 3 | r >> 2) << 16) | ((g << 2 | g >> 4) << 8) | (b << 3 | b >> 2);
  }
  return 1;
}
int PXP_Exit() {
  plat::TraceCall("PXP_Exit");
  return 1;
}
void PXP_WaitUpdate() { plat::TraceCall("PXP_WaitUpdate"); }
void VIDM_Init() { plat::TraceCall("VIDM_Init"); }
void VIDM_Update() { plat::TraceCall("VIDM_Update"); }
void VideoPlayStreamInit() { plat::TraceCall("VideoPlayStreamInit"); }
void VideoStop() { plat::TraceCall("VideoStop"); }
