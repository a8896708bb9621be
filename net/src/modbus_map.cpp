// The Modbus server's address maps: Modbus addresses onto register tokens (register
// mode) or onto the IEC variable maps of the interface configuration (IEC mode).
#include "dpr_internal.h"
#include "iec_runtime/services.h"
#include "ground/regimage.h"
#include "modbus_internal.h"

namespace modbus {
namespace {

enum class Base { kFixed, kT, kM };

// One window of addresses onto one register area. A request's whole range stays in the
// window's area: start - first + count <= limit.
struct Window {
  Table table;
  uint16_t first, last;
  Base base;
  uint32_t token;       // the area's first register (kFixed)
  uint32_t limit;       // registers of the area the window reaches
  uint32_t limit_flat;  // the same in 16-bit token mode (T and M: the flat areas)
  bool words;
};

constexpr Window kWindows[] = {
    {Table::kCoils, 0, 2999, Base::kFixed, reg::kTokQ, 2048, 2048, false},
    {Table::kCoils, 3000, 5999, Base::kM, 0, 3000, 2048, false},
    {Table::kCoils, 6000, 8999, Base::kT, 0, 3000, 2048, false},
    {Table::kCoils, 9000, 9255, Base::kFixed, reg::kTokQG, 256, 256, false},
    {Table::kInputs, 0, 2047, Base::kFixed, reg::kTokI, 2048, 2048, false},
    {Table::kInputs, 3000, 3255, Base::kFixed, reg::kTokIG, 256, 256, false},
    {Table::kInputs, 4000, 4255, Base::kFixed, reg::kTokS, 256, 256, false},
    {Table::kInputs, 5000, 5255, Base::kFixed, reg::kTokK, 256, 256, false},
    {Table::kHolding, 0, 511, Base::kFixed, reg::kTokAQ, 512, 512, true},
    {Table::kHolding, 512, 2999, Base::kFixed, reg::kTokR, 2488, 2488, true},
    {Table::kHolding, 3000, 5999, Base::kFixed, reg::kTokR, 3000, 3000, true},
    {Table::kHolding, 6000, 6031, Base::kFixed, reg::kTokAQG, 32, 32, true},
    {Table::kHolding, 10000, 20239, Base::kFixed, reg::kTokR, 10240, 10240, true},
    {Table::kInputRegisters, 0, 511, Base::kFixed, reg::kTokAI, 512, 512, true},
    {Table::kInputRegisters, 3000, 3031, Base::kFixed, reg::kTokAIG, 32, 32, true},
    {Table::kInputRegisters, 4000, 4191, Base::kFixed, reg::kTokSR, 192, 192, true},
};

// 16-bit token mode: T and M are the flat areas (their token bases say which).
bool FlatTokens() { return T_token == reg::kTokT; }

uint32_t BaseToken(const Window& w) {
  switch (w.base) {
    case Base::kT: return T_token;
    case Base::kM: return M_token;
    case Base::kFixed: break;
  }
  return w.token;
}

constexpr uint32_t kIecMark = 0xC0000000;

}  // namespace

Table TableOf(uint8_t function) {
  switch (function) {
    case 1: case 5: case 15: return Table::kCoils;
    case 2: return Table::kInputs;
    case 3: case 6: case 16: return Table::kHolding;
    case 4: return Table::kInputRegisters;
    default: return Table::kNone;
  }
}

bool IecMode() { return OrvanelRuntime && orvanel_variables_enumerateded; }

}  // namespace modbus

using namespace modbus;

uint32_t ModbusMapToken(uint8_t function, uint16_t start, uint16_t count) {
  const Table table = TableOf(function);
  for (const Window& w : kWindows) {
    if (w.table != table || start < w.first || start > w.last) continue;
    const uint32_t offset = uint32_t(start - w.first);
    const uint32_t limit = FlatTokens() ? w.limit_flat : w.limit;
    if (count == 0 || offset + count > limit) return 0;
    return BaseToken(w) + (w.words ? 16 * offset : offset);
  }
  return 0;
}

uint32_t N4_ModbusMap(uint8_t function, int index, uint16_t start, uint32_t fallback) {
  const EthIecModbus& map = Dpr_Configuration[index].iec_modbus;
  switch (TableOf(function)) {
    case Table::kCoils: return map.map_base[2] + start;
    case Table::kInputs: return map.map_base[3] + start;
    case Table::kHolding:
    case Table::kInputRegisters: {
      const uint32_t base = map.map_base[TableOf(function) == Table::kHolding ? 0 : 1] | kIecMark;
      const uint32_t type = (base >> 26) & 0x7;
      if (type == 1 || type == 2 || (base & (1u << 29))) return base + start;
      return fallback;
    }
    case Table::kNone: break;
  }
  return fallback;
}
