// Validation of program-supplied number formats.
#include "text_format.h"

#include <cstdio>
#include <cstring>

namespace logic {

namespace {

bool Digit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

NumberFormat ParseNumberFormat(const uint8_t* format, std::size_t length, bool floating) {
  NumberFormat f;
  std::size_t n = 0;
  while (n < length && format[n] != 0) ++n;
  const std::string_view in(reinterpret_cast<const char*>(format), n);
  std::size_t o = 0;
  auto put = [&](char c) {
    if (o + 1 >= sizeof f.text) return false;
    f.text[o++] = c;
    return true;
  };
  int conversions = 0;
  for (std::size_t i = 0; i < in.size(); ++i) {
    if (in[i] != '%') {
      if (!put(in[i])) return {};
      continue;
    }
    if (i + 1 < in.size() && in[i + 1] == '%') {
      if (!put('%') || !put('%')) return {};
      ++i;
      continue;
    }
    if (++conversions > 1) return {};
    if (!put('%')) return {};
    ++i;
    while (i < in.size() && std::strchr("-+ #0", in[i]) != nullptr) {
      if (!put(in[i++])) return {};
    }
    for (int digits = 0; i < in.size() && Digit(in[i]); ++digits) {
      if (digits == 2 || !put(in[i++])) return {};  // widths up to 99
    }
    if (i < in.size() && in[i] == '.') {
      if (!put(in[i++])) return {};
      for (int digits = 0; i < in.size() && Digit(in[i]); ++digits) {
        if (digits == 2 || !put(in[i++])) return {};
      }
    }
    // A program written for a 32-bit controller may say "%ld" or "%lf": the value is
    // passed at the width the conversion below names, so "l" is accepted and dropped.
    if (i < in.size() && in[i] == 'l') ++i;
    if (i >= in.size()) return {};
    const char c = in[i];
    const bool integer = std::strchr("diuxXo", c) != nullptr;
    const bool real = std::strchr("fFeEgG", c) != nullptr;
    if (floating ? !real : !integer) return {};
    if (!floating && (!put('l') || !put('l'))) return {};
    if (!put(c)) return {};
    f.conversion = c;
  }
  if (conversions != 1) return {};
  f.valid = true;
  return f;
}

int FormatInteger(const NumberFormat& f, int64_t value, char* out, std::size_t size) {
  if (!f.valid) return -1;
  // Unsigned conversions see the 32-bit pattern, as a 32-bit C library would print it.
  const bool is_signed = f.conversion == 'd' || f.conversion == 'i';
  const long long v = is_signed ? (long long)value : (long long)(uint32_t(value));
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
  return std::snprintf(out, size, f.text, v);
#pragma GCC diagnostic pop
}

int FormatDouble(const NumberFormat& f, double value, char* out, std::size_t size) {
  if (!f.valid) return -1;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
  return std::snprintf(out, size, f.text, value);
#pragma GCC diagnostic pop
}

}  // namespace logic
