#include "testsupport/golden_png.h"

#include <cstdlib>

namespace ts {

bool UpdatingGoldens() {
  const char* u = std::getenv("PANEL_UPDATE_GOLDENS");
  return u != nullptr && std::string(u) == "1";
}

long PixelsDiffering(const std::string& golden_path, const plat::RgbImage& got, std::size_t* first) {
  plat::RgbImage want;
  if (!plat::ReadPng(golden_path, want) || want.width != got.width || want.height != got.height ||
      want.rgb.size() != got.rgb.size())
    return -1;
  long differ = 0;
  for (std::size_t i = 0; i < got.rgb.size(); i += 3)
    if (got.rgb[i] != want.rgb[i] || got.rgb[i + 1] != want.rgb[i + 1] || got.rgb[i + 2] != want.rgb[i + 2]) {
      if (differ++ == 0 && first != nullptr) *first = i / 3;
    }
  return differ;
}

}  // namespace ts
