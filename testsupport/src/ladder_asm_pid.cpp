// Mnemonics of the PID instructions. Operands: loop number, record (a register, or for
// the P forms a DINT pointer register), setpoint, process variable, manual, raise and
// lower bits, [tune-start bit, tuning word,] output, [tune-done bit]:
//   PID 0, R100, R1, R2, M1, M2, M3, R3
//   PID_AT 5, R100, R1, R2, M1, M2, M3, M4, 0x0000, R3, M5
#include "ladder_asm_rows.h"

namespace ts {

namespace {
constexpr AsmRow kRows[] = {
    {"PID", 240, "iwwwbbbw"},        {"PID_ISA", 241, "iwwwbbbw"},
    {"PID_AT", 242, "iwwwbbbbiwb"},  {"PID_ISA_AT", 243, "iwwwbbbbiwb"},
    {"PIDP", 523, "iwwwbbbw"},       {"PIDP_ISA", 524, "iwwwbbbw"},
    {"PIDP_AT", 525, "iwwwbbbbiwb"}, {"PIDP_ISA_AT", 526, "iwwwbbbbiwb"},
};
static_assert(std::size(kRows) == 8);
}  // namespace

constinit const std::span<const AsmRow> kAsmPidRows = kRows;

}  // namespace ts
