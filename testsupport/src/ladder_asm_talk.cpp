// Mnemonics of the serial communication blocks.
//   TALKOPEN 0, 0x0009, 0x0003, 0x3300      port 0, mode 09 00 03 00 00 33 (three words)
//   TALKOPEN_REG 0x4000, R100               the set-up in R100..R107
//   TALKCLOSE 0
//   TALKSEND 0, @10, R20, R19               port, byte count (a constant as a raw token, or
//   TALKRECV 0, R18, R20, R19               a register), data, progress register
//   IEC_TALKSEND, IEC_TALKRECV              the same through the sub-coded opcode;
//   IEC_TALKSEND_IND, IEC_TALKRECV_IND      with _IND the data operand is a register pair
//                                           holding a byte offset into the image
//   TALKMODEM_INIT 2, 0, R10, 3, ATZ        port, function 0, status, length, string
//   TALKMODEM_DIAL 2, 1, R10, 0, @3, 123    port, function 1, status, flags, length, number
//   TALKMODEM_DIALREG 2, 1, R10, 1, R30     the number in the string at R30
//   TALKMODEM_ANSWER 2, 2, R10, 2           port, function 2, status, rings
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
    {"TALKOPEN", 132, "iiii"},
    {"TALKOPEN_REG", 132, "it"},
    {"TALKCLOSE", 135, "i"},
    {"TALKSEND", 133, "ittt"},
    {"TALKRECV", 134, "ittt"},
    {"IEC_TALKSEND", 394, "0|ittt"},
    {"IEC_TALKSEND_IND", 394, "1|ittt"},
    {"IEC_TALKRECV", 394, "2|ittt"},
    {"IEC_TALKRECV_IND", 394, "3|ittt"},
    {"TALKMODEM_INIT", 136, "iitis"},
    {"TALKMODEM_DIAL", 136, "iitits"},
    {"TALKMODEM_DIALREG", 136, "iitit"},
    {"TALKMODEM_ANSWER", 136, "iiti"},
    {"MODBUS", 137, "ittttt"},
    {"MODBUS_X", 137, "itttttiiiitt"},
    {"IEC_MODBUS", 531, "ittttt"},
    {"IEC_MODBUS_X", 531, "itttttiiiitt"},
};
}  // namespace

const std::span<const AsmRow> kAsmTalkRows = kRows;

}  // namespace ts
