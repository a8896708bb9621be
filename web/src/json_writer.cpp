// The JSON writer primitives: bounded writes, or measuring with no destination.
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "web/quorv_json.h"
#include "web/quorv_util.h"

namespace {

enum JsonError { kBadArgument = 1, kTooSmall = 2 };

void Report(int code, const char* function, int32_t needed) {
  switch (code) {
    case kBadArgument:
      quorv_log("Internal JSON builder error: Parameter of function are invalid! Please verify parameters for function: \"%s\"!",
                function);
      break;
    case kTooSmall:
      quorv_log("Internal JSON builder error: Buffer is too small! %i bytes needed! Please verify function: \"%s\"!", needed,
                function);
      break;
    default:
      quorv_log("Internal JSON builder error: Unknown JSON error_code code! error_code Code: %i! Please verify function: \"%s\"!",
                code, function);
  }
}

// Writes n bytes of text, or measures them; 0 (reported) when they do not fit.
int32_t Emit(char* dst, int32_t room, const char* text, int32_t n, const char* function) {
  if (!dst) return n;
  if (room < n) {
    Report(kTooSmall, function, n);
    return 0;
  }
  std::memcpy(dst, text, static_cast<size_t>(n));
  return n;
}

int32_t EmitFormatted(char* dst, int32_t room, const char* function, const char* format, ...)
    __attribute__((format(printf, 4, 5)));
int32_t EmitFormatted(char* dst, int32_t room, const char* function, const char* format, ...) {
  char text[64];
  va_list args;
  va_start(args, format);
  const int n = std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  if (n < 0 || static_cast<size_t>(n) >= sizeof text) {
    Report(kBadArgument, function, 0);
    return 0;
  }
  return Emit(dst, room, text, n, function);
}

// The escape of one byte, or null when it stands as it is.
const char* Escape(unsigned char c, char (&scratch)[7]) {
  switch (c) {
    case '\b': return "\\b";
    case '\t': return "\\t";
    case '\n': return "\\n";
    case '\r': return "\\r";
    case '"': return "\\\"";
    case '/': return "\\/";
    case '\\': return "\\\\";
    default:
      if (c >= 0x20) return nullptr;
      std::snprintf(scratch, sizeof scratch, "\\u%04x", c);
      return scratch;
  }
}

// A quoted string with its escapes; the same code measures and writes.
int32_t QuotedString(char* dst, int32_t room, const char* text, size_t length, const char* function) {
  char scratch[7];
  size_t size = 2;
  for (size_t i = 0; i < length; ++i) {
    const char* e = Escape(static_cast<unsigned char>(text[i]), scratch);
    size += e ? std::strlen(e) : 1;
  }
  if (size > INT32_MAX) {
    Report(kBadArgument, function, 0);
    return 0;
  }
  if (!dst) return static_cast<int32_t>(size);
  if (static_cast<size_t>(room) < size) {
    Report(kTooSmall, function, static_cast<int32_t>(size));
    return 0;
  }
  char* p = dst;
  *p++ = '"';
  for (size_t i = 0; i < length; ++i) {
    const char* e = Escape(static_cast<unsigned char>(text[i]), scratch);
    if (e) {
      const size_t n = std::strlen(e);
      std::memcpy(p, e, n);
      p += n;
    } else {
      *p++ = text[i];
    }
  }
  *p++ = '"';
  return static_cast<int32_t>(p - dst);
}

// One "language":"text" member written at offset at (with a comma before all but the
// first); the bytes it takes.
int32_t LanguageMember(char* dst, int32_t room, int32_t at, bool comma, const char* language, const char* text) {
  int32_t n = at;
  if (comma) n += quorv_json_put_delimiter(dst ? dst + n : nullptr, room - n, QUORV_JSON_COMMA);
  n += quorv_json_put_string(dst ? dst + n : nullptr, room - n, language, -1);
  n += quorv_json_put_delimiter(dst ? dst + n : nullptr, room - n, QUORV_JSON_COLON);
  n += quorv_json_put_string(dst ? dst + n : nullptr, room - n, text, -1);
  return n - at;
}

}  // namespace

int32_t quorv_json_put_delimiter(char* dst, int32_t room, int32_t code) {
  static constexpr char kDelimiters[] = "{:,}[]";
  if (code < 0 || code > 5) {
    Report(kBadArgument, "quorv_json_put_delimiter", 0);
    return 0;
  }
  return Emit(dst, room, &kDelimiters[code], 1, "quorv_json_put_delimiter");
}

int32_t quorv_json_put_string(char* dst, int32_t room, const char* text, int32_t length) {
  if (!text || length < -1) {
    Report(kBadArgument, "quorv_json_put_string", 0);
    return 0;
  }
  const size_t n = length < 0 ? std::strlen(text) : static_cast<size_t>(length);
  return QuotedString(dst, room, text, n, "quorv_json_put_string");
}

int32_t quorv_json_put_integer(char* dst, int32_t room, int64_t value, int is_unsigned) {
  if (is_unsigned)
    return EmitFormatted(dst, room, "quorv_json_put_integer", "%llu", static_cast<unsigned long long>(value));
  return EmitFormatted(dst, room, "quorv_json_put_integer", "%lld", static_cast<long long>(value));
}

int32_t quorv_json_put_real(char* dst, int32_t room, double value) {
  if (std::isnan(value) || std::isinf(value)) return quorv_json_put_null(dst, room);
  char text[40];
  const int n = std::snprintf(text, sizeof text, "%.16g", value);
  // A locale with a decimal comma must not leak into JSON.
  for (int i = 0; i < n; ++i)
    if (text[i] == ',') text[i] = '.';
  return Emit(dst, room, text, n, "quorv_json_put_real");
}

int32_t quorv_json_put_boolean(char* dst, int32_t room, int value) {
  return value ? Emit(dst, room, "true", 4, "quorv_json_put_boolean") : Emit(dst, room, "false", 5, "quorv_json_put_boolean");
}

int32_t quorv_json_put_null(char* dst, int32_t room) { return Emit(dst, room, "null", 4, "quorv_json_put_null"); }

int32_t quorv_json_put_hex_data(char* dst, int32_t room, const uint8_t* bytes, int32_t length, int upper) {
  if (!bytes || length < -1) {
    Report(kBadArgument, "quorv_json_put_hex_data", 0);
    return 0;
  }
  const size_t n = length < 0 ? std::strlen(reinterpret_cast<const char*>(bytes)) : static_cast<size_t>(length);
  if (n > (INT32_MAX - 2) / 2) {
    Report(kBadArgument, "quorv_json_put_hex_data", 0);
    return 0;
  }
  const auto size = static_cast<int32_t>(2 * n + 2);
  if (!dst) return size;
  if (room < size) {
    Report(kTooSmall, "quorv_json_put_hex_data", size);
    return 0;
  }
  const char* digits = upper ? "0123456789ABCDEF" : "0123456789abcdef";
  dst[0] = '"';
  for (size_t i = 0; i < n; ++i) {
    dst[1 + 2 * i] = digits[bytes[i] >> 4];
    dst[2 + 2 * i] = digits[bytes[i] & 0xF];
  }
  dst[size - 1] = '"';
  return size;
}

int32_t quorv_json_put_timestamp(char* dst, int32_t room, const quorv_timestamp* timestamp) {
  if (!timestamp) {
    Report(kBadArgument, "quorv_json_put_timestamp", 0);
    return 0;
  }
  const unsigned long s = timestamp->seconds;
  const unsigned long ns = timestamp->nanoseconds;
  const char* fn = "quorv_json_put_timestamp";
  if (s && ns) return EmitFormatted(dst, room, fn, "%lu%03lu.%06lu", s, ns / 1000000, ns % 1000000);
  if (s) return EmitFormatted(dst, room, fn, "%lu000", s);
  // No seconds: the milliseconds alone (a bare 0 for no time at all, never "0000").
  if (ns) return EmitFormatted(dst, room, fn, "%lu.%06lu", ns / 1000000, ns % 1000000);
  return Emit(dst, room, "0", 1, fn);
}

int32_t quorv_json_put_data_value(char* dst, int32_t room, const quorv_data_value* value) {
  if (!value) return quorv_json_put_null(dst, room);
  switch (value->type) {
    case QUORV_TYPE_BOOLEAN: return quorv_json_put_boolean(dst, room, value->value.boolean);
    case QUORV_TYPE_INT32: return quorv_json_put_integer(dst, room, value->value.i32, 0);
    case QUORV_TYPE_INT64: return quorv_json_put_real(dst, room, static_cast<double>(value->value.i64));
    case QUORV_TYPE_UINT32: return quorv_json_put_integer(dst, room, value->value.u32, 1);
    case QUORV_TYPE_UINT64: return quorv_json_put_real(dst, room, static_cast<double>(value->value.u64));
    case QUORV_TYPE_FLOAT: return quorv_json_put_real(dst, room, value->value.f32);
    case QUORV_TYPE_DOUBLE: return quorv_json_put_real(dst, room, value->value.f64);
    case QUORV_TYPE_STRING:
      return value->value.text ? quorv_json_put_string(dst, room, value->value.text, -1) : quorv_json_put_null(dst, room);
    default: return quorv_json_put_null(dst, room);
  }
}

int32_t quorv_json_put_value(char* dst, int32_t room, const quorv_data_value* value) {
  int32_t n = quorv_json_put_string(dst, room, "value", 5);
  n += quorv_json_put_delimiter(dst ? dst + n : nullptr, room - n, QUORV_JSON_COLON);
  n += quorv_json_put_data_value(dst ? dst + n : nullptr, room - n, value);
  return n;
}

int32_t quorv_json_put_localized_strings(char* dst, int32_t room, const quorv_localized_string* strings) {
  if (!strings) {
    Report(kBadArgument, "quorv_json_put_localized_strings", 0);
    return 0;
  }
  if (strings[0].language && !strings[0].text) return quorv_json_put_string(dst, room, strings[0].language, -1);
  int32_t n = quorv_json_put_delimiter(dst, room, QUORV_JSON_OBJECT_BEGIN);
  for (const quorv_localized_string* s = strings; s->language && s->text; ++s)
    n += LanguageMember(dst, room, n, s != strings, s->language, s->text);
  n += quorv_json_put_delimiter(dst ? dst + n : nullptr, room - n, QUORV_JSON_OBJECT_END);
  return n;
}

int32_t quorv_json_serialize_localized_strings(char* dst, int32_t room, const char* packed) {
  if (!packed) {
    Report(kBadArgument, "quorv_json_serialize_localized_strings", 0);
    return 0;
  }
  if (packed[0] == '\0') return quorv_json_put_string(dst, room, packed + 1, -1);
  int32_t n = quorv_json_put_delimiter(dst, room, QUORV_JSON_OBJECT_BEGIN);
  for (const char* p = packed; *p;) {
    const char* language = p;
    const char* text = language + std::strlen(language) + 1;
    n += LanguageMember(dst, room, n, p != packed, language, text);
    p = text + std::strlen(text) + 1;
  }
  n += quorv_json_put_delimiter(dst ? dst + n : nullptr, room - n, QUORV_JSON_OBJECT_END);
  return n;
}
