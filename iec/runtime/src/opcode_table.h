#pragma once
// The opcode operand table: for every opcode, the operand words that follow it and, for
// instructions with a counted list, which operand holds the count. The interpreter
// decodes every instruction's extent from it before executing it.
#include <cstdint>

namespace n4vm {

inline constexpr uint16_t kOpMax = 569;

struct OpForm {
  uint8_t fixed;     // operand words before the counted list (kInvalid: not an opcode)
  int8_t count_at;   // operand index of the list's count word, -1 for none
  const char* layout;
};
inline constexpr uint8_t kInvalid = 0xFF;

// Indexed by opcode, 0 .. kOpMax.
const OpForm& Form(uint16_t opcode);
bool IsValid(uint16_t opcode);

}  // namespace n4vm
