#pragma once
// The eight general timers: slots counted in ticks of the time base, with which the
// command protocol, its media replay client and the option-board link time their
// exchanges. Main thread only; a time slice may see a slot's flags halfway through an
// update (byte stores, no lock).

#include <cstdint>

inline constexpr int kGeneralTimers = 8;
inline constexpr uint8_t kNoTimer = 255;

// Timer_Status results.
enum : int {
  kTimerBadIndex = 0,     // index above 7
  kTimerNotAllocated = 1,
  kTimerStopped = 2,
  kTimerRunning = 3,
  kTimerExpired = 4,      // reported once: the timer stops on this answer
};

// Clears all slots. The tick source is fpga_port (refreshed by every FPGA_GetFrt) and
// the rate the microseconds per tick (100); a rate of 0 is taken as 100.
void Timer_Init(const volatile uint32_t* tick_source, uint32_t rate_us);
// Reserves the first run of n consecutive free slots (lowest index first) and returns
// its first index; kNoTimer when no such run is free or n is not 1..8.
uint8_t Timer_Allocate(int n);
// Starts a timer of ms milliseconds (ms = 0 reuses the stored period) from the tick
// source's current value and returns the period in ticks; 0 when the period is 0 (the
// timer does not run). An index above 7 or a slot that is not allocated starts nothing
// and returns the index unchanged, as callers of this interface have always seen it;
// Timer_Status tells such a slot apart (0 or 1).
uint32_t Timer_Start(uint8_t index, uint32_t ms);
void Timer_Stop(uint8_t index);
// Refreshes the tick, then answers one of the Timer_Status results above. The answer
// kTimerExpired is given once, so each timer has one owner that asks for it.
int Timer_Status(uint8_t index);
// Refreshes the tick; true while the timer runs and has not expired. Leaves an expiry to
// the owner's Timer_Status.
bool Timer_Running(uint8_t index);
// Frees the slot.
void Timer_Release(uint8_t index);
