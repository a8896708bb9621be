// The firmware's vector icons. Proportions are integer fractions of the rectangle's
// width and height, truncated.
#include "graphics/icons.h"

#include <algorithm>

#include "draw_internal.h"
#include "graphics/dc.h"
#include "graphics/draw.h"

void Draw_alarmIcon(DC* dc, int16_t left, int16_t top, int16_t right, int16_t bottom) {
  const int w = right - left, h = bottom - top, s = std::min(w, h);
  GDI_SetPen(dc, 1, int16_t(s / 40 * 2 + 2), 0xFFFF);
  const int y0 = top - 5, x = left + w / 2;
  const int16_t triangle[6] = {int16_t(x), int16_t(y0 + h / 50), left, int16_t(bottom - 5), right,
                               int16_t(bottom - 5)};
  GDI_Polygon(dc, triangle, 3);
  gdi::DrawLine(dc, x, y0 + h / 3, x, y0 + 2 * h / 3);     // the stroke
  gdi::DrawLine(dc, x, y0 + 7 * h / 9, x, y0 + 8 * h / 10);  // the dot
}
