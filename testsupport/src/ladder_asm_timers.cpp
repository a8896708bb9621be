// Mnemonics of the timers and counters.
//
// Timers: TON on-delay, TOF off-delay, TACC accumulating (with a reset bit first); the
// unit follows (_1MS, _10MS, _100MS, _1S); a D in front is the 32-bit timer; _I at the
// end takes an immediate preset (one word, or two for the 32-bit timers) in place of a
// preset register.
//   TON_10MS R1, R5          on-delay, record R1-R2, preset in R5
//   TACC_1S_I I2, R1, 600    reset I2, record R1-R2, preset 600 s
//   DTOF_1MS_I R1, 100000    record R1-R3 (DINT value, control word)
// Counters: CTU / CTD (up / down, 16-bit) take the reset bit, the record and the preset;
// DCNT is the 32-bit counter with its sub-opcode first (0 up, 2 down: register preset;
// DCNT_I: 1 up, 3 down with a two-word immediate preset).
//   CTU_I I2, R1, 10         DCNT_I 3, I2, R1, -5
#include "ladder_asm_rows.h"

namespace ts {

namespace {
constexpr AsmRow kRows[] = {
    {"TON_10MS", 204, "ww"},
    {"TON_10MS_I", 205, "wi"},
    {"TOF_10MS", 206, "ww"},
    {"TOF_10MS_I", 207, "wi"},
    {"TON_100MS", 208, "ww"},
    {"TON_100MS_I", 209, "wi"},
    {"TOF_100MS", 210, "ww"},
    {"TOF_100MS_I", 211, "wi"},
    {"TACC_10MS", 212, "bww"},
    {"TACC_10MS_I", 213, "bwi"},
    {"TACC_100MS", 214, "bww"},
    {"TACC_100MS_I", 215, "bwi"},
    {"TACC_1S", 458, "bww"},
    {"TACC_1S_I", 459, "bwi"},
    {"TON_1S", 460, "ww"},
    {"TON_1S_I", 461, "wi"},
    {"TOF_1S", 462, "ww"},
    {"TOF_1S_I", 463, "wi"},
    {"TACC_1MS", 474, "bww"},
    {"TACC_1MS_I", 475, "bwi"},
    {"TON_1MS", 476, "ww"},
    {"TON_1MS_I", 477, "wi"},
    {"TOF_1MS", 478, "ww"},
    {"TOF_1MS_I", 479, "wi"},
    {"DTACC_1S", 450, "bww"},
    {"DTACC_1S_I", 451, "bwd"},
    {"DTON_1S", 452, "ww"},
    {"DTON_1S_I", 453, "wd"},
    {"DTOF_1S", 454, "ww"},
    {"DTOF_1S_I", 455, "wd"},
    {"DTACC_1MS", 466, "bww"},
    {"DTACC_1MS_I", 467, "bwd"},
    {"DTON_1MS", 468, "ww"},
    {"DTON_1MS_I", 469, "wd"},
    {"DTOF_1MS", 470, "ww"},
    {"DTOF_1MS_I", 471, "wd"},
    {"DTACC_10MS", 482, "bww"},
    {"DTACC_10MS_I", 483, "bwd"},
    {"DTON_10MS", 484, "ww"},
    {"DTON_10MS_I", 485, "wd"},
    {"DTOF_10MS", 486, "ww"},
    {"DTOF_10MS_I", 487, "wd"},
    {"DTACC_100MS", 498, "bww"},
    {"DTACC_100MS_I", 499, "bwd"},
    {"DTON_100MS", 500, "ww"},
    {"DTON_100MS_I", 501, "wd"},
    {"DTOF_100MS", 502, "ww"},
    {"DTOF_100MS_I", 503, "wd"},
    {"CTU", 200, "bww"},
    {"CTU_I", 201, "bwi"},
    {"CTD", 202, "bww"},
    {"CTD_I", 203, "bwi"},
    {"DCNT", 199, "ibww"},   // sub-opcode 0 or 2 (or any other, for tests of a bad one)
    {"DCNT_I", 199, "ibwd"},  // sub-opcode 1 or 3
};
static_assert(std::size(kRows) == 54);
}  // namespace

constinit const std::span<const AsmRow> kAsmTimerRows = kRows;

}  // namespace ts
