// Drawing and measuring text: one line in seven alignments (two of them turned a
// quarter), multi-line text in a rectangle, in 8-bit or 16-bit characters.
#include <algorithm>

#include "graphics/dc.h"
#include "graphics/dib.h"
#include "graphics/text.h"
#include "platform/trace.h"
#include "text_internal.h"

namespace {

// Codes 0..3 end a line for drawing (1..3 separate the lines of multi-line text).
template <typename Char>
bool EndsLine(Char c) {
  return uint16_t(c) <= 3;
}

template <typename Char>
int GlyphWidth(const uint8_t* font, Char c) {
  int16_t w = 0;
  GDI_GetFontChar(font, uint16_t(c), &w);
  return w;
}

template <typename Char>
int Extent(DC* dc, const Char* text, int16_t* width, int16_t* height) {
  int w = 0;
  if (dc->font != nullptr && text != nullptr)
    for (const Char* p = text; *p != 0; ++p) w += GlyphWidth(dc->font, *p);
  if (width != nullptr) *width = int16_t(w);
  if (height != nullptr) *height = int16_t(dc->font != nullptr ? GDI_FontMetrics(dc->font).height() : 0);
  return w;
}

// Draws the glyph of code at (x, y), upright or turned by rotation (0 for upright); its
// width.
int DrawGlyph(DC* dc, uint16_t code, int x, int y, int rotation) {
  const FontMetrics m = GDI_FontMetrics(dc->font);
  int16_t w = 0;
  const uint8_t* rows = GDI_GetFontChar(dc->font, code, &w);
  DIB glyph{};
  // A program font's width byte may claim more than its rows hold: only the rows are read.
  glyph.width = int16_t(rotation != 0 ? std::min<int>(w, 8 * m.row_bytes) : 8 * m.row_bytes);
  glyph.height = int16_t(m.height());
  glyph.row_bytes = int16_t(m.row_bytes);
  glyph.bits_per_pixel = 1;
  glyph.foreground = dc->text_colour;
  glyph.background = dc->fill_colour;
  glyph.data = rows;
  if (dc->text_callback != nullptr) dc->text_callback(code, &glyph, dc->text_callback_data);
  if (rotation != 0)
    GDI_RotateC2DIB(dc, &glyph, int16_t(x), int16_t(y), rotation);
  else
    GDI_WriteDIB(dc, int16_t(x), int16_t(y), w, glyph.height, &glyph, 0, 0);
  return w;
}

template <typename Char>
int Line(DC* dc, int x, int y, const Char* text) {
  if (dc == nullptr || dc->font == nullptr || text == nullptr || dc->text_align > kAlignCurrent) return 0;
  const int height = GDI_FontMetrics(dc->font).height();
  int n = 0;
  while (!EndsLine(text[n])) ++n;
  switch (dc->text_align) {
    case kAlignRight:
      ++x;
      for (int i = n - 1; i >= 0; --i) {
        x -= GlyphWidth(dc->font, text[i]);
        DrawGlyph(dc, uint16_t(text[i]), x, y, 0);
      }
      return n;
    case kAlignCentre: {
      int w = 0;
      for (int i = 0; i < n; ++i) w += GlyphWidth(dc->font, text[i]);
      x += w / -2;
      break;
    }
    case kAlignVertical:
      for (int i = 0; i < n; ++i, y += height) DrawGlyph(dc, uint16_t(text[i]), x, y, 0);
      return n;
    case kAlignUp:
      // The first glyph starts at y and the line climbs from there.
      for (int i = 0; i < n; ++i) y -= DrawGlyph(dc, uint16_t(text[i]), x, y, 16);
      return n;
    case kAlignDown:
      for (int i = 0; i < n; ++i) y += DrawGlyph(dc, uint16_t(text[i]), x, y, 32);
      return n;
    case kAlignCurrent:
      x = dc->cur_x;
      y = dc->cur_y;
      break;
    default:
      break;
  }
  for (int i = 0; i < n; ++i) x += DrawGlyph(dc, uint16_t(text[i]), x, y, 0);
  if (dc->text_align == kAlignCurrent) dc->cur_x = int16_t(x);
  return n;
}

template <typename Char>
int RectLines(DC* dc, int flags, const int16_t rect[4], const Char* text) {
  if (dc->font == nullptr || text == nullptr) return 1;
  const int lines = uint16_t(text[-1]);
  const int h = GDI_FontMetrics(dc->font).height();
  const int left = rect[0], top = rect[1], right = rect[2], bottom = rect[3];
  int y;
  if (flags & 0x10) {
    y = top;
  } else if (flags & 0x20) {
    const int c = lines * h < bottom - top ? 1 : 0;
    y = top + (bottom - top - lines * h + c) / 2;
  } else {
    y = bottom - lines * h;
  }
  const int x = (flags & 1) ? left : (flags & 2) ? right - 1 : left + (right - left) / 2;
  dc->text_align = uint16_t((flags / 2) & 3);
  const Char* p = text;
  for (int i = 0; i < lines; ++i, y += h) {
    Line(dc, x, y, p);
    while (!EndsLine(*p)) ++p;
    if (*p == 0) break;  // fewer lines than the count claims: never read past the text
    ++p;
  }
  return 1;
}

}  // namespace

int TextLine8(DC* dc, int x, int y, const char* text) {
  return Line(dc, x, y, reinterpret_cast<const uint8_t*>(text));
}

void GDI_ByteTextExtent(DC* dc, const char* text, int16_t* width, int16_t* height) {
  Extent(dc, reinterpret_cast<const uint8_t*>(text), width, height);
}
void GDI_GetTextExtent(DC* dc, const char* text, int16_t* width, int16_t* height) {
  GDI_ByteTextExtent(dc, text, width, height);
}
void GDI_WordTextExtent(DC* dc, const uint16_t* text, int16_t* width, int16_t* height) {
  Extent(dc, text, width, height);
}

int GDI_GetTextnWidth(DC* dc, const char* text, int16_t* width, int n) {
  int w = 0;
  if (dc->font != nullptr && text != nullptr)
    for (int i = 0; i < n && text[i] != 0; ++i) w += GlyphWidth(dc->font, uint8_t(text[i]));
  if (width != nullptr) *width = int16_t(w);
  return w;
}

int GDI_SetTextAlign(DC* dc, int alignment) {
  const int previous = dc->text_align;
  dc->text_align = uint16_t(alignment);
  return previous;
}

void GDI_SetTextCallBk(DC* dc, void (*callback)(uint16_t, DIB*, uint32_t), uint32_t data) {
  dc->text_callback = callback;
  dc->text_callback_data = callback != nullptr ? data : 0;
}

int GDI_ByteTextOut(DC* dc, int16_t x, int16_t y, const char* text) {
  plat::TraceCall("GDI_ByteTextOut", x, y);
  return TextLine8(dc, x, y, text);
}

int GDI_WordTextOut(DC* dc, int16_t x, int16_t y, const uint16_t* text) { return Line(dc, x, y, text); }

int GDI_TextOut(DC* dc, int16_t x, int16_t y, const void* text) {
  return GDI_UnicodeText() ? GDI_WordTextOut(dc, x, y, static_cast<const uint16_t*>(text))
                           : GDI_ByteTextOut(dc, x, y, static_cast<const char*>(text));
}

int GDI_RectByteTextOut(DC* dc, int flags, const int16_t rect[4], const char* text) {
  return RectLines(dc, flags, rect, reinterpret_cast<const uint8_t*>(text));
}
int GDI_RectWordTextOut(DC* dc, int flags, const int16_t rect[4], const uint16_t* text) {
  return RectLines(dc, flags, rect, text);
}
int GDI_RectTextOut(DC* dc, int flags, const int16_t rect[4], const void* text) {
  return GDI_UnicodeText() ? GDI_RectWordTextOut(dc, flags, rect, static_cast<const uint16_t*>(text))
                           : GDI_RectByteTextOut(dc, flags, rect, static_cast<const char*>(text));
}

void ScanVLine(DC* dc, int16_t x, int16_t y1, int16_t y2, uint16_t colour) {
  for (int y = y1; y <= y2; ++y) GDI_SetPixel(dc, x, int16_t(y), colour);
}
