#pragma once
// The handler of every opcode below 576, merged from the instruction families.

#include <array>
#include <cstdint>

#include "instruction.h"
#include "opcode_map.h"

namespace logic {

extern const std::array<Handler, kOpcodeCount> kOpcodeHandlers;

// False for an opcode whose family is not built yet (executing it is an error return).
bool OpcodeBuilt(uint16_t opcode);

}  // namespace logic
