// Mnemonics of the array, pointer and mask instructions.
//   ARR_GETW R100, R5        push element R5 of the word array at R100 (base: one word)
//   ADDROF R1, R10, 0        R1 (DINT) = byte address of R10
//   PTR_GETW R1, 2           push the word 2 bytes above the address in R1
//   BITAREA 0x201, R10, 9, 4 set bit 9 of a 4-byte area at R10 (the record's words)
#include "ladder_asm_rows.h"

namespace ts {

namespace {
constexpr AsmRow kRows[] = {
    {"ARR_GETX", 340, "kw"},  {"ARR_SETX", 341, "kw"},  {"ARR_GETB", 342, "kw"}, {"ARR_SETB", 343, "kw"},
    {"ARR_GETW", 344, "kw"},  {"ARR_SETW", 345, "kw"},  {"ARR_GETD", 346, "kw"}, {"ARR_SETD", 347, "kw"},
    {"ADDROF", 350, "wyi"},   {"PTR_GETB", 351, "wi"},  {"PTR_GETW", 352, "wi"}, {"PTR_GETD", 353, "wi"},
    {"PTR_GETX", 354, "wi"},  {"PTR_SETB", 355, "wi"},  {"PTR_SETW", 356, "wi"}, {"PTR_SETD", 357, "wi"},
    {"PTR_OUT", 358, "wi"},   {"PTR_ADD", 359, "wwd"},  {"ISONE", 360, "w"},     {"MASKT", 362, "ww"},
    {"MASKTD", 363, "ww"},    {"MASKW", 364, "ww"},     {"MASKWD", 365, "ww"},   {"BITAREA", 384, "iTTT"},
    {"PTR_COPY", 505, "wwi"}, {"PTR_FILL", 506, "wwi"}, {"PTR_FILLK", 507, "wii"}, {"PTR_COPY4", 508, "ww"},
    {"PTR_STORE4", 509, "wd"},
};
static_assert(std::size(kRows) == 29);
}  // namespace

constinit const std::span<const AsmRow> kAsmIndexedRows = kRows;

}  // namespace ts
