#pragma once
// printf-style formatting of one number with a format text that comes from the ladder
// program. The program's text is never handed to the C library as it stands: it must
// hold exactly one conversion of the value's kind (an integer conversion for integers, a
// floating one for doubles) with at most flags, a width and a precision, and "%%"
// elsewhere; anything else ("%s", "%n", "*", a second conversion, a length modifier of
// its own) is refused. Output goes through snprintf into the caller's buffer, so a wide
// field is cut, never overrun.

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace logic {

struct NumberFormat {
  char text[48] = {};  // the accepted format, with the length modifier the value needs
  char conversion = 0;
  bool valid = false;
};

// Parses the format text (at most its first `length` bytes, up to a 0 byte).
NumberFormat ParseNumberFormat(const uint8_t* format, std::size_t length, bool floating);

// Formats into out[0..size) (0-ended when size > 0); returns the length the whole text
// would have, as snprintf does.
int FormatInteger(const NumberFormat& f, int64_t value, char* out, std::size_t size);
int FormatDouble(const NumberFormat& f, double value, char* out, std::size_t size);

}  // namespace logic
