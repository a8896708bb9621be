#pragma once
// Requests of the program to the operator panel: the alarm screen and the user screen
// to show. They take effect at the end of the program; the last request of a scan wins.

#include "instruction.h"

namespace logic {

void OpAlarmScreen(Machine& m, uint16_t opcode);    // 39
void OpScreenShown(Machine& m, uint16_t opcode);    // 40
void OpChangeScreen(Machine& m, uint16_t opcode);   // 48

inline constexpr OpRow kScreenRows[] = {
    {39, OpAlarmScreen},
    {40, OpScreenShown},
    {48, OpChangeScreen},
};
static_assert(std::size(kScreenRows) == 3);

}  // namespace logic
