// Gradient, metallic and 3D fills: the figures of the plain primitives with the flat fill
// replaced by colours computed row by row, each channel of RGB565 interpolated on its
// own; the outline is drawn over the fill as for the plain figure. The pixel pipeline's
// 8-bit overlay is not used: the colours go into the surface at 16 bits.
#include <algorithm>
#include <cstdlib>

#include "draw_internal.h"
#include "graphics/draw.h"
#include "platform/trace.h"

namespace gdi {
namespace {

int64_t Pack(int16_t a, int16_t b) { return (int64_t(a) << 16) | uint16_t(b); }

// Step i of n from start to end, each channel truncated toward zero; a step count of 0
// gives the start colour.
uint16_t Step(uint16_t start, uint16_t end, int i, int n) {
  if (n <= 0) return start;
  auto channel = [&](int shift, int mask) {
    const int s = (start >> shift) & mask, e = (end >> shift) & mask;
    return (s + i * (e - s) / n) & mask;
  };
  return uint16_t(channel(11, 0x1F) << 11 | channel(5, 0x3F) << 5 | channel(0, 0x1F));
}

enum class Shape { kRect, kRoundRect, kEllipse };

struct Gradient {
  Shape shape;
  uint8_t mode;
  uint16_t start, end;
  int lead_in, lead_out;
};

// The colour of row `index` of `rows` rows of the fill area.
uint16_t GradientRow(const void* context, int, int index, int rows, int quadrant_rows) {
  const Gradient& g = *static_cast<const Gradient*>(context);
  const int from_bottom = rows - 1 - index;
  switch (g.mode) {
    case 0: return g.start;
    case 1:
      if (g.shape == Shape::kRect) {
        // The top half toward the end colour, then from the bottom up to the row above
        // the middle, which ends in the end colour.
        const int h = (rows - 1) / 2, n = rows - h;
        return from_bottom <= n ? Step(g.start, g.end, from_bottom, n) : Step(g.start, g.end, index, h);
      }
      if (g.shape == Shape::kRoundRect) {
        const int h = rows / 2;
        return from_bottom <= h ? Step(g.start, g.end, from_bottom, h) : Step(g.start, g.end, index, h);
      }
      return Step(g.start, g.end, std::min(index, from_bottom), quadrant_rows);
    case 2:
      if (g.shape == Shape::kRect) return Step(g.start, g.end, index, rows - 1);
      if (g.shape == Shape::kRoundRect) return Step(g.start, g.end, index, rows);
      return Step(g.start, g.end, index, 2 * quadrant_rows);
    case 3: {
      // Lead-in rows in the start colour, the gradient, lead-out rows in the end colour;
      // leads beyond the fill area's height are cut to it.
      const int span = g.shape == Shape::kRect        ? rows
                       : g.shape == Shape::kRoundRect ? rows + 1
                                                      : 2 * quadrant_rows;
      const int lead_in = std::clamp(g.lead_in, 0, span);
      const int lead_out = std::clamp(g.lead_out, 0, span - lead_in);
      const int m = span - lead_in - lead_out;
      if (index < lead_in) return g.start;
      if (index < lead_in + m) return Step(g.start, g.end, index - lead_in, m);
      return g.end;
    }
    default: return g.start;
  }
}

// Three bands between four stops at rows 0, limit[1], limit[2] and limit[3] from the
// figure's top row.
struct Bands {
  int top;
  int limit[4];
  uint16_t stop[4];
};

uint16_t BandRow(const void* context, int y, int, int, int) {
  const Bands& b = *static_cast<const Bands*>(context);
  const int row = std::clamp(y - b.top, 0, b.limit[3]);
  for (int j = 0; j < 3; ++j)
    if (row <= b.limit[j + 1] && b.limit[j + 1] > b.limit[j])
      return Step(b.stop[j], b.stop[j + 1], row - b.limit[j], b.limit[j + 1] - b.limit[j]);
  return b.stop[3];
}

Bands MakeBands(int top, int height, const uint16_t stops[4]) {
  Bands b{top, {0, int(height * 0.33), int(height * 0.38), height}, {stops[0], stops[1], stops[2], stops[3]}};
  return b;
}

bool Drawable(const DC* dc) { return dc->fill_colour != kNoColour && dc->gradient_mode <= 3; }

// Gradient rectangle of the pen fields: the fill area is the pen's inside (the whole
// figure without a pen), drawn only when it has two rows or more.
void GradientRectangle(DC* dc, int lead_in, int lead_out) {
  const int16_t* area = dc->pen_style == 0 ? dc->pen_outer : dc->pen_inner;
  if (Drawable(dc) && area[1] < area[3]) {
    const Gradient g{Shape::kRect, dc->gradient_mode, dc->fill_colour, dc->end_colour, lead_in, lead_out};
    const int rows = area[3] - area[1] + 1;
    const int first = std::max<int>(area[1], dc->clip[1]), last = std::min<int>(area[3], dc->clip[3]);
    for (int y = first; y <= last; ++y) Run(dc, y, area[0], area[2], GradientRow(&g, y, y - area[1], rows, 0));
  }
  if (dc->pen_style != 0) DrawRectOutline(dc);
}

// An ellipse or rounded rectangle whose centre fields are set: fill, then outline.
int ShadedEllipse(DC* dc, int a, int b, RowColour colour, bool fill) {
  if (!PrepareEllipse(dc, a, b, true)) return 0;
  if (fill) FillShape(dc, colour);
  OutlineEllipse(dc);
  return 1;
}

}  // namespace
}  // namespace gdi

using namespace gdi;

int GDI_GradientRect(DC* dc, int16_t lead_in, int16_t lead_out, int16_t left, int16_t top, int16_t right,
                     int16_t bottom) {
  plat::TraceCall("GDI_GradientRect", Pack(left, top), Pack(right, bottom));
  if (right <= left || bottom <= top) return 0;
  DimObjToPen(dc, left, top, int16_t(right - 1), int16_t(bottom - 1));
  GradientRectangle(dc, lead_in, lead_out);
  return 1;
}

int GDI_GradEllipse(DC* dc, int16_t lead_in, int16_t lead_out, int16_t left, int16_t top, int16_t right,
                    int16_t bottom) {
  plat::TraceCall("GDI_GradEllipse", Pack(left, top), Pack(right, bottom));
  int a = 0, b = 0;
  if (!InscribedEllipse(dc, left, top, right, bottom, &a, &b)) return 0;
  const Gradient g{Shape::kEllipse, dc->gradient_mode, dc->fill_colour, dc->end_colour, lead_in, lead_out};
  return ShadedEllipse(dc, a, b, RowColour{GradientRow, &g}, Drawable(dc));
}

int GDI_GradRoundRect(DC* dc, int16_t lead_in, int16_t lead_out, int16_t left, int16_t top, int16_t right,
                      int16_t bottom, int16_t corner_width, int16_t corner_height) {
  plat::TraceCall("GDI_GradRoundRect", Pack(left, top), Pack(right, bottom));
  if (right <= left || bottom <= top) return 0;
  DimObjToPen(dc, left, top, int16_t(right - 1), int16_t(bottom - 1));
  int a = 0, b = 0;
  if (!RoundCorners(dc, right - left, bottom - top, corner_width, corner_height, &a, &b)) {
    GradientRectangle(dc, lead_in, lead_out);
    return 1;
  }
  const Gradient g{Shape::kRoundRect, dc->gradient_mode, dc->fill_colour, dc->end_colour, lead_in, lead_out};
  return ShadedEllipse(dc, a, b, RowColour{GradientRow, &g}, Drawable(dc));
}

int GDI_MetallicEllipse(DC* dc, int16_t left, int16_t top, int16_t right, int16_t bottom) {
  plat::TraceCall("GDI_MetallicEllipse", Pack(left, top), Pack(right, bottom));
  int a = 0, b = 0;
  if (!InscribedEllipse(dc, left, top, right, bottom, &a, &b)) return 0;
  static constexpr uint16_t kStops[4] = {0x7BEF, 0xFFDF, 0x0000, 0xC638};
  const Bands bands = MakeBands(top, bottom - 1 - top, kStops);
  return ShadedEllipse(dc, a, b, RowColour{BandRow, &bands}, dc->fill_colour != kNoColour);
}

int GDI_Grad3DRoundRect(DC* dc, int16_t bevel_width, int16_t bevel_height, int16_t left, int16_t top, int16_t right,
                        int16_t bottom, int16_t corner_width, int16_t corner_height) {
  plat::TraceCall("GDI_Grad3DRoundRect", Pack(left, top), Pack(right, bottom));
  if (right <= left || bottom <= top) return 0;
  DimObjToPen(dc, left, top, int16_t(right - 1), int16_t(bottom - 1));
  int a = 0, b = 0;
  if (!RoundCorners(dc, right - left, bottom - top, corner_width, corner_height, &a, &b)) return 0;
  const uint16_t fill = dc->fill_colour, end = dc->end_colour;
  const uint8_t mode = dc->gradient_mode;
  const bool stock = fill == 0 || end == 0;
  uint16_t stops[4] = {0xC638, 0xFFDF, 0x0000, 0x7BEF};
  if (!stock) {
    // The fourth stop lies between the end and the fill colour; a channel that would
    // pass its range is held at its maximum.
    auto fourth = [&](int shift, int mask, double k) {
      const int f = (fill >> shift) & mask, e = (end >> shift) & mask;
      return std::min(mask, e + int(k * std::abs(f - e))) << shift;
    };
    stops[0] = fill;
    stops[2] = end;
    stops[3] = uint16_t(fourth(11, 0x1F, 0.78) | fourth(5, 0x3F, 0.78) | fourth(0, 0x1F, 0.74));
  }
  const Bands bands = MakeBands(top, bottom - top, stops);
  if (ShadedEllipse(dc, a, b, RowColour{BandRow, &bands}, fill != kNoColour) == 0) return 0;
  // The inner face: a linear gradient without a pen, inset by the bevel.
  GDI_SetPen(dc, 0, 0, 0xFFFF);
  const int16_t face[4] = {int16_t(left + bevel_width), int16_t(top + bevel_height), int16_t(right - bevel_width),
                           int16_t(bottom - bevel_height)};
  if (fill != kNoColour && face[2] > face[0] && face[3] > face[1]) {
    DimObjToPen(dc, face[0], face[1], int16_t(face[2] - 1), int16_t(face[3] - 1));
    int fa = 0, fb = 0;
    if (RoundCorners(dc, face[2] - face[0], face[3] - face[1], corner_width, corner_height, &fa, &fb)) {
      const Gradient g{Shape::kRoundRect, 2, stock ? uint16_t(0x0000) : end, stock ? uint16_t(0xFFDF) : fill, 0, 0};
      ShadedEllipse(dc, fa, fb, RowColour{GradientRow, &g}, true);
    }
  }
  dc->fill_colour = fill;
  dc->end_colour = end;
  dc->gradient_mode = mode;
  return 1;
}
