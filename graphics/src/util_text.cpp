// Scaling of register values onto pixel spans, and program strings of either character
// width: lengths, appending, line counts, the widest line and the fitting of a
// multi-line string into a box.
#include "graphics/util_text.h"

#include <algorithm>
#include <cstring>

#include "graphics/dc.h"
#include "graphics/text.h"

namespace {

constexpr std::size_t kMaxWordString = 1024;

bool IsLineEnd(uint16_t c) { return c <= 3; }

// Fitting, for both widths. Every source line end before the last allowed line starts a
// new, counted output line, so the count in front always matches the text.
template <typename Char>
int LimitMultiStr(Char* out, const Char* text, int source_lines, int max_lines, int max_chars) {
  std::size_t o = 0, line_start = 0;
  int line = 1, n = 0, source_line = 1;
  std::size_t i = 0;
  if (max_lines <= 0) {
    out[0] = 0;
    return 0;
  }
  for (;;) {
    const Char c = text[i];
    if (IsLineEnd(c)) {
      if (c == 0 || source_line >= source_lines) break;
      ++source_line;
      ++i;
      if (line == max_lines) {
        // The last line runs on: a line end becomes a space (code 1 is dropped).
        if (c != 1 && n < max_chars) out[o++] = ' ', ++n;
        continue;
      }
      out[o++] = 0;
      line_start = o;
      ++line;
      n = 0;
      continue;
    }
    if (n < max_chars) {
      out[o++] = c;
      ++n;
      ++i;
      continue;
    }
    if (n == 0) break;  // not even one character fits
    if (line < max_lines) {
      // Break at the last space, which also begins the next line; a line without one
      // (a space it starts with does not count) ends the text.
      std::size_t space = o - 1;
      while (space > line_start && out[space] != ' ') --space;
      if (space == line_start) break;
      i -= o - space;
      o = space;
      out[o++] = 0;
      line_start = o;
      ++line;
      n = 0;
      continue;
    }
    // The last line: back off three characters and the word they cut, then " ...".
    if (n >= 4) {
      o -= 3;
      std::size_t cut = o;
      while (cut > line_start && out[cut - 1] != ' ') --cut;
      if (cut > line_start) o = cut - 1;
      for (char e : {' ', '.', '.', '.'}) out[o++] = Char(e);
    }
    break;
  }
  out[o] = 0;
  return line;
}

}  // namespace

uint16_t UTIL_U16Scale(int32_t value, int bits, int32_t high, int32_t low, int32_t span) {
  if (bits != 16 || high == low) return 0;
  int32_t v = int16_t(value);
  if (v > high) v = high;
  if (v < low) return 0;
  return uint16_t(uint32_t(span) * uint32_t(v - low) / uint32_t(high - low));
}

uint16_t UTIL_S16Scale(int32_t value, int bits, int32_t high, int32_t low, int32_t span) {
  if (bits != 16 || high == low) return 0;
  const int32_t v = std::clamp<int32_t>(int16_t(value), std::min(low, high), std::max(low, high));
  if (low < 0 && high >= 0) return uint16_t(int16_t(span * v / (high - low)));
  return uint16_t(int16_t(span * (v - low) / (high - low)));
}

uint16_t UTIL_U16Unscale(int32_t position, int bits, int32_t high, int32_t low, int32_t span) {
  if (bits != 16 || high == low) return 0;
  if (span <= 0) return uint16_t(low);
  const int64_t p = std::min<uint32_t>(uint32_t(position), uint32_t(span));
  return uint16_t(low + (int64_t(high) - low) * p / span);
}

float UTIL_F32Scale(float value, int bits, float high, float low, float scale) {
  if (bits != 16 || high == low) return 0;
  const float v = std::min(value, high);
  if (v < low) return 0;
  return (v - low) / (high - low) * scale;
}

std::size_t UTIL_WordStrLen(const uint16_t* text) {
  std::size_t n = 0;
  while (n < kMaxWordString && text[n] != 0) ++n;
  return n;
}

std::size_t UTIL_StrLen(const void* text) {
  return GDI_UnicodeText() ? UTIL_WordStrLen(static_cast<const uint16_t*>(text))
                           : std::strlen(static_cast<const char*>(text));
}

void UTIL_WordStrNCat(uint16_t* dst, const uint16_t* src, std::size_t n) {
  uint16_t* end = dst + UTIL_WordStrLen(dst);
  for (std::size_t i = 0; i < n && src[i] != 0; ++i) *end++ = src[i];
  *end = 0;
}

void UTIL_StrNCat(void* dst, const void* src, std::size_t n) {
  if (GDI_UnicodeText())
    UTIL_WordStrNCat(static_cast<uint16_t*>(dst), static_cast<const uint16_t*>(src), n);
  else
    std::strncat(static_cast<char*>(dst), static_cast<const char*>(src), n);
}

int UTIL_StringLines(const void* text) {
  if (GDI_UnicodeText()) {
    uint16_t count;
    std::memcpy(&count, static_cast<const uint8_t*>(text) - 2, 2);
    return count;
  }
  return static_cast<const uint8_t*>(text)[-1];
}

int UTIL_StringWidth(DC* dc, const void* text) {
  const bool wide = GDI_UnicodeText();
  const int lines = UTIL_StringLines(text);
  if (!wide && lines == 0) return 0;
  auto at = [&](std::size_t i) -> uint16_t {
    return wide ? static_cast<const uint16_t*>(text)[i] : static_cast<const uint8_t*>(text)[i];
  };
  int widest = 0, width = 0;
  for (std::size_t i = 0;; ++i) {
    const uint16_t c = at(i);
    if (IsLineEnd(c)) {
      widest = std::max(widest, width);
      width = 0;
      if (c == 0 || (wide && i >= kMaxWordString)) break;
      continue;
    }
    int16_t w = 0;
    GDI_GetFontChar(dc->font, c, &w);
    width += w;
  }
  return widest;
}

void UTIL_ByteLimitMultiStr(uint8_t* out, const char* text, int max_lines, int max_chars) {
  const int lines = static_cast<const uint8_t*>(static_cast<const void*>(text))[-1];
  out[0] = uint8_t(LimitMultiStr(reinterpret_cast<char*>(out + 1), text, lines, max_lines, max_chars));
}

void UTIL_WordLimitMultiStr(uint16_t* out, const uint16_t* text, int max_lines, int max_chars) {
  uint16_t lines;
  std::memcpy(&lines, text - 1, 2);
  out[0] = uint16_t(LimitMultiStr(out + 1, text, lines, max_lines, max_chars));
}

void UTIL_LimitMultiStr(void* out, const void* text, int max_lines, int max_chars) {
  if (GDI_UnicodeText())
    UTIL_WordLimitMultiStr(static_cast<uint16_t*>(out), static_cast<const uint16_t*>(text), max_lines, max_chars);
  else
    UTIL_ByteLimitMultiStr(static_cast<uint8_t*>(out), static_cast<const char*>(text), max_lines, max_chars);
}
