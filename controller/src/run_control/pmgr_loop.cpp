#include "pmgr_loop.h"

#include <cstring>

#include "fieldbus/services.h"
#include "ground/tablestore.h"

volatile uint8_t PmgrBusy = 0;

namespace {

constexpr uint32_t kHeaderBytes = 32;
constexpr uint32_t kEntryBytes = 32;
constexpr uint32_t kMaxDrivers = 8;
// Drivers up to this entry version are not safe to run inside a time slice.
constexpr uint16_t kSliceSafeAbove = 314;

// The table as it stands now: a downloaded table is outside input, so its count and
// entries are read only where its stored size covers them.
const uint8_t* Data() { return promgr_table_bl + kTableHeader; }
uint32_t DataSize() {
  const uint32_t size = BlockSize(promgr_table_bl);
  return size > kPromgrTableCap - kTableHeader ? 0 : size;
}
uint32_t DriverCount() {
  if (DataSize() < kHeaderBytes) return 0;
  uint32_t count;
  std::memcpy(&count, Data() + 8, 4);
  return count;
}
bool EntryPresent(uint32_t i) { return kHeaderBytes + kEntryBytes * (i + 1) <= DataSize(); }
uint16_t EntryVersion(uint32_t i) {
  uint16_t v;
  std::memcpy(&v, Data() + kHeaderBytes + kEntryBytes * i + 12, 2);
  return v;
}

}  // namespace

void ExecutePMGR_Loop(int sliced) {
  uint32_t count = DriverCount();
  if (count < 1 || count > kMaxDrivers) return;
  // The count is read again after each driver: a driver loop may change the table.
  for (uint32_t i = 0; i < count && count <= kMaxDrivers && EntryPresent(i); ++i, count = DriverCount()) {
    if (sliced && EntryVersion(i) <= kSliceSafeAbove) return;
    const uint8_t bit = uint8_t(1u << i);
    if (PmgrBusy & bit) continue;
    PmgrBusy = uint8_t(PmgrBusy | bit);
    PMGR_TheLoop(int(i));
    PmgrBusy = uint8_t(PmgrBusy & ~bit);
  }
}
