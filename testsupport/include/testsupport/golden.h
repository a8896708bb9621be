#pragma once
// Compares a frame with a stored picture pixel for pixel (see golden_png.h). With
// PANEL_UPDATE_GOLDENS=1 the picture is written instead; on a mismatch the frame is left
// beside the test binary as <name>.actual.png for a person to look at. folder is relative
// to the source tree.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "platform/png_image.h"
#include "testsupport/golden_png.h"

namespace ts {

inline void ExpectGolden(const std::string& folder, const std::string& name, const uint16_t* frame, int width,
                         int height) {
  const std::string golden = std::string(PANEL_SOURCE_DIR) + "/" + folder + "/" + name + ".png";
  if (UpdatingGoldens()) {
    ASSERT_TRUE(plat::WritePngRgb565(golden, frame, width, height, width));
    return;
  }
  std::size_t first = 0;
  const long differ = PixelsDiffering(golden, plat::Rgb565Image(frame, width, height, width), &first);
  ASSERT_GE(differ, 0) << "no picture of " << width << " x " << height << " at " << golden;
  if (differ != 0) {
    const std::string actual = std::string(PANEL_BINARY_DIR) + "/" + name + ".actual.png";
    plat::WritePngRgb565(actual, frame, width, height, width);
    ADD_FAILURE() << differ << " pixels differ from " << golden << ", first at (" << first % width << ", "
                  << first / width << "); the frame is in " << actual;
  }
}

}  // namespace ts
