#pragma once
// The ladder PID instructions: 240 independent form, 241 ISA form, 242 and 243 the same
// with the auto-tuner; 523-526 the same four with the record found through a pointer
// register. Operands: loop number (immediate), record, setpoint, process variable,
// manual, raise and lower bits, [tune-start bit, tuning word,] output, [tune-done bit].
//
// With no power flow nothing is read, computed or written. A loop number outside 0..63,
// or a record (through a pointer too) that does not lie whole inside the registers, turns
// the power flow off and touches nothing.

#include "instruction.h"

namespace logic {

void IEC_NON_IEC_PidParser(Machine& m, uint16_t opcode);

inline constexpr OpRow kPidRows[] = {
    {240, IEC_NON_IEC_PidParser}, {241, IEC_NON_IEC_PidParser}, {242, IEC_NON_IEC_PidParser},
    {243, IEC_NON_IEC_PidParser}, {523, IEC_NON_IEC_PidParser}, {524, IEC_NON_IEC_PidParser},
    {525, IEC_NON_IEC_PidParser}, {526, IEC_NON_IEC_PidParser},
};
static_assert(std::size(kPidRows) == 8);

}  // namespace logic
