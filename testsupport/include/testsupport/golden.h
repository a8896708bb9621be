#pragma once
// Compares a frame with a stored picture pixel for pixel. With PANEL_UPDATE_GOLDENS=1 the
// picture is written instead; on a mismatch the frame is left beside the test binary as
// <name>.actual.png for a person to look at. folder is relative to the source tree.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/png_image.h"

namespace ts {

inline void ExpectGolden(const std::string& folder, const std::string& name, const uint16_t* frame, int width,
                         int height) {
  const std::string golden = std::string(PANEL_SOURCE_DIR) + "/" + folder + "/" + name + ".png";
  if (const char* u = std::getenv("PANEL_UPDATE_GOLDENS"); u != nullptr && std::string(u) == "1") {
    ASSERT_TRUE(plat::WritePngRgb565(golden, frame, width, height, width));
    return;
  }
  plat::RgbImage want;
  ASSERT_TRUE(plat::ReadPng(golden, want)) << golden;
  const plat::RgbImage got = plat::Rgb565Image(frame, width, height, width);
  ASSERT_EQ(want.width, width);
  ASSERT_EQ(want.height, height);
  std::size_t differ = 0, first = 0;
  for (std::size_t i = 0; i < got.rgb.size(); i += 3)
    if (got.rgb[i] != want.rgb[i] || got.rgb[i + 1] != want.rgb[i + 1] || got.rgb[i + 2] != want.rgb[i + 2]) {
      if (differ++ == 0) first = i / 3;
    }
  if (differ != 0) {
    const std::string actual = std::string(PANEL_BINARY_DIR) + "/" + name + ".actual.png";
    plat::WritePngRgb565(actual, frame, width, height, width);
    ADD_FAILURE() << differ << " pixels differ from " << golden << ", first at (" << first % width << ", "
                  << first / width << "); the frame is in " << actual;
  }
}

}  // namespace ts
