// Mnemonics of the boolean, coil, flow and screen instructions. The contact word itself
// is the assembler's LD.
#include "ladder_asm_rows.h"

namespace ts {

namespace {
constexpr AsmRow kRows[] = {
    {"END", 9, ""},
    {"LDX", 31, "b"},         // contact for a bit a contact word cannot hold
    {"NOT", 32, ""},
    {"PWR_ON", 33, ""},       // top = 0xFF
    {"PWR_OFF", 34, ""},      // top = 0
    {"OR", 35, ""},
    {"AND", 36, ""},
    {"OUT", 38, "b"},
    {"ALARM_SCREEN", 39, "i"},
    {"SCREEN_SHOWN", 40, "i"},
    {"ALARM_GROUP", 41, "iiiWWbbbb"},  // N, K, T, S, A, next, previous, clear, acknowledge
    {"SCREEN", 48, "i"},
    {"OUT_P", 50, "b"},       // positive transition coil
    {"OUT_N", 51, "b"},       // negative transition coil
    {"SET", 52, "b"},
    {"RST", 53, "b"},
    {"OUT_NOT", 54, "b"},
    {"POP", 55, ""},
    {"RESTORE", 56, ""},      // push back the slot above the top
    {"AND_NOT", 60, ""},
    {"OR_NOT", 61, ""},
    {"NAND", 62, ""},
    {"NOR", 63, ""},
    {"OR_BRANCH", 64, ""},    // top OR (a AND b)
    {"AND_BRANCH", 65, ""},   // top AND (a OR b)
    {"JMP32", 68, "J"},
    {"CALL32", 69, "J"},
    {"SKIPOFF", 70, "u"},     // no pop; jump forward when the top is 0
    {"JMP", 71, "j"},
    {"CALL", 73, "j"},
    {"RET", 74, ""},
    {"STEP", 361, "wJJJJ"},
};
static_assert(std::size(kRows) == 32);
}  // namespace

constinit const std::span<const AsmRow> kAsmBooleanRows = kRows;

}  // namespace ts
