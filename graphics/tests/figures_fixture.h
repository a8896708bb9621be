#pragma once
// A small memory device context for pixel checks of the figure primitives: its driver
// writes into a plain array and fails the test for any pixel outside the clip, so every
// primitive is also checked to clip before it reaches the driver.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "graphics/dc.h"

namespace gt {

class MemoryDc : public ::testing::Test {
 protected:
  static constexpr int kW = 48, kH = 40;
  static constexpr uint16_t kBack = 0x1111, kPen = 0x0000, kFill = 0x07E0;

  void SetUp() override {
    for (auto& row : px_) for (uint16_t& p : row) p = kBack;
    dc = DC{};
    dc.bounds[2] = dc.clip[2] = kW - 1;
    dc.bounds[3] = dc.clip[3] = kH - 1;
    dc.ops.set_pixel = SetPixel;
    dc.ops.scan_line = ScanLine;
    GDI_SetPen(&dc, 1, 1, kPen);
    dc.fill_colour = 0xFFFF;
  }
  static uint16_t& At(int x, int y) { return px_[y][x]; }
  // Rows top..bottom of columns left..right: '.' background, '#' pen, 'o' fill, '?' other.
  static std::vector<std::string> Art(int left, int top, int right, int bottom) {
    std::vector<std::string> rows;
    for (int y = top; y <= bottom; ++y) {
      std::string s;
      for (int x = left; x <= right; ++x) {
        const uint16_t p = px_[y][x];
        s += p == kBack ? '.' : p == kPen ? '#' : p == kFill ? 'o' : '?';
      }
      rows.push_back(s);
    }
    return rows;
  }
  static std::vector<uint16_t> Pixels() {
    std::vector<uint16_t> v;
    for (auto& row : px_) v.insert(v.end(), row, row + kW);
    return v;
  }
  static int Count(uint16_t colour) {
    int n = 0;
    for (auto& row : px_) for (uint16_t p : row) n += p == colour;
    return n;
  }

  DC dc{};

 private:
  static bool Inside(const DC* d, int x, int y) {
    return x >= d->clip[0] && x <= d->clip[2] && y >= d->clip[1] && y <= d->clip[3];
  }
  static int SetPixel(DC* d, int16_t x, int16_t y, uint16_t colour) {
    if (!Inside(d, x, y)) {
      ADD_FAILURE() << "pixel (" << x << ", " << y << ") outside the clip";
      return 0;
    }
    if (d->pen_style == 4 && px_[y][x] != d->fill_colour) return 1;
    px_[y][x] = colour;
    return 1;
  }
  static void ScanLine(DC* d, int16_t x, int16_t y, int16_t count, uint16_t colour) {
    if (count < 1 || !Inside(d, x, y) || !Inside(d, x + count - 1, y)) {
      ADD_FAILURE() << "run (" << x << ", " << y << ") of " << count << " outside the clip";
      return;
    }
    for (int i = 0; i < count; ++i) px_[y][x + i] = colour;
  }
  static inline uint16_t px_[kH][kW];
};

}  // namespace gt
