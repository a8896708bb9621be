// REAL and LREAL fields: printed with a fixed number of integer and fraction digits (or
// in exponent notation), typed character by character and read back with strtod.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "field_internal.h"
#include "screens/keys.h"

namespace {

float FloatOf(uint32_t bits) {
  float v;
  std::memcpy(&v, &bits, 4);
  return v;
}
uint32_t BitsOf(float v) {
  uint32_t bits;
  std::memcpy(&bits, &v, 4);
  return bits;
}

std::size_t FieldLength(const FldContext& f) {
  return std::size_t(f.width) + f.decimals + (f.decimals > 0 ? 1 : 0) + (f.kind == kFldRealExp ? 4 : 0);
}

void FormatValue(FldContext& f, double value, bool below, bool above, bool leading_zeros) {
  if (fld::NoDataShown(f)) {
    fld::Fill(f, '*', std::size_t(f.width) + f.decimals);
    return;
  }
  if (below || above) {
    fld::Fill(f, below ? '<' : '>', std::size_t(f.width) + f.decimals);
    return;
  }
  const std::size_t length = FieldLength(f);
  if (!std::isfinite(value)) {
    fld::Fill(f, 'e', length);
    return;
  }
  char format[16];
  const char conversion = f.kind == kFldRealExp ? 'E' : 'f';
  if (leading_zeros) {
    std::snprintf(format, sizeof format, "%%0%zu.%u%c", length, unsigned(f.decimals), conversion);
  } else {
    std::snprintf(format, sizeof format, "%%.%u%c", unsigned(f.decimals), conversion);
  }
  char printed[kFldTextMax];
  const int n = std::snprintf(printed, sizeof printed, format, value);
  const std::size_t allowed = length + (value < 0 ? 1 : 0);
  if (n < 0 || std::size_t(n) >= sizeof printed || std::size_t(n) > allowed) {
    // A lone 0 before the point of a field without integer digits is dropped.
    const std::size_t zero = value < 0 ? 1 : 0;
    if (n > 0 && f.width == 0 && std::size_t(n) == allowed + 1 && printed[zero] == '0' && printed[zero + 1] == '.') {
      std::memmove(printed + zero, printed + zero + 1, std::size_t(n) - zero);
    } else {
      fld::Fill(f, '+', length);
      return;
    }
  }
  std::size_t copy = std::strlen(printed);
  if (copy > kFldTextMax) copy = kFldTextMax;
  std::memcpy(f.text, printed, copy);
  f.text[copy] = '\0';
  f.length = uint8_t(copy);
}

// The f32 and f64 sides of the shared editor.
struct RealSide {
  static double Get(const FldContext& f) { return FloatOf(f.value); }
  static void Set(FldContext& f, double v) { f.value = BitsOf(float(v)); }
  static bool InRange(const FldContext& f, double v) {
    return float(v) >= FloatOf(f.minimum) && float(v) <= FloatOf(f.maximum);
  }
};
struct LrealSide {
  static double Get(const FldContext& f) { return f.lvalue; }
  static void Set(FldContext& f, double v) { f.lvalue = v; }
  static bool InRange(const FldContext& f, double v) { return v >= f.lminimum && v <= f.lmaximum; }
};

bool Append(FldContext& f, char c) {
  if (f.length >= kFldTextMax) return false;
  f.text[f.length++] = c;
  f.text[f.length] = '\0';
  return true;
}

// A character the limits allow: two exponent digits, decimals fraction digits, width
// integer digits.
bool DigitAllowed(const FldContext& f) {
  if (f.weight > 0) return f.weight < 3;
  if (f.point) return f.count_b <= f.decimals;
  return f.count_a < f.width;
}

template <typename Side>
uint16_t Edit(FldContext& f, uint8_t key, auto write_out) {
  uint8_t k = key;
  KeyFilter(f.last_key, f.tap, k, f.kind);
  if (k == 0) return kFldUnused;
  if (k == kKeyEnter) {
    if (!Side::InRange(f, Side::Get(f))) return kFldRefused;
    write_out(Side::Get(f));
    f.state = kFldDisplay;
    return kFldAccept;
  }
  if (k == kKeyEsc) {
    f.state = kFldDisplay;
    return kFldCancel;
  }
  if (f.state == kFldEntered) {
    f.state = kFldTyping;
    Side::Set(f, 0);
    f.count_a = f.count_b = 0;
    f.point = 0;
    f.weight = 0;
    f.length = 0;
    f.text[0] = '\0';
  }
  if (k == kKeyPoint && f.point) k = kKeyExponent;
  if (k == kKeySign) {
    if (f.weight > 0) {
      char* e = std::strchr(f.text, 'E');
      if (e && (e[1] == '+' || e[1] == '-')) e[1] = e[1] == '+' ? '-' : '+';
    } else if (f.length > 0 && f.text[0] == '-') {
      std::memmove(f.text, f.text + 1, f.length--);
    } else {
      if (f.length >= kFldTextMax) return kFldUnused;
      std::memmove(f.text + 1, f.text, std::size_t(f.length) + 1);
      f.text[0] = '-';
      ++f.length;
    }
  } else if (k == kKeyPoint) {
    if (!Append(f, '.')) return kFldUnused;
    f.point = 1;
    f.count_b = 1;
  } else if (k == kKeyExponent) {
    const bool only_point = f.length == 1 && f.text[0] == '.';
    if (f.kind != kFldRealExp || f.weight > 0 || only_point || std::size_t(f.length) + 2 > kFldTextMax) return kFldUnused;
    Append(f, 'E');
    Append(f, '+');
    f.point = 1;
    f.weight = 1;
  } else if (k >= kKeyDigit0 && k <= kKeyDigit0 + 9) {
    if (!DigitAllowed(f) || !Append(f, char('0' + k - kKeyDigit0))) return kFldUnused;
    if (f.weight > 0) ++f.weight;
    else if (f.point) ++f.count_b;
    else ++f.count_a;
  } else {
    return kFldUnused;
  }
  Side::Set(f, std::strtod(f.text, nullptr));
  return kFldChanged;
}

}  // namespace

void FLD_FloatUpdate(FldContext& f, float value, bool start_edit) {
  fld::BeginUpdate(f, start_edit, kFldEntered, 0);
  if (start_edit) f.value = f.start = BitsOf(value);
  const bool range = !start_edit && !std::isnan(value);
  FormatValue(f, value, range && value < FloatOf(f.minimum), range && value > FloatOf(f.maximum),
              f.flags & kFldLeadingZeros);
}

uint16_t FLD_FloatEdit(FldContext& f, float* out, uint8_t key) {
  return Edit<RealSide>(f, key, [out](double v) {
    if (out) *out = float(v);
  });
}

void LrealToStr(FldContext& f, double value, bool leading_zeros) { FormatValue(f, value, false, false, leading_zeros); }

void FLD_LrealUpdate(FldContext& f, double value, bool start_edit) {
  fld::BeginUpdate(f, start_edit, kFldEntered, 0);
  if (start_edit) f.lvalue = f.lstart = value;
  const bool range = !start_edit && !std::isnan(value);
  FormatValue(f, value, range && value < f.lminimum, range && value > f.lmaximum, f.flags & kFldLeadingZeros);
}

uint16_t FLD_LrealEdit(FldContext& f, double* out, uint8_t key) {
  return Edit<LrealSide>(f, key, [out](double v) {
    if (out) *out = v;
  });
}
