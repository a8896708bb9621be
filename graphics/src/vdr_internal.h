#pragma once
// What the driver's files share: the raster operations, the palettes, the work image and
// the unpacking of packed image data.
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "graphics/dc.h"
#include "graphics/dib.h"
#include "graphics/video.h"

namespace vdr {

// The largest display the static buffers hold.
inline constexpr std::size_t kMaxPixels = 800 * 480;
inline constexpr std::size_t kBufferBytes = kMaxPixels * 2 + 32;
inline constexpr std::size_t kMaxRowPixels = 2048;

RopFunction RopByCode(int code);  // nullptr for a code outside 1..7
uint32_t RopCopy(uint32_t s, uint32_t m, uint32_t w);

extern const uint32_t convert[16];
extern const std::array<uint16_t, 256> convert8to16;

// The driver's work image: unpacked images and copies of surface rectangles.
uint8_t* WorkImage();

inline uint32_t LoadWord(const uint16_t* p) {
  uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}
inline void StoreWord(uint16_t* p, uint32_t v) { std::memcpy(p, &v, 4); }

// One pixel through the raster function (the word is read, combined and written).
inline void PutPixel(DC* dc, uint16_t* row, int x, uint16_t colour) {
  uint16_t* word = row + (x & ~1);
  const uint32_t mask = (x & 1) ? 0xFFFF0000u : 0x0000FFFFu;
  StoreWord(word, dc->rop(LoadWord(word), mask, colour * 0x10001u));
}

inline uint16_t* SurfaceRow(const DC* dc, int y) { return dc->surface + std::size_t(y) * scr_wdt; }
inline bool OnSurface(int x, int y) { return x >= 0 && y >= 0 && x < scr_wdt && y < scr_hgt; }

void FillCopy(uint16_t* p, int count, uint16_t colour);
// Writes count pixels of src at (x, y) of dc's surface through dc's raster operation.
void WriteRun(DC* dc, int x, int y, int count, const uint16_t* src);

// Bytes of one row of raw pixels of the given depth.
std::size_t RawRowBytes(int width, int bits_per_pixel);
// Decompresses packing type 1, 2 or 3 (or copies type 0) from data (length bytes) into
// out, never writing more than limit bytes; the bytes written.
std::size_t Decompress(int packing, const uint8_t* data, std::size_t length, uint8_t* out, std::size_t limit);

}  // namespace vdr
