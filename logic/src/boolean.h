#pragma once
// Contacts with an operand, the logic of series and parallel branches, the saving and
// restoring of power flow, and the coils.
//
// Contacts, these operators and coils make up most of a ladder program, so they are
// described as data: each operator by what it reads of the bit stack and a small
// operation on the slots, each coil by its write. The interpreter runs them from these
// tables without a handler call (interpreter.cpp); the handlers in the opcode table run
// the same operations for every case the interpreter leaves to them (a stack too shallow
// or too full, an operand that names no bit). The operations have no branch on the power
// flow: it follows the inputs, which no branch predictor learns over a whole program.

#include <array>

#include "instruction.h"
#include "ground/regimage.h"
#include "operands.h"

namespace logic {

// An operator on the top of the bit stack: it reads `reads` entries (slots[0] the lowest,
// slots[reads - 1] the top), changes the depth by `depth_change`, and may write the slots
// it pops (56 brings a popped slot back).
struct StackOperator {
  uint16_t opcode;
  uint8_t reads;
  int8_t depth_change;
  void (*apply)(uint8_t* slots);
};

// A coil: one bit reference; pops the power flow and writes its bit.
struct CoilWrite {
  uint16_t opcode;
  void (*apply)(BitRef bit, uint8_t power);
};

namespace ops {
// In the two- and three-entry operators a is the popped top and b the entry below it.
constexpr void Not(uint8_t* s) { s[0] = logic::Not(s[0]); }                    // 32
constexpr void PowerOn(uint8_t* s) { s[0] = 0xFF; }                            // 33
constexpr void PowerOff(uint8_t* s) { s[0] = 0; }                              // 34
constexpr void Or(uint8_t* s) { s[0] = uint8_t(s[0] | OnMask(s[1])); }         // 35: a on: top = 0xFF
constexpr void And(uint8_t* s) { s[0] = uint8_t(s[0] & OnMask(s[1])); }        // 36: a off: top = 0
constexpr void Keep(uint8_t*) {}                                               // 55 pop, 56 push back
constexpr void AndNot(uint8_t* s) {                                            // 60
  const uint8_t a = s[1];
  s[1] = logic::Not(a);
  s[0] = uint8_t(s[0] & ~OnMask(a));
}
constexpr void OrNot(uint8_t* s) {                                             // 61
  const uint8_t a = s[1];
  s[1] = logic::Not(a);
  s[0] = uint8_t((s[0] & OnMask(a)) | logic::Not(a));
}
constexpr void Nand(uint8_t* s) { s[0] = logic::Not(uint8_t(s[0] & OnMask(s[1]))); }  // 62
constexpr void Nor(uint8_t* s) { s[0] = logic::Not(uint8_t(s[0] | s[1])); }    // 63
// 64, closing a parallel branch: top = top OR (a AND b); b's slot keeps a AND b.
constexpr void OrBranch(uint8_t* s) {
  const uint8_t a = OnMask(s[2]), both = uint8_t(OnMask(s[1]) & a);
  s[0] = uint8_t((s[0] & ~both) | (1 & both));
  s[1] = uint8_t(s[1] & a);
}
// 65, closing a series branch: top = top AND (a OR b); b's slot keeps a OR b.
constexpr void AndBranch(uint8_t* s) {
  const uint8_t a = OnMask(s[2]);
  s[0] = uint8_t(s[0] & (a | OnMask(s[1])));
  s[1] = uint8_t((s[1] & ~a) | (1 & a));
}

inline void Coil(BitRef r, uint8_t v) { WriteBit(plc_reg, r, v != 0); }           // 38
inline void NegatedCoil(BitRef r, uint8_t v) { WriteBit(plc_reg, r, v == 0); }    // 54
inline void SetCoil(BitRef r, uint8_t v) {                                         // 52
  plc_reg[r.byte] = uint8_t(plc_reg[r.byte] | (BitMask(r) & OnMask(v)));
}
inline void ResetCoil(BitRef r, uint8_t v) {                                       // 53
  plc_reg[r.byte] = uint8_t(plc_reg[r.byte] & ~(BitMask(r) & OnMask(v)));
}
// Transition coils keep the previous power flow in the coil's own bit of old_reg.
// 50: on for the one scan in which the power goes from off to on.
inline void PositiveCoil(BitRef r, uint8_t v) {
  const bool was = BitIsSet(old_reg, r);
  WriteBit(plc_reg, r, v != 0 && !was);
  WriteBit(old_reg, r, v != 0);
}
// 51: on for the one scan in which the power goes from on to off.
inline void NegativeCoil(BitRef r, uint8_t v) {
  const bool was = BitIsSet(old_reg, r);
  WriteBit(plc_reg, r, v == 0 && was);
  WriteBit(old_reg, r, v != 0);
}
}  // namespace ops

inline constexpr StackOperator kStackOperators[] = {
    {32, 1, 0, ops::Not},       {33, 1, 0, ops::PowerOn},   {34, 1, 0, ops::PowerOff},
    {35, 2, -1, ops::Or},       {36, 2, -1, ops::And},      {55, 1, -1, ops::Keep},
    {56, 0, 1, ops::Keep},      {60, 2, -1, ops::AndNot},   {61, 2, -1, ops::OrNot},
    {62, 2, -1, ops::Nand},     {63, 2, -1, ops::Nor},      {64, 3, -2, ops::OrBranch},
    {65, 3, -2, ops::AndBranch},
};
static_assert(std::size(kStackOperators) == 13);

inline constexpr CoilWrite kCoilWrites[] = {
    {38, ops::Coil},     {50, ops::PositiveCoil}, {51, ops::NegativeCoil},
    {52, ops::SetCoil},  {53, ops::ResetCoil},    {54, ops::NegatedCoil},
};
static_assert(std::size(kCoilWrites) == 6);

// Both tables by opcode, for the interpreter: every operator and coil is below 66.
inline constexpr uint16_t kBooleanOpcodes = 66;
enum class BooleanKind : uint8_t { kNone, kOperator, kCoil };
struct BooleanEntry {
  BooleanKind kind;
  void (*op)(uint8_t* slots);  // kOperator
  uint8_t reads;
  int8_t depth_change;
  void (*coil)(BitRef bit, uint8_t power);  // kCoil
};
consteval std::array<BooleanEntry, kBooleanOpcodes> BooleanEntries() {
  std::array<BooleanEntry, kBooleanOpcodes> t{};
  for (const StackOperator& o : kStackOperators)
    t[o.opcode] = {BooleanKind::kOperator, o.apply, o.reads, o.depth_change, nullptr};
  for (const CoilWrite& c : kCoilWrites) t[c.opcode] = {BooleanKind::kCoil, nullptr, 0, 0, c.apply};
  return t;
}
inline constexpr std::array<BooleanEntry, kBooleanOpcodes> kBooleanEntries = BooleanEntries();

// Which of an operator's slots it may change, found by running it on every combination
// of off, 1, another on value and 0xFF: the interpreter, which keeps the stack in memory
// up to date, then stores only those.
constexpr std::array<bool, 3> SlotsWritten(uint16_t opcode) {
  constexpr uint8_t kValues[] = {0, 1, 0x5A, 0xFF};
  const BooleanEntry& e = kBooleanEntries[opcode];
  std::array<bool, 3> written{};
  int combinations = 1;
  for (int i = 0; i < e.reads; ++i) combinations *= 4;
  for (int c = 0; c < combinations; ++c) {
    uint8_t in[3] = {}, out[3] = {};
    for (int i = 0, k = c; i < e.reads; ++i, k /= 4) in[i] = out[i] = kValues[k % 4];
    e.op(out);
    for (int i = 0; i < e.reads; ++i) written[i] = written[i] || out[i] != in[i];
  }
  return written;
}

// Handlers for the opcode table.
void OpContact(Machine& m, uint16_t opcode);         // 31
void OpStackOperator(Machine& m, uint16_t opcode);   // the operators above
void OpCoilWrite(Machine& m, uint16_t opcode);       // the coils above

// The contact's row, then one row per operator and per coil of the tables above.
inline constexpr std::size_t kBooleanRowCount = 1 + std::size(kStackOperators) + std::size(kCoilWrites);
consteval std::array<OpRow, kBooleanRowCount> BooleanRows() {
  std::array<OpRow, kBooleanRowCount> rows{};
  std::size_t n = 0;
  rows[n++] = {31, OpContact};
  for (const StackOperator& o : kStackOperators) rows[n++] = {o.opcode, OpStackOperator};
  for (const CoilWrite& c : kCoilWrites) rows[n++] = {c.opcode, OpCoilWrite};
  return rows;
}
inline constexpr std::array<OpRow, kBooleanRowCount> kBooleanRows = BooleanRows();

}  // namespace logic
