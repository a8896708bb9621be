#pragma once
// The SoC real-time-clock block's persistent registers: six 32-bit words that keep their
// value across resets and watchdog restarts (they are lost only when the RTC supply is).
// The unit keeps its boot status word in register 3 and its reset counter in register 4.
//
// On the board they sit in the mapped SoC register window; on the host this is an
// in-process model, so a host process starts with every register 0, as after a loss of
// the RTC supply. Tests reset it with ResetPersistentRegs.
//
// Callers: the kernel's program storage and retentive-register code on the main thread,
// the power-down path (which may run from a signal handler) and the watchdog-monitor
// thread. Reads and writes never block, take no lock and allocate nothing (each register
// is an atomic word); a read-modify-write from two threads at once may lose one update,
// as on the board.

#include <cstdint>

namespace plat {

inline constexpr int kPersistentRegCount = 6;
inline constexpr int kPersistentBootStatus = 3;
inline constexpr int kPersistentResetCount = 4;

// Register n (0..5); an out-of-range n reads 0 and writes nothing.
uint32_t ReadPersistentReg(int n);
void WritePersistentReg(int n, uint32_t value);
// All registers back to 0 (tests).
void ResetPersistentRegs();

}  // namespace plat
