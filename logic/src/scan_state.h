#pragma once
// What the ladder machine keeps from one scan to the next (besides RegTokLen_16b, which
// is public in logic/engine.h). Main thread only.

#include <cstdint>

#include "machine.h"

// Time base (0.1 ms ticks) taken at the start of the current scan.
extern uint32_t local_frt_100us;
// Milliseconds from the start of the previous scan to the start of this one, and the
// 0.1 ms remainder carried into the next measurement.
extern uint32_t local_scan_time;
extern uint32_t local_scan_time_rm;
// The low 14 bits of local_frt_100us: the one tick every timer of the scan uses.
extern uint16_t time_frt_100us;
// The screen number last requested by instruction 48, kept across scans.
extern uint16_t old_change_screen;

namespace logic {

// The machine as the last ladder scan left it: why it stopped (kEnd after a normal end),
// where, and its stacks; for diagnostics and tests.
const Machine& LastMachine();

}  // namespace logic
