#pragma once
// Where a Modbus address lands in the register image.
#include <cstdint>

namespace mb {

enum class Area { kCoils, kInputs, kInputRegisters, kHolding };

// A place in the register image: bit areas give the byte holding bit 0 of the area and
// the bit number of the first addressed bit; word areas the first addressed word.
struct Place {
  uint8_t* base = nullptr;
  int bit = 0;
};

// The place of count elements from a Modbus address; false when they do not fit the
// address's window (exception 3).
bool MapAddress(Area area, uint16_t address, uint16_t count, Place& out);

}  // namespace mb
