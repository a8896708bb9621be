#pragma once
// Block copies through R numbers held in registers (pointer forms) and between array
// elements (array forms of the typed variants): 97 reads indirectly, 98 writes
// indirectly, 99 does both.
//
// A pointer register holds an R number k (R k is register word k + 1983) and is refused
// when k is 0 or the copy would pass R50240; a refusal turns the power flow off. The
// array forms address element v of the array at base w as word w + e v (bytes: byte
// w + v); their ranges, like every other range of these copies, are checked against the
// register image, and one that would leave it turns the power flow off. Nothing is
// copied after a refusal.

#include "instruction.h"

namespace logic {

void OpMoveFromIndirect(Machine& m, uint16_t opcode);   // 97
void OpMoveToIndirect(Machine& m, uint16_t opcode);     // 98
void OpMoveIndirect(Machine& m, uint16_t opcode);       // 99

inline constexpr OpRow kIndirectMoveRows[] = {
    {97, OpMoveFromIndirect},
    {98, OpMoveToIndirect},
    {99, OpMoveIndirect},
};
static_assert(std::size(kIndirectMoveRows) == 3);

}  // namespace logic
