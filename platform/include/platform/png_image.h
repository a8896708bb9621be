#pragma once
// Pictures of the display: RGB565 or 32-bit XRGB pixels written as an 8-bit RGB PNG, and
// a PNG read back as 8-bit RGB (for comparing a frame with a stored picture). A 5- or
// 6-bit channel is widened by repeating its top bits, so every RGB565 value maps to one
// RGB triple and back.
//
// Callers: tests and the panel_fb2png tool; never the running unit's main loop.

#include <cstdint>
#include <string>
#include <vector>

namespace plat {

struct RgbImage {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgb;  // width x height x 3, rows top first
};

// stride is in pixels. False when the file cannot be written.
bool WritePngRgb565(const std::string& host_path, const uint16_t* pixels, int width, int height, int stride);
bool WritePngXrgb(const std::string& host_path, const uint32_t* pixels, int width, int height, int stride);
// False when the file is missing or not a PNG.
bool ReadPng(const std::string& host_path, RgbImage& out);
// The RGB triple of one RGB565 pixel.
void Rgb565ToRgb(uint16_t pixel, uint8_t rgb[3]);
RgbImage Rgb565Image(const uint16_t* pixels, int width, int height, int stride);

}  // namespace plat
