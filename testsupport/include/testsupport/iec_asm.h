#pragma once
// An assembler for IEC bytecode, written from the instruction table of
// docs/iec-code-image.md (its own table, not the runtime's). One program per call:
//
//   LOOP_TOP:
//     ADD.D 3, 3, 4        ; d3 := d3 + d4
//     GT.D 5, 3, 6
//     JF 5, LOOP_TOP       ; j operands take labels (or numbers)
//     IMM.S 2, "hello"     ; counted texts from string literals
//     CALLF 135, 7, 8      ; counted lists take the remaining operands
//     ADD.D! 3, 3, 4       ; the lock-respecting form
//     RET
//
// Operands are decimal or 0x hex numbers (K and Q constants may be negative), labels
// and string literals; ';' starts a comment, lines may also be separated by '|'.
#include <cstdint>
#include <string>
#include <vector>

namespace ts {

struct IecAsmError {
  std::string message;
};

// Assembles one program; throws IecAsmError on an unknown mnemonic, a wrong operand
// count or an unknown label.
std::vector<uint16_t> IecAssemble(const std::string& source);
// The opcode of a mnemonic (with "!" for the lock-respecting form), 0 when unknown.
uint16_t IecOpcode(const std::string& mnemonic);
// Every opcode the table defines.
std::vector<uint16_t> IecAllOpcodes();

}  // namespace ts
