#pragma once
// Saturating 32-bit arithmetic for the PID engine: extreme gains saturate, never wrap.
// Each returns 1 when it saturated.
#include <cstdint>
#include <limits>

namespace logic::pid {

inline constexpr int64_t kMax32 = std::numeric_limits<int32_t>::max();
inline constexpr int64_t kMin32 = std::numeric_limits<int32_t>::min();

inline int32_t Saturate32(int64_t v) { return int32_t(v > kMax32 ? kMax32 : v < kMin32 ? kMin32 : v); }
inline int16_t Saturate16(int64_t v) { return int16_t(v > 32767 ? 32767 : v < -32768 ? -32768 : v); }

inline int adds32_limited(int32_t& r, int32_t a, int32_t b) {
  const int64_t v = int64_t(a) + b;
  r = Saturate32(v);
  return r != v;
}
inline int subs32_limited(int32_t& r, int32_t a, int32_t b) {
  const int64_t v = int64_t(a) - b;
  r = Saturate32(v);
  return r != v;
}
inline int muls32_limited(int32_t& r, int32_t a, int32_t b) {
  const int64_t v = int64_t(a) * b;
  r = Saturate32(v);
  return r != v;
}
inline int64_t MULSQ(int32_t a, int32_t b) { return int64_t(a) * b; }
inline int64_t mul_int64_by_int16(int64_t a, int16_t b) { return int64_t(uint64_t(a) * uint64_t(int64_t(b))); }

// Shorthands that drop the flag.
inline int32_t Add(int32_t a, int32_t b) {
  int32_t r;
  adds32_limited(r, a, b);
  return r;
}
inline int32_t Sub(int32_t a, int32_t b) {
  int32_t r;
  subs32_limited(r, a, b);
  return r;
}
inline int32_t Mul(int32_t a, int32_t b) {
  int32_t r;
  muls32_limited(r, a, b);
  return r;
}

}  // namespace logic::pid
