// Conversions between the basic IEC types. A source value is widened once (integers by
// their own signedness, SINT as an unsigned byte) and then stored into the target by
// its rule: integers keep their low bits, floating values are truncated toward zero
// with explicit saturation (never a host conversion out of range).
#include "iec_runtime/conversions.h"

#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "iec_library/iec_string.h"
#include "iec_runtime/vm_db.h"

namespace {

enum : int { kBool = 1, kDint = 2, kReal = 3, kTime = 4, kString = 5, kSint = 10, kInt = 11, kLint = 12,
             kLreal = 13, kUsint = 14, kUint = 15, kUdint = 16, kUlint = 17 };

bool Basic(int t) { return (t >= 1 && t <= 5) || (t >= 10 && t <= 17); }
bool IsFloat(int t) { return t == kReal || t == kLreal; }
bool IsSigned(int t) { return t == kDint || t == kInt || t == kLint; }

struct Value {
  bool is_float;
  double f;
  uint64_t bits;  // integers, widened to 64 bits by their own signedness
  bool is_signed;
};

template <typename T>
T Ld(const void* p) {
  T v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

Value Load(const void* p, int type, bool bool_as_byte) {
  Value v{false, 0, 0, IsSigned(type)};
  switch (type) {
    case kBool: v.bits = bool_as_byte ? Ld<uint8_t>(p) : (Ld<uint8_t>(p) != 0); break;
    case kSint: case kUsint: v.bits = Ld<uint8_t>(p); break;
    case kInt: v.bits = uint64_t(int64_t(Ld<int16_t>(p))); break;
    case kUint: v.bits = Ld<uint16_t>(p); break;
    case kDint: v.bits = uint64_t(int64_t(Ld<int32_t>(p))); break;
    case kUdint: case kTime: v.bits = Ld<uint32_t>(p); break;
    case kLint: case kUlint: v.bits = Ld<uint64_t>(p); break;
    case kReal: v.is_float = true; v.f = double(Ld<float>(p)); break;
    case kLreal: v.is_float = true; v.f = Ld<double>(p); break;
    default: break;
  }
  return v;
}

int32_t TruncI32(double v) {
  if (std::isnan(v)) return 0;
  if (v >= 2147483647.0) return INT32_MAX;
  if (v <= -2147483648.0) return INT32_MIN;
  return int32_t(v);
}
uint32_t TruncU32(double v) {
  if (std::isnan(v) || v <= 0) return 0;
  if (v >= 4294967295.0) return UINT32_MAX;
  return uint32_t(v);
}
int64_t TruncI64(double v) {
  if (std::isnan(v)) return 0;
  if (v >= 9223372036854775807.0) return INT64_MAX;
  if (v <= -9223372036854775808.0) return INT64_MIN;
  return int64_t(v);
}
uint64_t TruncU64(double v) {
  if (std::isnan(v) || v <= 0) return 0;
  if (v >= 18446744073709551615.0) return UINT64_MAX;
  return uint64_t(v);
}

// Stores a number (never a string) into a target of a numeric or BOOL type. unsigned_trunc
// selects the exchange form: floating values into unsigned targets stop at 0.
void Store(void* p, int type, const Value& v, bool unsigned_trunc) {
  uint64_t bits;
  switch (type) {
    case kBool: {
      uint8_t b = v.is_float ? (v.f != 0.0) : (v.bits != 0);
      std::memcpy(p, &b, 1);
      return;
    }
    case kReal: {
      float f = v.is_float ? float(v.f) : v.is_signed ? float(int64_t(v.bits)) : float(v.bits);
      std::memcpy(p, &f, 4);
      return;
    }
    case kLreal: {
      double d = v.is_float ? v.f : v.is_signed ? double(int64_t(v.bits)) : double(v.bits);
      std::memcpy(p, &d, 8);
      return;
    }
    case kTime: bits = v.is_float ? TruncU32(v.f) : v.bits; break;
    case kLint: bits = v.is_float ? uint64_t(TruncI64(v.f)) : v.bits; break;
    case kUlint: bits = v.is_float ? TruncU64(v.f) : v.bits; break;
    case kUsint: case kUint: case kUdint:
      bits = !v.is_float ? v.bits : unsigned_trunc ? TruncU32(v.f) : uint64_t(int64_t(TruncI32(v.f)));
      break;
    default: bits = v.is_float ? uint64_t(int64_t(TruncI32(v.f))) : v.bits; break;
  }
  std::memcpy(p, &bits, N4VMCnv_Width(type));
}

bool Twins(int a, int b) {
  auto base = [](int t) { return t == kUsint ? kSint : t == kUint ? kInt : t == kUdint ? kDint : t == kUlint ? kLint : t; };
  return base(a) == base(b);
}

// The database item of a type code; a string's record.
uint8_t* Item(uint8_t* db, int type, uint32_t index) {
  switch (type) {
    case kBool: case kSint: case kUsint: return N4VM_Item(db, kArData8, index);
    case kInt: case kUint: return N4VM_Item(db, kArData16, index);
    case kDint: case kReal: case kUdint: return N4VM_Item(db, kArData32, index);
    case kLint: case kLreal: case kUlint: return N4VM_Item(db, kArData64, index);
    case kTime: return N4VM_Item(db, kArTime, index);
    default: return N4VMStr_Record(db, index);
  }
}

void ToString(uint8_t* record, int type, const void* p) {
  switch (type) {
    case kBool: N4VMStr_BootoA(record, Ld<uint8_t>(p) != 0); break;
    case kDint: N4VMStr_ItoA(record, Ld<int32_t>(p)); break;
    case kInt: N4VMStr_ItoA(record, Ld<int16_t>(p)); break;
    case kSint: case kUsint: N4VMStr_UtoA(record, Ld<uint8_t>(p)); break;
    case kUint: N4VMStr_UtoA(record, Ld<uint16_t>(p)); break;
    case kUdint: N4VMStr_UtoA(record, Ld<uint32_t>(p)); break;
    case kTime: N4VMStr_TmrtoA(record, Ld<uint32_t>(p)); break;
    case kReal: N4VMStr_FtoA(record, Ld<float>(p)); break;
    case kLreal: N4VMStr_DtoA(record, Ld<double>(p)); break;
    case kLint: N4VMStr_LINTtoA(record, Ld<int64_t>(p)); break;
    case kUlint: N4VMStr_ULINTtoA(record, Ld<uint64_t>(p)); break;
    default: break;
  }
}

void FromString(void* p, int type, const uint8_t* record) {
  Value v{false, 0, 0, true};
  switch (type) {
    case kBool: {
      uint8_t b = record[1] != 0;
      std::memcpy(p, &b, 1);
      return;
    }
    case kReal: v.is_float = true; v.f = double(N4VMStr_AtoF(record)); break;
    case kLreal: v.is_float = true; v.f = N4VMStr_AtoD(record); break;
    case kLint: v.bits = uint64_t(N4VMStr_AtoLINT(record)); break;
    case kUlint: v.bits = N4VMStr_AtoULINT(record); break;
    case kUdint: case kTime: v.bits = N4VMStr_AtoUL(record); break;
    default: v.bits = uint64_t(int64_t(N4VMStr_AtoI(record))); break;
  }
  Store(p, type, v, false);
}

// The decimal parse of the text converters: blanks, a sign, digits; saturated at the
// given bounds.
int64_t ParseDecimal(const char* s, int64_t lo, int64_t hi) {
  while (*s == ' ' || *s == '\t' || *s == '\n' || *s == '\r' || *s == '\f' || *s == '\v') ++s;
  bool neg = *s == '-';
  if (*s == '-' || *s == '+') ++s;
  int64_t v = 0;
  for (; *s >= '0' && *s <= '9'; ++s) {
    const int d = *s - '0';
    v = v <= (hi + 1 - d) / 10 ? v * 10 + d : hi + 1;  // hi + 1 saturates either way
  }
  v = neg ? -v : v;
  return v < lo ? lo : v > hi ? hi : v;
}
uint64_t ParseU64(const char* s) {
  while (*s == ' ' || *s == '\t') ++s;
  if (*s == '-') return 0;
  if (*s == '+') ++s;
  uint64_t v = 0;
  for (; *s >= '0' && *s <= '9'; ++s) {
    unsigned d = unsigned(*s - '0');
    if (v > (UINT64_MAX - d) / 10) return UINT64_MAX;
    v = v * 10 + d;
  }
  return v;
}

const uint16_t* Arg(const uint16_t* args, unsigned n) { return args && n < args[0] ? args + 1 + n : nullptr; }

}  // namespace

uint32_t N4VMCnv_Width(int type) {
  switch (type) {
    case kBool: case kSint: case kUsint: return 1;
    case kInt: case kUint: return 2;
    case kDint: case kReal: case kTime: case kUdint: return 4;
    case kLint: case kLreal: case kUlint: return 8;
    default: return 0;
  }
}

int N4VMCnv_Convert(uint8_t* db, const uint16_t* op) {
  const int tt = op[2], st = op[3];
  if (!Basic(tt) || !Basic(st)) return 0;
  uint8_t* dst = Item(db, tt, op[0]);
  const uint8_t* src = Item(db, st, op[1]);
  if (dst == nullptr || src == nullptr) return -1;
  if (tt == kString && st == kString) N4VMStr_CopyPtr(dst, src);
  else if (tt == kString) ToString(dst, st, src);
  else if (st == kString) FromString(dst, tt, src);
  else if (tt == st || (Twins(tt, st) && !IsFloat(tt) && tt != kBool && st != kBool)) std::memmove(dst, src, N4VMCnv_Width(tt));
  else Store(dst, tt, Load(src, st, false), false);
  return 0;
}

void N4VMCnv_ConvBin(void* target, const void* source, int tt, int st) {
  if (!Basic(tt) || !Basic(st) || tt == kString || st == kString || target == nullptr || source == nullptr) return;
  if (tt == st || (Twins(tt, st) && !IsFloat(tt) && tt != kBool && st != kBool)) {
    std::memmove(target, source, N4VMCnv_Width(tt));
    return;
  }
  Store(target, tt, Load(source, st, true), true);
}

void N4VMCnv_SZToNumPtr(void* p, int type, const char* text) {
  if (p == nullptr || text == nullptr) return;
  Value v{false, 0, 0, true};
  switch (type) {
    case kBool: {
      uint8_t b = ParseDecimal(text, INT32_MIN, INT32_MAX) != 0;
      std::memcpy(p, &b, 1);
      return;
    }
    case kReal: case kLreal: v.is_float = true; v.f = std::strtod(text, nullptr); break;
    case kLint: v.bits = uint64_t(N4VMStr_SZtoLINT(text)); break;
    case kUlint: v.bits = ParseU64(text); break;
    // Unsigned 32-bit values are parsed as unsigned: text above 2147483647 keeps its value.
    case kUdint: case kTime: v.bits = uint64_t(ParseDecimal(text, 0, UINT32_MAX)); break;
    case kSint: case kUsint: case kInt: case kUint: case kDint:
      v.bits = uint64_t(ParseDecimal(text, INT32_MIN, INT32_MAX));
      break;
    default: return;
  }
  Store(p, type, v, false);
}

void N4VMCnv_NumToSZPtr(const void* p, int type, char* out) {
  out[0] = 0;
  if (p == nullptr) return;
  switch (type) {
    case kBool: std::snprintf(out, 22, "%d", int(Ld<uint8_t>(p))); break;
    case kSint: case kUsint: std::snprintf(out, 22, "%u", unsigned(Ld<uint8_t>(p))); break;
    case kInt: std::snprintf(out, 22, "%d", int(Ld<int16_t>(p))); break;
    case kUint: std::snprintf(out, 22, "%u", unsigned(Ld<uint16_t>(p))); break;
    case kDint: std::snprintf(out, 22, "%" PRId32, Ld<int32_t>(p)); break;
    case kUdint: case kTime: std::snprintf(out, 22, "%" PRIu32, Ld<uint32_t>(p)); break;
    case kLint: std::snprintf(out, 22, "%" PRId64, Ld<int64_t>(p)); break;
    case kUlint: std::snprintf(out, 22, "%" PRIu64, Ld<uint64_t>(p)); break;
    case kReal: std::snprintf(out, 22, "%g", double(Ld<float>(p))); break;
    case kLreal: std::snprintf(out, 22, "%g", Ld<double>(p)); break;
    default: break;
  }
}

void N4VMCnv_SZToNum(uint8_t* db, int type, const uint16_t* args, unsigned n, const char* text) {
  const uint16_t* a = Arg(args, n);
  if (a != nullptr && type != kString) N4VMCnv_SZToNumPtr(Item(db, type, *a), type, text);
}

void N4VMCnv_NumToSZ(uint8_t* db, int type, const uint16_t* args, unsigned n, char* buffer) {
  buffer[0] = 0;
  const uint16_t* a = Arg(args, n);
  if (a != nullptr && type != kString) N4VMCnv_NumToSZPtr(Item(db, type, *a), type, buffer);
}
