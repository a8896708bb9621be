// Whole screens compared with stored pictures pixel for pixel: the self-test screen as
// the unit shows it at start-up, a page of text in every built-in font and alignment,
// a sheet of every figure primitive and decoration, and one of the icons. The frame is read from the display file, as a person would see it, and the
// panel_fb2png tool is checked against it.
#include <sys/wait.h>

#include <cstdlib>

#include "display_fixture.h"
#include "graphics/draw.h"
#include "graphics/icons.h"
#include "graphics/util.h"
#include "graphics/vdr.h"
#include "ground/sysmsg.h"

namespace {

using Golden = gt::Display;

TEST_F(Golden, SelfTestScreen) {
  Clear(0x0000);  // a display that has shown nothing yet
  testing::internal::CaptureStdout();
  SystemMsg(dc, "Operator Panel 01.00  Kernel 3549", "Self-test Running...");
  SystemMsg(dc, "Operator Panel 01.00  Kernel 3549", "*** Self-Test Passed ***");
  testing::internal::GetCapturedStdout();
  gt::ExpectGolden("selftest", FrameFile().data(), 800, 480);
}

TEST_F(Golden, TextPage) {
  Clear(0xFFDF);
  GDI_SetTextColor(dc, 0x0000);
  GDI_SetFillColor(dc, 0xFFFF);
  int y = 4;
  const char* kSamples[] = {
      "0  5x7: The quick brown fox jumps over the lazy dog 0123456789 \xC4\xD6\xDC\xE9",
      "1  Sans 16: The quick brown fox jumps over the lazy dog 0123456789 \xC4\xD6\xDC\xE9",
      "2  Sans 24: The quick brown fox jumps 0123456789",
      "3  Sans 34: Quick brown fox 0123",
      "4  Sans 47: Brown fox 012",
      "5  Sans 66: Fox 01",
  };
  for (int f = 0; f < 6; ++f) {
    int16_t h = 0;
    GDI_SelectFont(dc, f, nullptr, &h);
    GDI_ByteTextOut(dc, 4, int16_t(y), kSamples[f]);
    y += h + 2;
  }
  // Right and centred lines against a marker column, on a filled background.
  GDI_SelectFont(dc, 1, nullptr, nullptr);
  GDI_SetFillColor(dc, 0xE71C);
  for (int i = 0; i < 80; ++i) dc->surface[(320 + i) * 800 + 500] = 0xF800;
  GDI_SetTextAlign(dc, kAlignRight);
  GDI_ByteTextOut(dc, 500, 322, "right-aligned");
  GDI_SetTextAlign(dc, kAlignCentre);
  GDI_ByteTextOut(dc, 500, 342, "centred on the line");
  GDI_SetTextAlign(dc, kAlignLeft);
  GDI_ByteTextOut(dc, 500, 362, "left from the line");
  // Turned text: up from y and down from y.
  GDI_SetFillColor(dc, 0xFFFF);
  GDI_SetTextColor(dc, 0x001F);
  GDI_SetTextAlign(dc, kAlignUp);
  GDI_ByteTextOut(dc, 20, 470, "upward text");
  GDI_SetTextAlign(dc, kAlignDown);
  GDI_ByteTextOut(dc, 70, 320, "downward");
  GDI_SetTextAlign(dc, kAlignVertical);
  GDI_ByteTextOut(dc, 90, 320, "V");
  // Three lines centred in a box.
  GDI_SetTextColor(dc, 0x0000);
  GDI_SetFillColor(dc, 0xFFE0);
  const int16_t box[4] = {600, 320, 790, 470};
  for (int x = box[0]; x < box[2]; ++x) dc->surface[(box[1] - 1) * 800 + x] = dc->surface[box[3] * 800 + x] = 0x0000;
  const char lines[] = "\x03" "first line\x01" "second\x01" "third";
  GDI_RectByteTextOut(dc, 0x20 | 4, box, lines + 1);
  gt::ExpectGolden("textpage", FrameFile().data(), 800, 480);
}

// One figure per cell of 100 x 68 pixels, in the order of the primitives.
TEST_F(Golden, FigureSheet) {
  Clear(0xFFDF);
  auto cell = [](int i, int16_t* x, int16_t* y) {
    *x = int16_t(i % 8 * 100 + 10);
    *y = int16_t(i / 8 * 68 + 4);
  };
  auto pen = [&](int16_t style, int16_t width, uint16_t colour, uint16_t fill) {
    GDI_SetPen(dc, style, width, colour);
    GDI_SetFillColor(dc, fill);
  };
  int16_t x = 0, y = 0;
  int i = 0;
  // Lines: a fan of thin ones, dash styles, wide square and round pens.
  cell(i++, &x, &y);
  pen(1, 1, 0x0000, 0xFFFF);
  for (int k = 0; k <= 8; ++k) {
    GDI_MoveTo(dc, x, y);
    GDI_LineTo(dc, int16_t(x + 80 - 10 * (k > 4 ? k - 4 : 0) * 2), int16_t(y + 15 * (k > 4 ? 4 : k)));
  }
  cell(i++, &x, &y);
  for (int16_t style = 1; style <= 3; ++style) {
    pen(style, 1, 0x001F, style == 3 ? 0xF800 : 0xFFFF);
    GDI_MoveTo(dc, x, int16_t(y + 10 * style));
    GDI_LineTo(dc, int16_t(x + 80), int16_t(y + 10 * style));
    GDI_LineTo(dc, int16_t(x + 40), int16_t(y + 60));
  }
  for (int16_t width : {2, 4, 6, 9}) {
    cell(i++, &x, &y);
    pen(1, width, 0x7800, 0xFFFF);
    GDI_MoveTo(dc, int16_t(x + 8), int16_t(y + 8));
    GDI_LineTo(dc, int16_t(x + 72), int16_t(y + 30));
    GDI_LineTo(dc, int16_t(x + 20), int16_t(y + 60));
  }
  // Rectangles, ellipses and rounded rectangles with thin, wide and dashed pens.
  struct Figure {
    int16_t style, width;
    uint16_t colour, fill;
  };
  const Figure figures[] = {{1, 1, 0x0000, 0xFFFF}, {1, 1, 0x0000, 0x07E0}, {1, 5, 0x001F, 0xFFE0},
                            {2, 1, 0xF800, 0xFFFF}, {0, 1, 0x0000, 0xF81F}, {1, 4, 0x0000, 0x0000}};
  for (int kind = 0; kind < 3; ++kind) {
    for (const Figure& f : figures) {
      cell(i++, &x, &y);
      pen(f.style, f.width, f.colour, f.fill);
      if (kind == 0) GDI_Rectangle(dc, x, y, int16_t(x + 80), int16_t(y + 60));
      if (kind == 1) GDI_Ellipse(dc, x, y, int16_t(x + 80), int16_t(y + 60));
      if (kind == 2) GDI_RoundRect(dc, x, y, int16_t(x + 80), int16_t(y + 60), 30, 24);
    }
  }
  // Polygons: an outline and a filled star.
  cell(i++, &x, &y);
  pen(1, 1, 0x0000, 0xFFFF);
  const int16_t zigzag[10] = {int16_t(x), int16_t(y + 60), int16_t(x + 20), y, int16_t(x + 40), int16_t(y + 50),
                              int16_t(x + 60), int16_t(y + 5), int16_t(x + 80), int16_t(y + 60)};
  GDI_Polygon(dc, zigzag, 5);
  cell(i++, &x, &y);
  pen(1, 1, 0x03E0, 0xFFFF);
  int16_t star[10];
  const int order[5] = {0, 2, 4, 1, 3};
  const int16_t px[5] = {40, 78, 64, 16, 2}, py[5] = {0, 22, 60, 60, 22};
  for (int k = 0; k < 5; ++k) star[2 * k] = int16_t(x + px[order[k]]), star[2 * k + 1] = int16_t(y + py[order[k]]);
  GDI_FillPolygon(dc, star, 5);
  // Gradients: the four modes on rectangles, then a rounded rectangle and an ellipse.
  for (uint8_t mode = 0; mode < 4; ++mode) {
    cell(i++, &x, &y);
    pen(1, 1, 0x0000, 0x001F);
    GDI_SetEndColor(dc, 0xFFE0);
    GDI_SetGradient(dc, mode);
    GDI_GradientRect(dc, 10, 10, x, y, int16_t(x + 80), int16_t(y + 60));
  }
  cell(i++, &x, &y);
  pen(1, 3, 0x0000, 0xF800);
  GDI_SetEndColor(dc, 0x001F);
  GDI_SetGradient(dc, 1);
  GDI_GradRoundRect(dc, 0, 0, x, y, int16_t(x + 80), int16_t(y + 60), 30, 30);
  cell(i++, &x, &y);
  pen(0, 1, 0x0000, 0x07E0);
  GDI_SetGradient(dc, 2);
  GDI_GradEllipse(dc, 0, 0, x, y, int16_t(x + 80), int16_t(y + 60));
  // Metallic knob and 3D buttons, stock and own colours.
  cell(i++, &x, &y);
  pen(1, 1, 0x0000, 0x0000);
  GDI_MetallicEllipse(dc, int16_t(x + 10), y, int16_t(x + 70), int16_t(y + 60));
  cell(i++, &x, &y);
  pen(1, 1, 0x0000, 0x0000);
  GDI_Grad3DRoundRect(dc, 6, 6, x, y, int16_t(x + 80), int16_t(y + 60), 20, 20);
  cell(i++, &x, &y);
  pen(1, 1, 0x0000, 0x03EF);
  GDI_SetEndColor(dc, 0x0010);
  GDI_Grad3DRoundRect(dc, 6, 6, x, y, int16_t(x + 80), int16_t(y + 60), 20, 20);
  // Decorations: raised and pressed buttons, a bevel on a dark face, an etched frame.
  for (int pressed = 0; pressed < 2; ++pressed) {
    cell(i++, &x, &y);
    pen(1, 1, 0x0000, 0x4A69);
    const int16_t r[4] = {x, y, int16_t(x + 80), int16_t(y + 60)};
    UTIL_Button(dc, r, pressed);
  }
  cell(i++, &x, &y);
  {
    const int16_t r[4] = {x, y, int16_t(x + 80), int16_t(y + 60)};
    uint16_t light = 0, dark = 0;
    pen(0, 1, 0x0000, 0x0008);
    GDI_Rectangle(dc, r[0], r[1], r[2], r[3]);
    UTIL_3DShades(0, 0x0008, &light, &dark);
    UTIL_ShadeRect(dc, r, light, dark, 0);
    cell(i++, &x, &y);
    const int16_t e[4] = {x, y, int16_t(x + 80), int16_t(y + 60)};
    UTIL_3DEtch(dc, e, 0x7BEF, 0xFFFF);
  }
  // Clipping: a large ellipse and lines cut at a cell's edges.
  cell(i++, &x, &y);
  int16_t old[4];
  const int16_t clip[4] = {x, y, int16_t(x + 80), int16_t(y + 60)};
  GDI_SetClipRect(dc, clip, old);
  pen(1, 7, 0x8010, 0xC618);
  GDI_Ellipse(dc, int16_t(x - 30), int16_t(y - 30), int16_t(x + 60), int16_t(y + 50));
  pen(3, 1, 0x0000, 0xFFFF);
  GDI_MoveTo(dc, int16_t(x - 100), int16_t(y + 55));
  GDI_LineTo(dc, int16_t(x + 200), int16_t(y - 20));
  GDI_SetClipRect(dc, old, nullptr);
  // Arcs and pies: thin, dashed and wide arcs, a pie, a wide pie of more than half.
  struct Sector {
    int16_t style, width;
    uint16_t fill;
    bool pie;
    int16_t x1, y1, x2, y2;  // from the cell's centre
  };
  const Sector sectors[] = {{1, 1, 0xFFFF, false, 40, 0, 0, -30},  {2, 1, 0xFFFF, false, -40, 10, 40, 10},
                            {1, 6, 0xFFFF, false, 40, -20, -40, -20}, {1, 1, 0xFFE0, true, 40, 0, 0, -30},
                            {1, 4, 0x07FF, true, 0, -30, 40, 0}};
  for (const Sector& s : sectors) {
    cell(i++, &x, &y);
    pen(s.style, s.width, 0x0010, s.fill);
    const int16_t cx = int16_t(x + 40), cy = int16_t(y + 30);
    const int16_t x1 = int16_t(cx + s.x1), y1 = int16_t(cy + s.y1), x2 = int16_t(cx + s.x2), y2 = int16_t(cy + s.y2);
    if (s.pie) GDI_PieNS(dc, int16_t(x + 5), y, int16_t(x + 75), int16_t(y + 60), x1, y1, x2, y2);
    else GDI_Arc(dc, int16_t(x + 5), y, int16_t(x + 75), int16_t(y + 60), x1, y1, x2, y2);
  }
  // The stock bezel and hex nut, round buttons raised and pressed, the alarm icon.
  cell(i++, &x, &y);
  const int16_t bezel[4] = {x, y, int16_t(x + 80), int16_t(y + 60)};
  UTIL_Bezel(dc, bezel);
  cell(i++, &x, &y);
  const int16_t nut[4] = {x, y, int16_t(x + 80), int16_t(y + 60)};
  UTIL_HexNut(dc, nut);
  for (int pressed = 0; pressed < 2; ++pressed) {
    cell(i++, &x, &y);
    const int16_t round[4] = {int16_t(x + 10), y, int16_t(x + 70), int16_t(y + 60)};
    GDI_SetFillColor(dc, 0x4A69);
    UTIL_RoundButton(dc, round, pressed);
  }
  cell(i++, &x, &y);
  pen(0, 1, 0x0000, 0xB800);
  GDI_Rectangle(dc, x, y, int16_t(x + 80), int16_t(y + 60));
  Draw_alarmIcon(dc, int16_t(x + 10), int16_t(y + 10), int16_t(x + 70), int16_t(y + 60));
  gt::ExpectGolden("figures", FrameFile().data(), 800, 480);
}

// The twelve icons on a dark page, large and small.
TEST_F(Golden, IconSheet) {
  Clear(0x2104);
  using Icon = void (*)(DC*, int16_t, int16_t, int16_t, int16_t);
  const Icon icons[] = {Draw_stopIcon,      Draw_startIcon,   Draw_previousIcon, Draw_nextIcon,
                        Draw_arrowleftIcon, Draw_arrowrightIcon, Draw_homeIcon,  Draw_trendsIcon,
                        Draw_alarmIcon,     Draw_helpIcon,    Draw_MaintenanceIcon, Draw_printIcon};
  for (int i = 0; i < 12; ++i) {
    GDI_SetPen(dc, 1, 1, 0xFFE0);
    GDI_SetFillColor(dc, 0x0400);
    const int16_t x = int16_t(i % 6 * 130 + 15), y = int16_t(i / 6 * 140 + 20);
    icons[i](dc, x, y, int16_t(x + 100), int16_t(y + 100));
    GDI_SetPen(dc, 1, 1, 0xFFE0);
    GDI_SetFillColor(dc, 0x0400);
    const int16_t sx = int16_t(i * 65 + 15);
    icons[i](dc, sx, 320, int16_t(sx + 36), 356);
  }
  gt::ExpectGolden("icons", FrameFile().data(), 800, 480);
}

TEST_F(Golden, FrameToolWritesThePicture) {
  for (int x = 0; x < 800; ++x) dc->surface[x] = uint16_t(x * 81);
  GDI_SelectFont(dc, 2, nullptr, nullptr);
  GDI_ByteTextOut(dc, 10, 10, "frame");
  const std::string tool = std::string(PANEL_BINARY_DIR) + "/platform/panel_fb2png";
  const std::string png = root.path() + "/frame.png";
  const std::string command = "'" + tool + "' '" + root.Host(plat::kFramebufferDevice) + "' '" + png + "'";
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
  plat::RgbImage got;
  ASSERT_TRUE(plat::ReadPng(png, got));
  const plat::RgbImage want = plat::Rgb565Image(dc->surface, 800, 480, 800);
  EXPECT_EQ(got.width, 800);
  EXPECT_EQ(got.rgb, want.rgb);
  // A file shorter than the frame it is said to hold is refused.
  const std::string refused = "'" + tool + "' '" + root.Host(plat::kFramebufferDevice) + "' '" + png + "' 800 481 2>/dev/null";
  const int status = std::system(refused.c_str());
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1);
  // The 32-bit display frame of the pixel pipeline.
  ASSERT_EQ(Start(kPipeline), 1);
  for (int x = 0; x < 800; ++x) dc->surface[479 * 800 + x] = uint16_t(x * 81);
  VDR_CopyPage();
  const std::string xrgb = command + " 800 480 0 xrgb";
  ASSERT_EQ(std::system(xrgb.c_str()), 0) << xrgb;
  ASSERT_TRUE(plat::ReadPng(png, got));
  EXPECT_EQ(got.rgb, plat::Rgb565Image(dc->surface, 800, 480, 800).rgb);
}

}  // namespace
