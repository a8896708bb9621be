// The firmware's vector icons for page buttons and the message box, scaled to any
// rectangle. Proportions are integer fractions of the rectangle's width w and height h,
// truncated; s is the smaller of the two. The stop, start and print icons restore the
// pen they found; the others leave the last pen they set.
#include "graphics/icons.h"

#include <algorithm>
#include <cstddef>

#include "draw_internal.h"
#include "graphics/dc.h"
#include "graphics/draw.h"

namespace {

struct Box {
  int l, t, r, b, w, h, s;
};
Box Of(int16_t left, int16_t top, int16_t right, int16_t bottom) {
  const int w = right - left, h = bottom - top;
  return Box{left, top, right, bottom, w, h, std::min(w, h)};
}

// A filled polygon of int points.
template <std::size_t N>
void Fill(DC* dc, const int (&xy)[N]) {
  int16_t points[N];
  for (std::size_t i = 0; i < N; ++i) points[i] = int16_t(xy[i]);
  GDI_FillPolygon(dc, points, int(N / 2));
}

void Stroke(DC* dc, int x0, int y0, int x1, int y1) { gdi::DrawLine(dc, x0, y0, x1, y1); }

struct SavedPen {
  explicit SavedPen(DC* d) : dc(d), style(d->pen_style), width(d->pen_width), colour(d->pen_colour) {}
  ~SavedPen() { GDI_SetPen(dc, style, width, colour); }
  DC* dc;
  int16_t style, width;
  uint16_t colour;
};

// The ellipse of the rectangle with the context's pen style and colour at width, then
// width 1 for what is drawn inside it.
void Ring(DC* dc, const Box& b, int width) {
  GDI_SetPen(dc, dc->pen_style, int16_t(width), dc->pen_colour);
  GDI_Ellipse(dc, int16_t(b.l), int16_t(b.t), int16_t(b.r), int16_t(b.b));
  GDI_SetPen(dc, dc->pen_style, 1, dc->pen_colour);
}

void Dart(DC* dc, const Box& b, bool left) {
  Ring(dc, b, b.s / 40 + 1);
  const int x1 = b.l + b.w / 4, x2 = b.r - (b.r - x1) / 4, m = x2 - x1;
  const int y1 = b.t + m / 4, y2 = b.b - (b.b - y1) / 4, ym = y1 + (y2 - y1) / 2;
  if (left) {
    Fill(dc, {x2, y1, x1, ym, x2, y2, x1 + m / 2, ym});
  } else {
    Fill(dc, {x1, y1, x2, ym, x1, y2, x1 + m / 2, ym});
  }
}

void Arrow(DC* dc, const Box& b, bool left) {
  Ring(dc, b, b.s / 40 * 2 + 2);
  const int tip_y = b.t + 17 * b.h / 36, head_top = b.t + 2 * b.h / 9, head_bottom = b.t + 13 * b.h / 18;
  const int shaft_top = b.t + 42 * b.h / 100, shaft_bottom = b.t + 54 * b.h / 100;
  const int tip = left ? b.l + b.w / 9 : b.l + 8 * b.w / 9;
  const int base = left ? b.l + 5 * b.w / 9 : b.l + 4 * b.w / 9;
  const int end = left ? b.l + 29 * b.w / 36 : b.l + 5 * b.w / 36;
  Fill(dc, {tip, tip_y, base, head_top, base, shaft_top, end, shaft_top, end, shaft_bottom, base, shaft_bottom, base,
            head_bottom});
}

}  // namespace

void Draw_stopIcon(DC* dc, int16_t left, int16_t top, int16_t right, int16_t bottom) {
  const Box b = Of(left, top, right, bottom);
  SavedPen saved(dc);
  const uint16_t fill = GDI_SetFillColor(dc, gdi::kNoColour);
  GDI_SetPen(dc, 1, int16_t(b.s / 40 * 2 + 2), 0xFFDF);
  GDI_Ellipse(dc, left, top, right, bottom);
  GDI_SetFillColor(dc, fill);
}

void Draw_startIcon(DC* dc, int16_t left, int16_t top, int16_t right, int16_t bottom) {
  const Box b = Of(left, top, right, bottom);
  SavedPen saved(dc);
  GDI_SetPen(dc, 1, int16_t(b.s / 40 * 5 + 5), 0xFFFF);
  Stroke(dc, b.l + b.w / 2, b.t + b.h / 4, b.l + b.w / 2, b.t + 6 * b.h / 7);
}

void Draw_previousIcon(DC* dc, int16_t left, int16_t top, int16_t right, int16_t bottom) {
  Dart(dc, Of(left, top, right, bottom), true);
}

void Draw_nextIcon(DC* dc, int16_t left, int16_t top, int16_t right, int16_t bottom) {
  Dart(dc, Of(left, top, right, bottom), false);
}

void Draw_arrowleftIcon(DC* dc, int16_t left, int16_t top, int16_t right, int16_t bottom) {
  Arrow(dc, Of(left, top, right, bottom), true);
}

void Draw_arrowrightIcon(DC* dc, int16_t left, int16_t top, int16_t right, int16_t bottom) {
  Arrow(dc, Of(left, top, right, bottom), false);
}

void Draw_homeIcon(DC* dc, int16_t left, int16_t top, int16_t right, int16_t bottom) {
  const Box b = Of(left, top, right, bottom);
  const int l = b.l, t = b.t, r = b.r, w = b.w, h = b.h;
  Fill(dc, {l + w / 2, t + h / 4, l + w / 7, t + 9 * h / 17, l + w / 7, b.b, l + 2 * w / 5, b.b, l + 2 * w / 5,
            t + 2 * h / 3, l + 3 * w / 5, t + 2 * h / 3, l + 3 * w / 5, b.b, r - w / 7, b.b, r - w / 7, t + 9 * h / 17});
  Fill(dc, {l + w / 2, t + h / 60, l + w / 100, t + 4 * h / 11, l + w / 10, t + h / 2, l + w / 2, t + 3 * h / 16,
            r - w / 10, t + h / 2, r, t + 4 * h / 11});
}

void Draw_trendsIcon(DC* dc, int16_t left, int16_t top, int16_t right, int16_t bottom) {
  const Box b = Of(left, top, right, bottom);
  GDI_SetPen(dc, dc->pen_style, int16_t(b.s / 40 * 2 + 2), dc->pen_colour);
  GDI_MoveTo(dc, left, top);
  GDI_LineTo(dc, left, bottom);
  GDI_LineTo(dc, right, bottom);
  GDI_MoveTo(dc, left, int16_t(b.t + 2 * b.h / 3));
  GDI_LineTo(dc, int16_t(b.l + b.w / 3), int16_t(b.t + b.h / 3));
  GDI_LineTo(dc, int16_t(b.l + 2 * b.w / 3), int16_t(b.t + 2 * b.h / 3));
  GDI_LineTo(dc, right, int16_t(b.t + b.h / 3));
}

void Draw_alarmIcon(DC* dc, int16_t left, int16_t top, int16_t right, int16_t bottom) {
  const Box b = Of(left, top, right, bottom);
  GDI_SetPen(dc, 1, int16_t(b.s / 40 * 2 + 2), 0xFFFF);
  const int y0 = b.t - 5, x = b.l + b.w / 2;
  const int16_t triangle[6] = {int16_t(x), int16_t(y0 + b.h / 50), left, int16_t(bottom - 5), right,
                               int16_t(bottom - 5)};
  GDI_Polygon(dc, triangle, 3);
  Stroke(dc, x, y0 + b.h / 3, x, y0 + 2 * b.h / 3);          // the stroke
  Stroke(dc, x, y0 + 7 * b.h / 9, x, y0 + 8 * b.h / 10);  // the dot
}

void Draw_helpIcon(DC* dc, int16_t left, int16_t top, int16_t right, int16_t bottom) {
  const Box b = Of(left, top, right, bottom);
  const int e = b.s / 40 + 1;
  const uint16_t pen = dc->pen_colour;
  GDI_SetPen(dc, 1, int16_t(e), 0x003F);
  GDI_SetFillColor(dc, 0x003F);
  GDI_Ellipse(dc, left, top, right, bottom);
  // The inner ring.
  const int dx = std::max(2 * e, b.w / 60), dy = std::max(2 * e, b.h / 60);
  const int rl = b.l + dx, rt = b.t + dy, rr = b.r - dx, rb = b.b - dy;
  GDI_SetPen(dc, 1, int16_t(e), pen);
  GDI_SetFillColor(dc, gdi::kNoColour);
  GDI_Ellipse(dc, int16_t(rl), int16_t(rt), int16_t(rr), int16_t(rb));
  // The question mark: a hook, a stem and a dot.
  const int ix = std::max(4 * e, (rr - rl) / 60), iy = std::max(4 * e, (rb - rt) / 60);
  const int x0 = rl + ix, y0 = rt + iy, x1 = rr - ix, y1 = rb - iy, W = x1 - x0, H = y1 - y0;
  GDI_SetPen(dc, 1, int16_t(2 * e), 0xFFDF);
  GDI_SetFillColor(dc, 0xFFDF);
  const int hl = x0 + W / 4, ht = y0, hr = x1 - (x1 - x0 - W / 4) / 4, hb = y1 - H / 2;
  GDI_Arc(dc, int16_t(hl), int16_t(ht), int16_t(hr), int16_t(hb), int16_t((hl + hr) / 2), int16_t(hb),
          int16_t(hl + (hr - hl) / 9), int16_t(ht + 2 * (hb - ht) / 5));
  Stroke(dc, x0 + W / 2, y0 + H / 2, x0 + W / 2, y0 + H / 2 + 3 * H / 10);
  Stroke(dc, x0 + W / 2, y0 + H, x0 + W / 2, y0 + H + 2);
}

void Draw_MaintenanceIcon(DC* dc, int16_t left, int16_t top, int16_t right, int16_t bottom) {
  const Box b = Of(left, top, right, bottom);
  const int l = b.l, t = b.t, r = b.r, w = b.w, h = b.h;
  Fill(dc, {l + w / 3,      t + h / 60,     l + w / 10,     t + h / 6,          l + w / 15,     t + 3 * h / 10,
            l + w / 10,     t + 3 * h / 7,  l + 3 * w / 10, t + h / 2,          l + w / 4,      b.b - h / 5,
            r - w / 4,      b.b - h / 5,    r - 3 * w / 10, t + h / 2,          r - w / 10,     t + 3 * h / 7,
            r - w / 15,     t + 3 * h / 10, r - w / 10,     t + h / 6,          r - w / 3,      t + h / 60,
            r - w / 3,      t + 3 * h / 10, l + w / 2,      t + 4 * h / 11,     l + w / 3,      t + 3 * h / 10});
  GDI_SetFillColor(dc, dc->pen_colour);
}

void Draw_printIcon(DC* dc, int16_t left, int16_t top, int16_t right, int16_t bottom) {
  const Box b = Of(left, top, right, bottom);
  const int l = b.l, t = b.t, r = b.r, w = b.w, h = b.h, e = b.s / 40 + 1;
  SavedPen saved(dc);
  GDI_SetPen(dc, 1, int16_t(e), 0xFFFF);
  Fill(dc, {r, b.b, l, b.b, l, t, l + 3 * w / 5, t + h / 1000, l + 3 * w / 5, t + h / 4, r, t + h / 4});
  Fill(dc, {l + 7 * w / 10, t + h / 5, r, t + h / 5, l + 7 * w / 10, t});
  GDI_SetPen(dc, 1, int16_t(5 * e / 2), 0xB5D4);
  Stroke(dc, l + w / 9, t + h / 5, l + w / 2, t + h / 5);
  Stroke(dc, l + w / 9, t + 2 * h / 5, l + 2 * w / 3, t + 2 * h / 5);
  Stroke(dc, l + 4 * w / 5, t + 2 * h / 5, l + 9 * w / 10, t + 2 * h / 5);
  Stroke(dc, l + w / 9, t + 3 * h / 5, l + w / 2, t + 3 * h / 5);
  Stroke(dc, l + 2 * w / 3, t + 3 * h / 5, l + 8 * w / 9, t + 3 * h / 5);
  Stroke(dc, l + w / 9, t + 4 * h / 5, l + 3 * w / 4, t + 4 * h / 5);
}
