// Font records: the built-in fonts, the program's font table and glyph lookup. A
// program font comes from a download, so its record is checked against the table
// before it is selected: a font that does not lie whole inside the table, or whose
// default character is outside its range, is refused.
#include <cstring>

#include "builtin_fonts.h"
#include "graphics/dc.h"
#include "graphics/text.h"

namespace {

const uint8_t* g_program_fonts = nullptr;
std::size_t g_program_size = 0;
bool g_unicode = false;

int32_t S32(const uint8_t* p) {
  int32_t v;
  std::memcpy(&v, p, 4);
  return v;
}
uint32_t U32(const uint8_t* p) {
  uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}

const uint8_t* BuiltIn(int number) {
  switch (number) {
    case 0: return fix5x7Font;
    case 1: return arial16Font;
    case 2: return arial24Font;
    case 3: return arial34Font;
    case 4: return arial47Font;
    case 5:
    case 6:
    case 7: return arial66Font;
    case kSystemFont: return sysfontFont;
    default: return nullptr;
  }
}

// Glyph bytes per code, the width byte of a proportional font included.
std::size_t GlyphBytes(const FontMetrics& m) {
  return std::size_t(m.height()) * std::size_t(m.row_bytes) + (m.fixed_pitch() ? 0 : 1);
}

// The record of program font n when it is sound, else nullptr.
const uint8_t* ProgramFont(int n) {
  const uint8_t* t = g_program_fonts;
  const std::size_t size = g_program_size;
  if (t == nullptr || size < 16) return nullptr;
  const uint32_t count = U32(t);
  if (uint32_t(n) >= count || 16 + 4 * (std::size_t(n) + 1) > size) return nullptr;
  const std::size_t start = std::size_t(U32(t + 16 + 4 * std::size_t(n))) + (g_unicode ? 64 : 0);
  if (start > size || size - start < kFontHeader) return nullptr;
  const FontMetrics m = GDI_FontMetrics(t + start);
  if (m.ascent < 0 || m.descent < 0 || m.ascent > 1024 || m.descent > 1024 || m.height() <= 0 || m.row_bytes <= 0 ||
      m.row_bytes > 128 || m.max_width < 0 || m.first < 0 || m.last < m.first || m.last > 0xFFFF)
    return nullptr;
  if (m.default_char < m.first || m.default_char > m.last) return nullptr;
  const std::size_t glyphs = std::size_t(m.last - m.first + 1) * GlyphBytes(m);
  if (glyphs > size - start - kFontHeader) return nullptr;
  return t + start;
}

}  // namespace

FontMetrics GDI_FontMetrics(const uint8_t* font) {
  FontMetrics m{};
  if (font == nullptr) return m;
  const uint8_t* p = font + 64;
  m.ascent = S32(p);
  m.descent = S32(p + 4);
  m.internal_leading = S32(p + 8);
  m.external_leading = S32(p + 12);
  m.max_width = S32(p + 16);
  m.avg_width = S32(p + 20);
  m.first = S32(p + 32);
  m.last = S32(p + 36);
  m.default_char = S32(p + 40);
  m.row_bytes = S32(p + 44);
  return m;
}

void GDI_SetProgramFonts(const uint8_t* table, std::size_t size, bool unicode) {
  g_program_fonts = table;
  g_program_size = table == nullptr ? 0 : size;
  g_unicode = unicode;
}

bool GDI_UnicodeText() { return g_unicode; }

int GDI_SelectFont(DC* dc, int number, int16_t* width, int16_t* height) {
  const uint8_t* font = nullptr;
  if (number >= 0 && number < kFirstProgramFont)
    font = BuiltIn(number);
  else if (number == kSystemFont)
    font = sysfontFont;
  else if (number >= kFirstProgramFont)
    font = ProgramFont(number - kFirstProgramFont);
  if (font == nullptr) return 0;
  dc->font = font;
  const FontMetrics m = GDI_FontMetrics(font);
  if (width != nullptr) *width = int16_t(m.max_width);
  if (height != nullptr) *height = int16_t(m.height());
  return 1;
}

const uint8_t* GDI_GetFontChar(const uint8_t* font, uint16_t code, int16_t* width) {
  const FontMetrics m = GDI_FontMetrics(font);
  const uint16_t index = uint16_t(code < m.first || code > m.last ? m.default_char - m.first : code - m.first);
  const uint8_t* glyph = font + kFontHeader + std::size_t(index) * GlyphBytes(m);
  if (m.fixed_pitch()) {
    if (width != nullptr) *width = int16_t(m.avg_width);
    return glyph;
  }
  if (width != nullptr) *width = glyph[0];
  return glyph + 1;
}
