#pragma once
// Stand-in for the SoC's GPIO output banks: each bank's data-out word, changed through
// its set and clear registers as the board's pin-control block does. Outputs driven this
// way: the panel's menu-option outputs, the reset-hold output and the beeper.
//
// Callers: the kernel's system services on the main thread (also the crash screen from
// a fault signal). Every call is a single atomic operation: no lock, no allocation,
// async-signal-safe.

#include <cstdint>

namespace plat {

inline constexpr int kGpioBanks = 5;

// Sets (or clears) the bits of mask in a bank's data-out word; a bank outside
// 0..kGpioBanks-1 is ignored.
void GpioDoutSet(int bank, uint32_t mask);
void GpioDoutClear(int bank, uint32_t mask);
// The bank's data-out word (0 for a bank outside the range).
uint32_t GpioDout(int bank);

// Tests: every output back to 0.
void GpioReset();

}  // namespace plat
