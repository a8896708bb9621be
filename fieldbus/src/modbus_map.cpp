// The slave's address map: Modbus areas and address windows onto register areas.
#include "modbus_map.h"

#include "ground/regimage.h"
#include "logic/engine.h"

namespace mb {
namespace {

struct Window {
  uint16_t first;     // first Modbus address of the window
  uint32_t offset;    // byte offset of the register area
  uint32_t limit;     // relative address + count may reach this
  bool from_zero;     // the window's relative address is the address itself
};

uint32_t TOffset() { return RegTokLen_16b ? reg::kOffT : reg::kOffET; }
uint32_t MOffset() { return RegTokLen_16b ? reg::kOffM : reg::kOffEM; }

}  // namespace

bool MapAddress(Area area, uint16_t address, uint16_t count, Place& out) {
  Window w{};
  switch (area) {
    case Area::kCoils:
      if (address < 3000) w = {0, reg::kOffQ, 2048, true};
      else if (address < 6000) w = {3000, MOffset(), 2048, false};
      else if (address < 9000) w = {6000, TOffset(), 2048, false};
      else w = {9000, reg::kOffQG, 256, false};
      break;
    case Area::kInputs:
      if (address < 3000) w = {0, reg::kOffI, 2048, true};
      else if (address < 4000) w = {3000, reg::kOffIG, 256, false};
      else if (address < 5000) w = {4000, reg::kOffS, 256, false};
      else w = {5000, reg::kOffK, 256, false};
      break;
    case Area::kInputRegisters:
      if (address < 3000) w = {0, reg::kOffAI, 512, true};
      else if (address < 4000) w = {3000, reg::kOffAIG, 32, false};
      else w = {4000, reg::kOffSR, reg::kCountSR, false};
      break;
    case Area::kHolding:
      if (address < 512) w = {0, reg::kOffAQ, 512, true};
      else if (address < 3000) w = {512, reg::kOffR, 2488, false};
      else if (address < 6000) w = {3000, reg::kOffR, 50240, false};
      else if (address < 10000) w = {6000, reg::kOffAQG, 32, false};
      else w = {10000, reg::kOffR, 49999, false};
      break;
  }
  const uint32_t relative = w.from_zero ? address : uint32_t(address - w.first);
  if (relative + count > w.limit) return false;
  const bool bits = area == Area::kCoils || area == Area::kInputs;
  out.base = plc_reg + w.offset + (bits ? 0 : 2 * relative);
  out.bit = bits ? int(relative) : 0;
  return true;
}

}  // namespace mb
