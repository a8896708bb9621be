// Drawing of images (1, 4, 8 and 16 bits per pixel) onto a surface, with the
// transparency of 16-bit pictures drawn from their transparent-run form.
#include <algorithm>

#include "graphics/vdr.h"
#include "vdr_internal.h"

namespace vdr {
namespace {

struct Walk {
  DC* dc;
  int x, y, width, height;
  const uint8_t* data;
  std::size_t row_bytes;
  int col0, row0;
  bool transparent;
  uint16_t t;
  const uint8_t* row(int r) const { return data + std::size_t(row0 + r) * row_bytes; }
  // Images that carry transparency arrive unclipped: each pixel is tested.
  bool Drawable(int px, int py) const {
    if (!OnSurface(px, py)) return false;
    if (!transparent) return true;
    const int16_t* c = dc->clip;
    return px >= c[0] && px <= c[2] && py >= c[1] && py <= c[3];
  }
};

uint16_t Get16(const uint8_t* p) {
  uint16_t v;
  std::memcpy(&v, p, 2);
  return v;
}

void WalkIndexed(const Walk& w, int bpp, uint16_t fg, uint16_t bg) {
  for (int r = 0; r < w.height; ++r) {
    const uint8_t* row = w.row(r);
    uint16_t* out = SurfaceRow(w.dc, std::max(0, std::min(w.y + r, int(scr_hgt) - 1)));
    for (int c = 0; c < w.width; ++c) {
      const int i = w.col0 + c;
      uint16_t colour;
      if (bpp == 1) {
        if (row[i >> 3] & (0x80 >> (i & 7))) {
          colour = fg;
        } else {
          if (bg == 0xFFFF) continue;
          colour = bg;
        }
      } else if (bpp == 4) {
        const uint8_t b = row[i >> 1];
        colour = uint16_t(convert[(i & 1) ? (b & 0xF) : (b >> 4)]);
        if (w.transparent && colour == w.t) continue;
      } else {
        colour = convert8to16[row[i]];
        if (w.transparent && colour == w.t) continue;
      }
      if (w.Drawable(w.x + c, w.y + r)) PutPixel(w.dc, out, w.x + c, colour);
    }
  }
}

// Segments of (transparent colour, skip, opaque, pixels) per row, drawn from the
// picture's first pixel at full width. A segment that would run past its row, or past
// the run form's length when the descriptor gives one, marks damaged data and ends the
// drawing.
void WalkRuns(const Walk& w, int full_width, int full_height, std::size_t length) {
  const uint8_t* p = w.data;
  const uint8_t* const end = length != 0 ? w.data + length : nullptr;
  const int16_t* clip = w.dc->clip;
  for (int r = 0; r < full_height; ++r) {
    const int py = w.y + r;
    const bool row_visible = py >= clip[1] && py <= clip[3] && OnSurface(0, py);
    uint16_t* out = row_visible ? SurfaceRow(w.dc, py) : nullptr;
    int pos = 0;
    while (pos < full_width) {
      if (end != nullptr && end - p < 6) return;
      const int skip = Get16(p + 2), opaque = Get16(p + 4);
      p += 6;
      if ((skip == 0 && opaque == 0) || skip + opaque > full_width - pos) return;
      if (end != nullptr && end - p < 2 * opaque) return;
      pos += skip;
      if (row_visible) {
        const int x0 = w.x + pos;
        const int lo = std::max<int>(x0, std::max<int>(clip[0], 0));
        const int hi = std::min<int>(x0 + opaque - 1, std::min<int>(clip[2], scr_wdt - 1));
        if (lo <= hi) std::memcpy(out + lo, p + 2 * (lo - x0), std::size_t(hi - lo + 1) * 2);
      }
      p += std::size_t(opaque) * 2;
      pos += opaque;
    }
  }
}

}  // namespace
}  // namespace vdr

using namespace vdr;

void VDR_WriteDIB(DC* dc, int16_t x, int16_t y, int16_t width, int16_t height, int16_t src_x, int16_t src_y,
                  const DIB* dib) {
  if (dc->surface == nullptr || dib == nullptr || dib->data == nullptr || width <= 0 || height <= 0) return;
  const int bpp = dib->bits_per_pixel;
  if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16) return;
  // Packing types the driver does not know describe no pixels it could walk.
  if (dib->packing > 4) return;
  Walk w{dc, x, y, width, height, dib->data, std::size_t(std::max<int16_t>(dib->row_bytes, 0)),
         src_x + dib->x_offset, src_y, (dib->flags & kDibTransparent) != 0, 0};
  w.t = uint16_t(dib->transparent) == 0xFFDF ? 0xFFFF : uint16_t(dib->transparent);
  bool expanded = false;
  if (dib->packing >= 1 && dib->packing <= 3) {
    if (dib->width <= 0 || dib->height <= 0 || dib->packed_length < 0) return;
    const int unpacked_bpp = dib->packing == 3 ? 16 : bpp;
    const std::size_t limit = RawRowBytes(dib->width, unpacked_bpp) * std::size_t(dib->height);
    if (limit > kBufferBytes || w.row_bytes * std::size_t(dib->height) > limit) return;
    const std::size_t got = Decompress(dib->packing, dib->data, std::size_t(dib->packed_length), WorkImage(), limit);
    std::memset(WorkImage() + got, 0, limit - got);
    w.data = WorkImage();
    expanded = dib->packing == 3;
  }
  if (w.col0 < 0 || w.row0 < 0) return;
  // Raw data whose length is known: only the rows that lie whole inside it are drawn.
  if (dib->packing == 0 && dib->packed_length > 0 && !(w.transparent && bpp == 16)) {
    const std::size_t length = std::size_t(dib->packed_length);
    const std::size_t row_end = RawRowBytes(w.col0 + w.width, bpp);
    while (w.height > 0 && std::size_t(w.row0 + w.height - 1) * w.row_bytes + row_end > length) --w.height;
    if (w.height == 0) return;
  }

  if (bpp != 16) {
    WalkIndexed(w, bpp, dib->foreground, dib->background);
    return;
  }
  if (w.transparent && !expanded) {
    WalkRuns(w, dib->width, dib->height, std::size_t(std::max(dib->packed_length, 0)));
    return;
  }
  for (int r = 0; r < w.height; ++r) {
    const uint8_t* row = w.row(r) + std::size_t(w.col0) * 2;
    const int py = w.y + r;
    if (!w.transparent) {
      if (!OnSurface(w.x, py) || !OnSurface(w.x + w.width - 1, py)) continue;
      memcpy_local(SurfaceRow(dc, py) + w.x, row, std::size_t(w.width) * 2);
      continue;
    }
    for (int c = 0; c < w.width; ++c) {
      const uint16_t v = Get16(row + 2 * c);
      if (v != w.t && w.Drawable(w.x + c, py)) SurfaceRow(dc, py)[w.x + c] = v;
    }
  }
}
