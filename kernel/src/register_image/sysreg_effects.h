#pragma once
// The limit check and the side effects of writes to SR1..SR192.

#include <cstdint>

// Result of SysRegWrite: the call's final answer, or go on with the ordinary write.
inline constexpr int kSysRegContinue = -1;

// Checks a write of nbits at a token of SR1..SR192 (other than SR9) against sr_info and
// runs the register's side effect. Returns 0 (refused), 1 (done), a clock routine's
// result, or kSysRegContinue.
int SysRegWrite(uint32_t token, const uint8_t* source, uint32_t nbits);
