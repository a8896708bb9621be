#pragma once
// The texts of the start-up restore's questions: titles, the date of the restored
// registers, and the lines of each text block with their rows.

#include <cstddef>
#include <cstdint>

namespace dlg {

// The object manager's touch release signal.
inline constexpr int kSignalRelease = 512;

// "%02d-%s-%04d": day, month abbreviation ("00" for a month outside 1..12), year.
inline constexpr std::size_t kDateBytes = 24;
void FormatDate(char out[kDateBytes], uint16_t day, uint16_t month, uint16_t year);

const char* Title(int kind);

// Row of kind 11's countdown line below the top of the text block.
inline constexpr int kCountdownRow = 126;

inline constexpr int kMaxLines = 10;
inline constexpr std::size_t kLineBytes = 64;
struct Lines {
  int count;
  int row[kMaxLines];  // pixels below the top of the text block
  char text[kMaxLines][kLineBytes];
};
// The text block of kind (10, 11 without its countdown line, 12), the date filled in.
void BodyLines(int kind, const char* date, Lines& out);

}  // namespace dlg
