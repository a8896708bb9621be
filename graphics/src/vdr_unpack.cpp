// Unpacking of the stored bitmaps of the program image: decompression (zero-escape runs,
// byte runs, pixel runs), widening to 16-bit pixels and the transparent-run form that
// transparent bitmaps are drawn from. The data comes from a download, so every step is
// bounded by the destination as well as by the input.
#include <algorithm>

#include "graphics/vdr.h"
#include "vdr_internal.h"

namespace vdr {
namespace {

// The transparent-run form is built here, apart from the pixels it is made of: its size
// depends on the picture (up to 8 bytes per two pixels plus 6 per row), so it cannot be
// built in place. Room for the worst case of a full 800 x 480 picture.
constexpr std::size_t kRunBytes = 480 * (800 / 2 + 1) * 8 + 480 * 6;
alignas(4) uint8_t g_runs[kRunBytes];

void Put16(uint8_t* p, uint16_t v) { std::memcpy(p, &v, 2); }
uint16_t Get16(const uint8_t* p) {
  uint16_t v;
  std::memcpy(&v, p, 2);
  return v;
}

// Widens raw pixels of depth bpp, rows of RawRowBytes, to 16-bit pixels in place, from
// the last pixel back so that no unread byte is overwritten.
void Widen(uint8_t* buf, int width, int height, int bpp, uint16_t fg, uint16_t bg) {
  if (bpp == 16) return;
  const std::size_t rb = RawRowBytes(width, bpp);
  for (std::size_t idx = std::size_t(width) * height; idx-- > 0;) {
    const std::size_t r = idx / width, c = idx % width;
    const uint8_t* row = buf + r * rb;
    uint16_t v;
    if (bpp == 8) {
      v = convert8to16[row[c]];
    } else if (bpp == 4) {
      const uint8_t b = row[c / 2];
      v = uint16_t(convert[(c & 1) ? (b & 0xF) : (b >> 4)]);
    } else {
      v = (row[c / 8] & (0x80 >> (c % 8))) ? fg : bg;
    }
    Put16(buf + idx * 2, v);
  }
}

// Re-codes width x height pixels into segments of (transparent colour, skip count,
// opaque count, opaque pixels); the bytes used, or 0 when out (limit bytes) is too small.
std::size_t MakeRuns(const uint8_t* pixels, int width, int height, uint16_t t, uint8_t* out, std::size_t limit) {
  std::size_t n = 0;
  auto put = [&](uint16_t v) {
    if (n + 2 > limit) return false;
    Put16(out + n, v);
    n += 2;
    return true;
  };
  for (int r = 0; r < height; ++r) {
    const uint8_t* row = pixels + std::size_t(r) * width * 2;
    int c = 0;
    while (c < width) {
      int skip = 0, opaque = 0;
      while (c + skip < width && Get16(row + 2 * (c + skip)) == t) ++skip;
      while (c + skip + opaque < width && Get16(row + 2 * (c + skip + opaque)) != t) ++opaque;
      if (!put(t) || !put(uint16_t(skip)) || !put(uint16_t(opaque))) return 0;
      for (int i = 0; i < opaque; ++i)
        if (!put(Get16(row + 2 * (c + skip + i)))) return 0;
      c += skip + opaque;
    }
  }
  return n;
}

}  // namespace

std::size_t RawRowBytes(int width, int bpp) {
  switch (bpp) {
    case 1: return (std::size_t(width) + 7) / 8;
    case 4: return (std::size_t(width) + 1) / 2;
    case 8: return std::size_t(width);
    case 16: return std::size_t(width) * 2;
    default: return 0;
  }
}

std::size_t Decompress(int packing, const uint8_t* data, std::size_t length, uint8_t* out, std::size_t limit) {
  std::size_t n = 0, i = 0;
  auto fill = [&](uint8_t v, std::size_t count) {
    count = std::min(count, limit - n);
    std::memset(out + n, v, count);
    n += count;
  };
  auto copy = [&](std::size_t count) {
    count = std::min({count, length - i, limit - n});
    std::memcpy(out + n, data + i, count);
    n += count;
    i += count;
  };
  switch (packing) {
    case 0:
      copy(length);
      break;
    case 1:
      while (i < length && n < limit) {
        const uint8_t b = data[i++];
        if (b != 0) {
          out[n++] = b;
        } else if (i < length) {
          const uint8_t c = data[i++];
          fill((c & 0x80) ? 0xFF : 0x00, c & 0x7F);
        }
      }
      break;
    case 2: {
      long bound = long(length);
      while (bound > 0 && i < length && n < limit) {
        const uint8_t h = data[i++];
        if (h == 0xFF) break;
        if (h & 0x80) {
          if (i >= length) break;
          fill(data[i++], (h & 0x7Fu) + 3);
          bound -= 1;
        } else {
          copy(std::size_t(h) + 1);
          bound -= h + 1;
        }
      }
      break;
    }
    case 3: {
      long bound = long(length);
      while (bound > 0 && i < length && n < limit) {
        const uint8_t h = data[i++];
        if (h == 0xFF) break;
        if (h & 0x80) {
          if (i + 2 > length) break;
          const uint8_t lo = data[i], hi = data[i + 1];
          i += 2;
          for (unsigned k = 0; k < (h & 0x7Fu) + 3 && n + 2 <= limit; ++k) {
            out[n++] = lo;
            out[n++] = hi;
          }
          bound -= 2;
        } else {
          copy((std::size_t(h) + 1) * 2);
          bound -= 2 * h + 2;
        }
      }
      break;
    }
    default:
      break;
  }
  return n;
}

}  // namespace vdr

using namespace vdr;

std::size_t VDR_BmpUnpackSize(const DIB* dib) {
  if (dib == nullptr || dib->width <= 0 || dib->height <= 0) return 0;
  const std::size_t raw = RawRowBytes(dib->width, dib->bits_per_pixel) * std::size_t(dib->height);
  std::size_t need = std::max(raw, std::size_t(dib->width) * dib->height * 2);
  if (dib->flags & kDibTransparent)
    need = std::max(need, std::size_t(dib->height) * ((std::size_t(dib->width) / 2 + 1) * 8 + 6));
  return need;
}

const uint8_t* VDR_BmpUnpack(const DIB* dib, uint8_t* output, std::size_t capacity, std::size_t* bytes) {
  if (bytes != nullptr) *bytes = 0;
  if (dib == nullptr || output == nullptr) return nullptr;
  if (dib->packing > 4) return reinterpret_cast<const uint8_t*>(dib);
  const int w = dib->width, h = dib->height, bpp = dib->bits_per_pixel;
  const std::size_t raw = RawRowBytes(w, bpp) * std::size_t(h > 0 ? h : 0);
  const std::size_t pixels = std::size_t(w > 0 ? w : 0) * std::size_t(h > 0 ? h : 0) * 2;
  // JPEG pictures are decoded by the JPEG layer, which this driver does not reach yet.
  if (raw == 0 || dib->packing == 4 || dib->data == nullptr || dib->packed_length < 0) return nullptr;
  if (capacity < std::max(raw, pixels)) return nullptr;
  const std::size_t got = Decompress(dib->packing, dib->data, std::size_t(dib->packed_length), output, raw);
  std::memset(output + got, 0, raw - got);  // short data leaves black, never stale bytes
  Widen(output, w, h, bpp, dib->foreground, dib->background);
  if (!(dib->flags & kDibTransparent)) {
    if (bytes != nullptr) *bytes = pixels;
    return output;
  }
  const uint16_t t = uint16_t(dib->transparent) == 0xFFDF ? 0xFFFF : uint16_t(dib->transparent);
  const std::size_t n = MakeRuns(output, w, h, t, g_runs, sizeof g_runs);
  if (n == 0 || n > capacity) return nullptr;
  std::memcpy(output, g_runs, n);
  if (bytes != nullptr) *bytes = n;
  return output;
}
