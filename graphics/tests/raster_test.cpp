// The driver's pixel work: raster operations on the two pixels of a word, block copies,
// the page schemes by kernel build and the framebuffer set-up.
#include <sys/stat.h>

#include "display_fixture.h"
#include "graphics/dib.h"
#include "graphics/vdr.h"

namespace {

using Raster = gt::Display;

// Writes the pair of words at x = 10 .. 13 of row 0 from known contents, then reads them.
uint32_t Word(const DC* dc, int x) {
  uint32_t w;
  std::memcpy(&w, dc->surface + x, 4);
  return w;
}

TEST_F(Raster, RasterOperationsTouchOnlyTheirHalfOfAWord) {
  // Surface words 0x12345678 at x 10..11 and 12..13; colour 0x00FF.
  struct Case {
    int rop;
    uint32_t odd_one;      // x = 11, one pixel: only the high half of the first word
    uint32_t even_three0;  // x = 10, three pixels: whole first word ...
    uint32_t even_three1;  // ... and the low half of the next
  };
  const Case kCases[] = {
      {kRopNot, 0xEDCB5678, 0xEDCBA987, 0x1234A987},
      {kRopXor, 0x12CB5678, 0x12CB5687, 0x12345687},
      {kRopAnd, 0x00345678, 0x00340078, 0x12340078},
      {kRopCopy, 0x00FF5678, 0x00FF00FF, 0x123400FF},
      {kRopNotCopy, 0xFF005678, 0xFF00FF00, 0x1234FF00},
      {kRopOr, 0x12FF5678, 0x12FF56FF, 0x123456FF},
      {kRopNotOr, 0xFF345678, 0xFF34FF78, 0x1234FF78},
  };
  for (const Case& k : kCases) {
    ASSERT_EQ(VDR_Ioctl(dc, kIoctlRop, k.rop), kRopCopy) << k.rop;
    auto reset = [&] {
      const uint32_t v = 0x12345678;
      std::memcpy(dc->surface + 10, &v, 4);
      std::memcpy(dc->surface + 12, &v, 4);
    };
    reset();
    GDI_ScanLine(dc, 0, 11, 11, 0x00FF);
    EXPECT_EQ(Word(dc, 10), k.odd_one) << "rop " << k.rop;
    EXPECT_EQ(Word(dc, 12), 0x12345678u) << "rop " << k.rop;
    reset();
    GDI_ScanLine(dc, 0, 10, 12, 0x00FF);
    EXPECT_EQ(Word(dc, 10), k.even_three0) << "rop " << k.rop;
    EXPECT_EQ(Word(dc, 12), k.even_three1) << "rop " << k.rop;
    reset();
    GDI_SetPixel(dc, 12, 0, 0x00FF);  // a single even pixel: the low half only
    EXPECT_EQ(Word(dc, 12), (k.even_three1 & 0xFFFF) | 0x12340000u) << "rop " << k.rop;
    EXPECT_EQ(Word(dc, 10), 0x12345678u);
    VDR_Ioctl(dc, kIoctlRop, kRopCopy);
  }
  EXPECT_EQ(VDR_Ioctl(dc, kIoctlRop, 8), -1);
  EXPECT_EQ(VDR_Ioctl(dc, kIoctlRop, 0), -1);
  EXPECT_EQ(VDR_Ioctl(dc, 9, 1), -1);
  EXPECT_EQ(dc->rop_mode, kRopCopy);
  uint16_t* before = dc->surface;
  EXPECT_EQ(VDR_Ioctl(dc, kIoctlSurface, 3), -1);
  EXPECT_EQ(dc->surface, before);
  EXPECT_EQ(int16_t(VDR_GetPixel(dc, 11, 0)), int16_t(0x1234));
}

TEST_F(Raster, PenStyleFourWritesOnlyOverTheFillColour) {
  dc->surface[5] = 0x0700;
  GDI_SetPen(dc, 4, 1, 0x001F);
  GDI_SetFillColor(dc, 0xFFDF);
  GDI_SetPixel(dc, 4, 0, 0x001F);
  GDI_SetPixel(dc, 5, 0, 0x001F);
  EXPECT_EQ(Px(4, 0), 0x001F);
  EXPECT_EQ(Px(5, 0), 0x0700);
}

TEST_F(Raster, BlockCopiesAtEitherParityAndThroughTheClip) {
  DC* mem = GDI_CreateDC(0, 2);
  for (int x = 0; x < 64; ++x) mem->surface[3 * scr_wdt + x] = uint16_t(0x100 + x);
  for (int src_x : {0, 1}) {
    for (int dst_x : {20, 21}) {
      Clear(0xFFDF);
      ASSERT_EQ(GDI_BitBlt(dc, int16_t(dst_x), 7, 9, 1, mem, int16_t(src_x), 3), 1);
      for (int i = 0; i < 9; ++i) EXPECT_EQ(Px(dst_x + i, 7), 0x100 + src_x + i) << src_x << "->" << dst_x;
      EXPECT_EQ(Px(dst_x - 1, 7), 0xFFDF);
      EXPECT_EQ(Px(dst_x + 9, 7), 0xFFDF);
    }
  }
  // Through Xor at odd parity, and 5 pixels cut on the left of the clip.
  Clear(0x0000);
  VDR_Ioctl(dc, kIoctlRop, kRopXor);
  const int16_t box[4] = {25, 0, 800, 480};
  GDI_SetClipRect(dc, box, nullptr);
  ASSERT_EQ(GDI_BitBlt(dc, 20, 8, 10, 1, mem, 1, 3), 1);
  EXPECT_EQ(PaintedSpan(8, 0), (std::pair{25, 29}));
  EXPECT_EQ(Px(25, 8), 0x100 + 6);
  EXPECT_EQ(GDI_BitBlt(dc, 0, 8, 10, 1, mem, 1, 3), 0);  // wholly left of the clip
}

TEST_F(Raster, BlockCopySourceIsHeldToItsSurface) {
  // A block whose source runs past the bottom copies only the rows that exist.
  for (int y = 470; y < 480; ++y) GDI_ScanLine(dc, int16_t(y), 0, 99, 0x0000);
  EXPECT_EQ(GDI_BitBlt(dc, 0, 0, 100, 50, dc, 0, 460), 1);
  EXPECT_EQ(Px(0, 9), 0xFFDF);
  EXPECT_EQ(Px(0, 10), 0x0000);
  EXPECT_EQ(Px(99, 19), 0x0000);
  EXPECT_EQ(Px(0, 20), 0xFFDF);
  EXPECT_EQ(GDI_BitBlt(dc, 0, 0, 100, 50, dc, 0, 480), 0);
  // A block moved down over itself comes out whole.
  for (int y = 100; y < 110; ++y) GDI_ScanLine(dc, int16_t(y), 0, 9, uint16_t(y));
  EXPECT_EQ(GDI_BitBlt(dc, 0, 105, 10, 10, dc, 0, 100), 1);
  for (int y = 105; y < 115; ++y) EXPECT_EQ(Px(9, y), y - 5) << y;
  EXPECT_EQ(GDI_BitBlt(dc, 0, 0, 100, 50, dc, -100, 0), 0);
}

std::size_t FileBytes(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 ? std::size_t(st.st_size) : 0;
}

TEST_F(Raster, PageSchemeFollowsTheKernelBuild) {
  const std::string fb = root.Host(plat::kFramebufferDevice);
  // Build 24: one 16-bit page mapped and drawn into straight away.
  EXPECT_EQ(KernelBuild, 24);
  EXPECT_EQ(fPxpEnable, 0);
  EXPECT_EQ(FileBytes(fb), 800u * 480 * 2);
  GDI_ScanLine(dc, 2, 3, 4, 0x07E0);
  EXPECT_EQ(FrameFile()[2 * 800 + 3], 0x07E0);
  EXPECT_EQ(VDR_CopyPage(), 1);

  // Build 35: the pixel pipeline over eight areas of 4 x width x height bytes, drawing
  // into area 1; presentation is the pipeline's.
  plat::TraceClear();
  ASSERT_EQ(Start(kPipeline), 1);
  EXPECT_EQ(KernelBuild, 35);
  EXPECT_EQ(fPxpEnable, 1);
  EXPECT_EQ(FileBytes(fb), 32u * 800 * 480);
  EXPECT_EQ(plat::TraceCountOf("PXP_Init"), 1u);
  EXPECT_EQ(reinterpret_cast<uint8_t*>(iVideo), static_cast<uint8_t*>(framebuffer_array[7]) + 4 * 800 * 480);
  EXPECT_EQ(framebuffer_array[0], iVideo);
  GDI_ScanLine(dc, 1, 0, 0, 0xF800);
  EXPECT_EQ(VDR_CopyPage(), 1);
  EXPECT_EQ(plat::TraceCountOf("PXP_buf_next"), 1u);
  // The display frame (area 0) shows the page as 32-bit pixels.
  const uint32_t* shown = static_cast<const uint32_t*>(framebuffer_array[7]);
  EXPECT_EQ(shown[800] & 0xFFFFFF, 0xFF0000u);

  // Build 15: RAM pages; the active frame is copied into the page on presentation.
  ASSERT_EQ(Start(kRamPages), 1);
  EXPECT_EQ(fPxpEnable, 0);
  DC* mem = GDI_CreateDC(0, 1);
  for (uint32_t i = 0; i < DisplaySize; ++i) mem->surface[i] = 0x0F0F;
  EXPECT_EQ(VDR_SetActiveFrame(mem), 1);
  EXPECT_EQ(Px(400, 300), 0x0F0F);
}

TEST_F(Raster, DisplayThatCannotBeUsedFailsInit) {
  const plat::FbFault kFaults[] = {plat::FbFault::kOpen, plat::FbFault::kFixedInfo, plat::FbFault::kVariableInfo,
                                   plat::FbFault::kMap};
  for (plat::FbFault f : kFaults) {
    plat::FbSetFault(f);
    EXPECT_EQ(Start(kDirectPage), 0) << int(f);
  }
  plat::FbReset();
  plat::FbSetModel({800, 480, 16, 3});  // not true colour
  EXPECT_EQ(Start(kDirectPage), 0);
  plat::FbSetModel({1024, 768, 16, 2});  // more than the pages hold
  EXPECT_EQ(Start(kDirectPage), 0);
  plat::FbReset();
  EXPECT_EQ(Start(kDirectPage), 1);
}

}  // namespace
