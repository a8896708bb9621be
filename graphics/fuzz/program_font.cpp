// A program's font table comes from a download: selecting its fonts, measuring and
// drawing text with them upright and turned must stay inside the table and the surface.
//
// Input: flags (bit 0: 16-bit text, bits 1..3: the alignment), the font number (1 byte),
// then the font table.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "graphics/dc.h"
#include "graphics/text.h"
#include "graphics/vdr.h"

namespace {
uint16_t g_surface[800 * 480];
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  // The table in a buffer of its own size, so that any read past it is seen.
  std::vector<uint8_t> table(data + 2, data + size);
  GDI_SetProgramFonts(table.data(), table.size(), data[0] & 1);
  DC dc{};
  dc.bounds[2] = dc.clip[2] = 799;
  dc.bounds[3] = dc.clip[3] = 479;
  dc.ops = DriverOps{VDR_Init, VDR_Ioctl, VDR_SetPixel, VDR_GetPixel, VDR_ScanLine, VDR_CreateDIB, VDR_WriteDIB, VDR_Close};
  dc.surface = g_surface;
  dc.fill_colour = 0x1234;
  VDR_Ioctl(&dc, kIoctlRop, kRopCopy);
  if (GDI_SelectFont(&dc, 8 + data[1] % 4, nullptr, nullptr) == 1) {
    GDI_SetTextAlign(&dc, (data[0] >> 1) & 7);
    const char text[] = "Az\x01\x7F\xFF";
    const uint16_t wide[] = {'A', 0x20AC, 0xFFFF, 0x0100, 0};
    int16_t w = 0, h = 0;
    GDI_GetTextExtent(&dc, text, &w, &h);
    GDI_ByteTextOut(&dc, 790, 5, text);
    GDI_WordTextOut(&dc, 5, 470, wide);
  }
  GDI_SetProgramFonts(nullptr, 0, false);
  return 0;
}
