// Pixel writes through the raster operations: single pixels, runs, block copies between
// surfaces and copies of a surface rectangle into an image. Pixels are handled two at a
// time in 32-bit words: an even x is the low half of its word, an odd x the high half.
#include <algorithm>

#include "graphics/vdr.h"
#include "vdr_internal.h"

namespace vdr {
namespace {

uint32_t RopNot(uint32_t s, uint32_t m, uint32_t) { return s ^ m; }
uint32_t RopXor(uint32_t s, uint32_t m, uint32_t w) { return s ^ (m & w); }
uint32_t RopAnd(uint32_t s, uint32_t m, uint32_t w) { return s & (~m | w); }
uint32_t RopNotCopy(uint32_t s, uint32_t m, uint32_t w) { return (s & ~m) | (~w & m); }
uint32_t RopOr(uint32_t s, uint32_t m, uint32_t w) { return s | (m & w); }
uint32_t RopNotOr(uint32_t s, uint32_t m, uint32_t w) { return s | (m & ~w); }

// One row of the copy in flight, for copies that cannot go straight from surface to
// surface (raster operations other than Copy, or source and destination of different
// parity within their words).
uint16_t g_row[kMaxRowPixels];

}  // namespace

// Copy fills go eight bytes at a time once aligned: the whole words of the run get the
// colour weave, the half words at either end their own pixel.
void FillCopy(uint16_t* p, int count, uint16_t colour) {
  if ((colour >> 8) == (colour & 0xFF)) {
    std::memset(p, colour & 0xFF, std::size_t(count) * 2);
    return;
  }
  while (count > 0 && (reinterpret_cast<uintptr_t>(p) & 7) != 0) *p++ = colour, --count;
  const uint64_t weave = colour * 0x0001000100010001ull;
  uint64_t block[8];
  for (uint64_t& b : block) b = weave;
  for (; count >= 32; count -= 32, p += 32) std::memcpy(p, block, sizeof block);
  for (; count >= 4; count -= 4, p += 4) std::memcpy(p, &weave, 8);
  while (count-- > 0) *p++ = colour;
}

uint32_t RopCopy(uint32_t s, uint32_t m, uint32_t w) { return (s & ~m) | (w & m); }

RopFunction RopByCode(int code) {
  switch (code) {
    case kRopNot: return RopNot;
    case kRopXor: return RopXor;
    case kRopAnd: return RopAnd;
    case kRopCopy: return RopCopy;
    case kRopNotCopy: return RopNotCopy;
    case kRopOr: return RopOr;
    case kRopNotOr: return RopNotOr;
    default: return nullptr;
  }
}

void WriteRun(DC* dc, int x, int y, int count, const uint16_t* src) {
  uint16_t* row = SurfaceRow(dc, y);
  if (dc->rop == RopCopy) {
    std::memmove(row + x, src, std::size_t(count) * 2);
    return;
  }
  int i = 0;
  if (x & 1) {
    PutPixel(dc, row, x, src[0]);
    ++i;
  }
  for (; i + 1 < count; i += 2) {
    uint16_t* word = row + x + i;
    StoreWord(word, dc->rop(LoadWord(word), 0xFFFFFFFFu, uint32_t(src[i]) | uint32_t(src[i + 1]) << 16));
  }
  if (i < count) PutPixel(dc, row, x + i, src[i]);
}

}  // namespace vdr

using namespace vdr;

int VDR_SetPixel(DC* dc, int16_t x, int16_t y, uint16_t colour) {
  if (dc->surface == nullptr || !OnSurface(x, y)) return 0;
  uint16_t* row = SurfaceRow(dc, y);
  if (dc->pen_style == 4 && row[x] != dc->fill_colour) return 1;
  PutPixel(dc, row, x, colour);
  return 1;
}

int16_t VDR_GetPixel(DC* dc, int16_t x, int16_t y) {
  if (dc->surface == nullptr || !OnSurface(x, y)) return 0;
  return int16_t(SurfaceRow(dc, y)[x]);
}

void VDR_ScanLine(DC* dc, int16_t x16, int16_t y, int16_t count16, uint16_t colour) {
  int x = x16, count = count16;
  if (dc->surface == nullptr || y < 0 || y >= scr_hgt) return;
  if (x < 0) count += x, x = 0;
  count = std::min(count, scr_wdt - x);
  if (count <= 0) return;
  uint16_t* row = SurfaceRow(dc, y);
  if (dc->rop == RopCopy) {
    FillCopy(row + x, count, colour);
    return;
  }
  const uint32_t weave = colour * 0x10001u;
  int i = x;
  const int end = x + count;
  if (i & 1) PutPixel(dc, row, i++, colour);
  for (; i + 1 < end; i += 2) StoreWord(row + i, dc->rop(LoadWord(row + i), 0xFFFFFFFFu, weave));
  if (i < end) PutPixel(dc, row, i, colour);
}

int VDR_BitBlt(DC* dst, int16_t x, int16_t y, int16_t width, int16_t height, DC* src, int16_t src_x, int16_t src_y) {
  if (dst->surface == nullptr || src->surface == nullptr || width <= 0 || height <= 0) return 0;
  if (!OnSurface(x, y) || !OnSurface(x + width - 1, y + height - 1) || !OnSurface(src_x, src_y) ||
      !OnSurface(src_x + width - 1, src_y + height - 1))
    return 0;
  // Each row goes through a copy that tolerates overlap, and a block moved downward on
  // its own surface is copied from its last row up, so that it comes out whole whichever
  // way it moves.
  const bool direct = dst->rop == RopCopy;
  const bool upward = dst->surface == src->surface && y > src_y;
  for (int i = 0; i < height; ++i) {
    const int r = upward ? height - 1 - i : i;
    const uint16_t* from = SurfaceRow(src, src_y + r) + src_x;
    if (direct) {
      std::memmove(SurfaceRow(dst, y + r) + x, from, std::size_t(width) * 2);
    } else {
      std::memcpy(g_row, from, std::size_t(width) * 2);
      WriteRun(dst, x, y + r, width, g_row);
    }
  }
  return 1;
}

void VDR_CreateDIB(DC* dc, int16_t x, int16_t y, int16_t width, int16_t height, DIB* dib) {
  *dib = DIB{};
  dib->width = width;
  dib->height = height;
  dib->row_bytes = int16_t(2 * width);
  dib->bits_per_pixel = 16;
  dib->data = WorkImage();
  if (dc->surface == nullptr || width <= 0 || height <= 0) return;
  if (!OnSurface(x, y) || !OnSurface(x + width - 1, y + height - 1)) {
    dib->height = 0;
    return;
  }
  auto* out = reinterpret_cast<uint16_t*>(WorkImage());
  for (int r = 0; r < height; ++r)
    std::memcpy(out + std::size_t(r) * width, SurfaceRow(dc, y + r) + x, std::size_t(width) * 2);
}
