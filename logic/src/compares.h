#pragma once
// Compares of two values and the range (window) tests of three, for every elementary
// type. Both pop their operands. Two effects on the power flow:
//   set     the top of the bit stack becomes 1 when the relation holds, else 0 (INT,
//           UINT and the 8-bit types, the window tests)
//   series  the power flow goes off when the relation does not hold and is otherwise
//           left as it is (DINT, UDINT, REAL)
// A REAL compare involving a NaN holds only for "not equal".

#include "instruction.h"

namespace logic {

namespace compare {
// INT, set: =, not =, <, >, <=, >=
void EqInt(Machine& m, uint16_t opcode);   // 160
void NeInt(Machine& m, uint16_t opcode);   // 161
void LtInt(Machine& m, uint16_t opcode);   // 162
void GtInt(Machine& m, uint16_t opcode);   // 163
void LeInt(Machine& m, uint16_t opcode);   // 164
void GeInt(Machine& m, uint16_t opcode);   // 165
// DINT, series
void EqDint(Machine& m, uint16_t opcode);  // 166
void NeDint(Machine& m, uint16_t opcode);  // 167
void LtDint(Machine& m, uint16_t opcode);  // 168
void GtDint(Machine& m, uint16_t opcode);  // 169
void LeDint(Machine& m, uint16_t opcode);  // 170
void GeDint(Machine& m, uint16_t opcode);  // 171
// REAL, series
void EqReal(Machine& m, uint16_t opcode);  // 172
void NeReal(Machine& m, uint16_t opcode);  // 173
void LtReal(Machine& m, uint16_t opcode);  // 174
void GtReal(Machine& m, uint16_t opcode);  // 175
void LeReal(Machine& m, uint16_t opcode);  // 176
void GeReal(Machine& m, uint16_t opcode);  // 177
// Unsigned and 8-bit: set, except UDINT (series)
void GtUsint(Machine& m, uint16_t opcode);  // 280
void GeUsint(Machine& m, uint16_t opcode);  // 281
void GtUint(Machine& m, uint16_t opcode);   // 282
void GeUint(Machine& m, uint16_t opcode);   // 283
void GtUdint(Machine& m, uint16_t opcode);  // 284
void GeUdint(Machine& m, uint16_t opcode);  // 285
void EqSint(Machine& m, uint16_t opcode);   // 286
void GtSint(Machine& m, uint16_t opcode);   // 287
void GeSint(Machine& m, uint16_t opcode);   // 288
// Window tests: low limit (pushed first), high limit, value (top); set
void WindowInt(Machine& m, uint16_t opcode);   // 192
void WindowDint(Machine& m, uint16_t opcode);  // 193
void WindowReal(Machine& m, uint16_t opcode);  // 194
}  // namespace compare

inline constexpr OpRow kCompareRows[] = {
    {160, compare::EqInt},   {161, compare::NeInt},   {162, compare::LtInt},
    {163, compare::GtInt},   {164, compare::LeInt},   {165, compare::GeInt},
    {166, compare::EqDint},  {167, compare::NeDint},  {168, compare::LtDint},
    {169, compare::GtDint},  {170, compare::LeDint},  {171, compare::GeDint},
    {172, compare::EqReal},  {173, compare::NeReal},  {174, compare::LtReal},
    {175, compare::GtReal},  {176, compare::LeReal},  {177, compare::GeReal},
    {280, compare::GtUsint}, {281, compare::GeUsint}, {282, compare::GtUint},
    {283, compare::GeUint},  {284, compare::GtUdint}, {285, compare::GeUdint},
    {286, compare::EqSint},  {287, compare::GtSint},  {288, compare::GeSint},
    {192, compare::WindowInt}, {193, compare::WindowDint}, {194, compare::WindowReal},
};
static_assert(std::size(kCompareRows) == 30);

}  // namespace logic
