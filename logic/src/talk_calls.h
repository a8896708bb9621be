#pragma once
// Block calls of the serial communication blocks: the engine hands the block its
// operands and the power flow, and the block's result becomes the power flow.

#include "instruction.h"

namespace logic {

void OpTalkBlock(Machine& m, uint16_t opcode);  // 132 open, 135 close, 137 and 531 Modbus

inline constexpr OpRow kTalkRows[] = {
    {132, OpTalkBlock}, {135, OpTalkBlock}, {137, OpTalkBlock}, {531, OpTalkBlock},
};
static_assert(std::size(kTalkRows) == 4);

}  // namespace logic
