// Fonts and text: measurement, the seven alignments, multi-line text in a rectangle,
// program fonts and their checks.
#include "display_fixture.h"
#include "graphics/dib.h"

namespace {

class Text : public gt::Display {
 protected:
  void SetUp() override {
    gt::Display::SetUp();
    GDI_SetTextColor(dc, 0x0000);
    GDI_SetFillColor(dc, 0x1234);  // the glyph cells show as boxes of this colour
  }
  int Width(const char* s) {
    int16_t w = 0, h = 0;
    GDI_GetTextExtent(dc, s, &w, &h);
    return w;
  }
  // First and last rows that hold a pixel other than the background.
  std::pair<int, int> PaintedRows(int x0, int x1) const {
    int first = -1, last = -1;
    for (int y = 0; y < scr_hgt; ++y)
      for (int x = x0; x <= x1; ++x)
        if (Px(x, y) != 0xFFDF) {
          if (first < 0) first = y;
          last = y;
          break;
        }
    return {first, last};
  }
};

TEST_F(Text, MeasureAndDefaultGlyph) {
  int16_t w = 0, h = 0;
  ASSERT_EQ(GDI_SelectFont(dc, 0, &w, &h), 1);
  EXPECT_EQ(w, 6);
  EXPECT_EQ(h, 10);
  GDI_GetTextExtent(dc, "AB", &w, &h);
  EXPECT_EQ(w, 12);
  EXPECT_EQ(h, 10);
  // Code 2 ends a drawn line but not a measurement.
  EXPECT_EQ(Width("AB\x02" "CD"), 30);
  EXPECT_EQ(GDI_ByteTextOut(dc, 0, 100, "AB\x02" "CD"), 2);
  EXPECT_EQ(PaintedSpan(100, 0xFFDF), (std::pair{0, 11}));
  EXPECT_EQ(GDI_GetTextnWidth(dc, "ABCD", &w, 3), 18);
  EXPECT_EQ(GDI_GetTextnWidth(dc, "ABCD", &w, 0), 0);
  // Codes below the font's first draw the default character's glyph.
  GDI_ByteTextOut(dc, 20, 0, "\x05");
  GDI_ByteTextOut(dc, 40, 0, "\x1F");
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 6; ++x) ASSERT_EQ(Px(20 + x, y), Px(40 + x, y)) << x << "," << y;
}

TEST_F(Text, SelectFont) {
  int16_t w = 0, h = 0;
  ASSERT_EQ(GDI_SelectFont(dc, 6, &w, &h), 1);
  EXPECT_EQ(w, 59);
  EXPECT_EQ(h, 66);
  const uint8_t* font66 = dc->font;
  EXPECT_EQ(GDI_SelectFont(dc, 5, nullptr, nullptr), 1);
  EXPECT_EQ(dc->font, font66);
  ASSERT_EQ(GDI_SelectFont(dc, kSystemFont, &w, &h), 1);
  EXPECT_EQ(w, 13);
  EXPECT_EQ(h, 25);
  EXPECT_EQ(GDI_SelectFont(dc, 8, &w, &h), 0);  // no program fonts
  EXPECT_EQ(GDI_SelectFont(dc, -1, &w, &h), 0);
  EXPECT_EQ(h, 25);
  const struct {
    int number, ascent, descent, max_width, avg_width, first, row_bytes;
  } kFonts[] = {{0, 8, 2, 6, 6, 8, 1},      {1, 13, 3, 14, 7, 31, 2},  {2, 19, 5, 21, 11, 31, 3},
                {3, 27, 6, 30, 16, 31, 4},  {4, 38, 9, 43, 22, 30, 6}, {5, 53, 13, 59, 31, 30, 8},
                {32, 20, 5, 13, 13, 8, 2}};
  for (const auto& f : kFonts) {
    ASSERT_EQ(GDI_SelectFont(dc, f.number, nullptr, nullptr), 1);
    const FontMetrics m = GDI_FontMetrics(dc->font);
    EXPECT_EQ(m.ascent, f.ascent) << f.number;
    EXPECT_EQ(m.descent, f.descent) << f.number;
    EXPECT_EQ(m.max_width, f.max_width) << f.number;
    EXPECT_EQ(m.avg_width, f.avg_width) << f.number;
    EXPECT_EQ(m.first, f.first) << f.number;
    EXPECT_EQ(m.last, 255) << f.number;
    EXPECT_EQ(m.default_char, 31) << f.number;
    EXPECT_EQ(m.row_bytes, f.row_bytes) << f.number;
    // Every glyph fits its row bytes and the maximum width.
    for (int c = 0; c < 256; ++c) {
      int16_t gw = 0;
      GDI_GetFontChar(dc->font, uint16_t(c), &gw);
      ASSERT_TRUE(gw >= 1 && gw <= f.max_width && gw <= 8 * f.row_bytes) << f.number << " code " << c;
    }
  }
}

TEST_F(Text, AlignmentsOfOneLine) {
  GDI_SelectFont(dc, 1, nullptr, nullptr);
  const int w = Width("ab");
  struct Case {
    int align, x;
    std::pair<int, int> span;
  };
  const Case kCases[] = {
      {kAlignLeft, 50, {50, 50 + w - 1}},
      {kAlignRight, 100, {100 - w + 1, 100}},
      {kAlignCentre, 50, {50 + w / -2, 50 + w / -2 + w - 1}},
  };
  for (const Case& k : kCases) {
    Clear(0xFFDF);
    GDI_SetTextAlign(dc, k.align);
    EXPECT_EQ(GDI_ByteTextOut(dc, int16_t(k.x), 20, "ab"), 2);
    EXPECT_EQ(PaintedSpan(20, 0xFFDF), k.span) << k.align;
    EXPECT_EQ(PaintedRows(0, 799), (std::pair{20, 35})) << k.align;
  }
  // Vertical: one glyph under the other.
  Clear(0xFFDF);
  GDI_SetTextAlign(dc, kAlignVertical);
  EXPECT_EQ(GDI_ByteTextOut(dc, 50, 20, "ab"), 2);
  EXPECT_EQ(PaintedRows(0, 799), (std::pair{20, 51}));
  // At the current position, which moves to the end of the text.
  Clear(0xFFDF);
  GDI_SetTextAlign(dc, kAlignCurrent);
  GDI_MoveTo(dc, 200, 30);
  EXPECT_EQ(GDI_ByteTextOut(dc, 0, 0, "ab"), 2);
  EXPECT_EQ(PaintedSpan(30, 0xFFDF), (std::pair{200, 200 + w - 1}));
  EXPECT_EQ(dc->cur_x, 200 + w);
  // Above 6: nothing.
  Clear(0xFFDF);
  GDI_SetTextAlign(dc, 7);
  EXPECT_EQ(GDI_ByteTextOut(dc, 50, 20, "ab"), 0);
  EXPECT_EQ(PaintedRows(0, 799), (std::pair{-1, -1}));
}

TEST_F(Text, RotatedLinesStartAtYAndStayInsideTheClip) {
  GDI_SelectFont(dc, 1, nullptr, nullptr);
  int16_t wa = 0;
  GDI_GetFontChar(dc->font, 'a', &wa);
  // Upward: the first glyph ends at row y and climbs; its rows go right from x.
  GDI_SetTextAlign(dc, kAlignUp);
  EXPECT_EQ(GDI_ByteTextOut(dc, 100, 200, "a"), 1);
  EXPECT_EQ(PaintedRows(100, 115), (std::pair{200 - wa + 1, 200}));
  EXPECT_EQ(PaintedSpan(200, 0xFFDF), (std::pair{100, 115}));
  // Downward: from row y down; rows go left from x.
  Clear(0xFFDF);
  GDI_SetTextAlign(dc, kAlignDown);
  EXPECT_EQ(GDI_ByteTextOut(dc, 100, 200, "aa"), 2);
  EXPECT_EQ(PaintedRows(85, 100), (std::pair{200, 200 + 2 * wa - 1}));
  EXPECT_EQ(PaintedSpan(200, 0xFFDF), (std::pair{85, 100}));
  // A long upward line near the top: nothing outside the clip is touched.
  Clear(0xFFDF);
  const int16_t box[4] = {0, 20, 800, 480};
  GDI_SetClipRect(dc, box, nullptr);
  GDI_SetTextAlign(dc, kAlignUp);
  GDI_ByteTextOut(dc, 10, 60, "a very long line that climbs off the top of the display");
  EXPECT_EQ(PaintedRows(0, 799), (std::pair{20, 60}));
  GDI_SetTextAlign(dc, kAlignDown);
  GDI_ByteTextOut(dc, 790, 400, "a very long line that runs off the bottom of the display");
  EXPECT_EQ(PaintedRows(770, 799).second, 479);
}

TEST_F(Text, MultiLineTextInARectangle) {
  GDI_SelectFont(dc, 1, nullptr, nullptr);  // 16 pixels high
  const char two[] = "\x02" "ab\x01" "cd";
  const int16_t rect[4] = {100, 0, 300, 41};
  struct Case {
    int flags;
    int first_row;
    std::pair<int, int> span;  // of the first line
    int align;
  };
  const int w = Width("ab");
  const Case kCases[] = {
      {0x20 | 1, 5, {100, 100 + w - 1}, kAlignLeft},
      {0x10 | 2, 0, {299 - w + 1, 299}, kAlignRight},
      {4, 41 - 32, {200 + w / -2, 200 + w / -2 + w - 1}, kAlignCentre},
  };
  for (const Case& k : kCases) {
    Clear(0xFFDF);
    EXPECT_EQ(GDI_RectByteTextOut(dc, k.flags, rect, two + 1), 1);
    EXPECT_EQ(PaintedRows(0, 799), (std::pair{k.first_row, k.first_row + 31})) << k.flags;
    EXPECT_EQ(PaintedSpan(k.first_row, 0xFFDF), k.span) << k.flags;
    EXPECT_EQ(dc->text_align, k.align) << k.flags;
  }
  // A count larger than the lines the text holds stops at its end.
  Clear(0xFFDF);
  const char short_text[] = "\x09" "ab";
  GDI_RectByteTextOut(dc, 0x10 | 1, rect, short_text + 1);
  EXPECT_EQ(PaintedRows(0, 799), (std::pair{0, 15}));
}

// A program font table: a count, offsets from byte 16, and records.
std::vector<uint8_t> FontRecord(int first, int last, int dflt) {
  std::vector<uint8_t> r(kFontHeader, 0);
  const int32_t fields[12] = {6, 2, 0, 0, 8, 8, 0, 0, first, last, dflt, 1};
  std::memcpy(r.data() + 64, fields, sizeof fields);
  for (int c = first; c <= last; ++c)
    for (int row = 0; row < 8; ++row) r.push_back(row == 0 ? 0xFF : 0x81);  // a box per glyph
  return r;
}

std::vector<uint8_t> FontTable(const std::vector<std::vector<uint8_t>>& fonts, uint32_t claimed, int lead) {
  std::vector<uint8_t> t(16 + 4 * fonts.size(), 0);
  std::memcpy(t.data(), &claimed, 4);
  for (std::size_t i = 0; i < fonts.size(); ++i) {
    const uint32_t offset = uint32_t(t.size());
    std::memcpy(t.data() + 16 + 4 * i, &offset, 4);
    t.insert(t.end(), lead, 0);
    t.insert(t.end(), fonts[i].begin(), fonts[i].end());
  }
  return t;
}

TEST_F(Text, ProgramFontsAreCheckedAgainstTheirTable) {
  const auto good = FontRecord('A', 'B', 'A');
  const auto bad_default = FontRecord('A', 'B', 200);
  auto truncated = FontRecord('A', 'Z', 'A');
  truncated.pop_back();
  auto huge = good;  // ascent and descent whose sum does not fit an int
  const int32_t big = 0x44444444;
  std::memcpy(huge.data() + 64, &big, 4);
  std::memcpy(huge.data() + 68, &big, 4);
  std::vector<uint8_t> table = FontTable({good, bad_default, huge, truncated}, 5, 0);
  GDI_SetProgramFonts(table.data(), table.size(), false);
  int16_t w = 0, h = 0;
  ASSERT_EQ(GDI_SelectFont(dc, 8, &w, &h), 1);
  EXPECT_EQ(w, 8);
  EXPECT_EQ(h, 8);
  const uint8_t* chosen = dc->font;
  EXPECT_EQ(GDI_SelectFont(dc, 9, &w, &h), 0);   // default character outside the font
  EXPECT_EQ(GDI_SelectFont(dc, 10, &w, &h), 0);  // a height no glyph can have
  EXPECT_EQ(GDI_SelectFont(dc, 11, &w, &h), 0);  // glyphs run past the table
  EXPECT_EQ(GDI_SelectFont(dc, 13, &w, &h), 0);  // beyond the count
  EXPECT_EQ(dc->font, chosen);
  uint32_t far = 0x7FFFFFF0;
  std::memcpy(table.data() + 16, &far, 4);
  EXPECT_EQ(GDI_SelectFont(dc, 8, &w, &h), 0);

  // With 16-bit text each record lies 64 bytes after its offset.
  table = FontTable({good}, 1, 64);
  GDI_SetProgramFonts(table.data(), table.size(), true);
  ASSERT_EQ(GDI_SelectFont(dc, 8, &w, &h), 1);
  GDI_SetFillColor(dc, 0xFFFF);
  const uint16_t text[] = {'A', 'Q', 0};  // Q is outside: the default glyph
  EXPECT_EQ(GDI_TextOut(dc, 10, 10, text), 2);
  EXPECT_EQ(PaintedSpan(10, 0xFFDF), (std::pair{10, 25}));
  EXPECT_EQ(PaintedSpan(11, 0xFFDF), (std::pair{10, 25}));
  EXPECT_EQ(Px(11, 11), 0xFFDF);
  GDI_SetProgramFonts(nullptr, 0, false);
}

TEST_F(Text, TurnedGlyphsReadOnlyTheirRows) {
  // A proportional program font whose width byte claims 200 pixels of 8-pixel rows.
  std::vector<uint8_t> record(kFontHeader, 0);
  const int32_t fields[12] = {6, 2, 0, 0, 8, 7, 0, 0, 'A', 'A', 'A', 1};
  std::memcpy(record.data() + 64, fields, sizeof fields);
  record.push_back(200);
  for (int row = 0; row < 8; ++row) record.push_back(0xFF);
  const std::vector<uint8_t> table = FontTable({record}, 1, 0);
  GDI_SetProgramFonts(table.data(), table.size(), false);
  ASSERT_EQ(GDI_SelectFont(dc, 8, nullptr, nullptr), 1);
  GDI_SetFillColor(dc, 0xFFFF);
  GDI_SetTextAlign(dc, kAlignDown);
  GDI_ByteTextOut(dc, 100, 100, "A");
  EXPECT_EQ(PaintedRows(0, 799), (std::pair{100, 107}));
  GDI_SetProgramFonts(nullptr, 0, false);
}

void Recolour(uint16_t code, DIB* glyph, uint32_t data) {
  if (code == 'b') glyph->foreground = uint16_t(data);
}

TEST_F(Text, CallbackMayChangeEachGlyph) {
  GDI_SelectFont(dc, 3, nullptr, nullptr);
  GDI_SetFillColor(dc, 0xFFFF);
  GDI_SetTextCallBk(dc, Recolour, 0xF800);
  GDI_ByteTextOut(dc, 10, 10, "bb");
  GDI_SetTextCallBk(dc, nullptr, 0);
  int red = 0;
  for (int y = 10; y < 43; ++y)
    for (int x = 10; x < 50; ++x) red += Px(x, y) == 0xF800 ? 1 : 0;
  EXPECT_GT(red, 20);
  Clear(0xFFDF);
  GDI_ByteTextOut(dc, 10, 10, "b");
  for (int y = 10; y < 43; ++y)
    for (int x = 10; x < 30; ++x) ASSERT_NE(Px(x, y), 0xF800);
}

}  // namespace
