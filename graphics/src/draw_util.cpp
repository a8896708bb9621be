// Colour rules for 3D looks and the stock decorations: bevels, buttons, etched frames,
// the bezel, the hex nut and the round button.
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
  // three rings is drawn once: the top-right corner is light, the bottom-left dark. The
  // lines are drawn without the call trace of the public line entry.
  GDI_SetPen(dc, 1, 1, light);
  for (int i = 0; i < 3; ++i) {
    gdi::DrawLine(dc, r - i, t + i, l + i, t + i);
    gdi::DrawLine(dc, l + i, t + i, l + i, b - i);
  }
  GDI_SetPen(dc, 1, 1, dark);
  for (int i = 0; i < 3; ++i) {
    gdi::DrawLine(dc, l + i, b - i, r - i, b - i);
    gdi::DrawLine(dc, r - i, b - i, r - i, t + i);
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

namespace {

// Rows of a bezel-like figure drawn in pairs from the top and the bottom inward: row j
// from the outside spans x0..x1; its ends are black.
void ShadedPair(DC* dc, int j, int upper, int lower, int x0, int x1, int slant) {
  for (int pass = 0; pass < 2; ++pass) {
    const int y = pass == 0 ? upper : lower;
    if (pass == 1 && lower == upper) break;
    if (j == 0) {
      gdi::Run(dc, y, x0, x1, kBlack);
      continue;
    }
    gdi::Run(dc, y, x0, x0, kBlack);
    gdi::Run(dc, y, x1, x1, kBlack);
    if (j <= 3) {
      // The edges: white at the top, grey at the bottom; from the second row on the
      // ends of the opposite edge's shade form the mitred corners.
      gdi::Run(dc, y, x0 + 1, x1 - 1, pass == 0 ? kWhite : kGrey);
      if (j >= 2 && slant == 0) {
        if (pass == 0) gdi::Run(dc, y, x1 - 4 + j, x1 - 1, kGrey);
        else gdi::Run(dc, y, x0 + 1, x0 + 4 - j, kWhite);
      }
      continue;
    }
    const int white = slant > 0 ? 4 : 3;
    gdi::Run(dc, y, x0 + 1, x0 + white, kWhite);
    gdi::Run(dc, y, x0 + white + 1, x1 - 4, kSilver);
    gdi::Run(dc, y, x1 - 3, x1 - 1, kGrey);
  }
}

}  // namespace

void UTIL_Bezel(DC* dc, const int16_t rect[4]) {
  const int x0 = rect[0], x1 = rect[2] - 1;
  for (int j = 0, upper = rect[1], lower = rect[3] - 1; upper <= lower; ++j, ++upper, --lower)
    ShadedPair(dc, j, upper, lower, x0, x1, 0);
}

void UTIL_HexNut(DC* dc, const int16_t rect[4]) {
  const int width = rect[2] - rect[0];
  const int n = 29 * width / 100;
  for (int j = 0, upper = rect[1], lower = rect[3] - 1; upper <= lower; ++j, ++upper, --lower) {
    const int slant = std::max(n - j, 0);
    ShadedPair(dc, j, upper, lower, rect[0] + slant, rect[0] + width - 1 - slant, slant);
  }
}

void UTIL_RoundButton(DC* dc, const int16_t rect[4], int pressed) {
  const int16_t l = int16_t(7 * (rect[2] - rect[0]) / 10);
  const uint16_t face = dc->fill_colour;
  uint16_t light = 0, dark = 0;
  UTIL_3DShades(pressed, face, &light, &dark);
  // A light shade saturated to 0xFFFF would be no fill at all.
  if (light == gdi::kNoColour) light = kWhite;
  GDI_SetPen(dc, 1, 1, kBlack);
  GDI_Ellipse(dc, rect[0], rect[1], rect[2], rect[3]);
  // The crescent: the light ellipse in the upper-left square, then the face shifted
  // down and right over all of it but its rim.
  int16_t old[4];
  const int16_t upper_left[4] = {rect[0], rect[1], int16_t(rect[0] + l), int16_t(rect[1] + l)};
  int16_t clip[4];
  GDI_SetClipRect(dc, upper_left, old);
  GDI_IntersectRect(clip, upper_left, old);
  GDI_SetClipRect(dc, clip, nullptr);
  GDI_SetFillColor(dc, light);
  GDI_Ellipse(dc, rect[0], rect[1], rect[2], rect[3]);
  GDI_SetPen(dc, 0, 1, kBlack);
  GDI_SetFillColor(dc, face);
  GDI_Ellipse(dc, int16_t(rect[0] + 3), int16_t(rect[1] + 3), int16_t(rect[2] + 4), int16_t(rect[3] + 4));
  // The outline again where the shifted face reached it.
  const int16_t lower_right[4] = {int16_t(rect[2] - l), int16_t(rect[3] - l), rect[2], rect[3]};
  GDI_IntersectRect(clip, lower_right, old);
  GDI_SetClipRect(dc, clip, nullptr);
  GDI_SetPen(dc, 1, 1, kBlack);
  GDI_SetFillColor(dc, gdi::kNoColour);
  GDI_Ellipse(dc, rect[0], rect[1], rect[2], rect[3]);
  GDI_SetClipRect(dc, old, nullptr);
  GDI_SetFillColor(dc, face);
}

