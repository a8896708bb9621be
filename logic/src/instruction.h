#pragma once
// What an instruction family exports: handlers of one signature and a constexpr table of
// {opcode, handler} rows. opcode_table.cpp merges the families' tables into the opcode
// map at compile time; a family is added by a header and a source file of its own and
// one line in that merge.
//
// A handler is entered with the instruction pointer on the word after its opcode (the
// first operand word). It reads its operands through operands.h, which advances the
// pointer, and leaves the pointer on the next instruction. It reports a malformed
// program through Machine::Fail; the interpreter then stops the scan with the pointer's
// position as the error position.

#include <cstdint>
#include <iterator>

#include "machine.h"

namespace logic {

using Handler = void (*)(Machine& m, uint16_t opcode);

struct OpRow {
  uint16_t opcode;
  Handler run;
};

}  // namespace logic
