// The battery-backed RAM image: byte copies in and out, kept inside the image, and the
// allocation mark from which its users (alarm history, trend rings) take their space.
#include "ground/bbram.h"

#include <cstring>

namespace {
// The first 128 bytes hold the network address copies and survive a clear.
constexpr uint32_t kReserved = 128;
uint32_t g_mark = kReserved;

// Bytes of [offset, offset + length) that lie inside the image.
uint32_t Inside(uint32_t offset, uint32_t length) {
  if (offset >= kBbramSize) return 0;
  const uint32_t room = kBbramSize - offset;
  return length < room ? length : room;
}
}  // namespace

alignas(8) uint8_t bbram[kBbramSize];

void SYS_WriteCmd(const void* data, uint32_t offset, uint32_t length) {
  const uint32_t n = data ? Inside(offset, length) : 0;
  if (n) std::memmove(bbram + offset, data, n);
}

void SYS_ReadCmd(void* destination, uint32_t offset, uint32_t length) {
  const uint32_t n = destination ? Inside(offset, length) : 0;
  if (n) std::memmove(destination, bbram + offset, n);
}

void SYS_ClearCmd() { std::memset(bbram + kReserved, 0, kBbramSize - kReserved); }

void SYS_InitBBR() { g_mark = kReserved; }

uint32_t SYS_AllocBBR() { return g_mark; }

// The mark stops at the image end: space beyond it does not exist, and a user that takes
// it finds its writes cut there instead of wrapping the mark round to the start.
void SYS_ExpandBBR(uint32_t n) {
  const uint64_t next = uint64_t(g_mark) + ((uint64_t(n) + 1) & ~uint64_t(1));
  g_mark = next < kBbramSize ? uint32_t(next) : kBbramSize;
}
