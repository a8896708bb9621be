// Gradient, metallic and 3D fills as pixels on a small memory device context: the row
// colours of each mode, the end colours each shape reaches, what is drawn without a fill
// or in an unknown mode, and the settings the calls leave behind.
#include "figures_fixture.h"
#include "graphics/draw.h"

namespace {

using Gradient = gt::MemoryDc;

uint16_t Rgb(int r, int g, int b) { return uint16_t(r << 11 | g << 5 | b); }

TEST_F(Gradient, LinearRectangleRunsFromTheStartToTheEndColour) {
  GDI_SetPen(&dc, 0, 1, kPen);
  dc.fill_colour = 0x0000;
  dc.end_colour = 0xFFFF;
  dc.gradient_mode = 2;
  EXPECT_EQ(GDI_GradientRect(&dc, 0, 0, 4, 2, 12, 34), 1);  // 32 rows
  for (int i = 0; i < 32; ++i) {
    EXPECT_EQ(At(4, 2 + i), Rgb(i, i * 63 / 31, i)) << i;
    EXPECT_EQ(At(11, 2 + i), At(4, 2 + i));
  }
  EXPECT_EQ(At(8, 33), 0xFFFF);
  EXPECT_EQ(At(8, 1), kBack);
  EXPECT_EQ(At(8, 34), kBack);
  EXPECT_EQ(dc.fill_colour, 0x0000);
}

TEST_F(Gradient, RowColoursOfEachModeAndShape) {
  constexpr uint16_t kStart = 0x0000, kEnd = 0xF800;  // red 0 .. 31
  auto red = [](int i, int n) { return Rgb(i * 31 / n, 0, 0); };
  struct Case {
    const char* what;
    int shape;  // 0 rectangle, 1 rounded rectangle, 2 ellipse
    uint8_t mode;
    int16_t lead_in, lead_out, height;
    std::vector<uint16_t> rows;  // top to bottom, down the middle column
  };
  const Case cases[] = {
      {"flat", 0, 0, 0, 0, 4, {kStart, kStart, kStart, kStart}},
      // 11 rows: the top five toward the end colour, the bottom seven up to row 4, which
      // ends in the end colour.
      {"mirrored rectangle", 0, 1, 0, 0, 11,
       {red(0, 5), red(1, 5), red(2, 5), red(3, 5), kEnd, red(5, 6), red(4, 6), red(3, 6), red(2, 6), red(1, 6),
        red(0, 6)}},
      {"three bands", 0, 3, 2, 3, 20,
       {kStart, kStart, red(0, 15), red(1, 15), red(2, 15), red(3, 15), red(4, 15), red(5, 15), red(6, 15),
        red(7, 15), red(8, 15), red(9, 15), red(10, 15), red(11, 15), red(12, 15), red(13, 15), red(14, 15), kEnd,
        kEnd, kEnd}},
      {"leads longer than the rectangle", 0, 3, 3, 9, 5, {kStart, kStart, kStart, kEnd, kEnd}},
      // Rounded rectangles: the linear form stops one step short of the end colour, the
      // mirrored one reaches it in the middle from both sides.
      {"linear rounded rectangle", 1, 2, 0, 0, 8,
       {red(0, 8), red(1, 8), red(2, 8), red(3, 8), red(4, 8), red(5, 8), red(6, 8), red(7, 8)}},
      {"mirrored rounded rectangle", 1, 1, 0, 0, 9,
       {red(0, 4), red(1, 4), red(2, 4), red(3, 4), kEnd, red(3, 4), red(2, 4), red(1, 4), red(0, 4)}},
      {"three-band rounded rectangle", 1, 3, 2, 3, 8,
       {kStart, kStart, red(0, 4), red(1, 4), red(2, 4), red(3, 4), kEnd, kEnd}},
      // An ellipse of 10 rows has 5 quadrant rows: mirrored never reaches the end colour.
      {"mirrored ellipse", 2, 1, 0, 0, 10,
       {red(0, 5), red(1, 5), red(2, 5), red(3, 5), red(4, 5), red(4, 5), red(3, 5), red(2, 5), red(1, 5), red(0, 5)}},
      {"linear ellipse", 2, 2, 0, 0, 10,
       {red(0, 10), red(1, 10), red(2, 10), red(3, 10), red(4, 10), red(5, 10), red(6, 10), red(7, 10), red(8, 10),
        red(9, 10)}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SetUp();
    GDI_SetPen(&dc, 0, 1, kPen);
    dc.fill_colour = kStart;
    dc.end_colour = kEnd;
    dc.gradient_mode = c.mode;
    const int16_t bottom = int16_t(4 + c.height);
    const int drawn = c.shape == 0   ? GDI_GradientRect(&dc, c.lead_in, c.lead_out, 4, 4, 24, bottom)
                      : c.shape == 1 ? GDI_GradRoundRect(&dc, c.lead_in, c.lead_out, 4, 4, 24, bottom, 4, 4)
                                     : GDI_GradEllipse(&dc, c.lead_in, c.lead_out, 4, 4, 24, bottom);
    EXPECT_EQ(drawn, 1);
    std::vector<uint16_t> got;
    for (int y = 4; y < bottom; ++y) got.push_back(At(14, y));
    EXPECT_EQ(got, c.rows);
    EXPECT_EQ(At(14, 3), kBack);
    EXPECT_EQ(At(14, bottom), kBack);
    EXPECT_EQ(dc.fill_colour, kStart);
  }
}

TEST_F(Gradient, WithoutAFillOrInAnUnknownModeOnlyTheOutlineIsDrawn) {
  for (auto [fill, mode] : {std::pair<uint16_t, uint8_t>{0xFFFF, 2}, {0x0000, 7}}) {
    SCOPED_TRACE(mode);
    for (int shape = 0; shape < 3; ++shape) {
      SetUp();
      dc.fill_colour = fill;
      dc.end_colour = 0xF800;
      dc.gradient_mode = mode;
      if (shape == 0) GDI_GradientRect(&dc, 0, 0, 4, 4, 24, 20);
      if (shape == 1) GDI_GradRoundRect(&dc, 0, 0, 4, 4, 24, 20, 6, 6);
      if (shape == 2) GDI_GradEllipse(&dc, 0, 0, 4, 4, 24, 20);
      EXPECT_EQ(At(4, 12), kPen) << shape;
      EXPECT_EQ(At(14, 12), kBack) << shape;
      EXPECT_EQ(Count(kBack) + Count(kPen), kW * kH) << shape;
      EXPECT_EQ(dc.fill_colour, fill);
    }
  }
}

// A mirrored rectangle of two rows stays inside the figure; a rounded rectangle whose
// fill area is a single row (a wide pen) draws it in the start colour.
TEST_F(Gradient, TinyFillAreasStayInsideAndDrawTheStartColour) {
  GDI_SetPen(&dc, 0, 1, kPen);
  dc.fill_colour = 0x001F;
  dc.end_colour = 0xF800;
  dc.gradient_mode = 1;
  GDI_GradientRect(&dc, 0, 0, 4, 10, 20, 12);
  EXPECT_EQ(At(10, 9), kBack);
  EXPECT_EQ(At(10, 10), Rgb(15, 0, 16));
  EXPECT_EQ(At(10, 11), 0x001F);
  EXPECT_EQ(At(10, 12), kBack);
  SetUp();
  GDI_SetPen(&dc, 1, 3, kPen);
  dc.fill_colour = 0x001F;
  dc.end_colour = 0xF800;
  dc.gradient_mode = 1;
  EXPECT_EQ(GDI_GradRoundRect(&dc, 0, 0, 4, 10, 30, 15, 4, 4), 1);
  EXPECT_EQ(Count(0x001F), 22);  // the one row inside the pen band
  EXPECT_EQ(At(16, 12), 0x001F);
}

TEST_F(Gradient, MetallicEllipseBands) {
  GDI_SetPen(&dc, 0, 1, kPen);
  dc.fill_colour = kFill;
  EXPECT_EQ(GDI_MetallicEllipse(&dc, 2, 2, 42, 39), 1);  // h = 36: limits 0, 11, 13, 36
  EXPECT_EQ(At(22, 2), 0x7BEF);
  EXPECT_EQ(At(22, 13), 0xFFDF);
  EXPECT_EQ(At(22, 15), 0x0000);
  EXPECT_EQ(At(22, 38), 0xC638);
  EXPECT_EQ(At(22, 39), kBack);
  EXPECT_EQ(Count(kFill), 0);
}

TEST_F(Gradient, ThreeDRoundedRectangleStopsFaceAndSettingsLeft) {
  // Stock stops (end colour 0): silver at the top, the face from black to white.
  GDI_SetPen(&dc, 1, 1, kPen);
  dc.fill_colour = 0x1234;
  dc.end_colour = 0x0000;
  dc.gradient_mode = 3;
  EXPECT_EQ(GDI_Grad3DRoundRect(&dc, 4, 4, 2, 2, 42, 38, 8, 8), 1);
  EXPECT_EQ(At(22, 2), kPen) << "outline";
  EXPECT_EQ(At(4, 8), Rgb(27, 56, 27)) << "from silver toward white";
  EXPECT_EQ(At(22, 6), 0x0000) << "the face starts black";
  EXPECT_EQ(dc.fill_colour, 0x1234);
  EXPECT_EQ(dc.end_colour, 0x0000);
  EXPECT_EQ(dc.gradient_mode, 3);
  EXPECT_EQ(dc.pen_style, 0);
  EXPECT_EQ(dc.pen_width, 0);
  EXPECT_EQ(dc.pen_colour, 0xFFFF);
  EXPECT_EQ(dc.pattern, 0xFF);
  EXPECT_EQ(dc.pattern_mask, 0x80);
  // Own colours whose fourth stop would pass blue's range: held at the maximum, so no
  // green leaks into the bottom band.
  SetUp();
  GDI_SetPen(&dc, 0, 1, kPen);
  dc.fill_colour = 0x0001;
  dc.end_colour = 0x001F;
  GDI_Grad3DRoundRect(&dc, 4, 4, 2, 2, 42, 38, 8, 8);
  for (int y = 16; y < 34; ++y) EXPECT_EQ(At(3, y), 0x001F) << y;
}

}  // namespace
