// Drawing utilities: the colour rules of 3D looks and the stock decorations as pixels.
#include "figures_fixture.h"
#include "graphics/draw.h"
#include "graphics/util.h"

namespace {

using Util = gt::MemoryDc;
using Rows = std::vector<std::string>;

TEST(UtilColours, ShadesByClassRaisedAndPressed) {
  struct Case {
    uint16_t face, light, dark;
  };
  const Case cases[] = {
      {0x0000, 0xFFDF, 0x7BEF},  // dark
      {0x0841, 0xFFDF, 0x7BEF},
      {0xFFFF, 0xC638, 0x7BEF},  // very bright: the sum of the channels above 83
      {0xF800, 0xFFDF, 0x7800},  // bright: the dark edge is the face halved
      {0x8410, 0xFFFF, 0x0000},  // middle: the light edge is the face doubled, saturated
      {0x4A69, 0x94D2, 0x0000},  // largest channel 9
      {0x4208, 0xFFDF, 0x7BEF},  // largest channel 8: dark
  };
  for (const Case& c : cases) {
    uint16_t light = 1, dark = 1;
    UTIL_3DShades(0, c.face, &light, &dark);
    EXPECT_EQ(light, c.light) << std::hex << c.face;
    EXPECT_EQ(dark, c.dark) << std::hex << c.face;
    UTIL_3DShades(1, c.face, &light, &dark);
    EXPECT_EQ(light, c.dark) << "pressed swaps the edges " << std::hex << c.face;
    EXPECT_EQ(dark, c.light) << std::hex << c.face;
  }
}

TEST(UtilColours, BrightnessAndContrast) {
  EXPECT_EQ(UTIL_IsBright(0xB000), 1);  // red 22
  EXPECT_EQ(UTIL_IsBright(0xA800), 0);  // red 21
  EXPECT_EQ(UTIL_IsBright(0x02C0), 1);  // green 22
  EXPECT_EQ(UTIL_IsBright(0x001F), 0);  // blue does not count
  EXPECT_EQ(UTIL_InvertIntensity(0x0000), 0xC638);
  EXPECT_EQ(UTIL_InvertIntensity(0x4108), 0xC638);  // largest channel 8
  EXPECT_EQ(UTIL_InvertIntensity(0xF81F), 0x780F);  // halved
  EXPECT_EQ(UTIL_InvertIntensity(0x8185), (31 << 11) | (24 << 5) | 10);  // red 16 saturates, green 12, blue 5
  EXPECT_EQ(UTIL_InvertIntensity(0x0280), 31 << 5);  // green 20 is capped at 31, not 63
}

TEST_F(Util, ShadeRectBevelsThreeRingsAndRestoresThePen) {
  GDI_SetPen(&dc, 2, 4, 0x1234);
  const int16_t rect[4] = {0, 0, 8, 8};
  UTIL_ShadeRect(&dc, rect, kPen, kFill, 0);
  EXPECT_EQ(Art(0, 0, 8, 8), (Rows{"########.",
                                   "#######o.",
                                   "######oo.",
                                   "###..ooo.",
                                   "###..ooo.",
                                   "##oooooo.",
                                   "#ooooooo.",
                                   "oooooooo.",
                                   "........."}));
  EXPECT_EQ(dc.pen_style, 2);
  EXPECT_EQ(dc.pen_width, 4);
  EXPECT_EQ(dc.pen_colour, 0x1234);
  // Inset by a pixel when the low byte of inset is set; a high byte alone does not.
  SetUp();
  UTIL_ShadeRect(&dc, rect, kPen, kFill, 0x100);
  EXPECT_EQ(At(0, 0), kPen);
  SetUp();
  UTIL_ShadeRect(&dc, rect, kPen, kFill, 1);
  EXPECT_EQ(At(0, 0), kBack);
  EXPECT_EQ(At(1, 1), kPen);
  EXPECT_EQ(At(6, 6), kFill);
  EXPECT_EQ(At(7, 7), kBack);
}

TEST_F(Util, ButtonIsTheRectangleWithTheBevelOfItsFace) {
  dc.fill_colour = 0x0841;  // a dark face: white and grey edges
  const int16_t rect[4] = {2, 2, 20, 14};
  UTIL_Button(&dc, rect, 0);
  EXPECT_EQ(At(2, 2), kPen) << "the outline";
  EXPECT_EQ(At(3, 3), 0xFFDF) << "light ring inside the outline";
  EXPECT_EQ(At(18, 12), 0x7BEF) << "dark ring";
  EXPECT_EQ(At(10, 8), 0x0841) << "the face";
  SetUp();
  dc.fill_colour = 0x0841;
  UTIL_Button(&dc, rect, 1);
  EXPECT_EQ(At(3, 3), 0x7BEF);
  EXPECT_EQ(At(18, 12), 0xFFDF);
}

TEST_F(Util, EtchedFrame) {
  const int16_t rect[4] = {0, 0, 6, 5};
  UTIL_3DEtch(&dc, rect, kPen, kFill);
  EXPECT_EQ(Art(0, 0, 6, 5), (Rows{"#####o.",
                                   "#ooo#o.",
                                   "#o..#o.",
                                   "#####o.",
                                   "oooooo.",
                                   "......."}));
}

}  // namespace
