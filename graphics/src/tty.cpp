// The text console through which start-up and system messages are written: 80 columns
// of the system font's cells, with its own cursor, mode and caret, and a copy of every
// cell's character and attribute.
#include <algorithm>
#include <cstring>

#include "graphics/dc.h"
#include "graphics/dib.h"
#include "graphics/text.h"
#include "platform/trace.h"
#include "text_internal.h"

namespace {

constexpr int kMaxRows = 30;
constexpr int kCols = 80;
constexpr int kModeColours = 0x07, kAutoAdvance = 0x10, kWrap = 0x20;
constexpr uint16_t kPaper = 0xFFDF, kInk = 0x0000;

DC* pTextDC = nullptr;
int tty_rows = kMaxRows;
int tty_cols = kCols;
int tty_width = 13, tty_height = 25;
int tty_row = 0, tty_col = 0;
int tty_mode = 0;
int tty_caret = 0;
bool g_caret_shown = false;
int g_caret_row = 0, g_caret_col = 0;
char d_char[kMaxRows * kCols];
uint8_t d_attr[kMaxRows * kCols];

int CellX(int col) { return col * tty_width; }
int CellY(int row) { return row * tty_height; }

void DrawCell(int row, int col, bool swapped) {
  DC* dc = pTextDC;
  const char text[2] = {d_char[row * kCols + col], 0};
  if (swapped) {
    const uint16_t text_colour = GDI_SetTextColor(dc, dc->fill_colour);
    const uint16_t fill = GDI_SetFillColor(dc, text_colour);
    TextLine8(dc, CellX(col), CellY(row), text);
    GDI_SetTextColor(dc, text_colour);
    GDI_SetFillColor(dc, fill);
  } else {
    TextLine8(dc, CellX(col), CellY(row), text);
  }
}

void FillRows(int y0, int y1, int x0, int x1) {
  for (int y = y0; y <= y1; ++y) GDI_ScanLine(pTextDC, int16_t(y), int16_t(x0), int16_t(x1), pTextDC->fill_colour);
}

void Caret(bool show) {
  if (pTextDC == nullptr) return;
  if (!show && !g_caret_shown) return;
  const int row = show ? tty_row : g_caret_row, col = show ? tty_col : g_caret_col;
  const int kind = tty_caret & 7;
  const int x = CellX(col), y = CellY(row);
  const uint16_t colour = show ? pTextDC->text_colour : pTextDC->fill_colour;
  if (kind == 1) {
    if (!show) DrawCell(row, col, false);
    GDI_ScanLine(pTextDC, int16_t(y + tty_height), int16_t(x + 1), int16_t(x + tty_width - 1), colour);
  } else if (kind == 2) {
    if (show)
      ScanVLine(pTextDC, int16_t(x), int16_t(y), int16_t(y + tty_height - 1), colour);
    else
      DrawCell(row, col, false);
  } else if (kind == 4) {
    DrawCell(row, col, show);
    ScanVLine(pTextDC, int16_t(x + tty_width), int16_t(y), int16_t(y + tty_height - 1), colour);
  }
  g_caret_shown = show && kind != 0;
  g_caret_row = row;
  g_caret_col = col;
}

void NewLine() {
  tty_col = 0;
  if (tty_row < tty_rows - 1)
    ++tty_row;
  else if (tty_mode & kWrap)
    TTY_Scroll(1);
}

void WriteCell(char c) {
  const int at = tty_row * kCols + tty_col;
  d_char[at] = c;
  d_attr[at] = uint8_t(tty_mode & kModeColours);
  DrawCell(tty_row, tty_col, false);
  if (!(tty_mode & kAutoAdvance)) return;
  if (tty_col < tty_cols - 1)
    ++tty_col;
  else if (tty_mode & kWrap)
    NewLine();
}

}  // namespace

void TTY_Allocate(DC* dc) {
  plat::TraceCall("TTY_Allocate");
  pTextDC = dc;
  g_caret_shown = false;
  if (dc == nullptr) return;
  int16_t w = 13, h = 25;
  GDI_SelectFont(dc, kSystemFont, &w, &h);
  tty_width = w;
  tty_height = h;
  tty_cols = kCols;
  // Only the rows the surface holds: a row below it could be neither drawn nor scrolled.
  tty_rows = std::clamp((dc->bounds[3] - dc->bounds[1] + 1) / tty_height, 1, kMaxRows);
  const int16_t whole[4] = {0, 0, 0x7FFF, 0x7FFF};
  GDI_SetClipRect(dc, whole, nullptr);
  GDI_SetPen(dc, 0, 1, 0);
  GDI_SetTextAlign(dc, kAlignLeft);
  TTY_SetMode(0x37, 0x31);
  TTY_SetCaret(0);
  TTY_ClrScreen();
}

int TTY_PutChar(int character) {
  if (pTextDC == nullptr) return 1;
  Caret(false);
  const char c = char(character);
  if (c == 9) {
    // Spaces up to the next multiple of 8; never more than 8, whatever the mode.
    for (int i = 0; i < 8; ++i) {
      WriteCell(' ');
      if (tty_col % 8 == 0 || !(tty_mode & kAutoAdvance)) break;
    }
  } else if (c == 8) {
    if (tty_col > 0 && (tty_mode & kAutoAdvance)) {
      --tty_col;
      WriteCell(' ');
      tty_col = std::max(0, tty_col - 1);
    }
  } else if (c == 13) {
    NewLine();
  } else {
    WriteCell(c);
  }
  Caret(true);
  return 1;
}

int TTY_Puts(const char* text) {
  if (text == nullptr) return 1;
  for (; *text != 0; ++text) TTY_PutChar(uint8_t(*text));
  return 1;
}

int TTY_SetPos(int row, int column) {
  Caret(false);
  tty_row = std::clamp(row, 0, tty_rows - 1);
  tty_col = std::clamp(column, 0, tty_cols - 1);
  Caret(true);
  return 1;
}

int TTY_SetMode(int mask, int mode) {
  const int old = tty_mode;
  tty_mode = (mask & mode) | (old & ~mask);
  uint16_t text = 0, fill = 0;
  bool set = true;
  if (tty_mode & 1)
    text = kInk, fill = kPaper;
  else if (tty_mode & 2)
    text = kPaper, fill = kInk;
  else if (tty_mode & 4)
    text = kInk, fill = kPaper;
  else
    set = false;
  if (set && pTextDC != nullptr) {
    GDI_SetTextColor(pTextDC, text);
    GDI_SetFillColor(pTextDC, fill);
  }
  return old;
}

int TTY_SetCaret(int shape) {
  const int kind = shape & ~16;
  if (shape < 0 || shape > 20 || (kind != 0 && kind != 1 && kind != 2 && kind != 4)) return -1;
  const int previous = tty_caret;
  Caret(false);
  tty_caret = shape;
  Caret(true);
  return previous;
}

void TTY_ClrScreen() {
  if (pTextDC == nullptr) return;
  g_caret_shown = false;
  if (pTextDC->fill_colour != 0xFFFF) FillRows(0, pTextDC->bounds[3], 40, 679);
  tty_row = tty_col = 0;
  std::memset(d_char, ' ', sizeof d_char);
  std::memset(d_attr, tty_mode & kModeColours, sizeof d_attr);
}

void TTY_Scroll(int up) {
  if (!up || pTextDC == nullptr) return;
  DC* dc = pTextDC;
  const int width = tty_cols * tty_width;
  GDI_BitBlt(dc, 0, 0, int16_t(width), int16_t((tty_rows - 1) * tty_height), dc, 0, int16_t(tty_height));
  if (dc->fill_colour != 0xFFFF) FillRows(CellY(tty_rows - 1), CellY(tty_rows) - 1, 0, width - 1);
  std::memmove(d_char, d_char + kCols, std::size_t(tty_rows - 1) * kCols);
  std::memmove(d_attr, d_attr + kCols, std::size_t(tty_rows - 1) * kCols);
  std::memset(d_char + (tty_rows - 1) * kCols, ' ', kCols);
  std::memset(d_attr + (tty_rows - 1) * kCols, tty_mode & kModeColours, kCols);
}

int TTY_Row() { return tty_row; }
int TTY_Column() { return tty_col; }
int TTY_Rows() { return tty_rows; }
char TTY_CellChar(int row, int column) {
  if (row < 0 || row >= tty_rows || column < 0 || column >= tty_cols) return 0;
  return d_char[row * kCols + column];
}
