#pragma once
// The boot status word: a 32-bit persistent SoC register (platform/persistent_regs.h)
// in which the storage routines record failures that survive a restart, beside the
// reset counter. Main thread and the power-down path; never blocks.

#include <cstdint>

namespace boot {
inline constexpr uint32_t kAutoregWriteFailed = 0x01;   // autoreg.dta write failed
inline constexpr uint32_t kAutoregBadCrc = 0x02;       // autoreg.dta whole but its CRC wrong
inline constexpr uint32_t kAutoregShortRead = 0x04;     // autoreg.dta short read
inline constexpr uint32_t kAutoregNotCreated = 0x08;    // autoreg.dta could not be created
inline constexpr uint32_t kLadderWriteFailed = 0x20;    // ladder.pgm write failed
inline constexpr uint32_t kLadderLoadFailed = 0x40;     // ladder.pgm load failed
inline constexpr uint32_t kConfigWriteFailed = 0x80;    // config.pgm write failed
inline constexpr uint32_t kConfigLoadFailed = 0x100;    // config.pgm load failed
// The IEC application carried in the logic table was malformed, or its code image
// /mnt/cfg/n4.cod could not be written whole: the runtime was not started.
inline constexpr uint32_t kIecCodeFailed = 0x200;
inline constexpr uint32_t kOrderlyShutdown = 0x8000;    // the last stop was orderly
}  // namespace boot

uint32_t BootStatusGet();
void BootStatusSet(uint32_t value);
void BootStatusOr(uint32_t bits);
void BootStatusClear(uint32_t bits);

uint32_t ResetCounterGet();
void ResetCounterSet(uint32_t value);
