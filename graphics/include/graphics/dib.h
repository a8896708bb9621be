#pragma once
// Device-independent bitmaps and block copies between surfaces. Main thread only.

#include <cstdint>

struct DC;

// The image descriptor.
struct DIB {
  int16_t width;
  int16_t height;
  uint16_t x_offset;   // first source column used
  int16_t row_bytes;   // bytes per source row
  int32_t packed_length;  // bytes of packed (types 1..4) or raw (type 0) data
  uint8_t packing;     // 0 raw, 1 zero-escape runs, 2 byte runs, 3 pixel runs, 4 JPEG
  uint8_t bits_per_pixel;  // 1, 4, 8 or 16
  uint16_t foreground;  // colours of a 1-bit image
  uint16_t background;  // 0xFFFF leaves clear bits alone
  int16_t spare[2];
  int16_t transparent;  // skipped colour when flag bit 0 is set; 0xFFDF stands for 0xFFFF
  uint16_t flags;       // bit 0: transparency in force (the image arrives unclipped)
  uint8_t spare2[2];
  const uint8_t* data;
};

inline constexpr uint16_t kDibTransparent = 0x0001;

// Copies width x height pixels from (src_x, src_y) of src's surface to (x, y) of dc's,
// through dc's raster operation. Clipped to dc's clip and to src's surface; the driver's
// result, or 0 when nothing is left.
int GDI_BitBlt(DC* dc, int16_t x, int16_t y, int16_t width, int16_t height, DC* src, int16_t src_x, int16_t src_y);
// Draws at most width x height pixels of dib, from (src_x, src_y) of the image, at (x, y).
// 1, or 0 when nothing is left after clipping.
int GDI_WriteDIB(DC* dc, int16_t x, int16_t y, int16_t width, int16_t height, const DIB* dib, int16_t src_x,
                 int16_t src_y);
// Draws a 1-bit image turned by a quarter turn, its first pixel at (x, y): direction 16
// reads bottom to top, any other top to bottom. Clipped to dc's clip. 0 for an image that
// is not 1 bit per pixel.
int GDI_RotateC2DIB(DC* dc, const DIB* dib, int16_t x, int16_t y, int direction);
