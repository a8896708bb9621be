#pragma once
// End of program, conditional jumps, subroutine calls and returns, and the step
// dispatch of sequential function charts.

#include "instruction.h"

namespace logic {

void OpEnd(Machine& m, uint16_t opcode);             // 9
void OpJump32(Machine& m, uint16_t opcode);          // 68
void OpCall32(Machine& m, uint16_t opcode);          // 69
void OpSkipIfOff(Machine& m, uint16_t opcode);       // 70
void OpJump16(Machine& m, uint16_t opcode);          // 71
void OpCall16(Machine& m, uint16_t opcode);          // 73
void OpReturn(Machine& m, uint16_t opcode);          // 74
void OpStep(Machine& m, uint16_t opcode);            // 361

inline constexpr OpRow kFlowRows[] = {
    {9, OpEnd},       {68, OpJump32}, {69, OpCall32}, {70, OpSkipIfOff},
    {71, OpJump16},   {73, OpCall16}, {74, OpReturn}, {361, OpStep},
};
static_assert(std::size(kFlowRows) == 8);

}  // namespace logic
