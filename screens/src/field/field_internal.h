#pragma once
// Shared by the field formatters and editors.

#include <cstddef>
#include <cstdint>

#include "screens/field.h"

namespace fld {

void ResetKeyFilter();
void ResetTimeZoneEdit();

// Writes n copies of c (at most kFldTextMax) and the NUL; the length.
inline uint8_t Fill(FldContext& f, char c, std::size_t n) {
  if (n > kFldTextMax) n = kFldTextMax;
  for (std::size_t i = 0; i < n; ++i) f.text[i] = c;
  f.text[n] = '\0';
  f.length = uint8_t(n);
  return f.length;
}

// Starts an edit or returns to display, as every formatter does.
inline void BeginUpdate(FldContext& f, bool start_edit, uint8_t edit_state, uint8_t cursor) {
  if (start_edit) {
    f.state = edit_state;
    f.last_key = 0;
    f.tap = 0;
    f.cursor = cursor;
  } else {
    f.state = kFldDisplay;
  }
}

inline bool NoDataShown(const FldContext& f) { return (f.no_data & 1) && PGM_bShowAsterixForNodata; }

}  // namespace fld
