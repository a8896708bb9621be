// Mnemonics of the serial communication blocks.
//   TALKOPEN 0, 0x0009, 0x0003, 0x3300      port 0, mode 09 00 03 00 00 33 (three words)
//   TALKOPEN_REG 0x4000, R100               the set-up in R100..R107
//   TALKCLOSE 0
//   MODBUS 0, @7, @0, R1001, R1010, R1000   port, slave id (constant 7 as a raw token,
//                                           or a register), time-out, control, message
//                                           area, status
//   MODBUS_X ..., 1023, 3, pairs, 0, R200, M1   with the extension: count, store-and-
//                                           forward pairs and table, write-inhibit bit
// IEC_MODBUS and IEC_MODBUS_X are the in-line form with the same operands.
#include "ladder_asm_rows.h"

namespace ts {

namespace {
constexpr AsmRow kRows[] = {
    {"TALKOPEN", 132, "iiii"},      {"TALKOPEN_REG", 132, "it"},          {"TALKCLOSE", 135, "i"},
    {"MODBUS", 137, "ittttt"},      {"MODBUS_X", 137, "itttttiiiitt"},    {"IEC_MODBUS", 531, "ittttt"},
    {"IEC_MODBUS_X", 531, "itttttiiiitt"},
};
}  // namespace

const std::span<const AsmRow> kAsmTalkRows = kRows;

}  // namespace ts
