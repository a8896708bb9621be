// Mnemonics of the word stack transfers, the register moves and fills, the indirect and
// array copies, and the bitwise logic, shifts and rotates.
//
// The typed forms of 91 and 97 to 99 start with their header as immediates: 0, 0, type,
// flags (91: a word not read), then the fields the form takes:
//   BLKMOV_TW 0,0,2,0, R1, R10, 4        copy four words R10.. to R1..
//   MOVI_S_AW 0,0,2,4, R1, R100, 2, R9   two words from element R9 of the array at R100
#include "ladder_asm_rows.h"

namespace ts {

namespace {
constexpr AsmRow kRows[] = {
    // Stack transfers.
    {"PUSH", 80, "w"},          // INT at S
    {"PUSHK", 81, "i"},
    {"PULL", 82, "w"},          // one cell into D
    {"PUSH2", 83, "w"},         // DINT or REAL at S
    {"PUSH2K", 84, "d"},
    {"PULL2", 85, "w"},         // two cells into D, D + 1
    {"PUSHK_I2D", 86, "i"},     // immediate sign-extended to DINT
    {"PUSH_I2D", 87, "w"},      // INT at S sign-extended to DINT
    {"PUSH_D2I", 75, "w"},
    {"PUSH_R2D", 76, "w"},
    {"PUSH_R2I", 77, "w"},
    {"PUSH_D2R", 78, "w"},
    {"PUSH_I2R", 79, "w"},
    {"PUSH4", 540, "w"},        // LREAL at S
    {"PUSH4K", 541, "q"},
    {"PULL4", 542, "w"},
    // Moves and fills: destination first.
    {"MOV", 90, "ww"},
    {"MOVK", 92, "wi"},
    {"MOV2", 95, "ww"},
    {"MOV2K", 96, "wd"},
    {"FILL", 93, "wwi"},        // D, S, n
    {"FILLK", 94, "wii"},       // D, v, n
    {"BLKMOV", 91, "wwi"},      // D, S, n
    {"BLKMOV_TB", 91, "iiiiyyi"},  // typed, type 1: byte D, byte S, n
    {"BLKMOV_TW", 91, "iiiiwwi"},  // typed, types 2 to 4: D, S, n
    // Indirect copies, plain form: 97 D, P, n; 98 P, S, n; 99 P (destination), Q, n.
    {"MOVI_S", 97, "wwi"},
    {"MOVI_D", 98, "wwi"},
    {"MOVI_SD", 99, "wwi"},
    // Typed forms: _P pointer fields, _A array fields; W word units, B byte units.
    {"MOVI_S_PW", 97, "iiiiwwi"},     // D, P, n
    {"MOVI_S_PB", 97, "iiiiywi"},
    {"MOVI_S_AW", 97, "iiiiwwiw"},    // D, B, n, X
    {"MOVI_S_AB", 97, "iiiiyyiw"},
    {"MOVI_D_PW", 98, "iiiiwwi"},     // P, S, n
    {"MOVI_D_PB", 98, "iiiiwyi"},
    {"MOVI_D_AW", 98, "iiiiwwiw"},    // B, S, n, X
    {"MOVI_D_AB", 98, "iiiiyyiw"},
    {"MOVI_SD_P", 99, "iiiiwwi"},     // P, Q, n
    {"MOVI_SD_AW", 99, "iiiiwwiww"},  // Bd, Bs, n, X (source index), Y (destination index)
    {"MOVI_SD_AB", 99, "iiiiyyiww"},
    // Bitwise logic, shifts and rotates.
    {"ANDW", 100, ""}, {"ORW", 101, ""}, {"XORW", 102, ""}, {"NOTW", 103, ""},
    {"ANDD", 104, ""}, {"ORD", 105, ""}, {"XORD", 106, ""}, {"NOTD", 107, ""},
    {"SHLW", 110, ""}, {"SHRW", 111, ""}, {"ROLW", 112, ""}, {"RORW", 113, ""},
    {"SHLD", 114, ""}, {"SHRD", 115, ""}, {"ROLD", 116, ""}, {"RORD", 117, ""},
    {"DEG2RAD", 108, ""}, {"RAD2DEG", 109, ""},
};
static_assert(std::size(kRows) == 57);
}  // namespace

constinit const std::span<const AsmRow> kAsmWordRows = kRows;

}  // namespace ts
