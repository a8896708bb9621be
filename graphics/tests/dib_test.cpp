// Images: unpacking each stored form, drawing each depth, transparency, the clip of an
// image write and quarter-turned 1-bit images.
#include <array>

#include "display_fixture.h"
#include "graphics/dib.h"
#include "graphics/vdr.h"

namespace {

using Dib = gt::Display;

DIB Image(int width, int height, int bpp, int packing, const std::vector<uint8_t>& data) {
  DIB d{};
  d.width = int16_t(width);
  d.height = int16_t(height);
  d.bits_per_pixel = uint8_t(bpp);
  d.packing = uint8_t(packing);
  d.packed_length = int32_t(data.size());
  d.row_bytes = int16_t(bpp == 16 ? 2 * width : bpp == 8 ? width : bpp == 4 ? (width + 1) / 2 : (width + 7) / 8);
  d.data = data.data();
  return d;
}

std::vector<uint16_t> Pixels(const uint8_t* p, std::size_t n) {
  std::vector<uint16_t> v(n);
  std::memcpy(v.data(), p, n * 2);
  return v;
}

TEST_F(Dib, EachStoredFormUnpacksToItsPixels) {
  struct Case {
    const char* what;
    int width, height, bpp, packing;
    std::vector<uint8_t> data;
    std::vector<uint16_t> pixels;
  };
  const Case kCases[] = {
      // zero-escape runs: 05 00 83 00 00 -> 05 FF FF FF, as 8-bit pixels
      {"type 1", 4, 1, 8, 1, {0x05, 0x00, 0x83, 0x00, 0x00}, {0x0108, 0xFFFF, 0xFFFF, 0xFFFF}},
      // byte runs: 81 07 01 0A 0B FF -> 07 07 07 07 0A 0B
      {"type 2", 6, 1, 8, 2, {0x81, 0x07, 0x01, 0x0A, 0x0B, 0xFF}, {0x011F, 0x011F, 0x011F, 0x011F, 0x0210, 0x021F}},
      // pixel runs: a run of 3 x 0xF800 and a literal of 2
      {"type 3", 5, 1, 16, 3, {0x80, 0x00, 0xF8, 0x01, 0x34, 0x12, 0x78, 0x56}, {0xF800, 0xF800, 0xF800, 0x1234, 0x5678}},
      {"4-bit", 3, 2, 4, 0, {0x0C, 0x80, 0xF9, 0x10}, {0x0000, 0xF800, 0xC618, 0xFFFF, 0x001F, 0x000F}},
      {"8-bit", 3, 1, 8, 0, {0xDB, 0xFF, 0xE0}, {0xC618, 0xFFFF, 0xF800}},
      {"1-bit", 10, 1, 1, 0, {0xA0, 0x40}, {0x07E0, 0x0001, 0x07E0, 0x0001, 0x0001, 0x0001, 0x0001, 0x0001, 0x0001, 0x07E0}},
      {"16-bit", 2, 1, 16, 0, {0x34, 0x12, 0xCD, 0xAB}, {0x1234, 0xABCD}},
  };
  for (const Case& k : kCases) {
    DIB d = Image(k.width, k.height, k.bpp, k.packing, k.data);
    d.foreground = 0x07E0;
    d.background = 0x0001;
    std::vector<uint8_t> out(VDR_BmpUnpackSize(&d));
    const uint8_t* got = VDR_BmpUnpack(&d, out.data(), out.size());
    ASSERT_EQ(got, out.data()) << k.what;
    EXPECT_EQ(Pixels(got, k.pixels.size()), k.pixels) << k.what;
  }
}

TEST_F(Dib, UnpackingStopsAtTheImageAndTheDestination) {
  // A byte run that claims far more than a 4 x 2 image: the rest of the buffer stays.
  const std::vector<uint8_t> runs = {0xFE, 0x11, 0xFE, 0x22, 0x7F, 0, 1, 2, 3, 4, 5, 6};
  DIB d = Image(4, 2, 8, 2, runs);
  std::vector<uint8_t> out(64, 0xEE);
  ASSERT_NE(VDR_BmpUnpack(&d, out.data(), 16), nullptr);
  EXPECT_EQ(out[16], 0xEE);
  EXPECT_EQ(Pixels(out.data(), 8), std::vector<uint16_t>(8, 0x0408));  // 0x11 through the palette
  // The same for zero-escape runs and pixel runs, where the stream's length is all the
  // data says.
  const std::vector<uint8_t> zeros = {0x00, 0xFF, 0x00, 0xFF, 0x00, 0xFF};
  d = Image(4, 2, 8, 1, zeros);
  std::fill(out.begin(), out.end(), 0xEE);
  ASSERT_NE(VDR_BmpUnpack(&d, out.data(), 16), nullptr);
  EXPECT_EQ(out[16], 0xEE);
  const std::vector<uint8_t> pixel_runs = {0xFE, 0x01, 0x02, 0xFE, 0x03, 0x04};
  d = Image(3, 1, 16, 3, pixel_runs);
  std::fill(out.begin(), out.end(), 0xEE);
  ASSERT_NE(VDR_BmpUnpack(&d, out.data(), 6), nullptr);
  EXPECT_EQ(out[6], 0xEE);
  // Too small a destination, a depth the driver does not know, JPEG data (no decoder
  // here): nothing is unpacked.
  EXPECT_EQ(VDR_BmpUnpack(&d, out.data(), 5), nullptr);
  d.bits_per_pixel = 3;
  EXPECT_EQ(VDR_BmpUnpack(&d, out.data(), 64), nullptr);
  d = Image(3, 1, 16, 4, pixel_runs);
  EXPECT_EQ(VDR_BmpUnpack(&d, out.data(), 64), nullptr);
  d.packing = 9;
  EXPECT_EQ(VDR_BmpUnpack(&d, out.data(), 64), reinterpret_cast<const uint8_t*>(&d));
}

TEST_F(Dib, TransparentRunForm) {
  const uint16_t T = 0x07E0, A = 0x1111, B = 0x2222;
  std::vector<uint16_t> px = {T, A, B, T};
  std::vector<uint8_t> raw(px.size() * 2);
  std::memcpy(raw.data(), px.data(), raw.size());
  DIB d = Image(4, 1, 16, 0, raw);
  d.flags = kDibTransparent;
  d.transparent = int16_t(T);
  std::vector<uint8_t> out(VDR_BmpUnpackSize(&d));
  const uint8_t* runs = VDR_BmpUnpack(&d, out.data(), out.size());
  ASSERT_NE(runs, nullptr);
  EXPECT_EQ(Pixels(runs, 8), (std::vector<uint16_t>{T, 1, 2, A, B, T, 1, 0}));

  // 0xFFDF stands for 0xFFFF: white is transparent, the near-white stays.
  px = {0xFFFF, 0xFFDF};
  std::memcpy(raw.data(), px.data(), 4);
  d = Image(2, 1, 16, 0, std::vector<uint8_t>(raw.begin(), raw.begin() + 4));
  std::vector<uint8_t> keep(raw.begin(), raw.begin() + 4);
  d.data = keep.data();
  d.flags = kDibTransparent;
  d.transparent = int16_t(0xFFDF);
  runs = VDR_BmpUnpack(&d, out.data(), out.size());
  ASSERT_NE(runs, nullptr);
  EXPECT_EQ(Pixels(runs, 4), (std::vector<uint16_t>{0xFFFF, 1, 1, 0xFFDF}));

  // Strictly alternating pixels need more room than the pixels themselves; the size the
  // driver asks for holds them, and a picture of them draws exactly its opaque pixels.
  constexpr int kW = 64, kH = 8;
  std::vector<uint16_t> alt(kW * kH);
  for (int i = 0; i < kW * kH; ++i) alt[i] = (i % 2) ? uint16_t(0x0100 + i) : T;
  std::vector<uint8_t> alt_raw(alt.size() * 2);
  std::memcpy(alt_raw.data(), alt.data(), alt_raw.size());
  d = Image(kW, kH, 16, 0, alt_raw);
  d.flags = kDibTransparent;
  d.transparent = int16_t(T);
  const std::size_t need = VDR_BmpUnpackSize(&d);
  EXPECT_GT(need, alt_raw.size());
  std::vector<uint8_t> big(need);
  EXPECT_EQ(VDR_BmpUnpack(&d, big.data(), alt_raw.size()), nullptr);
  std::size_t run_bytes = 0;
  runs = VDR_BmpUnpack(&d, big.data(), big.size(), &run_bytes);
  ASSERT_NE(runs, nullptr);
  EXPECT_EQ(run_bytes, std::size_t(kH) * (kW / 2) * 8);
  DIB draw = d;
  draw.data = runs;
  draw.packed_length = 8 * 3;  // a length that holds three segments: no more is read
  ASSERT_EQ(GDI_WriteDIB(dc, 100, 50, kW, kH, &draw, 0, 0), 1);
  EXPECT_EQ(PaintedSpan(50, 0xFFDF), (std::pair{101, 105}));
  EXPECT_EQ(PaintedSpan(51, 0xFFDF), (std::pair{-1, -1}));
  draw.packed_length = int32_t(run_bytes);
  ASSERT_EQ(GDI_WriteDIB(dc, 100, 50, kW, kH, &draw, 0, 0), 1);
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x)
      ASSERT_EQ(Px(100 + x, 50 + y), (x % 2) ? 0x0100 + y * kW + x : 0xFFDF) << x << "," << y;
  // The run form is clipped pixel by pixel.
  Clear(0xFFDF);
  const int16_t box[4] = {110, 52, 120, 54};
  GDI_SetClipRect(dc, box, nullptr);
  GDI_WriteDIB(dc, 100, 50, kW, kH, &draw, 0, 0);
  EXPECT_EQ(PaintedSpan(52, 0xFFDF), (std::pair{111, 119}));
  EXPECT_EQ(PaintedSpan(51, 0xFFDF), (std::pair{-1, -1}));
  EXPECT_EQ(PaintedSpan(54, 0xFFDF), (std::pair{-1, -1}));
}

TEST_F(Dib, ImageWritesAreClippedAndLimitedToTheImage) {
  std::vector<uint8_t> raw(2 * 4 * 3);
  for (std::size_t i = 0; i < raw.size() / 2; ++i) raw[2 * i] = uint8_t(i + 1);
  const DIB d = Image(4, 3, 16, 0, raw);
  EXPECT_EQ(GDI_WriteDIB(dc, 10, 10, 50, 50, &d, 0, 0), 1);
  EXPECT_EQ(PaintedSpan(10, 0xFFDF), (std::pair{10, 13}));
  EXPECT_EQ(PaintedSpan(13, 0xFFDF), (std::pair{-1, -1}));
  EXPECT_EQ(Px(11, 12), 10);
  // From a source position: only what the image holds from there on.
  Clear(0xFFDF);
  EXPECT_EQ(GDI_WriteDIB(dc, 10, 10, 50, 50, &d, 3, 2), 1);
  EXPECT_EQ(PaintedSpan(10, 0xFFDF), (std::pair{10, 10}));
  EXPECT_EQ(Px(10, 10), 12);
  EXPECT_EQ(GDI_WriteDIB(dc, 10, 10, 50, 50, &d, 4, 0), 0);
  // Raw data shorter than the picture claims: only its whole rows are drawn.
  DIB short_data = d;
  short_data.packed_length = 2 * 4 * 2 + 3;
  Clear(0xFFDF);
  EXPECT_EQ(GDI_WriteDIB(dc, 10, 10, 4, 3, &short_data, 0, 0), 1);
  EXPECT_EQ(PaintedSpan(11, 0xFFDF), (std::pair{10, 13}));
  EXPECT_EQ(PaintedSpan(12, 0xFFDF), (std::pair{-1, -1}));
  // Cut on the left by the clip: the source moves along.
  const int16_t box[4] = {12, 0, 300, 480};
  GDI_SetClipRect(dc, box, nullptr);
  Clear(0xFFDF);
  EXPECT_EQ(GDI_WriteDIB(dc, 10, 20, 4, 3, &d, 0, 0), 1);
  EXPECT_EQ(PaintedSpan(20, 0xFFDF), (std::pair{12, 13}));
  EXPECT_EQ(Px(12, 20), 3);
  EXPECT_EQ(GDI_WriteDIB(dc, 300, 20, 4, 3, &d, 0, 0), 0);
}

TEST_F(Dib, OneBitImagesAndIndexedColours) {
  const std::vector<uint8_t> bits = {0xC0, 0x30};  // rows 11000000, 00110000
  DIB d = Image(4, 2, 1, 0, bits);
  d.foreground = 0x001F;
  d.background = 0xFFFF;
  GDI_WriteDIB(dc, 21, 5, 4, 2, &d, 0, 0);
  EXPECT_EQ(PaintedSpan(5, 0xFFDF), (std::pair{21, 22}));
  EXPECT_EQ(PaintedSpan(6, 0xFFDF), (std::pair{23, 24}));
  d.background = 0xF800;
  GDI_WriteDIB(dc, 21, 5, 4, 2, &d, 0, 0);
  EXPECT_EQ(Px(23, 5), 0xF800);

  // 8-bit with a transparent palette colour: drawn unclipped by the context, each pixel
  // tested against the clip.
  const std::vector<uint8_t> idx = {0xE0, 0x1C, 0x03, 0xE0};
  DIB e = Image(4, 1, 8, 0, idx);
  e.flags = kDibTransparent;
  e.transparent = int16_t(0x07E0);  // index 0x1C
  const int16_t box[4] = {0, 0, 33, 480};
  GDI_SetClipRect(dc, box, nullptr);
  EXPECT_EQ(GDI_WriteDIB(dc, 30, 9, 4, 1, &e, 0, 0), 1);
  EXPECT_EQ(Px(30, 9), 0xF800);
  EXPECT_EQ(Px(31, 9), 0xFFDF);
  EXPECT_EQ(Px(32, 9), 0x001F);
  EXPECT_EQ(Px(33, 9), 0xFFDF);
}

TEST_F(Dib, QuarterTurnedOneBitImages) {
  const std::vector<uint8_t> bits = {0xE0, 0x80};  // row 0: 111, row 1: 100
  DIB d = Image(3, 2, 1, 0, bits);
  d.foreground = 0x0000;
  d.background = 0xFFFF;
  ASSERT_EQ(GDI_RotateC2DIB(dc, &d, 50, 60, 16), 1);  // a row goes up, rows go right
  EXPECT_EQ(Px(50, 60), 0);
  EXPECT_EQ(Px(50, 58), 0);
  EXPECT_EQ(Px(51, 60), 0);
  EXPECT_EQ(Px(51, 59), 0xFFDF);
  ASSERT_EQ(GDI_RotateC2DIB(dc, &d, 100, 60, 32), 1);  // a row goes down, rows go left
  EXPECT_EQ(Px(100, 62), 0);
  EXPECT_EQ(Px(99, 60), 0);
  EXPECT_EQ(Px(99, 61), 0xFFDF);
  // Clipped: a turned image at the top edge writes nothing above the clip.
  const int16_t box[4] = {0, 59, 800, 480};
  GDI_SetClipRect(dc, box, nullptr);
  Clear(0xFFDF);
  GDI_RotateC2DIB(dc, &d, 50, 60, 16);
  EXPECT_EQ(Px(50, 59), 0);
  EXPECT_EQ(Px(50, 58), 0xFFDF);
  GDI_RotateC2DIB(dc, &d, 0, 0, 16);  // every pixel above the surface
  std::vector<uint8_t> raw(4);
  DIB wide = Image(2, 1, 16, 0, raw);
  EXPECT_EQ(GDI_RotateC2DIB(dc, &wide, 10, 10, 16), 0);
}

}  // namespace

namespace {

using DibPacked = gt::Display;

TEST_F(DibPacked, PackedPicturesAreUnpackedForDrawing) {
  // Pixel runs with transparency: unpacked into the work image and drawn pixel by pixel,
  // transparent ones and those outside the clip skipped.
  const std::vector<uint8_t> runs = {0x01, 0xE0, 0x07, 0x00, 0xF8, 0x80, 0x1F, 0x00};  // T, red, 3 x blue
  DIB d = Image(5, 1, 16, 3, runs);
  d.flags = kDibTransparent;
  d.transparent = int16_t(0x07E0);
  const int16_t box[4] = {0, 0, 13, 480};
  GDI_SetClipRect(dc, box, nullptr);
  EXPECT_EQ(GDI_WriteDIB(dc, 10, 4, 5, 1, &d, 0, 0), 1);
  EXPECT_EQ(Px(10, 4), 0xFFDF);
  EXPECT_EQ(Px(11, 4), 0xF800);
  EXPECT_EQ(Px(12, 4), 0x001F);
  EXPECT_EQ(Px(13, 4), 0xFFDF);
  // Byte runs of an 8-bit picture that claim more than the picture: only its pixels.
  const std::vector<uint8_t> bytes = {0xFE, 0xE0};
  DIB e = Image(3, 2, 8, 2, bytes);
  EXPECT_EQ(GDI_WriteDIB(dc, 0, 20, 3, 2, &e, 0, 0), 1);
  EXPECT_EQ(PaintedSpan(20, 0xFFDF), (std::pair{0, 2}));
  EXPECT_EQ(PaintedSpan(21, 0xFFDF), (std::pair{0, 2}));
  EXPECT_EQ(PaintedSpan(22, 0xFFDF), (std::pair{-1, -1}));
  EXPECT_EQ(Px(1, 21), 0xF800);
}

}  // namespace
