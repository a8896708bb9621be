// Scaling of register values onto pixel spans, program strings of both character
// widths, and the fitting of multi-line strings into a box.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "display_fixture.h"
#include "graphics/text.h"
#include "graphics/util_text.h"

namespace {

TEST(UtilScale, ValuesOntoSpansAndBack) {
  EXPECT_EQ(UTIL_U16Scale(50, 16, 100, 0, 200), 100);
  EXPECT_EQ(UTIL_U16Scale(150, 16, 100, 0, 200), 200);
  EXPECT_EQ(UTIL_U16Scale(-5, 16, 100, 0, 200), 0);
  EXPECT_EQ(UTIL_U16Scale(50, 32, 100, 0, 200), 0);
  EXPECT_EQ(UTIL_U16Scale(50, 16, 100, 100, 200), 0);
  EXPECT_EQ(UTIL_U16Scale(0xFFFF, 16, 100, -100, 200), 99) << "the value is signed 16 bits";
  EXPECT_EQ(UTIL_S16Scale(-50, 16, 100, -100, 200), 0xFFCE);
  EXPECT_EQ(UTIL_S16Scale(0, 16, -10, -110, 100), 100);
  EXPECT_EQ(UTIL_S16Scale(500, 16, 100, -100, 200), 100) << "clamped to high";
  EXPECT_EQ(UTIL_S16Scale(5, 16, 7, 7, 200), 0);
  EXPECT_EQ(UTIL_U16Unscale(100, 16, 1000, 0, 200), 500);
  EXPECT_EQ(UTIL_U16Unscale(300, 16, 1000, 0, 200), 1000) << "positions past the span";
  EXPECT_EQ(UTIL_U16Unscale(5, 16, 1000, 10, 0), 10) << "an empty span divides by nothing";
  EXPECT_FLOAT_EQ(UTIL_F32Scale(2.5f, 16, 10.0f, 0.0f, 100.0f), 25.0f);
  EXPECT_FLOAT_EQ(UTIL_F32Scale(20.0f, 16, 10.0f, 0.0f, 100.0f), 100.0f);
  EXPECT_FLOAT_EQ(UTIL_F32Scale(-1.0f, 16, 10.0f, 0.0f, 100.0f), 0.0f);
}

// Program strings in either width; tests switch the width through the font table.
class UtilText : public gt::Display {
 protected:
  void TearDown() override {
    GDI_SetProgramFonts(nullptr, 0, false);
    gt::Display::TearDown();
  }
  // A program string: the line count in front of the text.
  static std::string Program(int lines, const std::string& text) { return std::string(1, char(lines)) + text; }
  // The fitted text as lines, and its count.
  static std::pair<int, std::vector<std::string>> Fit(const std::string& program, int lines, int chars) {
    std::vector<uint8_t> out(2 + std::size_t(lines < 0 ? 0 : lines) * (chars + 2) + 8, 0xEE);
    UTIL_ByteLimitMultiStr(out.data(), program.c_str() + 1, lines, chars);
    std::vector<std::string> got;
    const char* p = reinterpret_cast<const char*>(out.data() + 1);
    for (int i = 0; i < out[0]; ++i) {
      got.emplace_back(p);
      p += got.back().size() + 1;
    }
    return {out[0], got};
  }
};

TEST_F(UtilText, LengthsAppendingAndLineCountsInBothWidths) {
  const std::string p = Program(2, "ab\x01" "cde");
  EXPECT_EQ(UTIL_StrLen(p.c_str() + 1), 6u);
  EXPECT_EQ(UTIL_StringLines(p.c_str() + 1), 2);
  char buffer[16] = "xy";
  UTIL_StrNCat(buffer, "12345", 3);
  EXPECT_STREQ(buffer, "xy123");

  GDI_SetProgramFonts(nullptr, 0, true);
  std::vector<uint16_t> wide(2001, 'w');
  wide[0] = 3;  // the line count in front
  wide.push_back(0);
  EXPECT_EQ(UTIL_StrLen(wide.data() + 1), 1024u);
  EXPECT_EQ(UTIL_StringLines(wide.data() + 1), 3);
  uint16_t into[8] = {'a', 0};
  const uint16_t more[] = {'b', 'c', 'd', 0};
  UTIL_StrNCat(into, more, 2);
  EXPECT_EQ(std::vector<uint16_t>(into, into + 4), (std::vector<uint16_t>{'a', 'b', 'c', 0}));
}

TEST_F(UtilText, StringWidthIsTheWidestLine) {
  GDI_SelectFont(dc, 0, nullptr, nullptr);  // the fixed 5 x 7 font
  int16_t w = 0;
  GDI_GetFontChar(dc->font, 'a', &w);
  const std::string p = Program(3, "ab\x01" "abcd\x02" "a");
  EXPECT_EQ(UTIL_StringWidth(dc, p.c_str() + 1), 4 * w);
  const std::string none = Program(0, "abc");
  EXPECT_EQ(UTIL_StringWidth(dc, none.c_str() + 1), 0);
}

TEST_F(UtilText, FittingIntoABox) {
  using Lines = std::vector<std::string>;
  struct Case {
    const char* what;
    std::string program;
    int lines, chars;
    Lines want;
  };
  const Case cases[] = {
      {"fits", Program(1, "short"), 2, 10, {"short"}},
      {"breaks at the last space, which starts the next line", Program(1, "one two three"), 2, 9,
       {"one two", " three"}},
      {"the last line ends in an ellipsis", Program(1, "alpha beta gamma delta"), 1, 14, {"alpha beta ..."}},
      {"too short for an ellipsis", Program(1, "abcdef"), 1, 3, {"abc"}},
      {"a word longer than the line ends the text", Program(1, "abcdefgh ij"), 2, 4, {"abcd"}},
      // Every source line before the last allowed line starts a counted line of its
      // own, and no character is lost.
      {"source lines", Program(3, "ab\x01" "cd\x01" "ef"), 3, 8, {"ab", "cd", "ef"}},
      {"source lines joined on the last line", Program(3, "ab\x02" "cd\x01" "ef"), 2, 8, {"ab", "cdef"}},
      {"a code 2 becomes a space on the last line", Program(2, "ab\x02" "cd"), 1, 8, {"ab cd"}},
      {"a line end after the last source line ends the text", Program(1, "ab\x01" "cd"), 3, 8, {"ab"}},
      {"no lines allowed", Program(1, "abc"), 0, 8, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const auto [count, got] = Fit(c.program, c.lines, c.chars);
    EXPECT_EQ(count, int(c.want.size()));
    EXPECT_EQ(got, c.want);
  }
  // The 16-bit form follows the same rules.
  GDI_SetProgramFonts(nullptr, 0, true);
  const std::vector<uint16_t> wide = {2, 'a', 'b', 1, 'c', ' ', 'd', 'e', 'f', 0};
  std::vector<uint16_t> out(2 + 3 * 6, 0xEEEE);
  UTIL_LimitMultiStr(out.data(), wide.data() + 1, 3, 4);
  EXPECT_EQ(std::vector<uint16_t>(out.begin(), out.begin() + 12),
            (std::vector<uint16_t>{3, 'a', 'b', 0, 'c', 0, ' ', 'd', 'e', 'f', 0, 0xEEEE}));
}

}  // namespace
