#include "platform/png_image.h"

#include <png.h>

#include <cstdio>
#include <memory>

namespace plat {
namespace {

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

bool WriteRgb(const std::string& host_path, const RgbImage& image) {
  File f(std::fopen(host_path.c_str(), "wb"));
  if (!f) return false;
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  png.width = png_uint_32(image.width);
  png.height = png_uint_32(image.height);
  png.format = PNG_FORMAT_RGB;
  const bool ok = png_image_write_to_stdio(&png, f.get(), 0, image.rgb.data(), 0, nullptr) != 0;
  png_image_free(&png);
  return ok && std::fflush(f.get()) == 0;
}

}  // namespace

void Rgb565ToRgb(uint16_t p, uint8_t rgb[3]) {
  const unsigned r = p >> 11, g = (p >> 5) & 0x3F, b = p & 0x1F;
  rgb[0] = uint8_t((r << 3) | (r >> 2));
  rgb[1] = uint8_t((g << 2) | (g >> 4));
  rgb[2] = uint8_t((b << 3) | (b >> 2));
}

RgbImage Rgb565Image(const uint16_t* pixels, int width, int height, int stride) {
  RgbImage out;
  out.width = width;
  out.height = height;
  out.rgb.resize(std::size_t(width) * std::size_t(height) * 3);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      Rgb565ToRgb(pixels[std::size_t(y) * std::size_t(stride) + std::size_t(x)], &out.rgb[(std::size_t(y) * std::size_t(width) + std::size_t(x)) * 3]);
  return out;
}

bool WritePngRgb565(const std::string& host_path, const uint16_t* pixels, int width, int height, int stride) {
  if (pixels == nullptr || width <= 0 || height <= 0 || stride < width) return false;
  return WriteRgb(host_path, Rgb565Image(pixels, width, height, stride));
}

bool WritePngXrgb(const std::string& host_path, const uint32_t* pixels, int width, int height, int stride) {
  if (pixels == nullptr || width <= 0 || height <= 0 || stride < width) return false;
  RgbImage image;
  image.width = width;
  image.height = height;
  image.rgb.resize(std::size_t(width) * std::size_t(height) * 3);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const uint32_t p = pixels[std::size_t(y) * std::size_t(stride) + std::size_t(x)];
      uint8_t* o = &image.rgb[(std::size_t(y) * std::size_t(width) + std::size_t(x)) * 3];
      o[0] = uint8_t(p >> 16);
      o[1] = uint8_t(p >> 8);
      o[2] = uint8_t(p);
    }
  return WriteRgb(host_path, image);
}

bool ReadPng(const std::string& host_path, RgbImage& out) {
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&png, host_path.c_str())) return false;
  png.format = PNG_FORMAT_RGB;
  out.width = int(png.width);
  out.height = int(png.height);
  out.rgb.assign(PNG_IMAGE_SIZE(png), 0);
  const bool ok = png_image_finish_read(&png, nullptr, out.rgb.data(), 0, nullptr) != 0;
  png_image_free(&png);
  return ok;
}

}  // namespace plat
