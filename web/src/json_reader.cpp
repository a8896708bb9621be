// The small JSON reader for replies of remote servers. Every read stops at the text's
// NUL.
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <strings.h>

#include "hex_digit.h"
#include "web/quorv_json.h"

namespace {

bool Blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

}  // namespace

int32_t quorv_util_json_decode_next_token(const char* text, int32_t* token) {
  if (!text || !token) return -1;
  int32_t i = 0;
  while (Blank(text[i])) ++i;
  const char c = text[i];
  static constexpr char kSingles[] = "{:,}[]";
  if (c == '\0') {
    *token = QUORV_JSON_TOKEN_END;
    return i;
  }
  if (const char* s = std::strchr(kSingles, c)) {
    *token = static_cast<int32_t>(s - kSingles);
    return i + 1;
  }
  if (c == '"') {
    *token = QUORV_JSON_TOKEN_STRING;
    return i + 1;
  }
  if ((c >= '0' && c <= '9') || c == '-') {
    *token = QUORV_JSON_TOKEN_NUMBER;
    return i;
  }
  struct Keyword {
    const char* word;
    int32_t token;
  };
  for (const Keyword& k : {Keyword{"true", QUORV_JSON_TOKEN_TRUE}, Keyword{"false", QUORV_JSON_TOKEN_FALSE},
                           Keyword{"null", QUORV_JSON_TOKEN_NULL}}) {
    const size_t n = std::strlen(k.word);
    if (strncasecmp(text + i, k.word, n) == 0) {
      *token = k.token;
      return i + static_cast<int32_t>(n);
    }
  }
  *token = QUORV_JSON_TOKEN_OTHER;
  return i + 1;
}

int32_t quorv_util_json_decode_number(const char* text, int64_t* integer, double* real, int* is_real) {
  if (!text) return -1;
  char* end = nullptr;
  const double value = std::strtod(text, &end);
  if (end == text) return -1;
  const auto length = static_cast<int32_t>(end - text);
  bool has_fraction = false;
  for (int32_t i = 0; i < length; ++i)
    if (text[i] == '.' || text[i] == 'e' || text[i] == 'E') has_fraction = true;
  int64_t whole;
  if (has_fraction) {
    // Truncated, and held inside the range of the integer.
    if (std::isnan(value)) whole = 0;
    else if (value >= 9.2233720368547758e18) whole = INT64_MAX;
    else if (value <= -9.2233720368547758e18) whole = INT64_MIN;
    else whole = static_cast<int64_t>(value);
  } else if (text[0] == '-') {
    whole = std::strtoll(text, nullptr, 10);
  } else {
    whole = static_cast<int64_t>(std::strtoull(text, nullptr, 10));
  }
  if (integer) *integer = whole;
  if (real) *real = value;
  if (is_real) *is_real = has_fraction;
  return length;
}

int32_t quorv_util_json_decode_string(const char* text, char* buffer, int32_t room, int32_t* length) {
  if (!text || (buffer && room < 1)) return -1;
  int32_t in = 0, out = 0;
  auto put = [&](char c) {
    if (!buffer) {
      ++out;
      return true;
    }
    if (out >= room - 1) return false;
    buffer[out++] = c;
    return true;
  };
  for (;;) {
    const char c = text[in];
    if (c == '\0') return -1;
    if (c == '"') break;
    if (c != '\\') {
      if (!put(c)) return -1;
      ++in;
      continue;
    }
    if (!buffer) return -1;  // measuring cannot undo escapes
    const char e = text[in + 1];
    char decoded;
    int32_t used = 2;
    switch (e) {
      case '"': decoded = '"'; break;
      case '\'': decoded = '\''; break;
      case '/': decoded = '/'; break;
      case '\\': decoded = '\\'; break;
      case 'b': decoded = '\b'; break;
      case 'f': decoded = '\f'; break;
      case 'n': decoded = '\n'; break;
      case 'r': decoded = '\r'; break;
      case 't': decoded = '\t'; break;
      case 'u': {
        int v = 0;
        for (int k = 0; k < 4; ++k) {
          const int h = HexDigitValue(text[in + 2 + k]);
          if (h < 0) return -1;
          v = v * 16 + h;
        }
        decoded = static_cast<char>(v & 0xFF);  // its low byte
        used = 6;
        break;
      }
      default: return -1;
    }
    if (!put(decoded)) return -1;
    in += used;
  }
  if (buffer) buffer[out] = '\0';
  if (length) *length = out;
  return in + 1;
}

int32_t quorv_util_json_eat_object(const char* text) {
  if (!text) return -1;
  int32_t i = 0;
  while (Blank(text[i])) ++i;
  if (text[i] != '{') return -1;
  int depth = 0;
  for (;; ++i) {
    const char c = text[i];
    if (c == '\0') return -1;
    if (c == '{') {
      ++depth;
    } else if (c == '}') {
      if (--depth == 0) return i + 1;
    } else if (c == '"') {
      // Braces inside strings do not count.
      for (++i; text[i] != '"'; ++i) {
        if (text[i] == '\0') return -1;
        if (text[i] == '\\' && text[i + 1] != '\0') ++i;
      }
    }
  }
}
