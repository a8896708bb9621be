#pragma once
// Arithmetic of the 8-bit types (USINT, SINT: one cell of which the operators read and
// write the low byte unless said otherwise) and the unsigned types (UINT one cell, UDINT
// two cells), the USINT shifts and rotates, and the typed unsigned instructions whose
// sub-code word selects UINT (32) or UDINT (160); any other sub-code does nothing more.
//
// SINT -128 divided by -1 keeps -128 and turns the power flow off, like the other
// widths' most negative quotient.

#include "instruction.h"

namespace logic {

namespace shortarith {
void MulUsint(Machine& m, uint16_t opcode);   // 260
void DivUsint(Machine& m, uint16_t opcode);   // 261
void MulUint(Machine& m, uint16_t opcode);    // 262
void DivUint(Machine& m, uint16_t opcode);    // 263
void MulUdint(Machine& m, uint16_t opcode);   // 264
void DivUdint(Machine& m, uint16_t opcode);   // 265
void AddSint(Machine& m, uint16_t opcode);    // 266
void SubSint(Machine& m, uint16_t opcode);    // 267
void MulSint(Machine& m, uint16_t opcode);    // 268
void DivSint(Machine& m, uint16_t opcode);    // 269
void ShlUsint(Machine& m, uint16_t opcode);   // 270
void ShrUsint(Machine& m, uint16_t opcode);   // 271
void RolUsint(Machine& m, uint16_t opcode);   // 272
void RorUsint(Machine& m, uint16_t opcode);   // 273
void AddTyped(Machine& m, uint16_t opcode);   // 289
void SubTyped(Machine& m, uint16_t opcode);   // 290
void SqrtTyped(Machine& m, uint16_t opcode);  // 291
void RemTyped(Machine& m, uint16_t opcode);   // 292
}  // namespace shortarith

inline constexpr OpRow kShortArithRows[] = {
    {260, shortarith::MulUsint}, {261, shortarith::DivUsint}, {262, shortarith::MulUint},
    {263, shortarith::DivUint},  {264, shortarith::MulUdint}, {265, shortarith::DivUdint},
    {266, shortarith::AddSint},  {267, shortarith::SubSint},  {268, shortarith::MulSint},
    {269, shortarith::DivSint},  {270, shortarith::ShlUsint}, {271, shortarith::ShrUsint},
    {272, shortarith::RolUsint}, {273, shortarith::RorUsint}, {289, shortarith::AddTyped},
    {290, shortarith::SubTyped}, {291, shortarith::SqrtTyped}, {292, shortarith::RemTyped},
};
static_assert(std::size(kShortArithRows) == 18);

}  // namespace logic
