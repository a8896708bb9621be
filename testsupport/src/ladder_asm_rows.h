#pragma once
// The mnemonic tables of the instruction families, one per family file.

#include <span>

#include "testsupport/ladder_asm.h"

namespace ts {

extern const std::span<const AsmRow> kAsmBooleanRows;  // booleans, coils, flow, screens
extern const std::span<const AsmRow> kAsmTimerRows;    // timers and counters

}  // namespace ts
