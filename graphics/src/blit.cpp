// Block copies between surfaces, image writes and quarter-turned 1-bit images, clipped
// by the device context before the driver moves pixels.
#include <algorithm>

#include "graphics/dc.h"
#include "graphics/dib.h"
#include "graphics/vdr.h"

namespace {

// Cuts the rectangle (x, y, width, height), whose source starts at (sx, sy), to the
// inclusive box; false when nothing is left.
bool ClipTo(const int16_t box[4], int& x, int& y, int& width, int& height, int& sx, int& sy) {
  if (x < box[0]) {
    const int d = box[0] - x;
    width -= d;
    sx += d;
    x = box[0];
  }
  if (x + width - 1 > box[2]) width = box[2] - x + 1;
  if (width <= 0) return false;
  if (y < box[1]) {
    const int d = box[1] - y;
    height -= d;
    sy += d;
    y = box[1];
  }
  if (y + height - 1 > box[3]) height = box[3] - y + 1;
  return height > 0;
}

}  // namespace

int GDI_BitBlt(DC* dc, int16_t x, int16_t y, int16_t width, int16_t height, DC* src, int16_t src_x, int16_t src_y) {
  if (dc == nullptr || src == nullptr || dc->surface == nullptr || src->surface == nullptr) return 0;
  int dx = x, dy = y, w = width, h = height, sx = src_x, sy = src_y;
  if (!ClipTo(dc->clip, dx, dy, w, h, sx, sy)) return 0;
  // The source is held to its own surface as well: a block that reaches past it (a
  // console taller than the display, say) copies only what is there.
  if (!ClipTo(src->bounds, sx, sy, w, h, dx, dy)) return 0;
  return VDR_BitBlt(dc, int16_t(dx), int16_t(dy), int16_t(w), int16_t(h), src, int16_t(sx), int16_t(sy));
}

int GDI_WriteDIB(DC* dc, int16_t x, int16_t y, int16_t width, int16_t height, const DIB* dib, int16_t src_x,
                 int16_t src_y) {
  if (dc == nullptr || dib == nullptr || dc->ops.write_dib == nullptr || src_x < 0 || src_y < 0) return 0;
  // Only what the image holds from the source position on is drawn.
  int w = std::min<int>(width, dib->width - src_x), h = std::min<int>(height, dib->height - src_y);
  if (w <= 0 || h <= 0) return 0;
  int dx = x, dy = y, sx = src_x, sy = src_y;
  if (!(dib->flags & kDibTransparent) && !ClipTo(dc->clip, dx, dy, w, h, sx, sy)) return 0;
  dc->ops.write_dib(dc, int16_t(dx), int16_t(dy), int16_t(w), int16_t(h), int16_t(sx), int16_t(sy), dib);
  return 1;
}

int GDI_RotateC2DIB(DC* dc, const DIB* dib, int16_t x, int16_t y, int direction) {
  if (dib == nullptr || dib->bits_per_pixel != 1) return 0;
  if (dib->data == nullptr) return 1;
  const int row_bytes = std::max<int16_t>(dib->row_bytes, 0);
  const int width = std::min<int>(dib->width, 8 * row_bytes);  // never past the row's bytes
  for (int r = 0; r < dib->height; ++r) {
    const uint8_t* row = dib->data + std::size_t(r) * std::size_t(row_bytes);
    for (int c = 0; c < width; ++c) {
      const uint16_t colour = (row[c >> 3] & (0x80 >> (c & 7))) ? dib->foreground : dib->background;
      if (colour == 0xFFFF) continue;
      // Each pixel goes through the clip: a rotated line near an edge stays on the surface.
      if (direction == 16)
        GDI_SetPixel(dc, int16_t(x + r), int16_t(y - c), colour);
      else
        GDI_SetPixel(dc, int16_t(x - r), int16_t(y + c), colour);
    }
  }
  return 1;
}
