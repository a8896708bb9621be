// Lines, rectangles, ellipses, rounded rectangles and polygons as pixels on a small
// memory device context: where a pen puts its pixels, the dash pattern, wide pens,
// fills, empty figures, and clipping at every edge.
#include <algorithm>
#include <utility>

#include "figures_fixture.h"
#include "graphics/draw.h"

namespace {

using Figures = gt::MemoryDc;
using Rows = std::vector<std::string>;

TEST_F(Figures, ThinLinesLeaveOutTheirEndPoint) {
  struct Case {
    const char* what;
    int16_t x0, y0, x1, y1;
    Rows art;  // columns 0..5, rows 0..4
  };
  const Case cases[] = {
      {"horizontal", 0, 0, 5, 0, {"#####.", "......", "......", "......", "......"}},
      {"leftward", 5, 1, 0, 1, {"......", ".#####", "......", "......", "......"}},
      {"vertical", 2, 0, 2, 4, {"..#...", "..#...", "..#...", "..#...", "......"}},
      // A shallow line keeps an exact half on the earlier row ...
      {"shallow", 0, 0, 4, 2, {"##....", "..##..", "......", "......", "......"}},
      // ... a steep one moves it to the next column.
      {"steep", 0, 0, 2, 4, {"#.....", ".#....", ".#....", "..#...", "......"}},
      {"diagonal", 0, 0, 4, 4, {"#.....", ".#....", "..#...", "...#..", "......"}},
      {"up and left", 4, 4, 0, 0, {"......", ".#....", "..#...", "...#..", "....#."}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SetUp();
    GDI_MoveTo(&dc, c.x0, c.y0);
    EXPECT_EQ(GDI_LineTo(&dc, c.x1, c.y1), 1);
    EXPECT_EQ(Art(0, 0, 5, 4), c.art);
    EXPECT_EQ(std::pair(dc.cur_x, dc.cur_y), std::pair(c.x1, c.y1));
  }
  // A line of no length draws nothing.
  SetUp();
  GDI_MoveTo(&dc, 3, 3);
  EXPECT_EQ(GDI_LineTo(&dc, 3, 3), 0);
  EXPECT_EQ(Count(kPen), 0);
}

TEST_F(Figures, DashPatternRunsOnAcrossSegmentsAndRestartsAtMoveTo) {
  GDI_SetPen(&dc, 3, 1, kPen);  // 0xC7: two on, three off, three on
  GDI_MoveTo(&dc, 0, 0);
  GDI_LineTo(&dc, 16, 0);
  EXPECT_EQ(Art(0, 0, 15, 0), Rows{"##...#####...###"});
  // The same 16 pixels as two lines of a polyline, and with a fill for the gaps.
  dc.fill_colour = kFill;
  GDI_MoveTo(&dc, 0, 1);
  GDI_LineTo(&dc, 5, 1);
  GDI_LineTo(&dc, 16, 1);
  EXPECT_EQ(Art(0, 1, 15, 1), Rows{"##ooo#####ooo###"});
  // A new MoveTo restarts the pattern.
  GDI_MoveTo(&dc, 0, 2);
  GDI_LineTo(&dc, 3, 2);
  GDI_MoveTo(&dc, 3, 2);
  GDI_LineTo(&dc, 6, 2);
  EXPECT_EQ(Art(0, 2, 5, 2), Rows{"##o##o"});
  // A patterned rectangle outline runs the pattern on clockwise around its corners.
  GDI_SetPen(&dc, 2, 1, kPen);  // 0xAA
  dc.fill_colour = 0xFFFF;
  GDI_Rectangle(&dc, 20, 0, 24, 4);
  EXPECT_EQ(Art(20, 0, 23, 3), (Rows{"#.#.", "...#", "#...", ".#.#"}));
  // Style 4 draws only over the fill colour.
  SetUp();
  for (int x = 0; x < 8; x += 2) At(x, 5) = kFill;
  GDI_SetPen(&dc, 4, 1, kPen);
  dc.fill_colour = kFill;
  GDI_MoveTo(&dc, 0, 5);
  GDI_LineTo(&dc, 8, 5);
  EXPECT_EQ(Art(0, 5, 7, 5), Rows{"#.#.#.#."});
}

TEST_F(Figures, WidePensAreSolidBandsCentredOnTheLine) {
  struct Case {
    const char* what;
    int16_t style, width, x0, y0, x1, y1;
    Rows art;  // columns 0..9, rows 0..7
  };
  const Case cases[] = {
      {"width 3, dashed style drawn solid", 2, 3, 2, 3, 7, 3,
       {"..........", "..........", ".########.", ".########.", ".########.", "..........", "..........",
        ".........."}},
      {"width 2 reaches one more right and below", 1, 2, 2, 2, 2, 5,
       {"..........", "..........", "..##......", "..##......", "..##......", "..##......", "..##......",
        ".........."}},
      {"width 7 is round", 1, 7, 4, 3, 5, 3,
       {"...####...", "..######..", ".########.", ".########.", ".########.", "..######..", "...####...",
        ".........."}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SetUp();
    GDI_SetPen(&dc, c.style, c.width, kPen);
    GDI_MoveTo(&dc, c.x0, c.y0);
    EXPECT_EQ(GDI_LineTo(&dc, c.x1, c.y1), 1);
    EXPECT_EQ(Art(0, 0, 9, 7), c.art);
  }
}

TEST_F(Figures, RectanglePenBandsAndFill) {
  // Thin outline on the figure's edge, right and bottom exclusive.
  EXPECT_EQ(GDI_Rectangle(&dc, 10, 10, 20, 20), 1);
  EXPECT_EQ(Art(9, 9, 20, 11), (Rows{"............", ".##########.", ".#........#."}));
  EXPECT_EQ(Art(9, 18, 20, 20), (Rows{".#........#.", ".##########.", "............"}));
  // Width 3: bands 9..11 and 18..20 on every side, the fill strictly inside them.
  SetUp();
  GDI_SetPen(&dc, 1, 3, kPen);
  dc.fill_colour = kFill;
  GDI_Rectangle(&dc, 10, 10, 20, 20);
  EXPECT_EQ(Art(8, 8, 21, 12),
            (Rows{"..............", ".############.", ".############.", ".############.", ".###oooooo###."}));
  EXPECT_EQ(Count(kPen), 12 * 12 - 6 * 6);
  EXPECT_EQ(Count(kFill), 6 * 6);
  // Pen colour equal to the fill colour: one filled shape of the outer rectangle.
  SetUp();
  GDI_SetPen(&dc, 1, 3, kFill);
  dc.fill_colour = kFill;
  GDI_Rectangle(&dc, 10, 10, 20, 20);
  EXPECT_EQ(Count(kFill), 12 * 12);
  EXPECT_EQ(At(9, 9), kFill);
  // No pen: the fill covers the figure.
  SetUp();
  GDI_SetPen(&dc, 0, 3, kPen);
  dc.fill_colour = kFill;
  GDI_Rectangle(&dc, 10, 10, 20, 20);
  EXPECT_EQ(Count(kFill), 100);
  EXPECT_EQ(At(10, 10), kFill);
}

TEST_F(Figures, EmptyFiguresDrawNothingAndReturnZero) {
  dc.fill_colour = kFill;
  const int16_t two_points[4] = {1, 1, 5, 5};
  EXPECT_EQ(GDI_Rectangle(&dc, 10, 10, 10, 20), 0);
  EXPECT_EQ(GDI_Rectangle(&dc, 10, 10, 20, 9), 0);
  EXPECT_EQ(GDI_Ellipse(&dc, 10, 10, 20, 11), 0) << "one row high: b = 0";
  EXPECT_EQ(GDI_Ellipse(&dc, 10, 10, 11, 20), 0) << "one column wide: a = 0";
  EXPECT_EQ(GDI_RoundRect(&dc, 10, 10, 5, 20, 4, 4), 0);
  EXPECT_EQ(GDI_GradientRect(&dc, 0, 0, 10, 10, 10, 20), 0);
  EXPECT_EQ(GDI_GradEllipse(&dc, 0, 0, 10, 10, 20, 11), 0);
  EXPECT_EQ(GDI_GradRoundRect(&dc, 0, 0, 10, 10, 20, 10, 4, 4), 0);
  EXPECT_EQ(GDI_MetallicEllipse(&dc, 10, 10, 10, 10), 0);
  EXPECT_EQ(GDI_Grad3DRoundRect(&dc, 2, 2, 10, 10, 30, 30, 0, 0), 0) << "no corners: nothing";
  EXPECT_EQ(GDI_Polygon(&dc, two_points, 1), 0);
  GDI_FillPolygon(&dc, two_points, 2);
  EXPECT_EQ(Count(kBack), kW * kH);
}

// The run path (solid pens) and the pixel path (patterned pens) trace the same outline.
TEST_F(Figures, OutlinesArePixelForPixelTheSameThroughRunsAndThroughThePattern) {
  struct Case {
    const char* what;
    int16_t l, t, r, b, corner;
  };
  const Case cases[] = {{"even ellipse", 2, 2, 22, 14, -1},
                        {"odd circle", 2, 2, 23, 23, -1},
                        {"rounded rectangle", 3, 4, 40, 30, 12},
                        {"rectangle", 3, 4, 40, 30, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto draw = [&] {
      if (c.corner < 0) GDI_Ellipse(&dc, c.l, c.t, c.r, c.b);
      else GDI_RoundRect(&dc, c.l, c.t, c.r, c.b, c.corner, c.corner);
    };
    SetUp();
    draw();
    const std::vector<uint16_t> runs = Pixels();
    SetUp();
    GDI_SetPen(&dc, 2, 1, kPen);
    dc.pattern = 0xFF;  // a patterned pen whose every bit is set
    draw();
    EXPECT_EQ(Pixels(), runs);
    // The figure fills its rectangle exactly: the extreme rows and columns are reached.
    int left = kW, right = -1, top = kH, bottom = -1;
    for (int y = 0; y < kH; ++y)
      for (int x = 0; x < kW; ++x)
        if (At(x, y) == kPen) left = std::min(left, x), right = std::max(right, x), top = std::min(top, y),
                              bottom = std::max(bottom, y);
    EXPECT_EQ((std::vector<int>{left, top, right, bottom}), (std::vector<int>{c.l, c.t, c.r - 1, c.b - 1}));
    // Symmetric about both axes.
    for (int y = c.t; y < c.b; ++y)
      for (int x = c.l; x < c.r; ++x) ASSERT_EQ(At(x, y), At(c.l + c.r - 1 - x, c.t + c.b - 1 - y)) << x << "," << y;
  }
}

TEST_F(Figures, EllipseShapes) {
  dc.fill_colour = kFill;
  EXPECT_EQ(GDI_Ellipse(&dc, 0, 0, 11, 11), 1);
  EXPECT_EQ(Art(0, 0, 10, 10), (Rows{"...#####...",
                                    "..#ooooo#..",
                                    ".#ooooooo#.",
                                    "#ooooooooo#",
                                    "#ooooooooo#",
                                    "#ooooooooo#",
                                    "#ooooooooo#",
                                    "#ooooooooo#",
                                    ".#ooooooo#.",
                                    "..#ooooo#..",
                                    "...#####..."}));
  // Pen colour equal to the fill: the same shape, all filled.
  const std::vector<uint16_t> outlined = Pixels();
  SetUp();
  GDI_SetPen(&dc, 1, 1, kFill);
  dc.fill_colour = kFill;
  GDI_Ellipse(&dc, 0, 0, 11, 11);
  const std::vector<uint16_t> filled = Pixels();
  for (std::size_t i = 0; i < outlined.size(); ++i) ASSERT_EQ(outlined[i] != kBack, filled[i] != kBack) << i;
  // A wide pen: a band of 3 centred on the edge around the fill.
  SetUp();
  GDI_SetPen(&dc, 1, 3, kPen);
  dc.fill_colour = kFill;
  GDI_Ellipse(&dc, 10, 10, 31, 31);
  for (int x = 9; x <= 11; ++x) EXPECT_EQ(At(x, 20), kPen) << x;
  EXPECT_EQ(At(12, 20), kFill);
  EXPECT_EQ(At(8, 20), kBack);
  for (int y = 9; y <= 11; ++y) EXPECT_EQ(At(20, y), kPen) << y;
  EXPECT_EQ(At(20, 12), kFill);
  EXPECT_EQ(At(20, 31), kPen);
  EXPECT_EQ(At(20, 32), kBack);
}

TEST_F(Figures, RoundedRectangleCorners) {
  // No corner: exactly the rectangle.
  dc.fill_colour = kFill;
  GDI_Rectangle(&dc, 5, 5, 30, 20);
  const std::vector<uint16_t> rectangle = Pixels();
  for (auto [w, h] : {std::pair{0, 8}, std::pair{8, 0}, std::pair{1, 8}}) {
    SetUp();
    dc.fill_colour = kFill;
    EXPECT_EQ(GDI_RoundRect(&dc, 5, 5, 30, 20, int16_t(w), int16_t(h)), 1);
    EXPECT_EQ(Pixels(), rectangle) << w << "x" << h;
  }
  SetUp();
  dc.fill_colour = kFill;
  GDI_RoundRect(&dc, 0, 0, 12, 8, 6, 6);
  EXPECT_EQ(Art(0, 0, 11, 7), (Rows{"..########..",
                                   ".#oooooooo#.",
                                   "#oooooooooo#",
                                   "#oooooooooo#",
                                   "#oooooooooo#",
                                   "#oooooooooo#",
                                   ".#oooooooo#.",
                                   "..########.."}));
}

TEST_F(Figures, Polygons) {
  const int16_t square[8] = {10, 10, 20, 10, 20, 20, 10, 20};
  GDI_FillPolygon(&dc, square, 4);
  EXPECT_EQ(Count(kPen), 100);
  EXPECT_EQ(At(10, 10), kPen);
  EXPECT_EQ(At(19, 19), kPen);
  EXPECT_EQ(At(20, 15), kBack);
  EXPECT_EQ(At(15, 20), kBack);
  // A triangle: each row from its left edge to its right edge, right end excluded.
  SetUp();
  const int16_t triangle[6] = {0, 0, 8, 4, 0, 8};
  GDI_FillPolygon(&dc, triangle, 3);
  // Edges are sampled at the middle of each row.
  EXPECT_EQ(Art(0, 0, 8, 8), (Rows{".........",
                                  "###......",
                                  "#####....",
                                  "#######..",
                                  "########.",
                                  "#####....",
                                  "###......",
                                  "#........",
                                  "........."}));
  // A polygon outline closes itself; two points draw the line there and back.
  SetUp();
  const int16_t pair[4] = {2, 2, 8, 2};
  EXPECT_EQ(GDI_Polygon(&dc, pair, 2), 1);
  EXPECT_EQ(Art(0, 2, 9, 2), Rows{"..#######."});
  SetUp();
  const int16_t tri[6] = {1, 1, 6, 1, 1, 6};
  GDI_Polygon(&dc, tri, 3);
  EXPECT_EQ(Art(0, 0, 7, 7), (Rows{"........",
                                  ".######.",
                                  ".#...#..",
                                  ".#..#...",
                                  ".#.#....",
                                  ".##.....",
                                  ".#......",
                                  "........"}));
  EXPECT_EQ(std::pair(dc.cur_x, dc.cur_y), std::pair(int16_t(1), int16_t(1)));
}

// Every primitive drawn across a clip rectangle: the memory driver fails the test for
// any pixel outside it, and the parts inside are drawn up to each edge.
TEST_F(Figures, EveryPrimitiveClipsAtEveryEdge) {
  const int16_t clip[4] = {10, 8, 30, 24};  // inclusive 10..29, 8..23
  const int16_t poly[8] = {-20, 16, 20, -30, 60, 16, 20, 70};
  struct Case {
    const char* what;
    int16_t width;
    void (*draw)(DC*, const int16_t*);
  };
  const Case cases[] = {
      {"rectangle", 1, [](DC* d, const int16_t*) { GDI_Rectangle(d, 0, 0, 48, 40); }},
      {"wide rectangle", 5, [](DC* d, const int16_t*) { GDI_Rectangle(d, 11, 9, 29, 23); }},
      {"ellipse", 1, [](DC* d, const int16_t*) { GDI_Ellipse(d, -10, -10, 60, 50); }},
      {"wide ellipse", 9, [](DC* d, const int16_t*) { GDI_Ellipse(d, 5, 3, 35, 29); }},
      {"rounded rectangle", 3, [](DC* d, const int16_t*) { GDI_RoundRect(d, 0, 0, 40, 32, 30, 30); }},
      {"gradient", 1, [](DC* d, const int16_t*) { GDI_GradientRect(d, 0, 0, -5, -5, 50, 50); }},
      {"gradient ellipse", 1, [](DC* d, const int16_t*) { GDI_GradEllipse(d, 0, 0, -5, -5, 50, 50); }},
      {"3D rounded rectangle", 1, [](DC* d, const int16_t*) { GDI_Grad3DRoundRect(d, 3, 3, -5, -5, 50, 50, 20, 20); }},
      {"filled polygon", 1, [](DC* d, const int16_t* p) { GDI_FillPolygon(d, p, 4); }},
      {"dashed lines", 1,
       [](DC* d, const int16_t*) {
         GDI_SetPen(d, 3, 1, 0);
         GDI_MoveTo(d, -100, 16);
         GDI_LineTo(d, 100, 16);
         GDI_LineTo(d, 20, -100);
         GDI_LineTo(d, 20, 100);
       }},
      {"pen wider than the pen circle table", 1200,
       [](DC* d, const int16_t*) {
         GDI_MoveTo(d, 20, 16);
         GDI_LineTo(d, 21, 16);
       }},
      {"lines across the whole coordinate range", 1,
       [](DC* d, const int16_t*) {
         GDI_SetPen(d, 2, 1, 0);
         GDI_MoveTo(d, -32748, -32752);  // a diagonal through (20, 16)
         GDI_LineTo(d, 32767, 32763);
         GDI_MoveTo(d, -32768, 16);
         GDI_LineTo(d, 32767, 17);
         GDI_MoveTo(d, 20, -32768);
         GDI_LineTo(d, 21, 32767);
       }},
      {"wide round line", 8,
       [](DC* d, const int16_t*) {
         GDI_MoveTo(d, 0, 0);
         GDI_LineTo(d, 47, 39);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SetUp();
    GDI_SetPen(&dc, 1, c.width, kPen);
    dc.fill_colour = kFill;
    dc.end_colour = 0x001F;
    dc.gradient_mode = 2;
    ASSERT_EQ(GDI_SetClipRect(&dc, clip, nullptr), 1);
    c.draw(&dc, poly);
    int drawn = 0;
    bool edge[4] = {};
    for (int y = 0; y < kH; ++y)
      for (int x = 0; x < kW; ++x)
        if (At(x, y) != kBack) {
          ++drawn;
          edge[0] |= x == 10, edge[1] |= y == 8, edge[2] |= x == 29, edge[3] |= y == 23;
        }
    EXPECT_GT(drawn, 0);
    EXPECT_TRUE(edge[0] && edge[1] && edge[2] && edge[3]) << edge[0] << edge[1] << edge[2] << edge[3];
  }
}

}  // namespace

namespace {

using Arcs = gt::MemoryDc;

// The circle (4, 4) .. (24, 24) has its centre at (14, 14) and radius 10.
TEST_F(Arcs, ArcsRunCounterClockwiseFromTheFirstRayToTheSecond) {
  GDI_Ellipse(&dc, 4, 4, 25, 25);
  const std::vector<uint16_t> circle = Pixels();
  auto quadrant = [](int x, int y) { return x >= 14 ? (y <= 14 ? 0 : 1) : (y <= 14 ? 3 : 2); };
  struct Case {
    const char* what;
    int16_t x1, y1, x2, y2;
    std::vector<int> quadrants;  // whole quadrants of the circle drawn (upper right 0, clockwise)
  };
  const Case cases[] = {
      {"right to top: the upper-right quarter", 30, 14, 14, 0, {0}},
      {"top to right: three quarters", 14, 0, 30, 14, {1, 2, 3}},
      {"left to right through the bottom", 0, 14, 40, 14, {1, 2}},
      {"both on one ray: the whole outline", 20, 8, 26, 2, {0, 1, 2, 3}},
      {"all but a gap narrower than a pixel", 30, 14, 30, 15, {0, 1, 2, 3}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SetUp();
    EXPECT_EQ(GDI_Arc(&dc, 4, 4, 25, 25, c.x1, c.y1, c.x2, c.y2), 1);
    for (int y = 0; y < kH; ++y)
      for (int x = 0; x < kW; ++x) {
        if (circle[y * kW + x] != kPen) {
          ASSERT_EQ(At(x, y), kBack) << x << "," << y << " off the circle";
          continue;
        }
        // Pixels on the axes belong to either neighbour; the rest follow their quadrant.
        if (x == 14 || y == 14) continue;
        const bool wanted = std::find(c.quadrants.begin(), c.quadrants.end(), quadrant(x, y)) != c.quadrants.end();
        ASSERT_EQ(At(x, y) == kPen, wanted) << x << "," << y;
      }
  }
  SetUp();
  EXPECT_EQ(GDI_Arc(&dc, 4, 4, 25, 5, 30, 14, 14, 0), 0) << "an ellipse of one row";
}

TEST_F(Arcs, PieFillsItsSectorWithoutRadialEdgesAndWideArcsStampTheirEnds) {
  dc.fill_colour = kFill;
  EXPECT_EQ(GDI_PieNS(&dc, 4, 4, 25, 25, 30, 14, 14, 0), 1);
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x)
      if (At(x, y) != kBack) {
        ASSERT_TRUE(x >= 14 && y <= 14) << x << "," << y;
      }
  EXPECT_EQ(At(18, 10), kFill);
  EXPECT_EQ(At(14, 8), kFill) << "the radial edges are fill, not pen";
  EXPECT_EQ(At(20, 14), kFill);
  EXPECT_EQ(At(24, 14), kPen);
  EXPECT_EQ(At(14, 4), kPen);
  // A pen of 5 (a band of radius 8 to 12): a square of 5 centred on each end point,
  // (24, 14) and (14, 4), which reaches past the sector's rays.
  SetUp();
  GDI_SetPen(&dc, 1, 5, kPen);
  GDI_Arc(&dc, 4, 4, 25, 25, 30, 14, 14, 0);
  for (int y = 12; y <= 16; ++y)
    for (int x = 22; x <= 26; ++x) EXPECT_EQ(At(x, y), kPen) << x << "," << y;
  EXPECT_EQ(At(12, 2), kPen);
  EXPECT_EQ(At(11, 4), kBack);
  EXPECT_EQ(At(22, 17), kBack);
  EXPECT_EQ(At(22, 10), kPen);
  EXPECT_EQ(At(18, 8), kBack) << "inside the ring";
}

}  // namespace
