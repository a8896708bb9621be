// Base64 (Basic credentials) and hex text (digests, keys).
#include <cstring>

#include "hex_digit.h"
#include "web/quorv_encoding.h"

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int Base64Value(unsigned char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

}  // namespace

int quorv_base64_encode(const uint8_t* bytes, size_t length, char* out, size_t* room) {
  if (!room || (!bytes && length)) return -1;
  const size_t needed = (length + 2) / 3 * 4 + 1;
  if (!out || *room < needed) {
    *room = needed;
    return -2;
  }
  char* p = out;
  size_t i = 0;
  for (; i + 3 <= length; i += 3) {
    const uint32_t v = (bytes[i] << 16) | (bytes[i + 1] << 8) | bytes[i + 2];
    *p++ = kAlphabet[(v >> 18) & 63];
    *p++ = kAlphabet[(v >> 12) & 63];
    *p++ = kAlphabet[(v >> 6) & 63];
    *p++ = kAlphabet[v & 63];
  }
  if (i < length) {
    const uint32_t v = (bytes[i] << 16) | (i + 1 < length ? bytes[i + 1] << 8 : 0);
    *p++ = kAlphabet[(v >> 18) & 63];
    *p++ = kAlphabet[(v >> 12) & 63];
    *p++ = i + 1 < length ? kAlphabet[(v >> 6) & 63] : '=';
    *p++ = '=';
  }
  *p = '\0';
  *room = static_cast<size_t>(p - out);
  return 0;
}

int quorv_base64_decode(const char* text, size_t length, uint8_t* out, size_t* room) {
  if (!room || (!text && length)) return -1;
  const size_t capacity = out ? *room : 0;
  size_t written = 0;
  uint32_t group = 0;
  int data = 0;     // data characters of the group
  int padding = 0;  // padding characters of the group
  bool padded = false;  // a group ended with padding: nothing may follow
  auto emit = [&](uint8_t byte) {
    if (written >= capacity) return false;
    out[written++] = byte;
    return true;
  };
  for (size_t i = 0; i < length; ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c == '=') {
      // Padding completes a group of two or three data characters.
      if (padded || data < 2) return -1;
      ++padding;
      if (data + padding > 4) return -1;
      if (data + padding == 4) {
        // Two data characters carry one byte (12 bits), three carry two (18 bits).
        if (data == 2 && !emit(static_cast<uint8_t>(group >> 4))) return -2;
        if (data == 3 && (!emit(static_cast<uint8_t>(group >> 10)) || !emit(static_cast<uint8_t>(group >> 2)))) return -2;
        padded = true;
      }
      continue;
    }
    const int v = Base64Value(c);
    if (v < 0) continue;
    if (padded || padding) return -1;
    group = (group << 6) | static_cast<uint32_t>(v);
    if (++data == 4) {
      if (!emit(static_cast<uint8_t>(group >> 16)) || !emit(static_cast<uint8_t>(group >> 8)) || !emit(static_cast<uint8_t>(group)))
        return -2;
      group = 0;
      data = 0;
    }
  }
  if (!padded && (data || padding)) return -1;
  *room = written;
  return 0;
}

void quorv_util_hex_encode(const uint8_t* bytes, size_t length, char* out) {
  static constexpr char kDigits[] = "0123456789abcdef";
  if (!out) return;
  out[2 * length] = '\0';
  // Backwards: out may be bytes itself.
  for (size_t i = length; i-- > 0;) {
    const uint8_t b = bytes[i];
    out[2 * i + 1] = kDigits[b & 0xF];
    out[2 * i] = kDigits[b >> 4];
  }
}

int quorv_util_hex_decode(const char* text, int64_t length, uint8_t* out, size_t room, size_t* count) {
  if (!text || !out) return 1;
  size_t n;
  if (length < 0) {
    n = 0;
    while (HexDigitValue(text[n]) >= 0) ++n;
  } else {
    n = static_cast<size_t>(length);
  }
  if (n % 2) return 1;
  if (n / 2 > room) return 1;
  for (size_t i = 0; i < n; i += 2) {
    const int hi = HexDigitValue(text[i]);
    const int lo = HexDigitValue(text[i + 1]);
    if (hi < 0 || lo < 0) return 1;
    out[i / 2] = static_cast<uint8_t>(hi * 16 + lo);
  }
  if (count) *count = n / 2;
  return 0;
}
