#include <cstring>

#include "ground/regimage.h"
#include "ground/sysservices.h"
#include "ground/tablestore.h"
#include "ground/sr4.h"
#include "mainloop_internal.h"

namespace {

constexpr uint16_t kSelfTestMask = uint16_t(~kSr4NetworkFaults);  // 0xFF4F

// The force table: u16 input entries, u16 output entries, then the entries.
bool AnyForcedEntry() {
  uint16_t counts[2];
  std::memcpy(counts, io_force, sizeof counts);
  return counts[0] + counts[1] > 0;
}

}  // namespace

void UpdateStatusBits() {
  const uint16_t sr4 = SrGet(4);
  SBitSet(2, (sr4 & kSr4NetworkFaults) == 0);
  SBitSet(6, (sr4 & kSr4IoConfig) == 0);
  SBitSet(11, SBitGet(12) && AnyForcedEntry());
}

void UpdateSelfTestResult() {
  const uint16_t sr4 = SrGet(4);
  SrSet(55, SrGet(31) == 0 ? uint16_t(sr4 & kSelfTestMask) : sr4);
}

void UpdateBatteryStatus() {
  const uint16_t sr4 = SrGet(4);
  SrSet(4, SYS_BattTest() ? uint16_t(sr4 & ~kSr4Battery) : uint16_t(sr4 | kSr4Battery));
}
