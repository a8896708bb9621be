// The device contexts of the display: creation and defaults, setters, the clip, single
// pixels and horizontal runs, rectangle arithmetic and the pen geometry of outlined
// figures.
#include "graphics/dc.h"

#include "graphics/text.h"
#include "graphics/vdr.h"
#include "platform/trace.h"

namespace {

DC displayDC{};
DC display2DC{}, display3DC{}, display4DC{}, display5DC{}, display6DC{};
DC* const kFurther[5] = {&display2DC, &display3DC, &display4DC, &display5DC, &display6DC};

constexpr uint8_t PatternOf(int16_t style) { return style == 2 || style == 4 ? 0xAA : style == 3 ? 0xC7 : 0xFF; }

}  // namespace

int GDI_Init() {
  plat::TraceCall("GDI_Init");
  displayDC.ops = DriverOps{VDR_Init,      VDR_Ioctl,      VDR_SetPixel, VDR_GetPixel,
                            VDR_ScanLine,  VDR_CreateDIB,  VDR_WriteDIB, VDR_Close};
  displayDC.text_callback = nullptr;
  if (displayDC.ops.init(&displayDC) == 0) return 0;
  for (int i = 0; i < 4; ++i) displayDC.clip[i] = displayDC.bounds[i];
  displayDC.pattern = 0xFF;
  displayDC.pattern_mask = 0x80;
  displayDC.fill_colour = 0xFFDF;
  displayDC.pen_width = 1;
  displayDC.pen_style = 1;
  displayDC.pen_colour = 0;
  displayDC.text_colour = 0;
  GDI_SelectFont(&displayDC, 0, nullptr, nullptr);
  return 1;
}

DC* GDI_GetDisplayDC() { return &displayDC; }

DC* GDI_CreateDC(int flag, int surface) {
  plat::TraceCall("GDI_CreateDC", flag, surface);
  if (flag != 0) return nullptr;
  if (surface == 0) return &displayDC;
  if (surface < 1 || surface > 5) return nullptr;
  DC* dc = kFurther[surface - 1];
  *dc = displayDC;
  dc->surface_number = uint16_t(surface);
  if (dc->ops.ioctl != nullptr) dc->ops.ioctl(dc, kIoctlSurface, surface);
  return dc;
}

int GDI_SetClipRect(DC* dc, const int16_t rect[4], int16_t old_rect[4]) {
  if (old_rect != nullptr) {
    old_rect[0] = dc->clip[0];
    old_rect[1] = dc->clip[1];
    old_rect[2] = int16_t(dc->clip[2] + 1);
    old_rect[3] = int16_t(dc->clip[3] + 1);
  }
  // The clip is inclusive: one pixel (left == right) is a drawable area, and it is empty
  // only when right < left or bottom < top.
  const int left = rect[0] > dc->bounds[0] ? rect[0] : dc->bounds[0];
  const int top = rect[1] > dc->bounds[1] ? rect[1] : dc->bounds[1];
  const int right = rect[2] - 1 < dc->bounds[2] ? rect[2] - 1 : dc->bounds[2];
  const int bottom = rect[3] - 1 < dc->bounds[3] ? rect[3] - 1 : dc->bounds[3];
  if (right < left || bottom < top) {
    dc->clip[0] = dc->clip[1] = 0;
    dc->clip[2] = dc->clip[3] = -1;
    return 0;
  }
  dc->clip[0] = int16_t(left);
  dc->clip[1] = int16_t(top);
  dc->clip[2] = int16_t(right);
  dc->clip[3] = int16_t(bottom);
  return 1;
}

DC* GDI_SetPen(DC* dc, int16_t style, int16_t width, uint16_t colour) {
  dc->pen_style = style;
  dc->pen_width = width;
  dc->pen_colour = colour;
  dc->pattern = PatternOf(style);
  dc->pattern_mask = 0x80;
  return dc;
}

uint16_t GDI_SetFillColor(DC* dc, uint16_t colour) {
  plat::TraceCall("GDI_SetFillColor", colour);
  const uint16_t previous = dc->fill_colour;
  dc->fill_colour = colour;
  return previous;
}

uint16_t GDI_SetTextColor(DC* dc, uint16_t colour) {
  const uint16_t previous = dc->text_colour;
  dc->text_colour = colour;
  return previous;
}

uint16_t GDI_SetEndColor(DC* dc, uint16_t colour) {
  const uint16_t previous = dc->end_colour;
  dc->end_colour = colour;
  return previous;
}

void GDI_SetGradient(DC* dc, uint8_t mode) { dc->gradient_mode = mode; }

int GDI_MoveTo(DC* dc, int16_t x, int16_t y) {
  dc->cur_x = x;
  dc->cur_y = y;
  dc->pattern_mask = 0x80;
  return 1;
}

int GDI_SetPixel(DC* dc, int16_t x, int16_t y, uint16_t colour) {
  if (x < dc->clip[0] || x > dc->clip[2] || y < dc->clip[1] || y > dc->clip[3] || dc->ops.set_pixel == nullptr)
    return -1;
  return dc->ops.set_pixel(dc, x, y, colour);
}

void GDI_ScanLine(DC* dc, int16_t y, int16_t x1, int16_t x2, uint16_t colour) {
  if (y < dc->clip[1] || y > dc->clip[3] || dc->ops.scan_line == nullptr) return;
  if (x1 < dc->clip[0]) x1 = dc->clip[0];
  if (x2 > dc->clip[2]) x2 = dc->clip[2];
  if (x2 < x1) return;
  dc->ops.scan_line(dc, x1, y, int16_t(x2 - x1 + 1), colour);
}

void GDI_SetRect(int16_t rect[4], int16_t left, int16_t top, int16_t right, int16_t bottom) {
  rect[0] = left;
  rect[1] = top;
  rect[2] = right;
  rect[3] = bottom;
}

void GDI_InflateRect(int16_t rect[4], int16_t dx, int16_t dy) {
  GDI_SetRect(rect, int16_t(rect[0] - dx), int16_t(rect[1] - dy), int16_t(rect[2] + dx), int16_t(rect[3] + dy));
}

void GDI_DeflateRect(int16_t rect[4], int16_t dx, int16_t dy) {
  GDI_SetRect(rect, int16_t(rect[0] + dx), int16_t(rect[1] + dy), int16_t(rect[2] - dx), int16_t(rect[3] - dy));
}

int GDI_IntersectRect(int16_t dest[4], const int16_t a[4], const int16_t b[4]) {
  const int16_t left = a[0] > b[0] ? a[0] : b[0];
  const int16_t right = a[2] < b[2] ? a[2] : b[2];
  const int16_t top = a[1] > b[1] ? a[1] : b[1];
  const int16_t bottom = a[3] < b[3] ? a[3] : b[3];
  if (left < right && top < bottom) {
    GDI_SetRect(dest, left, top, right, bottom);
    return 1;
  }
  GDI_SetRect(dest, 0, 0, 0, 0);
  return 0;
}

void GDI_UnionRect(int16_t dest[4], const int16_t a[4], const int16_t b[4]) {
  GDI_SetRect(dest, a[0] < b[0] ? a[0] : b[0], a[1] < b[1] ? a[1] : b[1], a[2] > b[2] ? a[2] : b[2],
              a[3] > b[3] ? a[3] : b[3]);
}

int GDI_PtInRect(const int16_t rect[4], int16_t x, int16_t y) {
  return rect[0] <= x && x < rect[2] && rect[1] <= y && y < rect[3] ? 1 : 0;
}

int DimObjToPen(DC* dc, int16_t left, int16_t top, int16_t right, int16_t bottom) {
  if (right < left || bottom < top) return 0;
  int g = 0, e = 0;
  if (dc->pen_style != 0 && dc->pen_width >= 1) {
    g = (dc->pen_width - 1) >> 1;
    e = dc->pen_width - 1;
  }
  GDI_SetRect(dc->pen_outer, int16_t(left + g - e), int16_t(top + g - e), int16_t(right + g), int16_t(bottom + g));
  GDI_SetRect(dc->pen_inner, int16_t(left + g), int16_t(top + g), int16_t(right + g - e), int16_t(bottom + g - e));
  return 1;
}

void SetObjCenter(DC* dc) {
  const int16_t* o = dc->pen_outer;
  dc->centre[0] = int16_t((o[0] + o[2]) >> 1);
  dc->centre[1] = int16_t((o[1] + o[3]) >> 1);
  dc->centre[2] = int16_t(dc->centre[0] + (((o[0] ^ o[2]) & 1) ? 1 : 0));
  dc->centre[3] = int16_t(dc->centre[1] + (((o[1] ^ o[3]) & 1) ? 1 : 0));
}
