#include "ground/unaligned.h"

#include <bit>
#include <cstring>

namespace {
uint16_t Half(const void* a, int i) {
  uint16_t h;
  std::memcpy(&h, static_cast<const uint8_t*>(a) + 2 * i, 2);
  return h;
}
void PutHalf(void* a, int i, uint16_t h) { std::memcpy(static_cast<uint8_t*>(a) + 2 * i, &h, 2); }
}  // namespace

uint32_t UTIL_GetDword(const void* a) { return Half(a, 0) | (uint32_t(Half(a, 1)) << 16); }

void UTIL_PutDword(void* a, uint32_t v) {
  PutHalf(a, 0, uint16_t(v));
  PutHalf(a, 1, uint16_t(v >> 16));
}

float UTIL_GetFloat(const void* a) { return std::bit_cast<float>(UTIL_GetDword(a)); }

double UTIL_GetDouble(const void* a) {
  uint64_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 16) | Half(a, i);
  return std::bit_cast<double>(v);
}

void UTIL_PutDouble(void* a, double d) {
  uint64_t v = std::bit_cast<uint64_t>(d);
  for (int i = 0; i < 4; ++i) PutHalf(a, i, uint16_t(v >> (16 * i)));
}
