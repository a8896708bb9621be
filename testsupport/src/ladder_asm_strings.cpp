// Mnemonics of the string and byte-block instructions. Literals and formats are written
// as text (\xHH for a blank, comma or semicolon):
//   STRCPYK 3, R10, abc            copy the literal "abc" to the bytes from R10
//   FMT R20, R1, 0, 2, 10, %d      R1 as text with two decimals, at most 10 characters
//   IEC_CAT R1, R3                 append the IEC string at the address in R3 to R1's
#include "ladder_asm_rows.h"

namespace ts {

namespace {
constexpr AsmRow kRows[] = {
    {"STRCMP", 178, "iyy"},     {"STRCMPK", 179, "iys"},     {"STRCPY", 182, "iyy"},
    {"STRCPYK", 183, "iys"},    {"STRTONUM", 184, "wyi"},    {"FMT", 187, "ywiiif"},
    {"STRLEN", 188, "wy"},      {"DEC64", 400, "yw"},        {"IEC_CPY", 511, "ww"},
    {"IEC_CAT", 512, "ww"},     {"IEC_EQ", 513, "ww"},       {"IEC_CMP", 514, "ww"},
    {"IEC_CMP2", 515, "ww"},    {"IEC_TONUM", 516, "wwi"},   {"FMTP", 517, "wwiiif"},
    {"FMT_IEC", 518, "wwiiif"}, {"TXT_TONUM", 519, "wwi"},
};
static_assert(std::size(kRows) == 17);
}  // namespace

constinit const std::span<const AsmRow> kAsmStringRows = kRows;

}  // namespace ts
