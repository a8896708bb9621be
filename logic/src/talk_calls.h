#pragma once
// Block calls of the serial communication blocks: the engine hands the block its
// operands and the power flow, and the block's result becomes the power flow.

#include "instruction.h"

namespace logic {

// 132 open, 133 send, 134 receive, 135 close, 136 modem (a function it does not know is
// an error return on the function word), 137 and 531 Modbus, 394 send or receive by its
// sub-code
void OpTalkBlock(Machine& m, uint16_t opcode);

inline constexpr OpRow kTalkRows[] = {
    {132, OpTalkBlock}, {133, OpTalkBlock}, {134, OpTalkBlock}, {135, OpTalkBlock},
    {136, OpTalkBlock}, {137, OpTalkBlock}, {394, OpTalkBlock}, {531, OpTalkBlock},
};
static_assert(std::size(kTalkRows) == 8);

}  // namespace logic
