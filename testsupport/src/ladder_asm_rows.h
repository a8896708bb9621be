#pragma once
// The mnemonic tables of the instruction families, one per family file.

#include <span>

#include "testsupport/ladder_asm.h"

namespace ts {

extern const std::span<const AsmRow> kAsmBooleanRows;  // booleans, coils, flow, screens
extern const std::span<const AsmRow> kAsmTimerRows;    // timers and counters
extern const std::span<const AsmRow> kAsmWordRows;     // stack transfers, moves, word logic
extern const std::span<const AsmRow> kAsmArithRows;    // arithmetic, functions, compares
extern const std::span<const AsmRow> kAsmTypedRows;    // typed conversions, 8-bit and unsigned
extern const std::span<const AsmRow> kAsmLrealRows;    // LREAL sub-opcodes
extern const std::span<const AsmRow> kAsmIndexedRows;  // arrays, pointers, masks
extern const std::span<const AsmRow> kAsmStringRows;   // strings and byte blocks
extern const std::span<const AsmRow> kAsmPidRows;      // PID loops
extern const std::span<const AsmRow> kAsmTalkRows;     // serial communication blocks

}  // namespace ts
