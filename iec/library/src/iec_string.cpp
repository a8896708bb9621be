// IEC string records: {capacity, length, characters, NUL}. Every writer builds its text
// first (sources may be the target itself) and then stores it cut to the capacity.
#include "iec_library/iec_string.h"

#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "iec_runtime/os_services.h"
#include "iec_runtime/vm_db.h"

namespace {

uint8_t Cap(const uint8_t* r) { return r[0]; }
uint8_t Len(const uint8_t* r) { return r[1] <= r[0] ? r[1] : r[0]; }
const char* Chars(const uint8_t* r) { return reinterpret_cast<const char*>(r + 2); }

// Stores n bytes (cut to the capacity) and the NUL.
void Store(uint8_t* r, const void* bytes, uint32_t n) {
  if (r == nullptr) return;
  if (n > Cap(r)) n = Cap(r);
  std::memmove(r + 2, bytes, n);
  r[1] = uint8_t(n);
  r[2 + n] = 0;
}
void StoreText(uint8_t* r, const char* text) { Store(r, text, uint32_t(std::strlen(text))); }

const char* SkipBlanks(const char* p) {
  while (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\r' || *p == '\f' || *p == '\v') ++p;
  return p;
}

// The record's text as a C string (records always end in a NUL within their capacity,
// but a length below the capacity may leave older characters after it).
struct Text {
  char s[256];
  explicit Text(const uint8_t* r) {
    uint8_t n = Len(r);
    std::memcpy(s, r + 2, n);
    s[n] = 0;
  }
};

uint64_t ParseUnsigned(const char* p, uint64_t limit) {
  uint64_t v = 0;
  for (; *p >= '0' && *p <= '9'; ++p) {
    unsigned d = unsigned(*p - '0');
    if (v > (limit - d) / 10) return limit;
    v = v * 10 + d;
  }
  return v;
}

int64_t ParseLint(const char* p) {
  bool neg = *p == '-';
  if (neg) ++p;
  uint64_t limit = neg ? uint64_t(INT64_MAX) + 1 : uint64_t(INT64_MAX);
  uint64_t v = ParseUnsigned(p, limit);
  return neg ? int64_t(0 - v) : int64_t(v);
}

}  // namespace

uint8_t* N4VMStr_Record(uint8_t* db, uint32_t index) {
  if (db == nullptr || index == 0) return nullptr;
  uint8_t* slot = N4VM_Item(db, kArStringPtrs, index);
  if (slot == nullptr) return nullptr;
  uint32_t off;
  std::memcpy(&off, slot, 4);
  const DbAreaDesc* buf = N4VM_Area(db, kArStringBuf);
  if (off < buf->address || uint64_t(off) + 3 > uint64_t(buf->address) + buf->raw_size) return nullptr;
  uint8_t* r = db + off;
  if (uint64_t(off) + r[0] + 3 > uint64_t(buf->address) + buf->raw_size) return nullptr;
  return r;
}

int N4VMStr_GetLength(uint8_t* db, uint32_t i) {
  uint8_t* r = N4VMStr_Record(db, i);
  return r ? Len(r) : 0;
}
int N4VMStr_GetMaxLength(uint8_t* db, uint32_t i) {
  uint8_t* r = N4VMStr_Record(db, i);
  return r ? Cap(r) : 0;
}
const char* N4VMStr_GetText(uint8_t* db, uint32_t i) {
  uint8_t* r = N4VMStr_Record(db, i);
  return r ? Chars(r) : "";
}
int N4VMStr_IsEmpty(uint8_t* db, uint32_t i) { return N4VMStr_GetLength(db, i) == 0; }
void N4VMStr_Empty(uint8_t* db, uint32_t i) { Store(N4VMStr_Record(db, i), "", 0); }

void N4VMStr_Force(uint8_t* db, uint32_t index, const uint8_t* counted) {
  N4VMStr_DBForcePtr(N4VMStr_Record(db, index), counted);
}
void N4VMStr_Copy(uint8_t* db, uint32_t a, uint32_t b) {
  uint8_t* src = N4VMStr_Record(db, b);
  uint8_t* dst = N4VMStr_Record(db, a);
  if (src == nullptr) Store(dst, "", 0);
  else N4VMStr_CopyPtr(dst, src);
}
void N4VMStr_CopyPtr(uint8_t* target, const uint8_t* source) {
  if (target == nullptr || source == nullptr) return;
  Store(target, source + 2, Len(source));
}
void N4VMStr_AscForce(uint8_t* record, const void* bytes, uint32_t count) {
  if (bytes == nullptr) count = 0;
  Store(record, bytes ? bytes : "", count);
}
void N4VMStr_AscForceC(uint8_t* db, uint32_t index, const char* text) {
  uint8_t* r = N4VMStr_Record(db, index);
  if (text == nullptr) Store(r, "", 0);
  else Store(r, text, uint32_t(strnlen(text, 255)));
}
void N4VMStr_DBForce(uint8_t* db, uint32_t index, const uint8_t* counted) {
  N4VMStr_DBForcePtr(N4VMStr_Record(db, index), counted);
}
void N4VMStr_DBForcePtr(uint8_t* record, const uint8_t* counted) {
  if (counted == nullptr) Store(record, "", 0);
  else Store(record, counted + 1, counted[0]);
}

void N4VMStr_ItoA(uint8_t* r, int32_t v) {
  char b[16];
  std::snprintf(b, sizeof b, "%" PRId32, v);
  StoreText(r, b);
}
void N4VMStr_TmrtoA(uint8_t* r, uint32_t ms) { N4VMStr_UtoA(r, ms); }
void N4VMStr_UtoA(uint8_t* r, uint32_t v) {
  char b[16];
  N4VMStr_UtoSZ(b, v);
  StoreText(r, b);
}
void N4VMStr_LINTtoA(uint8_t* r, int64_t v) {
  char b[24];
  N4VMStr_LINTtoSZ(b, v);
  StoreText(r, b);
}
void N4VMStr_ULINTtoA(uint8_t* r, uint64_t v) {
  char b[24];
  N4VMStr_ULINTtoSZ(b, v);
  StoreText(r, b);
}
void N4VMStr_BootoA(uint8_t* r, bool v) { StoreText(r, v ? "1" : "0"); }
void N4VMStr_FtoA(uint8_t* r, float v) {
  char b[32];
  std::snprintf(b, sizeof b, "%g", double(v));
  StoreText(r, b);
}
void N4VMStr_DtoA(uint8_t* r, double v) {
  char b[32];
  std::snprintf(b, sizeof b, "%g", v);
  b[14] = 0;
  StoreText(r, b);
}
void N4VMStr_LINTtoSZ(char* buffer, int64_t v) { std::snprintf(buffer, 22, "%" PRId64, v); }
void N4VMStr_ULINTtoSZ(char* buffer, uint64_t v) { std::snprintf(buffer, 22, "%" PRIu64, v); }
void N4VMStr_UtoSZ(char* buffer, uint32_t v) { std::snprintf(buffer, 22, "%" PRIu32, v); }

int32_t N4VMStr_AtoI(const uint8_t* r) {
  Text t(r);
  // The unit's C library has 32-bit longs: out-of-range text saturates there.
  long long v = std::strtoll(t.s, nullptr, 10);
  if (v > INT32_MAX) return INT32_MAX;
  if (v < INT32_MIN) return INT32_MIN;
  return int32_t(v);
}
double N4VMStr_AtoD(const uint8_t* r) {
  Text t(r);
  return std::strtod(t.s, nullptr);
}
float N4VMStr_AtoF(const uint8_t* r) { return float(N4VMStr_AtoD(r)); }
uint32_t N4VMStr_AtoUL(const uint8_t* r) {
  Text t(r);
  return uint32_t(ParseUnsigned(SkipBlanks(t.s), UINT32_MAX));
}
int64_t N4VMStr_AtoLINT(const uint8_t* r) {
  Text t(r);
  return ParseLint(SkipBlanks(t.s));
}
uint64_t N4VMStr_AtoULINT(const uint8_t* r) {
  Text t(r);
  return ParseUnsigned(SkipBlanks(t.s), UINT64_MAX);
}
int64_t N4VMStr_SZtoLINT(const char* text) { return text ? ParseLint(text) : 0; }
uint32_t N4VMStr_AtoH(const uint8_t* r) {
  uint32_t v = 0;
  for (uint8_t i = 0; i < Len(r); ++i) {
    char c = Chars(r)[i];
    unsigned d;
    if (c >= '0' && c <= '9') d = unsigned(c - '0');
    else if (c >= 'A' && c <= 'F') d = unsigned(c - 'A' + 10);
    else if (c >= 'a' && c <= 'f') d = unsigned(c - 'a' + 10);
    else break;
    v = (v << 4) | d;
  }
  return v;
}

int N4VMStr_Compare(const uint8_t* a, const uint8_t* b) {
  uint8_t la = Len(a), lb = Len(b);
  int c = std::memcmp(a + 2, b + 2, la < lb ? la : lb);
  if (c != 0) return c;
  return int(la) - int(lb);
}
namespace {
char Upper(char c) { return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c; }
}  // namespace
int N4VMStr_ICmp(const char* a, const char* b) { return N4VMStr_NICmp(a, b, UINT32_MAX); }
int N4VMStr_NICmp(const char* a, const char* b, uint32_t n) {
  for (uint32_t i = 0; i < n; ++i) {
    char x = Upper(a[i]), y = Upper(b[i]);
    if (x != y) return x < y ? -1 : 1;
    if (x == 0) return 0;
  }
  return 0;
}

void N4VMStr_Cat(uint8_t* result, const uint8_t* a, const uint8_t* b) {
  char t[512];
  uint8_t la = Len(a), lb = Len(b);
  std::memcpy(t, a + 2, la);
  std::memcpy(t + la, b + 2, lb);
  Store(result, t, uint32_t(la) + lb);
}
void N4VMStr_Left(uint8_t* result, const uint8_t* in, int32_t n) {
  if (n < 0) n = 0;
  if (n > Len(in)) n = Len(in);
  Store(result, in + 2, uint32_t(n));
}
void N4VMStr_Right(uint8_t* result, const uint8_t* in, int32_t n) {
  if (n < 0) n = 0;
  if (n > Len(in)) n = Len(in);
  Store(result, in + 2 + Len(in) - n, uint32_t(n));
}
void N4VMStr_Mid(uint8_t* result, const uint8_t* in, int32_t pos, int32_t n) {
  int32_t len = Len(in);
  if (pos < 0) pos = 0;
  if (pos > len) pos = len;
  if (n < 0) n = 0;
  if (n > len - pos) n = len - pos;
  Store(result, in + 2 + pos, uint32_t(n));
}
void N4VMStr_Delete(uint8_t* result, const uint8_t* in, int32_t pos, int32_t n) {
  int32_t len = Len(in);
  if (pos < 0) pos = 0;
  if (pos > len) pos = len;
  if (n < 0) n = 0;
  if (n > len - pos) n = len - pos;
  char t[256];
  std::memcpy(t, in + 2, size_t(pos));
  std::memcpy(t + pos, in + 2 + pos + n, size_t(len - pos - n));
  Store(result, t, uint32_t(len - n));
}
void N4VMStr_Insert(uint8_t* result, const uint8_t* in, const uint8_t* str, int32_t pos) {
  int32_t len = Len(in);
  if (pos < 0) pos = 0;
  if (pos > len) pos = len;
  int32_t add = Len(str);
  if (add > Cap(in) - len) add = Cap(in) - len;
  char t[512];
  std::memcpy(t, in + 2, size_t(pos));
  std::memcpy(t + pos, str + 2, size_t(add));
  std::memcpy(t + pos + add, in + 2 + pos, size_t(len - pos));
  Store(result, t, uint32_t(len + add));
}
int32_t N4VMStr_Find(const uint8_t* in, const uint8_t* pattern) {
  int32_t len = Len(in), pl = Len(pattern);
  if (pl == 0 || pl > len) return 0;
  for (int32_t i = 0; i + pl <= len; ++i)
    if (std::memcmp(in + 2 + i, pattern + 2, size_t(pl)) == 0) return i + 1;
  return 0;
}
int32_t N4VMStr_Ascii(const uint8_t* in, int32_t pos) {
  if (pos < 0 || pos >= Len(in)) return 0;
  return uint8_t(Chars(in)[pos]);
}
void N4VMStr_Char(uint8_t* result, uint8_t code) {
  if (result == nullptr || Cap(result) < 1) return;
  result[2] = code;
  result[1] = 1;
}
uint16_t N4VMStr_Crc16(const uint8_t* in) { return N4Tools_Crc16(in + 2, Len(in)); }
void N4VMStr_HtoA(uint8_t* result, uint32_t value) {
  if (result == nullptr) return;
  if (Cap(result) < 8) {
    Store(result, "", 0);
    return;
  }
  char b[9];
  std::snprintf(b, sizeof b, "%08" PRIX32, value);
  const char* p = b;
  while (std::strlen(p) > 2 && p[0] == '0' && p[1] == '0') p += 2;
  StoreText(result, p);
}

void N4VMStr_DateFmt(uint8_t* result, const char* format, uint32_t date, uint32_t tod) {
  if (result == nullptr || format == nullptr) return;
  const unsigned year = date >> 16, month = (date >> 8) & 0xFF, day = date & 0xFF;
  const unsigned secs = tod / 1000;
  char out[256];
  uint32_t n = 0, cap = Cap(result);
  auto two = [&](unsigned v) {
    out[n++] = char('0' + v / 10 % 10);
    out[n++] = char('0' + v % 10);
  };
  for (const char* f = format; *f && n < cap; ++f) {
    uint32_t left = cap - n;
    if (*f != '%' || left < 2 || f[1] == 0) {
      out[n++] = *f;
      continue;
    }
    char c = *++f;
    switch (c) {
      case 'y': two(year % 100); break;
      case 'Y':
        if (left >= 4) {
          two(year / 100 % 100);
          two(year % 100);
        } else {
          two(year % 100);
        }
        break;
      case 'm': two(month); break;
      case 'd': two(day); break;
      case 'H': two(secs / 3600); break;
      case 'M': two(secs / 60 % 60); break;
      case 'S': two(secs % 60); break;
      default:
        out[n++] = '%';
        out[n++] = c;
    }
  }
  Store(result, out, n);
}

namespace {
int32_t ToArray(const uint8_t* s, uint8_t* array, int32_t count, int32_t width) {
  if (s == nullptr || array == nullptr || count <= 0) return 0;
  int32_t elements = Len(s) / width;
  if (width == 1) elements = Len(s);
  if (elements > count) elements = count;
  std::memcpy(array, s + 2, size_t(elements * width));
  return elements;
}
int32_t FromArray(const uint8_t* array, int32_t count, uint8_t* s, int32_t n, int32_t width) {
  if (s == nullptr || array == nullptr || n <= 0 || count <= 0) return 0;
  int32_t elements = n < count ? n : count;
  if (elements > Cap(s) / width) elements = Cap(s) / width;
  std::memcpy(s + 2, array, size_t(elements * width));
  s[1] = uint8_t(elements * width);
  return elements;
}
}  // namespace

int32_t N4VMStr_ToD8(const uint8_t* s, uint8_t* a, int32_t c) { return ToArray(s, a, c, 1); }
int32_t N4VMStr_ToD16(const uint8_t* s, uint8_t* a, int32_t c) { return ToArray(s, a, c, 2); }
int32_t N4VMStr_ToD32(const uint8_t* s, uint8_t* a, int32_t c) { return ToArray(s, a, c, 4); }
int32_t N4VMStr_FromD8(const uint8_t* a, int32_t c, uint8_t* s, int32_t n) { return FromArray(a, c, s, n, 1); }
int32_t N4VMStr_FromD16(const uint8_t* a, int32_t c, uint8_t* s, int32_t n) { return FromArray(a, c, s, n, 2); }
int32_t N4VMStr_FromD32(const uint8_t* a, int32_t c, uint8_t* s, int32_t n) { return FromArray(a, c, s, n, 4); }
