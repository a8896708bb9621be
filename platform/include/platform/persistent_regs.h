#pragma once
// The SoC real-time-clock block's persistent registers: six 32-bit words that keep their
// value across resets and watchdog restarts (they are lost only when the RTC supply is).
// The unit keeps its boot status word in register 3 and its reset counter in register 4.
//
// On the board they sit in the mapped SoC register window. On the host the registers are
// in-process words (every register 0, as after a loss of the RTC supply) until
// AttachPersistentRegs maps the model file "/dev/persistent_regs" below the device root:
// from then on they live in that shared mapping, so they survive the process as the
// board's survive a reset, a crash or a kill included. Tests reset the model (and drop the
// mapping) with ResetPersistentRegs.
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
// All registers back to 0 and the model file, if any, no longer used (tests).
void ResetPersistentRegs();
// Maps the model file (created with zeros when missing) as the registers' home; false,
// with the in-process words kept, when it cannot be. Start-up only.
bool AttachPersistentRegs();
// Writes the mapped registers through to the file (msync); true without a mapping.
bool SyncPersistentRegs();

}  // namespace plat
