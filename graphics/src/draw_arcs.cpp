// Arcs and pie sectors of the ellipse inscribed in a figure: the ellipse engine's outline
// (and, for a pie, its fill) cut to the sector that runs counter-clockwise on screen from
// the ray through the first point to the ray through the second. The points only give
// directions from the centre; they are moved onto the ellipse (the pen's centre line for a
// wide pen) along their rays, and a wide pen stamps its brush at both ends.
#include <cmath>
#include <cstdlib>

#include "draw_internal.h"
#include "graphics/draw.h"
#include "platform/trace.h"

namespace gdi {
namespace {

// A point's direction moved onto the ellipse of semi-axes a, b.
void OntoEllipse(int px, int py, int a, int b, int* x, int* y) {
  if (px == 0) {
    *x = 0;
    *y = py < 0 ? -b : b;
    return;
  }
  if (py == 0) {
    *x = px < 0 ? -a : a;
    *y = 0;
    return;
  }
  const float m = float(py) / float(px);
  const double a2 = double(a) * a, b2 = double(b) * b;
  const double ex = a * double(b) / std::sqrt(b2 + a2 * double(m) * double(m));
  const double ey = std::sqrt(std::max(0.0, b2 - b2 * ex * ex / a2));
  *x = int(ex + 0.5) * (px < 0 ? -1 : 1);
  *y = int(ey + 0.5) * (py < 0 ? -1 : 1);
}

// The thin outline of an arc is walked clockwise twice around: drawing starts where the
// walk enters the sector (the second point) and stops where it leaves it (the first).
enum class Walk { kSeekOutside, kSeekInside, kDrawing, kDone };
Walk g_walk;
void ArcPixel(DC* dc, int x, int y) {
  const bool in = InSector(dc, x, y);
  switch (g_walk) {
    case Walk::kSeekOutside: if (!in) g_walk = Walk::kSeekInside; break;
    case Walk::kSeekInside: if (in) g_walk = Walk::kDrawing, PenPixel(dc, x, y); break;
    case Walk::kDrawing: if (in) PenPixel(dc, x, y); else g_walk = Walk::kDone; break;
    case Walk::kDone: break;
  }
}

int DrawSector(DC* dc, int16_t left, int16_t top, int16_t right, int16_t bottom, int16_t x1, int16_t y1, int16_t x2,
               int16_t y2, bool pie) {
  int a = 0, b = 0;
  if (!InscribedEllipse(dc, left, top, right, bottom, &a, &b) || !PrepareEllipse(dc, a, b, true)) return 0;
  const int w = dc->pen_style != 0 && dc->pen_width > 1 ? dc->pen_width : 1;
  const int ca = std::max(1, a - (w - 1) / 2), cb = std::max(1, b - (w - 1) / 2);
  // The end points on the ellipse, taken from the left and top centre.
  const int cx = (left + right - 1) >> 1, cy = (top + bottom - 1) >> 1;
  int ends[4];
  OntoEllipse(x1 - cx, y1 - cy, ca, cb, &ends[0], &ends[1]);
  OntoEllipse(x2 - cx, y2 - cy, ca, cb, &ends[2], &ends[3]);
  int at[4];  // pixel positions of the two ends
  for (int i = 0; i < 4; i += 2) {
    at[i] = ends[i] >= 0 ? dc->centre[2] + ends[i] : dc->centre[0] + ends[i];
    at[i + 1] = ends[i + 1] >= 0 ? dc->centre[3] + ends[i + 1] : dc->centre[1] + ends[i + 1];
  }
  const int sx = dc->centre[0] + dc->centre[2], sy = dc->centre[1] + dc->centre[3];
  const Sector sector{2 * at[0] - sx, 2 * at[1] - sy, 2 * at[2] - sx, 2 * at[3] - sy,
                      ends[0] == ends[2] && ends[1] == ends[3]};
  SetSector(&sector);
  const uint16_t fill = dc->fill_colour;
  if (pie && fill != kNoColour) FillShape(dc, RowColour{FlatColour, &fill});
  if (dc->pen_style != 0 && w == 1) {
    g_walk = sector.whole ? Walk::kDrawing : Walk::kSeekOutside;
    OutlinePixels(dc, ArcPixel);
    // A gap between the rays too narrow to hold a pixel leaves the whole outline.
    if (g_walk == Walk::kSeekOutside) g_walk = Walk::kDrawing;
    if (g_walk != Walk::kDone && !sector.whole) OutlinePixels(dc, ArcPixel);
  } else if (dc->pen_style != 0) {
    OutlineEllipse(dc);
  }
  SetSector(nullptr);
  if (w > 1 && !sector.whole) {
    PenDot(dc, at[0], at[1]);
    PenDot(dc, at[2], at[3]);
  }
  return 1;
}

int64_t Pack(int16_t a, int16_t b) { return (int64_t(a) << 16) | uint16_t(b); }

}  // namespace
}  // namespace gdi

using namespace gdi;

int GDI_Arc(DC* dc, int16_t left, int16_t top, int16_t right, int16_t bottom, int16_t x1, int16_t y1, int16_t x2,
            int16_t y2) {
  plat::TraceCall("GDI_Arc", Pack(left, top), Pack(right, bottom));
  return DrawSector(dc, left, top, right, bottom, x1, y1, x2, y2, false);
}

int GDI_PieNS(DC* dc, int16_t left, int16_t top, int16_t right, int16_t bottom, int16_t x1, int16_t y1, int16_t x2,
              int16_t y2) {
  plat::TraceCall("GDI_PieNS", Pack(left, top), Pack(right, bottom));
  return DrawSector(dc, left, top, right, bottom, x1, y1, x2, y2, true);
}
