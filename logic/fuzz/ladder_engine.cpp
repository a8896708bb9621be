// The ladder engine on an arbitrary logic table: the input is the table's data (its
// features word, 9 bytes from the end, chooses the operand form), run for two scans.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "controller/poweron.h"
#include "controller/progstore.h"
#include "ground/regimage.h"
#include "ground/tablestore.h"
#include "logic/engine.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  if (size > 64 * 1024) return 0;  // long tables add time, not paths
  KernelPowerOnReset();
  std::memcpy(ladder, data, size);
  SetBlockSize(ladder_bl, uint32_t(size));
  nv_get_features();
  SBitSet(1, true);
  for (int scan = 0; scan < 2; ++scan) {
    if (LogicUpdate(ladder) != -1) break;  // a fault ends the run, as on the unit
  }
  return 0;
}
