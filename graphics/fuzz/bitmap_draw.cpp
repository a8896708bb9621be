// Stored bitmaps come from a download: unpacking them, and drawing them packed or
// unpacked through a clipped device context, must stay inside every buffer whatever
// the descriptor and the data say.
//
// Input: width, height, depth (0..3: 1, 4, 8, 16 bits), packing (0..5, 4 taken as 5), flags, the
// transparent colour (2 bytes), the share of the needed room given to the unpacking
// (1 byte, /128), x and y of the drawing (signed bytes), then the data.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "graphics/dc.h"
#include "graphics/dib.h"
#include "graphics/vdr.h"

namespace {

uint16_t g_surface[800 * 480];

DC Surface() {
  DC dc{};
  dc.bounds[2] = dc.clip[2] = 799;
  dc.bounds[3] = dc.clip[3] = 479;
  dc.ops = DriverOps{VDR_Init, VDR_Ioctl, VDR_SetPixel, VDR_GetPixel, VDR_ScanLine, VDR_CreateDIB, VDR_WriteDIB, VDR_Close};
  dc.surface = g_surface;
  dc.fill_colour = 0xFFDF;
  VDR_Ioctl(&dc, kIoctlRop, kRopCopy);
  return dc;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 11) return 0;  // raw data of length 0 would mean "length not known"
  static const uint8_t kDepth[4] = {1, 4, 8, 16};
  DIB d{};
  d.width = int16_t(1 + data[0] % 64);
  d.height = int16_t(1 + data[1] % 64);
  d.bits_per_pixel = kDepth[data[2] & 3];
  // Type 4 (JPEG) is drawn only once decoded, from the decoder's own buffer: not here.
  d.packing = uint8_t(data[3] % 6 == 4 ? 5 : data[3] % 6);
  d.flags = data[4] & 1;
  d.transparent = int16_t(data[5] | data[6] << 8);
  d.foreground = 0x001F;
  d.background = (data[4] & 2) ? 0xFFFF : 0xF800;
  const int x = int8_t(data[8]) * 7, y = int8_t(data[9]) * 4;
  d.data = data + 10;
  d.packed_length = int32_t(size - 10);
  const int bits = d.bits_per_pixel * d.width;
  d.row_bytes = int16_t(d.packing == 3 ? 2 * d.width : (bits + 7) / 8);

  DC dc = Surface();
  const int16_t clip[4] = {int16_t(x / 2), int16_t(y / 2), int16_t(x + 40), int16_t(y + 40)};
  GDI_SetClipRect(&dc, clip, nullptr);

  // Drawn as it is stored (the driver unpacks types 1..3 on its own).
  GDI_WriteDIB(&dc, int16_t(x), int16_t(y), d.width, d.height, &d, 0, 0);

  // Unpacked first, into room of the given share of what it needs, then drawn.
  const std::size_t need = VDR_BmpUnpackSize(&d);
  std::vector<uint8_t> out(need * data[7] / 128 + 1);
  std::size_t bytes = 0;
  const uint8_t* image = VDR_BmpUnpack(&d, out.data(), out.size(), &bytes);
  if (image != nullptr && image == out.data()) {
    DIB u = d;
    u.packing = 0;
    u.bits_per_pixel = 16;
    u.row_bytes = int16_t(2 * d.width);
    u.data = image;
    u.packed_length = int32_t(bytes);
    GDI_WriteDIB(&dc, int16_t(x), int16_t(y), u.width, u.height, &u, 0, 0);
  }
  return 0;
}
