// Lines, polylines, polygon outlines and the scan-line polygon fill, with the pen of the
// device context: thin lines pixel by pixel through the dash pattern (a solid horizontal
// one as a single run), wide lines as one run per row of the band that a square or round
// brush sweeps along the line.
#include <algorithm>
#include <climits>
#include <cstdlib>

#include "draw_internal.h"
#include "graphics/draw.h"
#include "platform/trace.h"

namespace gdi {
namespace {

// The band of a wide line, one run per row inside the clip.
constexpr int kBandRows = 2048;
int g_band_lo[kBandRows], g_band_hi[kBandRows];
// The pen circle of round brushes.
int16_t g_pen_circle[kQuadrantRows];

// A pixel of a line: x offset p along a shallow line, or y offset q along a steep one.
// An exact half stays on the earlier row of a shallow line and moves to the next column
// of a steep one.
int ShallowRow(int p, int adx, int ady) {
  const int64_t num = int64_t(p) * ady - adx / 2;
  return num <= 0 ? 0 : int((num + adx - 1) / adx);
}
int SteepColumn(int q, int adx, int ady) { return int((int64_t(q) * adx + ady / 2) / ady); }

void WideLine(DC* dc, int x0, int y0, int x1, int y1) {
  const int w = dc->pen_width;
  const int r = (w - 1) / 2;
  // A pen too wide for the circle table is square.
  const bool round = w >= 6 && CreateEllipse(r, r, g_pen_circle) != 0;
  // Brush rows reach `up` rows above the line pixel and `down` below it.
  const int up = r, down = w - 1 - r;
  const int top = std::max<int>(std::min(y0, y1) - up, dc->clip[1]);
  const int bottom = std::min({std::max(y0, y1) + down, int(dc->clip[3]), top + kBandRows - 1});
  if (bottom < top) return;
  for (int y = top; y <= bottom; ++y) g_band_lo[y - top] = INT_MAX, g_band_hi[y - top] = INT_MIN;
  auto stamp = [&](int x, int y) {
    for (int d = std::max(-up, top - y); d <= std::min(down, bottom - y); ++d) {
      const int row = y + d;
      int left = up, right = down;
      if (round) {
        // An odd pen has a one-pixel centre, an even one a 2 x 2 centre.
        const int k = d <= 0 ? -d : ((w & 1) ? d : d - 1);
        left = g_pen_circle[k];
        right = left + ((w & 1) ? 0 : 1);
      }
      g_band_lo[row - top] = std::min(g_band_lo[row - top], x - left);
      g_band_hi[row - top] = std::max(g_band_hi[row - top], x + right);
    }
  };
  const int dx = x1 - x0, dy = y1 - y0, adx = std::abs(dx), ady = std::abs(dy);
  const int sx = dx < 0 ? -1 : 1, sy = dy < 0 ? -1 : 1;
  if (adx > ady) {
    for (int p = 0; p <= adx; ++p) stamp(x0 + sx * p, y0 + sy * ShallowRow(p, adx, ady));
  } else if (ady > 0) {
    for (int q = 0; q <= ady; ++q) stamp(x0 + sx * SteepColumn(q, adx, ady), y0 + sy * q);
  } else {
    stamp(x0, y0);
  }
  for (int y = top; y <= bottom; ++y)
    if (g_band_lo[y - top] <= g_band_hi[y - top]) Run(dc, y, g_band_lo[y - top], g_band_hi[y - top], dc->pen_colour);
}

}  // namespace

void PenDot(DC* dc, int x, int y) { WideLine(dc, x, y, x, y); }

void Run(DC* dc, int y, int x1, int x2, uint16_t colour) {
  if (y < dc->clip[1] || y > dc->clip[3]) return;
  x1 = std::max<int>(x1, dc->clip[0]);
  x2 = std::min<int>(x2, dc->clip[2]);
  if (x2 < x1) return;
  GDI_ScanLine(dc, int16_t(y), int16_t(x1), int16_t(x2), colour);
}

void FillRows(DC* dc, int top, int bottom, int left, int right, uint16_t colour) {
  top = std::max<int>(top, dc->clip[1]);
  bottom = std::min<int>(bottom, dc->clip[3]);
  for (int y = top; y <= bottom; ++y) Run(dc, y, left, right, colour);
}

void PenPixel(DC* dc, int x, int y) {
  const uint8_t mask = dc->pattern_mask != 0 ? dc->pattern_mask : 0x80;
  dc->pattern_mask = mask == 0x01 ? 0x80 : uint8_t(mask >> 1);
  const uint16_t colour = (dc->pattern & mask) != 0 ? dc->pen_colour : dc->fill_colour;
  if ((dc->pattern & mask) == 0 && colour == kNoColour) return;
  if (x < dc->clip[0] || x > dc->clip[2] || y < dc->clip[1] || y > dc->clip[3]) return;
  GDI_SetPixel(dc, int16_t(x), int16_t(y), colour);
}

void ThinLine(DC* dc, int x0, int y0, int x1, int y1) {
  const int dx = x1 - x0, dy = y1 - y0, adx = std::abs(dx), ady = std::abs(dy);
  const int sx = dx < 0 ? -1 : 1, sy = dy < 0 ? -1 : 1;
  if (adx > ady) {
    for (int p = 0; p < adx; ++p) PenPixel(dc, x0 + sx * p, y0 + sy * ShallowRow(p, adx, ady));
  } else {
    for (int q = 0; q < ady; ++q) PenPixel(dc, x0 + sx * SteepColumn(q, adx, ady), y0 + sy * q);
  }
}

int DrawLine(DC* dc, int x0, int y0, int x1, int y1) {
  if (x0 == x1 && y0 == y1) return 0;
  if (dc->pen_style == 0) return 1;
  if (dc->pen_width > 1) {
    WideLine(dc, x0, y0, x1, y1);
  } else if (y0 == y1 && dc->pen_style == 1) {
    if (x1 > x0) Run(dc, y0, x0, x1 - 1, dc->pen_colour);
    else Run(dc, y0, x1 + 1, x0, dc->pen_colour);
  } else {
    ThinLine(dc, x0, y0, x1, y1);
  }
  return 1;
}

}  // namespace gdi

using namespace gdi;

int GDI_LineTo(DC* dc, int16_t x, int16_t y) {
  plat::TraceCall("GDI_LineTo", (int64_t(dc->cur_x) << 16) | uint16_t(dc->cur_y), (int64_t(x) << 16) | uint16_t(y));
  if (DrawLine(dc, dc->cur_x, dc->cur_y, x, y) == 0) return 0;
  dc->cur_x = x;
  dc->cur_y = y;
  return 1;
}

int GDI_Polygon(DC* dc, const int16_t* points, int n) {
  if (points == nullptr || n < 2) return 0;
  GDI_MoveTo(dc, points[0], points[1]);
  int result = 0;
  for (int i = 1; i <= n; ++i) {
    const int j = i == n ? 0 : i;
    result = DrawLine(dc, dc->cur_x, dc->cur_y, points[2 * j], points[2 * j + 1]);
    dc->cur_x = points[2 * j];
    dc->cur_y = points[2 * j + 1];
  }
  return result;
}

namespace {

struct Edge {
  int upper_y, lower_y;
  int x;  // at the current row
  int error, dx, dy;
};
constexpr int kMaxPolygonPoints = 32;
Edge g_edges[kMaxPolygonPoints];
Edge* g_active[kMaxPolygonPoints];

}  // namespace

void GDI_FillPolygon(DC* dc, const int16_t* points, int n) {
  if (points == nullptr || n < 3 || n > kMaxPolygonPoints) return;
  int edges = 0;
  for (int i = 0; i < n; ++i) {
    const int j = (i + 1) % n;
    int xa = points[2 * i], ya = points[2 * i + 1], xb = points[2 * j], yb = points[2 * j + 1];
    if (ya == yb) continue;
    if (ya > yb) std::swap(xa, xb), std::swap(ya, yb);
    g_edges[edges++] = Edge{ya, yb, xa, (xb - xa) / 2, xb - xa, yb - ya};
  }
  std::sort(g_edges, g_edges + edges,
            [](const Edge& a, const Edge& b) { return a.upper_y != b.upper_y ? a.upper_y < b.upper_y : a.x < b.x; });
  int waiting = 0, active = 0;
  int y = edges > 0 ? g_edges[0].upper_y : 0;
  while (waiting < edges || active > 0) {
    while (waiting < edges && g_edges[waiting].upper_y == y) g_active[active++] = &g_edges[waiting++];
    std::sort(g_active, g_active + active, [](const Edge* a, const Edge* b) { return a->x < b->x; });
    for (int i = 0; i + 1 < active; i += 2)
      if (g_active[i + 1]->x > g_active[i]->x) DrawLine(dc, g_active[i]->x, y, g_active[i + 1]->x, y);
    ++y;
    int kept = 0;
    for (int i = 0; i < active; ++i) {
      Edge* e = g_active[i];
      if (e->lower_y == y) continue;
      e->error += e->dx;
      if (e->error < 0) {
        e->x += e->error / e->dy - 1;
        e->error = e->error % e->dy + e->dy;
      }
      if (e->error >= e->dy) {
        e->x += e->error / e->dy;
        e->error %= e->dy;
      }
      g_active[kept++] = e;
    }
    active = kept;
  }
}
