// The text console: set-up, tabs, backspace, new lines with and without wrap, scrolling,
// the caret and the modes.
#include "display_fixture.h"

namespace {

class Console : public gt::Display {
 protected:
  void SetUp() override {
    gt::Display::SetUp();
    Clear(0x0000);
    TTY_Allocate(dc);
  }
  int Last() const { return TTY_Rows() - 1; }
  // Painted columns of row y inside the cleared area 40..679.
  std::pair<int, int> Inked(int y) const {
    int first = -1, last = -1;
    for (int x = 40; x < 680; ++x)
      if (Px(x, y) != 0xFFDF) {
        if (first < 0) first = x;
        last = x;
      }
    return {first, last};
  }
};

TEST_F(Console, AllocateFitsTheDisplayAndClears) {
  EXPECT_EQ(TTY_Rows(), 19);  // 480 / 25: rows below the display are never used
  EXPECT_EQ(TTY_Row(), 0);
  EXPECT_EQ(TTY_Column(), 0);
  EXPECT_EQ(Px(39, 100), 0x0000);
  EXPECT_EQ(Px(40, 100), 0xFFDF);
  EXPECT_EQ(Px(679, 479), 0xFFDF);
  EXPECT_EQ(Px(680, 0), 0x0000);
  EXPECT_EQ(dc->text_colour, 0x0000);
  EXPECT_EQ(dc->fill_colour, 0xFFDF);
  EXPECT_EQ(TTY_SetPos(40, 100), 1);
  EXPECT_EQ(TTY_Row(), Last());
  EXPECT_EQ(TTY_Column(), 79);
  TTY_SetPos(-3, -3);
  EXPECT_EQ(TTY_Row(), 0);
  EXPECT_EQ(TTY_Column(), 0);
}

TEST_F(Console, TabsAndBackspace) {
  struct Case {
    int from, to;
  };
  for (const Case k : {Case{5, 8}, Case{8, 16}, Case{0, 8}, Case{77, 0}}) {
    TTY_SetPos(3, k.from);
    TTY_PutChar(9);
    EXPECT_EQ(TTY_Column(), k.to) << k.from;
  }
  EXPECT_EQ(TTY_Row(), 4);  // the tab at column 77 ran into the next line
  TTY_SetPos(2, 0);
  TTY_Puts("abc");
  TTY_PutChar(8);
  EXPECT_EQ(TTY_Column(), 2);
  EXPECT_EQ(TTY_CellChar(2, 2), ' ');
  EXPECT_EQ(TTY_CellChar(2, 1), 'b');
  TTY_SetPos(2, 0);
  TTY_PutChar(8);
  EXPECT_EQ(TTY_Column(), 0);
  EXPECT_EQ(TTY_CellChar(2, 0), 'a');
}

TEST_F(Console, NewLineOnTheLastRowScrollsOnlyWithWrap) {
  TTY_SetPos(Last(), 0);
  TTY_Puts("X");
  const std::vector<uint16_t> before(dc->surface + Last() * 25 * 800, dc->surface + (Last() + 1) * 25 * 800);
  TTY_PutChar(13);
  EXPECT_EQ(TTY_Row(), Last());
  EXPECT_EQ(TTY_Column(), 0);
  EXPECT_EQ(TTY_CellChar(Last() - 1, 0), 'X');
  EXPECT_EQ(TTY_CellChar(Last(), 0), ' ');
  // The row's pixels moved up one row and the last row is cleared.
  const std::vector<uint16_t> moved(dc->surface + (Last() - 1) * 25 * 800, dc->surface + Last() * 25 * 800);
  EXPECT_EQ(moved, before);
  EXPECT_EQ(PaintedSpan(Last() * 25 + 10, 0xFFDF), (std::pair{-1, -1}));

  // Without wrap the cursor stays on the last row and nothing moves.
  EXPECT_EQ(TTY_SetMode(0x20, 0x00), 0x31);
  TTY_Puts("Y");
  TTY_PutChar(13);
  EXPECT_EQ(TTY_Row(), Last());
  EXPECT_EQ(TTY_Column(), 0);
  EXPECT_EQ(TTY_CellChar(Last(), 0), 'Y');
  EXPECT_EQ(TTY_CellChar(Last() - 1, 0), 'X');
  // Nor does the last column wrap: the cursor stays on it.
  TTY_SetPos(0, 79);
  TTY_Puts("ZZ");
  EXPECT_EQ(TTY_Row(), 0);
  EXPECT_EQ(TTY_Column(), 79);
}

TEST_F(Console, ModesAndCaret) {
  EXPECT_EQ(TTY_SetMode(0x07, 0x02), 0x31);
  EXPECT_EQ(dc->text_colour, 0xFFDF);
  EXPECT_EQ(dc->fill_colour, 0x0000);
  TTY_SetMode(0x07, 0x00);  // none of the three: the colours stay
  EXPECT_EQ(dc->fill_colour, 0x0000);
  TTY_SetMode(0x07, 0x04);
  EXPECT_EQ(dc->fill_colour, 0xFFDF);

  EXPECT_EQ(TTY_SetCaret(3), -1);
  EXPECT_EQ(TTY_SetCaret(21), -1);
  EXPECT_EQ(TTY_SetCaret(-1), -1);
  EXPECT_EQ(TTY_SetCaret(1), 0);
  EXPECT_EQ(TTY_SetCaret(17), 1);
  // An underline just below the cell, x + 1 .. x + width - 1.
  TTY_SetPos(2, 4);
  EXPECT_EQ(Inked(75), (std::pair{53, 64}));
  TTY_SetPos(2, 5);  // hidden again where it was
  EXPECT_EQ(Inked(75), (std::pair{66, 77}));
  EXPECT_EQ(TTY_SetCaret(0), 17);
  EXPECT_EQ(Inked(75), (std::pair{-1, -1}));
}

}  // namespace
