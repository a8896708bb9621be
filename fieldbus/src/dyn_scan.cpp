// The dynamic scan lists of screen pages, handed from the object manager to the
// protocol drivers.
#include "fieldbus/dyn_scan.h"

#include <cstring>

#include "fieldbus/services.h"

uint8_t PromgrDriversLoaded = 0;
uint16_t PromgrDriverPort[pmgr::kMaxDrivers] = {};
pmgr::DynScanRecord DynScanListInfo[pmgr::kPorts] = {};
uint8_t NewDynScanList = 0;

namespace {
uint32_t U32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24; }
}  // namespace

void DynScanPowerOnReset() {
  PromgrDriversLoaded = 0;
  std::memset(PromgrDriverPort, 0, sizeof PromgrDriverPort);
  std::memset(DynScanListInfo, 0, sizeof DynScanListInfo);
  NewDynScanList = 0;
}

// The list is eight 12-byte records in the screen program, on no particular alignment.
// A page without a list (nullptr) clears the count of every loaded driver's port, so
// that the previous page's dynamic entries are dropped at the next scan.
void PMGR_LoadDynamicScanListInfo(const uint8_t* list) {
  const int loaded = PromgrDriversLoaded > pmgr::kMaxDrivers ? pmgr::kMaxDrivers : PromgrDriversLoaded;
  if (loaded == 0) return;
  int matched = 0;
  for (int port = 0; port < pmgr::kPorts && matched < loaded; ++port) {
    for (int d = 0; d < loaded; ++d) {
      if (PromgrDriverPort[d] != port) continue;
      ++matched;
      const uint8_t* rec = list ? list + 12 * port : nullptr;
      if (rec && U32(rec + 4) != 0) {
        DynScanListInfo[port] = {U32(rec), U32(rec + 4), U32(rec + 8)};
      } else {
        DynScanListInfo[port].count = 0;
      }
    }
  }
  NewDynScanList = 1;
}
