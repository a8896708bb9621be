// Colour rules for 3D looks and the stock decorations: bevels, buttons and etched frames.
#include <algorithm>

#include "draw_internal.h"
#include "graphics/draw.h"
#include "graphics/util.h"
#include "platform/trace.h"

namespace {

constexpr uint16_t kWhite = 0xFFDF, kGrey = 0x7BEF, kSilver = 0xC638, kBlack = 0x0000;

int Red(uint16_t c) { return c >> 11; }
int Green(uint16_t c) { return (c >> 5) & 0x3F; }
int Blue(uint16_t c) { return c & 0x1F; }
uint16_t Rgb(int r, int g, int b) { return uint16_t(r << 11 | g << 5 | b); }

// A line of the current pen without the call trace of the public entry.
void Line(DC* dc, int x0, int y0, int x1, int y1) { gdi::DrawLine(dc, x0, y0, x1, y1); }

}  // namespace

void UTIL_3DShades(int sunken, uint16_t colour, uint16_t* light, uint16_t* dark) {
  plat::TraceCall("UTIL_3DShades", sunken, colour);
  const int r = Red(colour), g = Green(colour) >> 1, b = Blue(colour);
  const int m = std::max({r, g, b});
  const int shade = r + g + b > 83 ? 0 : m <= 8 ? 3 : m > 21 ? 1 : 2;
  const uint16_t doubled =
      Rgb(std::min(2 * Red(colour), 0x1F), std::min(2 * Green(colour), 0x3F), std::min(2 * Blue(colour), 0x1F));
  const uint16_t halved = Rgb(Red(colour) / 2, Green(colour) / 2, Blue(colour) / 2);
  static constexpr uint16_t kFixed[4][2] = {{kSilver, kGrey}, {kWhite, 0}, {0, kBlack}, {kWhite, kGrey}};
  uint16_t hi = kFixed[shade][0], lo = kFixed[shade][1];
  if (shade == 1) lo = halved;
  if (shade == 2) hi = doubled;
  if (sunken != 0) std::swap(hi, lo);
  *light = hi;
  *dark = lo;
}

int UTIL_IsBright(uint16_t colour) { return std::max(Red(colour), Green(colour)) > 21 ? 1 : 0; }

uint16_t UTIL_InvertIntensity(uint16_t colour) {
  const int r = Red(colour), g = Green(colour), b = Blue(colour);
  const int m = std::max({r, g, b});
  if (m <= 8) return kSilver;
  if (m > 21) return Rgb(r / 2, g / 2, b / 2);
  auto twice = [](int c) { return (c & 0x10) ? 0x1F : 2 * c; };
  return Rgb(twice(r), std::min(2 * g, 31), twice(b));
}

void UTIL_ShadeRect(DC* dc, const int16_t rect[4], uint16_t light, uint16_t dark, int inset) {
  plat::TraceCall("UTIL_ShadeRect", (int64_t(rect[0]) << 16) | uint16_t(rect[1]), inset);
  const int in = (inset & 0xFF) != 0 ? 1 : 0;
  const int l = rect[0] + in, t = rect[1] + in, r = rect[2] - 1 - in, b = rect[3] - 1 - in;
  const int16_t style = dc->pen_style, width = dc->pen_width;
  const uint16_t colour = dc->pen_colour;
  // Each light line ends where the dark one of its ring starts, so every pixel of the
  // three rings is drawn once: the top-right corner is light, the bottom-left dark.
  GDI_SetPen(dc, 1, 1, light);
  for (int i = 0; i < 3; ++i) {
    Line(dc, r - i, t + i, l + i, t + i);
    Line(dc, l + i, t + i, l + i, b - i);
  }
  GDI_SetPen(dc, 1, 1, dark);
  for (int i = 0; i < 3; ++i) {
    Line(dc, l + i, b - i, r - i, b - i);
    Line(dc, r - i, b - i, r - i, t + i);
  }
  GDI_SetPen(dc, style, width, colour);
}

void UTIL_Button(DC* dc, const int16_t rect[4], int pressed) {
  GDI_Rectangle(dc, rect[0], rect[1], rect[2], rect[3]);
  uint16_t light = 0, dark = 0;
  UTIL_3DShades(pressed, dc->fill_colour, &light, &dark);
  UTIL_ShadeRect(dc, rect, light, dark, 1);
}

void UTIL_GradButton(DC* dc, int16_t lead_in, int16_t lead_out, const int16_t rect[4]) {
  GDI_GradientRect(dc, lead_in, lead_out, rect[0], rect[1], rect[2], rect[3]);
}

void UTIL_3DEtch(DC* dc, const int16_t rect[4], uint16_t first, uint16_t second) {
  const int l = rect[0], t = rect[1], r = rect[2] - 1, b = rect[3] - 1;
  if (r - l < 1 || b - t < 1) return;
  // Outer frame: top and left in first, right and bottom in second.
  gdi::Run(dc, t, l, r - 1, first);
  gdi::FillRows(dc, t + 1, b - 1, l, l, first);
  gdi::FillRows(dc, t, b - 1, r, r, second);
  gdi::Run(dc, b, l, r, second);
  // Inner frame one pixel inside: top and left in second, right and bottom in first.
  gdi::Run(dc, t + 1, l + 1, r - 2, second);
  gdi::FillRows(dc, t + 2, b - 2, l + 1, l + 1, second);
  gdi::FillRows(dc, t + 1, b - 2, r - 1, r - 1, first);
  gdi::Run(dc, b - 1, l + 1, r - 1, first);
}
