#pragma once
// The SoC's power controller and the kernel's power-down notice.
//
// Reset register: a write of the unlock key 0x3E77 in the high half with the power-down
// bit (bit 0) switches the SoC off. On the host the model ends the process instead,
// never the host: it writes "panel: power off" to the standard output and exits at once
// with kPowerOffExitStatus (the files the unit wrote are closed by the exit; nothing
// else runs). Any other value is ignored. Tests hold the switch-off: the write is then
// only counted and returns.
//
// Power-down notice: the unit registers its process id, and the board's kernel then
// sends signal 44 when the supply fails. On the host the model keeps the id; the signal
// comes from whoever sends it (a test's kill -44).
//
// Callers: the power-down path on the main thread, which may run inside the time-slice
// signal: the switch-off uses only write and _exit, allocates nothing and takes no lock.

#include <cstdint>
#include <sys/types.h>

namespace plat {

inline constexpr uint32_t kPowerOffWord = 0x3E770001;
inline constexpr int kPowerOffExitStatus = 44;

// Writes the reset register. Returns only when the write did not switch the unit off.
void PowerControllerWrite(uint32_t value);
// The process that the kernel signals at a power failure.
void RegisterPowerDownNotice(pid_t pid);

namespace power_model {
// Tests: hold the switch-off (writes are counted, the process goes on).
void Hold(bool on);
unsigned SwitchOffWrites();
pid_t NoticePid();
void Reset();
}  // namespace power_model

}  // namespace plat
