// The colour tables of 4- and 8-bit images.
#include <array>

#include "vdr_internal.h"

namespace vdr {
namespace {

constexpr std::array<uint16_t, 256> Make8to16() {
  constexpr uint16_t kRed[8] = {0, 4, 8, 12, 16, 20, 24, 31};
  constexpr uint16_t kGreen[8] = {0, 8, 16, 24, 32, 40, 48, 63};
  constexpr uint16_t kBlue[4] = {0, 8, 16, 31};
  std::array<uint16_t, 256> t{};
  for (int i = 0; i < 256; ++i) t[i] = uint16_t(kRed[i >> 5] << 11 | kGreen[(i >> 2) & 7] << 5 | kBlue[i & 3]);
  t[219] = 0xC618;  // the palette's light grey, kept from the original colour table
  return t;
}
}  // namespace

const uint32_t convert[16] = {
    0x00000000, 0x000F000F, 0x03E003E0, 0x03EF03EF, 0x78007800, 0x780F780F, 0x7BE07BE0, 0x7BEF7BEF,
    0xC618C618, 0x001F001F, 0x07E007E0, 0x07FF07FF, 0xF800F800, 0xF81FF81F, 0xFFE0FFE0, 0xFFFFFFFF,
};

const std::array<uint16_t, 256> convert8to16 = Make8to16();

}  // namespace vdr
