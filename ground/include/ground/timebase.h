#pragma once
// The unit's time base: a free-running u32 count of 0.1 ms ticks from the platform's
// monotonic clock. It wraps after 2^32 ticks (about 4.97 days); every user compares
// differences of u32 ticks. Reading it is async-signal-safe (time slices read it) and
// safe from any thread.

#include <cstdint>

// The latest value returned by FPGA_GetFrt; the general timers read it.
extern volatile uint32_t fpga_port;

// The current tick; also stored in fpga_port. The first call records the base (the
// whole seconds of the monotonic clock) and returns the sub-second part.
uint32_t FPGA_GetFrt();
// Microseconds until FPGA_GetFrt reaches tick (0 when it has, or passed it by less than
// half the wrap), rounded up, so that a wait of that long ends on the tick.
uint32_t FrtUsUntil(uint32_t tick);

// Busy waits that hold the caller (the main loop) while they run: Delay until the tick
// has advanced by ms x 10, SYS_Wait for n x 10 ms.
void Delay(uint32_t ms);
void SYS_Wait(uint32_t n);

namespace tx {
// Milliseconds of the time base, for the cooperative interface's users. It is kept as a
// wrapping u32 count of its own (taken from the 64-bit tick), so differences stay right
// when the tick passes 2^31 and wraps at 2^32; it wraps only after 2^32 ms (49.7 days).
uint32_t _tx_time_get();
}  // namespace tx
