// NUMTOSTRING's formatter: a number of any IEC type in a fixed-width field, decimals
// produced digit by digit without rounding, "*" over the whole field on overflow.
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "iec_library/iec_string.h"

namespace {

template <typename T>
T Load(const void* p) {
  T v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

// The integer part as text; false for a type that has none or an overflow.
bool IntegerPart(int type, const void* value, char* out, double* fraction) {
  *fraction = 0;
  switch (type) {
    case 1: std::snprintf(out, 32, "%d", Load<uint8_t>(value) ? 1 : 0); return true;
    case 10: case 14: std::snprintf(out, 32, "%u", unsigned(Load<uint8_t>(value))); return true;
    case 11: std::snprintf(out, 32, "%d", int(Load<int16_t>(value))); return true;
    case 15: std::snprintf(out, 32, "%u", unsigned(Load<uint16_t>(value))); return true;
    case 2: std::snprintf(out, 32, "%" PRId32, Load<int32_t>(value)); return true;
    case 4: case 16: std::snprintf(out, 32, "%" PRIu32, Load<uint32_t>(value)); return true;
    case 12: case 17: std::snprintf(out, 32, "%" PRId64, Load<int64_t>(value)); return true;
    case 3: case 13: {
      double v = type == 3 ? double(Load<float>(value)) : Load<double>(value);
      if (std::isnan(v) || std::isinf(v)) return false;
      double whole = std::trunc(v);
      *fraction = std::fabs(v - whole);
      if (type == 3) {
        if (std::fabs(whole) >= 2147483648.0) return false;
        std::snprintf(out, 32, "%s%" PRId32, (v < 0 && whole == 0) ? "-" : "", int32_t(whole));
        return true;
      }
      // 256 digits or more do not fit any string.
      if (std::fabs(whole) >= 1e255) return false;
      std::snprintf(out, 300, "%s%g", (v < 0 && whole == 0) ? "-" : "", whole);
      return true;
    }
    default: return false;
  }
}

}  // namespace

void N4VMStr_NumToStr(uint8_t* result, int type, const void* value, int32_t width, int32_t digits) {
  if (result == nullptr) return;
  const int32_t cap = result[0];
  const int32_t field = width == 0 ? cap : (width < 0 ? -width : width);
  char text[320];
  double fraction = 0;
  bool ok = field <= cap && value != nullptr && IntegerPart(type, value, text, &fraction);
  int32_t n = ok ? int32_t(std::strlen(text)) : 0;
  if (ok && digits >= 1) {
    if (digits > field + 2 || n + 1 + digits > field) {
      ok = false;
    } else {
      text[n++] = '.';
      bool real = type == 3 || type == 13;
      for (int32_t i = 0; i < digits; ++i) {
        int d = 0;
        if (real) {
          fraction *= 10;
          d = int(fraction);
          if (d > 9) d = 9;
          fraction -= d;
        }
        text[n++] = char('0' + d);
      }
      text[n] = 0;
    }
  }
  if (ok && n > field) ok = false;
  char out[256];
  int32_t len;
  if (!ok) {
    std::memset(out, '*', size_t(field));
    len = field;
  } else if (width == 0) {
    std::memcpy(out, text, size_t(n));
    len = n;
  } else {
    std::memset(out, ' ', size_t(field));
    std::memcpy(width > 0 ? out + field - n : out, text, size_t(n));
    len = field;
  }
  N4VMStr_AscForce(result, out, uint32_t(len));
}
