// Mnemonics of the LREAL instruction (opcode 543 and its sub-opcode word). The operators
// work on the LREALs of the word stack (PUSH4, PUSH4K, PULL4 move them):
//   PUSH4 R1; PUSH4 R5; ADDL; PULL4 R9       R9..R12 = R1..R4 + R5..R8
//   LTOSTR R20, R1, 0, 8, %.3f               text of R1..R4 into the bytes from R20
#include "ladder_asm_rows.h"

namespace ts {

namespace {
constexpr AsmRow kRows[] = {
    {"EQL", 543, "0|"},     {"NEL", 543, "1|"},     {"GTL", 543, "2|"},    {"LTL", 543, "3|"},
    {"GEL", 543, "4|"},     {"LEL", 543, "5|"},     {"WINL", 543, "6|"},   // low, high, value
    {"ADDL", 543, "16|"},   {"SUBL", 543, "17|"},   {"MULL", 543, "18|"},  {"DIVL", 543, "19|"},
    {"MODL", 543, "20|"},   {"SQRTL", 543, "21|"},  {"ABSL", 543, "22|"},
    {"PUSH_I2L", 543, "32|w"},  {"PUSH_D2L", 543, "33|w"},  {"PUSH_R2L", 543, "34|w"},
    {"PUSH_L2I", 543, "35|w"},  {"PUSH_L2D", 543, "36|w"},  {"PUSH_L2R", 543, "37|w"},
    {"STRTOL", 543, "38|wy"},   // LREAL D, string S
    {"LTOSTR", 543, "39|ywiif"},  // string D, LREAL S, unused word, L, format
    {"MOVL", 543, "48|ww"},     {"MOVLK", 543, "49|wq"},
    {"POWL", 543, "64|"},   {"LOGL", 543, "65|"},   {"EXPL", 543, "66|"},  {"LNL", 543, "67|"},
    {"SINL", 543, "68|"},   {"COSL", 543, "69|"},   {"TANL", 543, "70|"},  {"ASINL", 543, "71|"},
    {"ACOSL", 543, "72|"},  {"ATANL", 543, "73|"},  {"DEG2RADL", 543, "74|"}, {"RAD2DEGL", 543, "75|"},
    {"LREAL", 543, "i"},    // any sub-opcode, for tests of an unknown one
};
static_assert(std::size(kRows) == 37);
}  // namespace

constinit const std::span<const AsmRow> kAsmLrealRows = kRows;

}  // namespace ts
