// Readers of the hardware information block and of the screen table's block.
#include <cstring>

#include "ground/bbram.h"
#include "ground/tablestore.h"

void SYS_GetMACID(void* destination) {
  if (destination) std::memcpy(destination, tinyImage, kTinyImageCap);
}

uint32_t SYS_ReadSeg(int kind, uint32_t index) {
  // Only what the block holds: its header and the data its size word names.
  const uint64_t size = BlockSize(vtn_pgm_bl);
  const uint64_t end = size < kVtnPgmCap - kTableHeader ? kTableHeader + size : kVtnPgmCap;
  if (kind == 1) {
    const uint64_t at = 2 * uint64_t(index);
    if (at + 2 > end) return 0;
    uint16_t v;
    std::memcpy(&v, vtn_pgm_bl + at, 2);
    return v;
  }
  if (kind == 2) {
    const uint64_t at = 4 * (uint64_t(index) + 1);
    if (at + 4 > end) return 0;
    uint32_t v;
    std::memcpy(&v, vtn_pgm_bl + at, 4);
    return v;
  }
  return 0;
}
