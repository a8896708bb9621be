// Mnemonics of the INT, DINT and REAL arithmetic, the mathematical functions and the
// compares. Suffixes: none INT, D DINT, R REAL.
#include "ladder_asm_rows.h"

namespace ts {

namespace {
constexpr AsmRow kRows[] = {
    {"ADD", 120, ""},   {"SUB", 121, ""},   {"MUL", 122, ""},    {"DIV", 123, ""},
    {"ADDD", 124, ""},  {"SUBD", 125, ""},  {"MULD", 126, ""},   {"DIVD", 127, ""},
    {"ADDR", 128, ""},  {"SUBR", 129, ""},  {"MULR", 130, ""},   {"DIVR", 131, ""},
    {"ABS", 140, ""},   {"MOD", 141, ""},   {"SQRT", 142, ""},
    {"ABSD", 143, ""},  {"MODD", 144, ""},  {"SQRTD", 145, ""},
    {"ABSR", 146, ""},  {"MODR", 147, ""},  {"SQRTR", 148, ""},  {"POWR", 149, ""},
    {"LOG", 150, ""},   {"EXP", 151, ""},   {"LN", 152, ""},
    {"SIN", 153, ""},   {"COS", 154, ""},   {"TAN", 155, ""},
    {"ASIN", 156, ""},  {"ACOS", 157, ""},  {"ATAN", 158, ""},
    {"EQ", 160, ""},    {"NE", 161, ""},    {"LT", 162, ""},     {"GT", 163, ""},
    {"LE", 164, ""},    {"GE", 165, ""},
    {"EQD", 166, ""},   {"NED", 167, ""},   {"LTD", 168, ""},    {"GTD", 169, ""},
    {"LED", 170, ""},   {"GED", 171, ""},
    {"EQR", 172, ""},   {"NER", 173, ""},   {"LTR", 174, ""},    {"GTR", 175, ""},
    {"LER", 176, ""},   {"GER", 177, ""},
};
static_assert(std::size(kRows) == 49);
}  // namespace

constinit const std::span<const AsmRow> kAsmArithRows = kRows;

}  // namespace ts
