#pragma once
// A ladder assembler for tests: mnemonics (or opcode numbers) with their operands in
// either operand form, and labels for jumps and calls. Its tables are written from the
// instruction set, independently of the engine.
//
//   ts::LadderAsm a;                            // 16-bit operand form
//   ts::LadderAsm b(ts::OperandForm::k32);      // 32-bit register tokens
//   std::vector<uint16_t> code = a.Assemble(R"(
//       LD I1; LD I2; OR          // contact words, the OR of two branches
//       OUT Q1                    // coil
//       SKIPOFF done              // jumps and calls take labels
//       SET Q2
//     done:
//       END
//   )");
//   uint32_t at = a.Label("done");             // word position of a label
//
// Statements end at a newline or ';'; "//" starts a comment. A statement is a label
// ("name:"), a mnemonic with its operands (separated by blanks or commas), "OP<n>" for
// the bare opcode word n, or ".word" with raw words.
//
// Operands:
//   registers   IG1 QG1 S1 K1 I1 Q1 T1 M1 (bits); AIG1 AQG1 SR1..SR448 F1 AI1 AQ1 R1
//               (words; R5.3 is bit 3 of R5, bits 1..16); ET1 EM1 (bits of the ET and
//               EM windows); @n a raw register token (decimal or 0x hex)
//   immediates  12, -5, 0x1F; 1.5 (a REAL, in a two-word immediate); a label or a number
//               for jump and call offsets
// A register operand is encoded in the assembler's form: in the 16-bit form a word or
// byte reference beyond what one word reaches takes the escape 1776 or 1777; a register
// the form cannot reach is an error (std::invalid_argument, with the statement).
//
// Instruction families add their mnemonics as rows {name, opcode, operand kinds} in a
// file testsupport/src/ladder_asm_<family>.cpp and list that table once in
// testsupport/src/ladder_asm_families.cpp.

#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace ts {

enum class OperandForm { k16, k32 };

// Operand kinds of a row, one letter per operand in stream order:
//   b  bit reference                 w  word reference
//   W  word reference, 16-bit form without escapes
//   y  byte reference                t  register token, one word (16-bit form) or two
//   i  one-word immediate            d  two-word immediate (DINT or REAL), low first
//   q  four-word immediate (LREAL)   j  16-bit signed offset
//   u  16-bit unsigned offset        J  32-bit signed offset (two words, low first)
//   T  register token or number, two words in both forms
//   k  register token in one word in both forms
//   s  literal bytes, padded to whole words   f  a 20-byte format text, 0-padded
//      (literal text as written; \xHH for any byte, such as a blank or a comma)
// A kinds string "n|..." puts the word n (a sub-opcode) right after the opcode.
struct AsmRow {
  std::string_view name;
  uint16_t opcode;
  std::string_view operands;
};

// Every registered row (all families).
std::span<const std::span<const AsmRow>> AsmFamilies();

// Register token for a register name as above ("R5", "Q12", "R5.3", "@0x10008000").
uint32_t RegisterToken(std::string_view name);

class LadderAsm {
 public:
  explicit LadderAsm(OperandForm form = OperandForm::k16) : form_(form) {}

  // Assembles the whole text; labels may be used before they are defined.
  std::vector<uint16_t> Assemble(std::string_view text);
  // Word position of a label of the last assembly.
  uint32_t Label(const std::string& name) const;
  OperandForm form() const { return form_; }

 private:
  struct Fixup {
    std::size_t at;      // first word of the offset
    uint32_t after;      // position the offset counts from
    std::string label;
    char kind;           // j, u or J
    std::string statement;
  };
  void Statement(std::string_view text, std::vector<uint16_t>& out, std::vector<Fixup>& fixups);
  void Operand(char kind, std::string_view arg, std::vector<uint16_t>& out, std::vector<Fixup>& fixups,
               std::string_view statement);

  OperandForm form_;
  std::map<std::string, uint32_t> labels_;
};

}  // namespace ts
