#pragma once
// The page dynamic scan lists: what a screen page asks the protocol drivers to poll while
// it is open. The object manager hands each opened page's list over; the plug-in manager
// rebuilds its drivers' dynamic scan entries from it before its next scan.
#include <cstdint>

namespace pmgr {

inline constexpr int kPorts = 8;
inline constexpr int kMaxDrivers = 8;

// One port's dynamic scan record, as the page carries it: word 1 is the number of the
// port's dynamic scan records (0 = none); the other two locate them for the manager.
struct DynScanRecord {
  uint32_t word0;
  uint32_t count;
  uint32_t word2;
};

}  // namespace pmgr

// How many protocol drivers are loaded, and the port each runs on, in driver order.
extern uint8_t PromgrDriversLoaded;
extern uint16_t PromgrDriverPort[pmgr::kMaxDrivers];
// Per port index, the dynamic scan record of the page that is open.
extern pmgr::DynScanRecord DynScanListInfo[pmgr::kPorts];
// Set when the drivers must rebuild their dynamic scan entries before the next scan.
extern uint8_t NewDynScanList;

void DynScanPowerOnReset();
