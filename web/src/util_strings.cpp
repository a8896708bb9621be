// String helpers of the HTTP parser and the writers. They keep no state: worker
// threads use them too.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "hex_digit.h"
#include "web/quorv_util.h"

namespace {

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// The next character of a URL with its percent escape undone; advances p.
char NextUrlChar(const char*& p) {
  if (p[0] == '%' && HexDigitValue(p[1]) >= 0 && HexDigitValue(p[2]) >= 0) {
    const char c = static_cast<char>(HexDigitValue(p[1]) * 16 + HexDigitValue(p[2]));
    p += 3;
    return c;
  }
  return *p++;
}

}  // namespace

char* quorv_strdup(const char* text) { return text ? strdup(text) : nullptr; }

int quorv_util_snprintf(char* buffer, size_t size, const char* format, ...) {
  if (!buffer || size == 0 || !format) return -2;
  va_list args;
  va_start(args, format);
  const int n = vsnprintf(buffer, size, format, args);
  va_end(args);
  if (n < 0) {
    buffer[0] = '\0';
    return -1;
  }
  return n;
}

int quorv_util_call_overflow_error(uint32_t maximum, uint32_t wanted) {
  if (wanted <= maximum) return 0;
  quorv_log("Buffer overflow - max size %u, wants %u", maximum, wanted);
  return 1;
}

uint32_t quorv_util_upper_power_of_two(uint32_t n) {
  if (n == 0 || n > 0x80000000u) return 0;
  uint32_t p = 1;
  while (p < n) p <<= 1;
  return p;
}

int32_t quorv_util_strnstr(const char* data, size_t length, const char* pattern, size_t pattern_length) {
  if (!data || !pattern || pattern_length > length) return -1;
  for (size_t i = 0; i + pattern_length <= length; ++i)
    if (std::memcmp(data + i, pattern, pattern_length) == 0) return static_cast<int32_t>(i);
  return -1;
}

int32_t quorv_util_strcasenstr(const char* data, size_t length, const char* pattern, size_t pattern_length) {
  if (!data || !pattern || pattern_length > length) return -1;
  for (size_t i = 0; i + pattern_length <= length; ++i) {
    size_t k = 0;
    while (k < pattern_length && Lower(data[i + k]) == Lower(pattern[k])) ++k;
    if (k == pattern_length) return static_cast<int32_t>(i);
  }
  return -1;
}

size_t quorv_util_url_decode(const char* text, size_t length, char* out, size_t room, bool plus_is_space, bool terminate) {
  if (!text || !out || room == 0) return 0;
  const size_t limit = terminate ? room - 1 : room;
  size_t in = 0, written = 0;
  while (in < length && written < limit) {
    const char c = text[in];
    if (c == '%' && in + 2 < length && HexDigitValue(text[in + 1]) >= 0 && HexDigitValue(text[in + 2]) >= 0) {
      out[written++] = static_cast<char>(HexDigitValue(text[in + 1]) * 16 + HexDigitValue(text[in + 2]));
      in += 3;
    } else {
      out[written++] = (c == '+' && plus_is_space) ? ' ' : c;
      ++in;
    }
  }
  if (terminate) out[written] = '\0';
  return written;
}

int quorv_util_url_compare(const char* a, const char* b, bool stop_at_query) {
  if (!a || !b) return a == b ? 0 : (a ? 1 : -1);
  for (;;) {
    const bool a_end = *a == '\0' || *a == '"';
    const bool b_end = *b == '\0' || *b == '"';
    if (a_end || b_end) return a_end && b_end ? 0 : (a_end ? -1 : 1);
    if (stop_at_query && *a == '?' && *b == '?') return 0;
    const unsigned char ca = static_cast<unsigned char>(NextUrlChar(a));
    const unsigned char cb = static_cast<unsigned char>(NextUrlChar(b));
    if (ca != cb) return ca < cb ? -1 : 1;
  }
}

void quorv_util_split_jstime_to_seconds_nanoseconds(const char* text, uint32_t* seconds, uint32_t* nanoseconds) {
  if (!text || !seconds || !nanoseconds) return;
  size_t digits = 0;
  while (text[digits] >= '0' && text[digits] <= '9') ++digits;
  if (digits < 4 || digits > 22) return;
  char whole[24];
  std::memcpy(whole, text, digits - 3);
  whole[digits - 3] = '\0';
  // The last three digits of the whole part and the fraction are milliseconds; only
  // digits are taken, so that no exponent can push them out of range.
  char millis[32];
  size_t m = 0;
  for (size_t i = digits - 3; i < digits; ++i) millis[m++] = text[i];
  if (text[digits] == '.') {
    millis[m++] = '.';
    for (size_t i = digits + 1; text[i] >= '0' && text[i] <= '9' && m < sizeof millis - 1; ++i) millis[m++] = text[i];
  }
  millis[m] = '\0';
  *seconds = static_cast<uint32_t>(std::strtoul(whole, nullptr, 10));
  *nanoseconds = static_cast<uint32_t>(std::min(std::strtod(millis, nullptr) * 1'000'000.0 + 0.5, 999'999'999.0));
}
