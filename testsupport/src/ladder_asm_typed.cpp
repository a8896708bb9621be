// Mnemonics of the typed conversions, the byte transfers, the 8-bit and unsigned
// arithmetic, their compares and the window tests. Types: US USINT, SI SINT, UI UINT,
// UD UDINT. Conversions are named source_TO_target; where two opcodes convert alike the
// second carries the suffix 2.
#include "ladder_asm_rows.h"

namespace ts {

namespace {
constexpr AsmRow kRows[] = {
    {"US_TO_UI", 300, "y"},   {"US_TO_UI2", 303, "y"},   {"US_TO_UD", 301, "y"},   {"US_TO_UD2", 304, "y"},
    {"US_TO_R", 302, "y"},    {"SI_TO_I", 324, "y"},     {"SI_TO_D", 325, "y"},    {"SI_TO_R", 326, "y"},
    {"SI_TO_US", 327, "y"},   {"SI_TO_UD", 328, "y"},
    {"UI_TO_UD", 306, "w"},   {"UI_TO_UD2", 309, "w"},   {"UI_TO_R", 307, "w"},    {"UI_TO_SI", 305, "w"},
    {"UI_TO_US", 308, "w"},   {"UI_TO_US2", 315, "w"},   {"I_TO_UD", 316, "w"},    {"I_TO_SI", 329, "w"},
    {"UD_TO_SI", 310, "w"},   {"UD_TO_US", 313, "w"},    {"UD_TO_US2", 317, "w"},  {"UD_TO_UI", 314, "w"},
    {"UD_TO_UI2", 318, "w"},  {"D_TO_I", 311, "w"},      {"D_TO_SI", 330, "w"},    {"UD_TO_R", 312, "w"},
    {"R_TO_US", 319, "w"},    {"R_TO_UI", 320, "w"},     {"R_TO_SI", 331, "w"},    {"R_TO_UD", 321, "w"},
    {"PUSHB", 195, "y"},      {"PULLB", 196, "y"},
    {"MUL_US", 260, ""},      {"DIV_US", 261, ""},       {"MUL_UI", 262, ""},      {"DIV_UI", 263, ""},
    {"MUL_UD", 264, ""},      {"DIV_UD", 265, ""},       {"ADD_SI", 266, ""},      {"SUB_SI", 267, ""},
    {"MUL_SI", 268, ""},      {"DIV_SI", 269, ""},       {"SHL_US", 270, ""},      {"SHR_US", 271, ""},
    {"ROL_US", 272, ""},      {"ROR_US", 273, ""},
    {"ADD_U", 289, "i"},      {"SUB_U", 290, "i"},       {"SQRT_U", 291, "i"},     {"MOD_U", 292, "i"},  // sub-code 32 UINT, 160 UDINT
    {"GT_US", 280, ""},       {"GE_US", 281, ""},        {"GT_UI", 282, ""},       {"GE_UI", 283, ""},
    {"GT_UD", 284, ""},       {"GE_UD", 285, ""},        {"EQ_SI", 286, ""},       {"GT_SI", 287, ""},
    {"GE_SI", 288, ""},
    {"WINDOW", 192, ""},      {"WINDOWD", 193, ""},      {"WINDOWR", 194, ""},
};
static_assert(std::size(kRows) == 62);
}  // namespace

constinit const std::span<const AsmRow> kAsmTypedRows = kRows;

}  // namespace ts
