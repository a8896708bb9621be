// The bounds of the download types' tables.
#include <algorithm>
#include <array>

#include "dnld.h"
#include "ground/tablestore.h"

uint8_t DnldType = 0;

namespace {

// Types whose start-up check accepts less than the table holds.
struct CheckedMax {
  uint8_t type;
  uint32_t max;
};
constexpr std::array<CheckedMax, 5> kCheckedMax{{
    {.type = 0, .max = kLogicCheckedMax},
    {.type = 5, .max = kTableCheckedMax},  // I/O configuration
    {.type = 8, .max = kTableCheckedMax},  // strings
    {.type = 10, .max = kTableCheckedMax},  // text tables
    {.type = 26, .max = kLogicCheckedMax},  // online-change logic: it becomes the logic program
}};

}  // namespace

bool DnldHasTable(uint8_t type) { return type <= kTypeLast && file_info[type].data != nullptr; }

uint32_t DnldCapacity(uint8_t type) {
  if (!DnldHasTable(type)) return 0;
  uint32_t capacity = file_info[type].capacity;
  for (const CheckedMax& c : kCheckedMax)
    if (c.type == type) capacity = std::min(capacity, c.max);
  return capacity;
}

uint32_t DnldStoredSize(uint8_t type) {
  return DnldHasTable(type) ? std::min(FileSize(file_info[type]), file_info[type].capacity) : 0;
}

BitmapTarget DnldBitmapTarget(uint32_t offset) {
  if (offset == kBitmapMap) return {.valid = true, .map = true, .slot = 0};
  if (offset % kBmpSlotCap != 0 || offset / kBmpSlotCap >= kBmpSlots) return {.valid = false, .map = false, .slot = 0};
  return {.valid = true, .map = false, .slot = uint8_t(offset / kBmpSlotCap)};
}

uint32_t DnldSlotSize(uint8_t slot) {
  return std::min<uint32_t>(MapEntrySize(ram_map_tbl, slot), uint32_t(kBmpSlotCap));
}
