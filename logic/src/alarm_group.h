#pragma once
// The alarm group (41): a list of alarm entries with selection, acknowledgement,
// clearing, occurrence counts and time stamps.

#include <cstdint>

#include "instruction.h"

// Selection and input edges of the alarm group, kept across scans and program starts:
// bits 0-8 the selected entry number (0x1FF none), 9 next input was on, 10 previous,
// 11 clear (or the clear step ran), 12 acknowledge, 13-14 carried, 15 selection valid.
extern uint16_t alarm_status;

namespace logic {

void OpAlarmGroup(Machine& m, uint16_t opcode);  // 41

inline constexpr OpRow kAlarmGroupRows[] = {
    {41, OpAlarmGroup},
};
static_assert(std::size(kAlarmGroupRows) == 1);

}  // namespace logic
