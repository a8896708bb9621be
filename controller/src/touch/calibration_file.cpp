// The stored touch calibration, /mnt/cfg/cal.dta: the six values of the calibration
// record as u32, in the order x full-scale, y full-scale, x offset, y offset, x scale,
// y scale (24 bytes).
#include <cstring>

#include "ground/cfg_file.h"
#include "controller/retentive.h"
#include "ground/sysservices.h"

namespace {

constexpr char kFile[] = "/mnt/cfg/cal.dta";
constexpr int kValues = 6;
// Position of each stored value in the record's six values.
constexpr int kOrder[kValues] = {4, 5, 0, 1, 2, 3};
static_assert(kParmTblWords == 2 + 2 * kValues);

}  // namespace

int StrTchClb(const uint16_t* record) {
  if (!record) return 0;
  uint8_t bytes[4 * kValues];
  for (int i = 0; i < kValues; ++i) std::memcpy(bytes + 4 * i, record + 2 + 2 * kOrder[i], 4);
  CfgWriter out(kFile);
  return out.open() && out.Write(bytes, sizeof bytes) == sizeof bytes && out.Sync() && out.Commit(true) ? 1 : 0;
}

int ReadTchClb(uint16_t* record) {
  if (!record) return 0;
  CfgReader in(kFile);
  uint8_t bytes[4 * kValues];
  if (!in.open() || in.Read(bytes, sizeof bytes) != sizeof bytes) return 0;
  for (int i = 0; i < kValues; ++i) std::memcpy(record + 2 + 2 * kOrder[i], bytes + 4 * i, 4);
  return 1;
}
