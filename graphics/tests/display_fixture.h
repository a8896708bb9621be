#pragma once
// A display brought up on a temporary device root with a chosen kernel build, and
// helpers to read pixels and compare the frame with a stored picture.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "graphics/dc.h"
#include "graphics/text.h"
#include "graphics/video.h"
#include "ground/regimage.h"
#include "platform/framebuffer.h"
#include "platform/png_image.h"
#include "platform/trace.h"
#include "testsupport/golden.h"
#include "testsupport/temp_root.h"

namespace gt {

// The kernel version characters the system services leave in SR204 (high byte) and
// SR205 for a two-digit build.
inline void SetKernelBuild(int build) {
  SrSet(204, uint16_t(('0' + build / 10) << 8));
  SrSet(205, uint16_t('0' + build % 10));
}

class Display : public ::testing::Test {
 protected:
  static constexpr int kDirectPage = 24;
  static constexpr int kPipeline = 35;
  static constexpr int kRamPages = 15;

  void SetUp() override {
    plat::FbReset();
    plat::TraceClear();
    plat::TraceEnable(true);
    GDI_SetProgramFonts(nullptr, 0, false);
    Start(kDirectPage);
  }
  void TearDown() override {
    plat::TraceEnable(false);
    plat::FbReset();
  }
  // Brings the display up afresh; GDI_Init's result.
  int Start(int build) {
    SetKernelBuild(build);
    const int ok = GDI_Init();
    dc = GDI_GetDisplayDC();
    if (ok) Clear(0xFFDF);
    // What start-up leaves as it was: the text settings of an earlier test.
    GDI_SetTextAlign(dc, kAlignLeft);
    return ok;
  }
  void Clear(uint16_t colour) {
    for (uint32_t i = 0; i < DisplaySize; ++i) dc->surface[i] = colour;
  }
  uint16_t Px(int x, int y) const { return dc->surface[y * scr_wdt + x]; }
  // The frame as the display file holds it (the direct-page scheme shows its page there).
  std::vector<uint16_t> FrameFile() const {
    std::ifstream in(root.Host(plat::kFramebufferDevice), std::ios::binary);
    std::vector<uint16_t> px(DisplaySize);
    in.read(reinterpret_cast<char*>(px.data()), std::streamsize(px.size() * 2));
    return px;
  }
  // Columns [first, last] of row y that differ from colour; {-1, -1} when none.
  std::pair<int, int> PaintedSpan(int y, uint16_t colour) const {
    int first = -1, last = -1;
    for (int x = 0; x < scr_wdt; ++x)
      if (Px(x, y) != colour) {
        if (first < 0) first = x;
        last = x;
      }
    return {first, last};
  }

  ts::TempRoot root;
  DC* dc = nullptr;
};

// Compares the frame with graphics/tests/golden/<name>.png (see ts::ExpectGolden).
inline void ExpectGolden(const std::string& name, const uint16_t* frame, int width, int height) {
  ts::ExpectGolden("graphics/tests/golden", name, frame, width, height);
}

}  // namespace gt
