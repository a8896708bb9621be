// Rectangles, ellipses and rounded rectangles: the flat fill in the fill colour and the
// outline with the pen, centred on the figure's edge. Ellipses and rounded rectangles
// share one engine over four centres (equal pairs for an ellipse of odd size, the corner
// circles' centres for a rounded rectangle) and the quadrant tables of their rows.
#include <algorithm>

#include "draw_internal.h"
#include "graphics/draw.h"
#include "platform/trace.h"

namespace gdi {
namespace {

// The quadrant tables of the figure being drawn: the outer edge and, for a wide pen,
// the inner edge of the pen band.
int16_t g_outer[kQuadrantRows];
int16_t g_inner[kQuadrantRows];

struct Figure {
  int a, b;          // outer semi-axes
  int ai, bi;        // semi-axes of the band's inner edge (equal to a, b for a thin pen)
  int inner_rows;    // rows of the inner table in use; -1 without one
};
Figure g_fig;

int64_t Pack(int16_t a, int16_t b) { return (int64_t(a) << 16) | uint16_t(b); }

// Where the pen band on row k of a quadrant ends toward the centre: the run from the
// edge reaches the next row's edge, or is a single pixel when the next row is as wide.
int InnerEdge(const int16_t* table, int k, int last) {
  if (k >= last) return 0;
  return table[k] == table[k + 1] ? table[k] : table[k + 1] + 1;
}

// One quadrant of the thin outline in clockwise order: q 0 upper right, 1 lower right,
// 2 lower left, 3 upper left.
void QuadrantPixels(DC* dc, int q, void (*visit)(DC*, int, int)) {
  const int cx = q < 2 ? dc->centre[2] : dc->centre[0];
  const int cy = q == 0 || q == 3 ? dc->centre[1] : dc->centre[3];
  const int sx = q < 2 ? 1 : -1, sy = q == 0 || q == 3 ? -1 : 1;
  const int b = g_fig.b;
  // Upper right and lower left run from the vertical axis outward, the other two
  // inward; the pixels of a row follow the same direction.
  const bool from_axis = q == 0 || q == 2;
  for (int i = 0; i <= b; ++i) {
    const int k = from_axis ? b - i : i;
    const int g = InnerEdge(g_outer, k, b), t = g_outer[k];
    if (from_axis) {
      for (int x = g; x <= t; ++x) visit(dc, cx + sx * x, cy + sy * k);
    } else {
      for (int x = t; x >= g; --x) visit(dc, cx + sx * x, cy + sy * k);
    }
  }
}

const Sector* g_sector = nullptr;

// A run of the shape, cut to the sector when one is set.
void ShapeRun(DC* dc, int y, int x1, int x2, uint16_t colour) {
  if (g_sector == nullptr) return Run(dc, y, x1, x2, colour);
  if (y < dc->clip[1] || y > dc->clip[3]) return;
  x1 = std::max<int>(x1, dc->clip[0]);
  x2 = std::min<int>(x2, dc->clip[2]);
  int start = -1;
  for (int x = x1; x <= x2 + 1; ++x) {
    const bool in = x <= x2 && InSector(dc, x, y);
    if (in && start < 0) start = x;
    if (!in && start >= 0) Run(dc, y, start, x - 1, colour), start = -1;
  }
}

void ShapeRows(DC* dc, int top, int bottom, int left, int right, uint16_t colour) {
  top = std::max<int>(top, dc->clip[1]);
  bottom = std::min<int>(bottom, dc->clip[3]);
  for (int y = top; y <= bottom; ++y) ShapeRun(dc, y, left, right, colour);
}

}  // namespace

int CreateEllipse(int a, int b, int16_t* table) {
  if (a <= 0 || b <= 0 || b >= kQuadrantRows) return 0;
  const int64_t a2 = int64_t(a) * a, b2 = int64_t(b) * b;
  // Near the top the outline steps in x: a row is complete when the error passes it.
  int x = 0, y = b;
  int64_t error = 0, ya = a2 * b, xb = 0;
  while (ya >= xb) {
    const int64_t t = b2 + error + 2 * xb;
    xb += b2;
    if (t >= ya) {
      table[y--] = int16_t(x);
      error = t + a2 - 2 * ya;
      ya -= a2;
    } else {
      error = t;
    }
    ++x;
  }
  // Near the centre row it steps in y, one row at a time.
  table[0] = int16_t(a);
  int64_t ax = a * b2, yy = 0;
  error = 0;
  x = a;
  for (int k = 1; k <= y; ++k) {
    const int64_t t = a2 + error + 2 * yy;
    if (t >= ax) {
      --x;
      error = t + b2 - 2 * ax;
      ax -= b2;
    } else {
      error = t;
    }
    table[k] = int16_t(x);
    yy += a2;
  }
  return b;
}

void DrawRectOutline(DC* dc) {
  const int16_t* o = dc->pen_outer;
  const int16_t* in = dc->pen_inner;
  if (dc->pen_width > 1 || dc->pen_style == 1) {
    FillRows(dc, o[1], in[1], o[0], o[2], dc->pen_colour);
    FillRows(dc, in[1] + 1, in[3] - 1, o[0], in[0], dc->pen_colour);
    FillRows(dc, in[1] + 1, in[3] - 1, in[2], o[2], dc->pen_colour);
    FillRows(dc, in[3], o[3], o[0], o[2], dc->pen_colour);
    return;
  }
  // Clockwise from the top-left corner, the dash running on from edge to edge.
  dc->pattern_mask = 0x80;
  ThinLine(dc, o[0], o[1], o[2], o[1]);
  ThinLine(dc, o[2], o[1], o[2], o[3]);
  ThinLine(dc, o[2], o[3], o[0], o[3]);
  ThinLine(dc, o[0], o[3], o[0], o[1]);
}

void DrawRectangle(DC* dc) {
  const int16_t* o = dc->pen_outer;
  const int16_t* in = dc->pen_inner;
  if (dc->fill_colour != kNoColour) {
    if (dc->pen_style == 0 || dc->pen_colour == dc->fill_colour) {
      FillRows(dc, o[1], o[3], o[0], o[2], dc->fill_colour);
      return;  // the fill is the outline
    }
    FillRows(dc, in[1] + 1, in[3] - 1, in[0] + 1, in[2] - 1, dc->fill_colour);
  }
  if (dc->pen_style != 0) DrawRectOutline(dc);
}

bool InscribedEllipse(DC* dc, int16_t left, int16_t top, int16_t right, int16_t bottom, int* a, int* b) {
  if (right <= left || bottom <= top) return false;
  DimObjToPen(dc, left, top, int16_t(right - 1), int16_t(bottom - 1));
  SetObjCenter(dc);
  *a = (dc->pen_outer[2] - dc->pen_outer[0]) / 2;
  *b = (dc->pen_outer[3] - dc->pen_outer[1]) / 2;
  return true;
}

bool RoundCorners(DC* dc, int width, int height, int corner_width, int corner_height, int* a, int* b) {
  *a = std::min(corner_width, width - 1) / 2;
  *b = std::min(corner_height, height - 1) / 2;
  if (*a <= 0 || *b <= 0) return false;
  if (dc->pen_style != 0 && dc->pen_width > 1) {
    *a += dc->pen_width / 2;
    *b += dc->pen_width / 2;
  }
  const int16_t* o = dc->pen_outer;
  dc->centre[0] = int16_t(o[0] + *a);
  dc->centre[1] = int16_t(o[1] + *b);
  dc->centre[2] = int16_t(o[2] - *a);
  dc->centre[3] = int16_t(o[3] - *b);
  return true;
}

uint16_t FlatColour(const void* colour, int, int, int, int) { return *static_cast<const uint16_t*>(colour); }

bool PrepareEllipse(DC* dc, int a, int b, bool inner_for_wide_pen) {
  if (CreateEllipse(a, b, g_outer) == 0) return false;
  g_fig = Figure{a, b, a, b, -1};
  if (inner_for_wide_pen && dc->pen_style != 0 && dc->pen_width > 1) {
    g_fig.ai = a + 1 - dc->pen_width;
    g_fig.bi = b + 1 - dc->pen_width;
    g_fig.inner_rows = CreateEllipse(g_fig.ai, g_fig.bi, g_inner);
  }
  return true;
}

void SetSector(const Sector* sector) { g_sector = sector; }

bool InSector(const DC* dc, int x, int y) {
  const Sector* s = g_sector;
  if (s == nullptr || s->whole) return true;
  const int64_t px = 2 * x - (dc->centre[0] + dc->centre[2]), py = 2 * y - (dc->centre[1] + dc->centre[3]);
  // Positive when the second vector lies counter-clockwise (on screen) of the first.
  auto ccw = [](int64_t ax, int64_t ay, int64_t bx, int64_t by) { return ay * bx - ax * by; };
  const int64_t sweep = ccw(s->from_x, s->from_y, s->to_x, s->to_y);
  if (sweep > 0 || (sweep == 0 && s->from_x * s->to_x + s->from_y * s->to_y < 0))
    return ccw(s->from_x, s->from_y, px, py) >= 0 && ccw(px, py, s->to_x, s->to_y) >= 0;
  // More than half the ellipse: everything but the sector from `to` on to `from`.
  return !(ccw(s->to_x, s->to_y, px, py) > 0 && ccw(px, py, s->from_x, s->from_y) > 0);
}

void OutlinePixels(DC* dc, void (*visit)(DC*, int, int)) {
  const int cxl = dc->centre[0], cyt = dc->centre[1], cxr = dc->centre[2], cyb = dc->centre[3];
  const int a = g_fig.a, b = g_fig.b;
  QuadrantPixels(dc, 0, visit);
  for (int y = cyt + 1; y < cyb; ++y) visit(dc, cxr + a, y);
  QuadrantPixels(dc, 1, visit);
  for (int x = cxr - 1; x > cxl; --x) visit(dc, x, cyb + b);
  QuadrantPixels(dc, 2, visit);
  for (int y = cyb - 1; y > cyt; --y) visit(dc, cxl - a, y);
  QuadrantPixels(dc, 3, visit);
  for (int x = cxl + 1; x < cxr; ++x) visit(dc, x, cyt - b);
}

void FillShape(DC* dc, RowColour colour) {
  const int cxl = dc->centre[0], cyt = dc->centre[1], cxr = dc->centre[2], cyb = dc->centre[3];
  const bool inner = g_fig.inner_rows >= 0;
  const int16_t* table = inner ? g_inner : g_outer;
  const int quadrant_rows = inner ? g_fig.inner_rows : g_fig.b + 1;
  if (quadrant_rows <= 0 && cyb - cyt <= 1) return;
  // The straight rows between the centres span the pen band's inside (or the whole
  // figure when the outer table is the fill's edge).
  const int side_left = inner ? dc->pen_inner[0] + 1 : dc->pen_outer[0];
  const int side_right = inner ? dc->pen_inner[2] - 1 : dc->pen_outer[2];
  const int top = cyt - (quadrant_rows - 1), bottom = cyb + (quadrant_rows - 1);
  const int rows = bottom - top + 1;
  const int first = std::max<int>(top, dc->clip[1]), last = std::min<int>(bottom, dc->clip[3]);
  for (int y = first; y <= last; ++y) {
    const uint16_t c = colour.of(colour.context, y, y - top, rows, quadrant_rows);
    if (y <= cyt && cyt - y < quadrant_rows) {
      ShapeRun(dc, y, cxl - table[cyt - y], cxr + table[cyt - y], c);
    } else if (y >= cyb && y - cyb < quadrant_rows) {
      ShapeRun(dc, y, cxl - table[y - cyb], cxr + table[y - cyb], c);
    } else if (y > cyt && y < cyb) {
      ShapeRun(dc, y, side_left, side_right, c);
    }
  }
}

void OutlineEllipse(DC* dc) {
  if (dc->pen_style == 0) return;
  const int cxl = dc->centre[0], cyt = dc->centre[1], cxr = dc->centre[2], cyb = dc->centre[3];
  const int b = g_fig.b;
  const uint16_t pen = dc->pen_colour;
  if (dc->pen_width <= 1 && dc->pen_style != 1) {
    OutlinePixels(dc, PenPixel);  // clockwise from the top through the dash pattern
    return;
  }
  const bool inner = g_fig.inner_rows >= 0;
  for (int k = 0; k <= b; ++k) {
    int g = 0;
    if (!inner) g = InnerEdge(g_outer, k, b);
    else if (k < g_fig.inner_rows) g = InnerEdge(g_inner, k, g_fig.inner_rows);
    const int t = g_outer[k];
    ShapeRun(dc, cyt - k, cxl - t, cxl - g, pen);
    ShapeRun(dc, cyt - k, cxr + g, cxr + t, pen);
    if (cyb + k != cyt - k) {
      ShapeRun(dc, cyb + k, cxl - t, cxl - g, pen);
      ShapeRun(dc, cyb + k, cxr + g, cxr + t, pen);
    }
  }
  const int16_t* o = dc->pen_outer;
  const int16_t* in = dc->pen_inner;
  if (cxr - cxl > 1) {
    ShapeRows(dc, o[1], in[1], in[0] + g_fig.ai + 1, in[2] - g_fig.ai - 1, pen);
    ShapeRows(dc, in[3], o[3], in[0] + g_fig.ai + 1, in[2] - g_fig.ai - 1, pen);
  }
  if (cyb - cyt > 1) {
    ShapeRows(dc, in[1] + g_fig.bi + 1, in[3] - g_fig.bi - 1, o[0], in[0], pen);
    ShapeRows(dc, in[1] + g_fig.bi + 1, in[3] - g_fig.bi - 1, in[2], o[2], pen);
  }
}

int DrawEllipse(DC* dc, int a, int b) {
  // A fill in the pen's colour is the outline too; otherwise a wide pen's band gets an
  // inner edge of its own.
  const bool fill = dc->fill_colour != kNoColour;
  const bool complete = fill && dc->pen_colour == dc->fill_colour;
  if (!PrepareEllipse(dc, a, b, !complete)) return 0;
  if (fill) {
    FillShape(dc, RowColour{FlatColour, &dc->fill_colour});
    if (complete) return 1;
  }
  OutlineEllipse(dc);
  return 1;
}

}  // namespace gdi

using namespace gdi;

int GDI_Rectangle(DC* dc, int16_t left, int16_t top, int16_t right, int16_t bottom) {
  plat::TraceCall("GDI_Rectangle", Pack(left, top), Pack(right, bottom));
  if (right <= left || bottom <= top) return 0;
  DimObjToPen(dc, left, top, int16_t(right - 1), int16_t(bottom - 1));
  DrawRectangle(dc);
  return 1;
}

int GDI_Ellipse(DC* dc, int16_t left, int16_t top, int16_t right, int16_t bottom) {
  plat::TraceCall("GDI_Ellipse", Pack(left, top), Pack(right, bottom));
  int a = 0, b = 0;
  return InscribedEllipse(dc, left, top, right, bottom, &a, &b) ? DrawEllipse(dc, a, b) : 0;
}

int GDI_RoundRect(DC* dc, int16_t left, int16_t top, int16_t right, int16_t bottom, int16_t corner_width,
                  int16_t corner_height) {
  plat::TraceCall("GDI_RoundRect", Pack(left, top), Pack(right, bottom));
  if (right <= left || bottom <= top) return 0;
  DimObjToPen(dc, left, top, int16_t(right - 1), int16_t(bottom - 1));
  int a = 0, b = 0;
  if (!RoundCorners(dc, right - left, bottom - top, corner_width, corner_height, &a, &b)) {
    DrawRectangle(dc);
    return 1;
  }
  return DrawEllipse(dc, a, b) != 0 ? 1 : 0;
}
