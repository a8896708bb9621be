#include "iec_vars.h"

#include <cstring>

#include "ground/iec_variables.h"
#include "ground/regimage.h"

namespace {

// Bytes of one element by type; 0 where the type has no element width here.
uint32_t ElementBytes(uint32_t type) {
  switch (type) {
    case 0: return 1;
    case 1: return 2;
    case 2: return 4;
    case 3: return 8;
    case 6: return 1;
    default: return 0;
  }
}

uint64_t LoadElement(const uint8_t* p, uint32_t bytes) {
  uint64_t v = 0;
  std::memcpy(&v, p, bytes);
  return v;
}

// One bit of an element. A 64-bit variable does not fit the 32-bit work word; its
// bits 32..63 are taken from the whole value, so every bit of it stays addressable.
bool BitOf(uint64_t element, uint32_t type, uint32_t bit) {
  uint32_t limit = type == 3 ? 64 : 32;
  return bit < limit && ((element >> bit) & 1);
}

}  // namespace

IecToken DecodeIecToken(uint32_t t) {
  return {t & 0xFFFFF, (t >> 20) & 0x3F, (t >> 26) & 7, ((t >> 29) & 1) != 0};
}

bool IecTokenActive(uint32_t token) {
  return token >= reg::kTokIecFirst && token <= reg::kTokIecLast && OrvanelRuntime && orvanel_variables_enumerateded;
}

int IecRead(void* destination, uint32_t token, uint32_t nbits) {
  auto* out = static_cast<uint8_t*>(destination);
  const IecToken k = DecodeIecToken(token);
  if (k.type == 7) return 1;
  const uint8_t* v = OrvanelCalculateVmDbAddress(&token, nbits, 0, 0);
  if (v == nullptr) return 1;
  const uint32_t w = ElementBytes(k.type);

  if (nbits == 1) {
    // Strings and times have no element to take a bit from: they read as 0.
    *out = w != 0 && BitOf(LoadElement(v, w), k.type, k.bit);
    return 1;
  }
  const uint32_t n = nbits / 8;
  if (k.type == 6) {
    Orvanel_Byte_To_Bit(v, out, nbits);
    return 1;
  }
  if (k.bit == 0) {
    if (k.type == 4) {
      // Only the string's own buffer is read; bytes beyond its capacity read as 0.
      uint32_t cap = v[0];
      uint32_t take = n < cap ? n : cap;
      std::memcpy(out, v + 2, take);
      std::memset(out + take, 0, n - take);
    } else {
      std::memcpy(out, v, n);
    }
    return 1;
  }
  if (k.type <= 2) {
    // n / w elements, each 0 or 1: set when the element shifted left by the bit number
    // keeps a bit within 32 bits, or the next element shifted right by (width - bit
    // number) is non-zero. The last element has no neighbour: only the requested
    // elements are read, never one beyond them.
    const uint32_t wbits = w * 8;
    const uint32_t count = n / w;
    for (uint32_t i = 0; i < count; ++i) {
      uint64_t e = LoadElement(v + i * w, w);
      uint64_t next = (i + 1 < count) ? LoadElement(v + (i + 1) * w, w) : 0;
      bool left = k.bit < 32 && ((e << k.bit) & 0xFFFFFFFFu) != 0;
      int rshift = int(wbits) - int(k.bit);
      bool right = rshift >= 0 && rshift < 32 && (next >> rshift) != 0;
      uint64_t one = (left || right) ? 1 : 0;
      std::memcpy(out + i * w, &one, w);
    }
  }
  // 64-bit, string and time variables with a bit number store nothing.
  return 1;
}

int IecWrite(uint32_t token, const void* source, uint32_t nbits) {
  const auto* in = static_cast<const uint8_t*>(source);
  const IecToken k = DecodeIecToken(token);
  if (k.type == 7) return 1;
  uint8_t* v = OrvanelCalculateVmDbAddress(&token, nbits, 0, 1);
  if (v == nullptr) return 0;  // nothing to write into: the write did not happen
  const uint32_t w = ElementBytes(k.type);

  if (nbits == 1) {
    uint32_t limit = k.type == 3 ? 64 : 32;
    if (w == 0 || k.bit >= limit) return 1;  // no bit to set
    uint64_t e = LoadElement(v, w);
    uint64_t m = uint64_t(1) << k.bit;
    e = (in[0] == 1) ? (e | m) : (e & ~m);
    std::memcpy(v, &e, w);
    return 1;
  }
  const uint32_t n = nbits / 8;
  if (k.type == 6) {
    Orvanel_Bit_To_Byte(in, v, nbits);
    return 1;
  }
  if (k.bit != 0) return 1;  // several bits with a bit number change nothing
  if (k.type == 4) {
    if (v[0] < n) return 0;  // the text does not fit the variable: nothing stored
    v[1] = static_cast<uint8_t>(strnlen(reinterpret_cast<const char*>(in), n));
    std::memcpy(v + 2, in, n);
    return 1;
  }
  std::memcpy(v, in, n);
  return 1;
}
