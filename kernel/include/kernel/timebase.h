#pragma once
// The unit's time base: a free-running u32 count of 0.1 ms ticks from the platform's
// monotonic clock. It wraps after 2^32 ticks (about 4.97 days); every user compares
// differences of u32 ticks.

#include <cstdint>

// The latest value returned by FPGA_GetFrt; the general timers read it.
extern volatile uint32_t fpga_port;

// The current tick; also stored in fpga_port. The first call records the base (the
// whole seconds of the monotonic clock) and returns the sub-second part.
uint32_t FPGA_GetFrt();
