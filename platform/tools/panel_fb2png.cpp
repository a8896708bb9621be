// Turns the display frame (or any raw RGB565 or 32-bit XRGB buffer) into a PNG, so that
// a person can look at what the unit shows:
//   panel_fb2png FRAME OUT.png [WIDTH HEIGHT [OFFSET [xrgb]]]
// FRAME is a host file, usually <device root>/dev/fb0. The defaults are the 800 x 480
// RGB565 frame at offset 0 (the frame of the direct-page scheme); the pixel-pipeline
// scheme shows its 32-bit frame at offset 0 too: add "xrgb".
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

#include "platform/png_image.h"

int main(int argc, char** argv) {
  if (argc < 3 || argc == 4 || argc > 7) {
    std::fprintf(stderr, "usage: %s FRAME OUT.png [WIDTH HEIGHT [OFFSET [xrgb]]]\n", argv[0]);
    return 2;
  }
  const long width = argc > 4 ? std::strtol(argv[3], nullptr, 0) : 800;
  const long height = argc > 4 ? std::strtol(argv[4], nullptr, 0) : 480;
  const long offset = argc > 5 ? std::strtol(argv[5], nullptr, 0) : 0;
  const bool xrgb = argc > 6 && std::strcmp(argv[6], "xrgb") == 0;
  if (width <= 0 || height <= 0 || width > 8192 || height > 8192 || offset < 0) {
    std::fprintf(stderr, "%s: bad geometry\n", argv[0]);
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "%s: cannot read %s\n", argv[0], argv[1]);
    return 1;
  }
  std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const std::size_t need = std::size_t(offset) + std::size_t(width) * std::size_t(height) * (xrgb ? 4 : 2);
  if (bytes.size() < need) {
    std::fprintf(stderr, "%s: %s holds %zu bytes, the frame needs %zu\n", argv[0], argv[1], bytes.size(), need);
    return 1;
  }
  bool ok;
  if (xrgb) {
    std::vector<uint32_t> px(std::size_t(width) * std::size_t(height));
    std::memcpy(px.data(), bytes.data() + offset, px.size() * 4);
    ok = plat::WritePngXrgb(argv[2], px.data(), int(width), int(height), int(width));
  } else {
    std::vector<uint16_t> px(std::size_t(width) * std::size_t(height));
    std::memcpy(px.data(), bytes.data() + offset, px.size() * 2);
    ok = plat::WritePngRgb565(argv[2], px.data(), int(width), int(height), int(width));
  }
  if (!ok) {
    std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[2]);
    return 1;
  }
  return 0;
}
