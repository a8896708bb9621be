// MD5 (RFC 1321) for HTTP Digest, session and password digests.
#include <algorithm>
#include <cstring>

#include "web/quorv_encoding.h"

namespace {

constexpr uint32_t kSine[64] = {
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501, 0x698098d8, 0x8b44f7af,
    0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821, 0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa,
    0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8, 0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8,
    0x676f02d9, 0x8d2a4c8a, 0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
    0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665, 0xf4292244, 0x432aff97,
    0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1, 0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1,
    0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391};
constexpr int kShift[64] = {7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22, 5, 9,  14, 20, 5, 9,
                            14, 20, 5, 9,  14, 20, 5, 9,  14, 20, 4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23,
                            4, 11, 16, 23, 6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21};

uint32_t Rotate(uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }

void Compress(uint32_t words[4], const uint8_t block[64]) {
  uint32_t m[16];
  for (int i = 0; i < 16; ++i)
    m[i] = block[4 * i] | (block[4 * i + 1] << 8) | (block[4 * i + 2] << 16) | (static_cast<uint32_t>(block[4 * i + 3]) << 24);
  uint32_t a = words[0], b = words[1], c = words[2], d = words[3];
  for (int i = 0; i < 64; ++i) {
    uint32_t f;
    int g;
    if (i < 16) {
      f = (b & c) | (~b & d);
      g = i;
    } else if (i < 32) {
      f = (d & b) | (~d & c);
      g = (5 * i + 1) % 16;
    } else if (i < 48) {
      f = b ^ c ^ d;
      g = (3 * i + 5) % 16;
    } else {
      f = c ^ (b | ~d);
      g = (7 * i) % 16;
    }
    const uint32_t next = d;
    d = c;
    c = b;
    b = b + Rotate(a + f + kSine[i] + m[g], kShift[i]);
    a = next;
  }
  words[0] += a;
  words[1] += b;
  words[2] += c;
  words[3] += d;
}

}  // namespace

void quorv_md5_init(quorv_md5_state* state) {
  if (!state) return;
  state->length_bits = 0;
  state->words[0] = 0x67452301;
  state->words[1] = 0xefcdab89;
  state->words[2] = 0x98badcfe;
  state->words[3] = 0x10325476;
  state->fill = 0;
}

int quorv_md5_process(quorv_md5_state* state, const void* bytes, size_t length) {
  if (!state || state->fill > sizeof state->block || (!bytes && length)) return -1;
  const auto* p = static_cast<const uint8_t*>(bytes);
  while (length > 0) {
    const size_t take = std::min<size_t>(length, sizeof state->block - state->fill);
    std::memcpy(state->block + state->fill, p, take);
    state->fill += static_cast<uint32_t>(take);
    state->length_bits += static_cast<uint64_t>(take) * 8;
    p += take;
    length -= take;
    if (state->fill == sizeof state->block) {
      Compress(state->words, state->block);
      state->fill = 0;
    }
  }
  return 0;
}

int quorv_md5_done(quorv_md5_state* state, uint8_t digest[16]) {
  if (!state || state->fill > sizeof state->block || !digest) return -1;
  const uint64_t bits = state->length_bits;
  if (state->fill == sizeof state->block) {
    Compress(state->words, state->block);
    state->fill = 0;
  }
  state->block[state->fill++] = 0x80;
  if (state->fill > 56) {
    std::memset(state->block + state->fill, 0, 64 - state->fill);
    Compress(state->words, state->block);
    state->fill = 0;
  }
  std::memset(state->block + state->fill, 0, 56 - state->fill);
  for (int i = 0; i < 8; ++i) state->block[56 + i] = static_cast<uint8_t>(bits >> (8 * i));
  Compress(state->words, state->block);
  for (int i = 0; i < 4; ++i)
    for (int k = 0; k < 4; ++k) digest[4 * i + k] = static_cast<uint8_t>(state->words[i] >> (8 * k));
  state->fill = 0;
  return 0;
}
