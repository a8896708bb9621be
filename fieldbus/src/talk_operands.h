#pragma once
// Reading the serial blocks' operands from the program stream (the forms talk.h lists).
#include <cstdint>

#include "fieldbus/talk.h"

namespace talk {

inline constexpr uint32_t kFirstToken = 1024;

// A register token in the program's form: one word (with the escapes 1776 and 1777 and
// their index) or two words, low first. Below 1024 it is a constant.
uint32_t Token(BlockCursor& c);
// The register a token names, for words words, or null (and the cursor marked) when it
// names none.
uint8_t* WordAt(BlockCursor& c, uint32_t token, uint32_t words = 1);
uint16_t Read16(const uint8_t* p);
void Write16(uint8_t* p, uint16_t v);

// A value operand: a constant below 1024, else the word of the register it names.
struct Value {
  uint32_t token = 0;  // 0 for a constant
  uint16_t value = 0;
};
Value ValueOperand(BlockCursor& c);

}  // namespace talk
