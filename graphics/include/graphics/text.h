#pragma once
// Fonts, text output and the text console. Main thread only.
//
// A font is a record: a 112-byte header (name, ascent, descent, leadings, maximum and
// average width, first, last and default character, bytes per glyph row; little-endian
// s32 fields) followed by one glyph per code. A fixed-pitch font (average width equal to
// the maximum) has glyphs of height x bytes-per-row; a proportional one puts a width
// byte before each glyph.

#include <cstddef>
#include <cstdint>

struct DC;
struct DIB;

inline constexpr std::size_t kFontHeader = 112;
inline constexpr int kSystemFont = 32;
inline constexpr int kFirstProgramFont = 8;

// The header fields of a font record.
struct FontMetrics {
  int32_t ascent, descent, internal_leading, external_leading;
  int32_t max_width, avg_width;
  int32_t first, last, default_char, row_bytes;
  int height() const { return ascent + descent; }
  bool fixed_pitch() const { return avg_width == max_width; }
};
FontMetrics GDI_FontMetrics(const uint8_t* font);

// The program's font table (download type 11): table and its size in bytes; null when
// the program has none. unicode: the program's strings are 16-bit (its font records then
// start 64 bytes after their offsets). Fonts whose records do not lie whole inside the
// table, or whose default character is outside their range, are refused when selected.
void GDI_SetProgramFonts(const uint8_t* table, std::size_t size, bool unicode);
// 1 when the loaded program uses 16-bit characters.
bool GDI_UnicodeText();

// Selects font number into dc (0..7 built-in, 32 the system font, 8.. program fonts);
// width and height receive its maximum width and height (either may be null); 0 and no
// change when the font is missing or damaged.
int GDI_SelectFont(DC* dc, int number, int16_t* width, int16_t* height);
// The glyph rows of code (the default character's for a code outside the font) and its
// width.
const uint8_t* GDI_GetFontChar(const uint8_t* font, uint16_t code, int16_t* width);
int GDI_SetTextAlign(DC* dc, int alignment);
void GDI_SetTextCallBk(DC* dc, void (*callback)(uint16_t, DIB*, uint32_t), uint32_t data);

// Measurement up to the terminating 0.
void GDI_ByteTextExtent(DC* dc, const char* text, int16_t* width, int16_t* height);
void GDI_GetTextExtent(DC* dc, const char* text, int16_t* width, int16_t* height);
void GDI_WordTextExtent(DC* dc, const uint16_t* text, int16_t* width, int16_t* height);
// Width of the first n characters (stopping at 0).
int GDI_GetTextnWidth(DC* dc, const char* text, int16_t* width, int n);

// Alignments of one line.
enum : int { kAlignLeft, kAlignRight, kAlignCentre, kAlignVertical, kAlignUp, kAlignDown, kAlignCurrent };
// Draws one line (ended by 0, 1, 2 or 3) by the text alignment of dc; the number of
// characters drawn, 0 for an alignment above 6.
int GDI_ByteTextOut(DC* dc, int16_t x, int16_t y, const char* text);
int GDI_WordTextOut(DC* dc, int16_t x, int16_t y, const uint16_t* text);
// The 16-bit or the 8-bit routine by the program's character width.
int GDI_TextOut(DC* dc, int16_t x, int16_t y, const void* text);
// Multi-line text in rect {left, top, right, bottom}; the character before text holds the
// line count. flags: 0x10 top, 0x20 centred vertically (else bottom); 1 left, 2 right,
// else centred. Returns 1.
int GDI_RectByteTextOut(DC* dc, int flags, const int16_t rect[4], const char* text);
int GDI_RectWordTextOut(DC* dc, int flags, const int16_t rect[4], const uint16_t* text);
int GDI_RectTextOut(DC* dc, int flags, const int16_t rect[4], const void* text);
void ScanVLine(DC* dc, int16_t x, int16_t y1, int16_t y2, uint16_t colour);

// The text console: 80 columns of the system font's 13 x 25 cells, as many rows (up to
// 30) as the surface holds.
void TTY_Allocate(DC* dc);  // binds the console to dc and clears it
int TTY_PutChar(int character);
int TTY_Puts(const char* text);
int TTY_SetPos(int row, int column);
int TTY_SetMode(int mask, int mode);
int TTY_SetCaret(int shape);
void TTY_ClrScreen();
void TTY_Scroll(int up);
// The cursor and the console's size (rows that fit the surface).
int TTY_Row();
int TTY_Column();
int TTY_Rows();
// The character stored in a cell (0 outside the console).
char TTY_CellChar(int row, int column);
