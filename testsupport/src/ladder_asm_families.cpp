// Every family's mnemonic table; a family adds one line here.
#include "ladder_asm_rows.h"

namespace ts {

namespace {
const std::span<const AsmRow> kFamilies[] = {
    kAsmBooleanRows,
    kAsmTimerRows,
    kAsmWordRows,
    kAsmArithRows,
    kAsmTypedRows,
    kAsmLrealRows,
    kAsmIndexedRows,
    kAsmStringRows,
    kAsmPidRows,
    kAsmTalkRows,
};
}  // namespace

std::span<const std::span<const AsmRow>> AsmFamilies() { return kFamilies; }

}  // namespace ts
