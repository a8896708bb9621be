// Device contexts: creation, the clip, runs and single pixels through it, rectangle
// arithmetic and the pen geometry.
#include "display_fixture.h"
#include "graphics/vdr.h"

namespace {

using Dc = gt::Display;

TEST_F(Dc, InitSetsDefaultsAndCreateDcBindsSurfaces) {
  EXPECT_EQ(dc->bounds[2], 799);
  EXPECT_EQ(dc->bounds[3], 479);
  EXPECT_EQ(dc->clip[2], 799);
  EXPECT_EQ(dc->fill_colour, 0xFFDF);
  EXPECT_EQ(dc->pen_style, 1);
  EXPECT_EQ(dc->pen_width, 1);
  EXPECT_EQ(dc->pattern, 0xFF);
  EXPECT_EQ(dc->rop_mode, kRopCopy);
  EXPECT_NE(dc->font, nullptr);

  EXPECT_EQ(GDI_CreateDC(0, 0), dc);
  EXPECT_EQ(GDI_CreateDC(0, 6), nullptr);
  EXPECT_EQ(GDI_CreateDC(1, 1), nullptr);
  GDI_SetFillColor(dc, 0x1234);
  DC* mem = GDI_CreateDC(0, 1);
  ASSERT_NE(mem, nullptr);
  EXPECT_EQ(mem->surface, iVideo3);
  EXPECT_EQ(mem->fill_colour, 0x1234);  // a copy of the display context at the time
  GDI_SetFillColor(dc, 0xFFDF);
  EXPECT_EQ(mem->fill_colour, 0x1234);
  EXPECT_EQ(GDI_CreateDC(0, 2)->surface, iVideo2);
  EXPECT_EQ(GDI_CreateDC(0, 3)->surface, iVideo);  // refused binding: keeps the display's
  EXPECT_EQ(GDI_CreateDC(0, 4)->surface, iVideo5);
  DC* none = GDI_CreateDC(0, 5);
  EXPECT_EQ(none->surface, nullptr);
  GDI_ScanLine(none, 0, 0, 10, 0);  // no surface: nothing is drawn, nothing breaks
  EXPECT_EQ(GDI_SetPixel(none, 1, 1, 0), 0);
}

TEST_F(Dc, ClipRectangleIsInclusiveAndOnePixelIsDrawable) {
  int16_t old[4];
  const int16_t whole[4] = {0, 0, 800, 480};
  EXPECT_EQ(GDI_SetClipRect(dc, whole, old), 1);
  EXPECT_EQ(std::vector<int16_t>(dc->clip, dc->clip + 4), (std::vector<int16_t>{0, 0, 799, 479}));
  EXPECT_EQ(std::vector<int16_t>(old, old + 4), (std::vector<int16_t>{0, 0, 800, 480}));

  const int16_t big[4] = {-5, -5, 0x7FFF, 0x7FFF};
  EXPECT_EQ(GDI_SetClipRect(dc, big, nullptr), 1);
  EXPECT_EQ(std::vector<int16_t>(dc->clip, dc->clip + 4), (std::vector<int16_t>{0, 0, 799, 479}));

  // One pixel wide and one pixel high areas can be drawn through.
  const int16_t one[4] = {10, 20, 11, 21};
  EXPECT_EQ(GDI_SetClipRect(dc, one, nullptr), 1);
  EXPECT_EQ(GDI_SetPixel(dc, 10, 20, 0x0001), 1);
  EXPECT_EQ(GDI_SetPixel(dc, 11, 20, 0x0001), -1);
  EXPECT_EQ(GDI_SetPixel(dc, 10, 21, 0x0001), -1);
  GDI_ScanLine(dc, 20, 0, 799, 0x0002);
  EXPECT_EQ(Px(10, 20), 0x0002);
  EXPECT_EQ(Px(9, 20), 0xFFDF);
  EXPECT_EQ(Px(11, 20), 0xFFDF);
  const int16_t column[4] = {30, 0, 31, 480};
  EXPECT_EQ(GDI_SetClipRect(dc, column, nullptr), 1);
  for (int y = 0; y < 480; ++y) GDI_ScanLine(dc, int16_t(y), 0, 799, 0x0003);
  EXPECT_EQ(PaintedSpan(100, 0xFFDF), (std::pair{30, 30}));

  // Right == left in exclusive form is empty: nothing passes until the next clip.
  Clear(0xFFDF);
  const int16_t empty[4] = {10, 10, 10, 50};
  EXPECT_EQ(GDI_SetClipRect(dc, empty, old), 0);
  EXPECT_EQ(std::vector<int16_t>(old, old + 4), (std::vector<int16_t>{30, 0, 31, 480}));
  EXPECT_EQ(GDI_SetPixel(dc, 10, 10, 0), -1);
  GDI_ScanLine(dc, 10, 0, 799, 0);
  EXPECT_EQ(PaintedSpan(10, 0xFFDF), (std::pair{-1, -1}));
}

TEST_F(Dc, ScanLineClipsItsEnds) {
  const int16_t box[4] = {100, 0, 200, 480};
  GDI_SetClipRect(dc, box, nullptr);
  GDI_ScanLine(dc, 5, 50, 300, 0);
  EXPECT_EQ(PaintedSpan(5, 0xFFDF), (std::pair{100, 199}));
  GDI_ScanLine(dc, 6, 10, 60, 0);
  EXPECT_EQ(PaintedSpan(6, 0xFFDF), (std::pair{-1, -1}));
  GDI_ScanLine(dc, 7, 150, 140, 0);  // x2 < x1
  EXPECT_EQ(PaintedSpan(7, 0xFFDF), (std::pair{-1, -1}));
  GDI_ScanLine(dc, 480, 100, 150, 0);
  GDI_ScanLine(dc, -1, 100, 150, 0);
}

TEST_F(Dc, RectangleArithmetic) {
  int16_t a[4] = {0, 0, 10, 10}, b[4] = {10, 0, 20, 10}, d[4] = {1, 1, 1, 1};
  EXPECT_EQ(GDI_IntersectRect(d, a, b), 0);  // touching edges only
  EXPECT_EQ(std::vector<int16_t>(d, d + 4), (std::vector<int16_t>{0, 0, 0, 0}));
  int16_t c[4] = {5, 5, 15, 15};
  EXPECT_EQ(GDI_IntersectRect(a, a, c), 1);  // dest may be an operand
  EXPECT_EQ(std::vector<int16_t>(a, a + 4), (std::vector<int16_t>{5, 5, 10, 10}));
  GDI_UnionRect(d, b, c);
  EXPECT_EQ(std::vector<int16_t>(d, d + 4), (std::vector<int16_t>{5, 0, 20, 15}));
  GDI_InflateRect(d, 2, 3);
  EXPECT_EQ(std::vector<int16_t>(d, d + 4), (std::vector<int16_t>{3, -3, 22, 18}));
  GDI_DeflateRect(d, 2, 3);
  EXPECT_EQ(GDI_PtInRect(d, 5, 0), 1);
  EXPECT_EQ(GDI_PtInRect(d, 20, 5), 0);
  EXPECT_EQ(GDI_PtInRect(d, 19, 14), 1);
}

TEST_F(Dc, PenStylesAndBandGeometry) {
  struct Case {
    int16_t style, width;
    uint8_t pattern;
    std::vector<int16_t> outer, inner, centre;
  };
  const Case kCases[] = {
      {1, 1, 0xFF, {10, 20, 30, 41}, {10, 20, 30, 41}, {20, 30, 20, 31}},
      {2, 3, 0xAA, {9, 19, 31, 42}, {11, 21, 29, 40}, {20, 30, 20, 31}},
      {3, 4, 0xC7, {8, 18, 31, 42}, {11, 21, 28, 39}, {19, 30, 20, 30}},
      {4, 1, 0xAA, {10, 20, 30, 41}, {10, 20, 30, 41}, {20, 30, 20, 31}},
      {0, 5, 0xFF, {10, 20, 30, 41}, {10, 20, 30, 41}, {20, 30, 20, 31}},
  };
  for (const Case& k : kCases) {
    dc->pattern_mask = 0x08;
    GDI_SetPen(dc, k.style, k.width, 0x1234);
    EXPECT_EQ(dc->pattern, k.pattern) << k.style;
    EXPECT_EQ(dc->pattern_mask, 0x80);
    ASSERT_EQ(DimObjToPen(dc, 10, 20, 30, 41), 1);
    SetObjCenter(dc);
    EXPECT_EQ(std::vector<int16_t>(dc->pen_outer, dc->pen_outer + 4), k.outer) << k.style << "/" << k.width;
    EXPECT_EQ(std::vector<int16_t>(dc->pen_inner, dc->pen_inner + 4), k.inner) << k.style << "/" << k.width;
    EXPECT_EQ(std::vector<int16_t>(dc->centre, dc->centre + 4), k.centre) << k.style << "/" << k.width;
  }
  EXPECT_EQ(DimObjToPen(dc, 10, 10, 9, 20), 0);
  dc->pattern_mask = 0x04;
  EXPECT_EQ(GDI_MoveTo(dc, 3, 4), 1);
  EXPECT_EQ(dc->pattern_mask, 0x80);
  EXPECT_EQ(dc->cur_x, 3);
}

}  // namespace
