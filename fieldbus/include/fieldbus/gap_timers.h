#pragma once
// Receive-gap timers: five polled timers of 100-microsecond resolution that the serial
// ports use to find the silence that ends a Modbus RTU frame and to time explicit receive
// waits. Timers are named by handles 1..5; 0 means none, and every call with a handle
// outside 1..5 does nothing, so a caller whose allocation failed stays harmless.
//
// Time comes from the unit's monotonic 0.1 ms time base (FPGA_GetFrt), never from the
// wall clock: setting the clock must not cut a frame.
//
// Main thread only. A poll may run inside a time-slice pass while a port is in the
// middle of its own timer work; every operation leaves the table consistent after each
// store and none allocates or locks.

#include <cstdint>

using RctCallback = void (*)();

// Timer types of RCT_Set.
inline constexpr int kRctBaudTimeout = 1;  // one-shot, period from the baud index given as the value
inline constexpr int kRctPeriodic = 2;     // periodic, value in microseconds
inline constexpr int kRctOneShotUs = 3;    // one-shot, value in microseconds (any other type too)

// Marks all five timers free (fieldbus/services.h declares it with RctISR).
void RCT_Init();
// The first free timer, stopped, with the callback; 0 when all five are taken.
int RCT_Allocate(RctCallback callback);
void RCT_Release(int handle);
// Sets type and period without changing the state; takes effect at the next start.
void RCT_Set(int handle, uint32_t value, int type);
void RCT_Stop(int handle);
// Starts or restarts the timer from now; a timer whose period is 0 never starts.
void RCT_Start(int handle);
// Polls all timers and calls the callback of each one that ran out.
void RctISR();

// Ticks until a poll fires the timer: 0 when the next poll does, UINT32_MAX while it
// does not run. A waiting port sleeps until then rather than polling at random.
uint32_t RctTicksToExpiry(int handle);

// For tests: the state (0 free, 1 stopped, 2 running) and the ticks left of a timer.
int RctState(int handle);
uint32_t RctRemaining(int handle);
