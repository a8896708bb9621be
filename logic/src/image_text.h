#pragma once
// Texts in the register image handed to the C library's number parsers: copied into a
// bounded, 0-ended buffer first, so a text without its 0 byte never leads a parser past
// the registers.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <limits>

#include "ground/regimage.h"

namespace logic {

inline constexpr std::size_t kTextBytes = 256;  // the longest text a parser is given

// The 0-ended text at byte offset s, at most kTextBytes - 1 bytes and never past the
// registers.
inline void ImageText(uint32_t s, char (&text)[kTextBytes]) {
  std::size_t n = 0;
  while (n + 1 < kTextBytes && s + n < reg::kOffInternal && plc_reg[s + n] != 0) {
    text[n] = char(plc_reg[s + n]);
    ++n;
  }
  text[n] = 0;
}

// strtol base 10 as the controller's 32-bit C library gives it: saturating at the DINT
// limits.
inline int32_t ParseDint(const char* text) {
  const long v = std::strtol(text, nullptr, 10);
  if (v > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  if (v < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
  return int32_t(v);
}

}  // namespace logic
