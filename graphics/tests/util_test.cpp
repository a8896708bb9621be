// Drawing utilities: the colour rules of 3D looks and the stock decorations as pixels.
#include "figures_fixture.h"
#include "graphics/draw.h"
#include "graphics/icons.h"
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

namespace {

TEST_F(Util, BezelEdgesMeetInMitredCorners) {
  const int16_t rect[4] = {0, 0, 10, 10};
  UTIL_Bezel(&dc, rect);
  struct Pixel {
    int x, y;
    uint16_t colour;
  };
  const Pixel pixels[] = {{0, 0, 0x0000}, {9, 9, 0x0000}, {0, 4, 0x0000}, {5, 1, 0xFFDF}, {5, 8, 0x7BEF},
                          {6, 2, 0xFFDF}, {7, 2, 0x7BEF}, {2, 7, 0xFFDF}, {3, 7, 0x7BEF}, {8, 3, 0x7BEF},
                          {1, 6, 0xFFDF}, {3, 4, 0xFFDF}, {4, 4, 0xC638}, {5, 5, 0xC638}, {6, 5, 0x7BEF}};
  for (const Pixel& p : pixels) EXPECT_EQ(At(p.x, p.y), p.colour) << p.x << "," << p.y;
  EXPECT_EQ(At(10, 5), kBack);
}

TEST_F(Util, RoundButtonRestoresClipAndFill) {
  const int16_t clip[4] = {0, 0, 30, 30};
  GDI_SetClipRect(&dc, clip, nullptr);
  dc.fill_colour = 0x8410;
  const int16_t rect[4] = {2, 2, 26, 26};
  UTIL_RoundButton(&dc, rect, 0);
  EXPECT_EQ(dc.fill_colour, 0x8410);
  EXPECT_EQ((std::vector<int16_t>(dc.clip, dc.clip + 4)), (std::vector<int16_t>{0, 0, 29, 29}));
  EXPECT_EQ(At(14, 2), 0x0000) << "the outline";
  // The face's light shade saturates to white 0xFFFF, which as a fill would paint
  // nothing: the crescent takes the painted near-white.
  EXPECT_EQ(At(5, 9), 0xFFDF) << "the crescent in the light shade of the face";
  EXPECT_EQ(At(14, 14), 0x8410) << "the face";
  EXPECT_EQ(At(2, 2), kBack);
}

TEST_F(Util, AlarmIconScalesItsPen) {
  Draw_alarmIcon(&dc, 4, 8, 44, 48);  // 40 x 40
  EXPECT_EQ(dc.pen_width, 4);
  EXPECT_EQ(dc.pen_colour, 0xFFFF);
  EXPECT_EQ(At(24, 20), 0xFFFF) << "the stroke";
  EXPECT_EQ(At(24, 32), kBack) << "between stroke and dot";
  EXPECT_EQ(At(24, 34), 0xFFFF) << "the dot";
  EXPECT_EQ(At(24, 4), 0xFFFF) << "the apex";
}

}  // namespace

namespace {

TEST_F(Util, IconPensScaleWithTheRectangle) {
  // In 40 x 40 the stop ring's pen is 4 pixels wide, centred on the rectangle's edge.
  GDI_SetPen(&dc, 2, 3, 0x1234);
  dc.fill_colour = kFill;
  Draw_stopIcon(&dc, 4, 0, 44, 40);
  for (int x = 2; x <= 5; ++x) EXPECT_EQ(At(x, 20), 0xFFDF) << x;
  EXPECT_EQ(At(1, 20), kBack);
  EXPECT_EQ(At(6, 20), kBack) << "the ring is not filled";
  EXPECT_EQ(dc.fill_colour, kFill);
  EXPECT_EQ(dc.pen_style, 2);
  EXPECT_EQ(dc.pen_width, 3);
  EXPECT_EQ(dc.pen_colour, 0x1234);
  // The start stroke: 10 pixels wide.
  SetUp();
  Draw_startIcon(&dc, 4, 0, 44, 40);
  for (int x = 20; x <= 29; ++x) EXPECT_EQ(At(x, 20), 0xFFFF) << x;
  EXPECT_EQ(At(19, 20), kBack);
  EXPECT_EQ(At(30, 20), kBack);
  // Below 40 pixels the previous icon's ring is a hairline.
  SetUp();
  Draw_previousIcon(&dc, 4, 4, 34, 34);
  EXPECT_EQ(At(4, 19), kPen);
  EXPECT_EQ(At(5, 19), kBack);
}

}  // namespace
