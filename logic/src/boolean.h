#pragma once
// Contacts with an operand, the logic of series and parallel branches, the saving and
// restoring of power flow, and the coils.

#include "instruction.h"

namespace logic {

void OpContact(Machine& m, uint16_t opcode);        // 31
void OpNot(Machine& m, uint16_t opcode);            // 32
void OpPowerOn(Machine& m, uint16_t opcode);        // 33
void OpPowerOff(Machine& m, uint16_t opcode);       // 34
void OpOr(Machine& m, uint16_t opcode);             // 35
void OpAnd(Machine& m, uint16_t opcode);            // 36
void OpCoil(Machine& m, uint16_t opcode);           // 38
void OpPositiveCoil(Machine& m, uint16_t opcode);   // 50
void OpNegativeCoil(Machine& m, uint16_t opcode);   // 51
void OpSetCoil(Machine& m, uint16_t opcode);        // 52
void OpResetCoil(Machine& m, uint16_t opcode);      // 53
void OpNegatedCoil(Machine& m, uint16_t opcode);    // 54
void OpPop(Machine& m, uint16_t opcode);            // 55
void OpRestore(Machine& m, uint16_t opcode);        // 56
void OpAndNot(Machine& m, uint16_t opcode);         // 60
void OpOrNot(Machine& m, uint16_t opcode);          // 61
void OpNand(Machine& m, uint16_t opcode);           // 62
void OpNor(Machine& m, uint16_t opcode);            // 63
void OpOrBranch(Machine& m, uint16_t opcode);       // 64
void OpAndBranch(Machine& m, uint16_t opcode);      // 65

inline constexpr OpRow kBooleanRows[] = {
    {31, OpContact},      {32, OpNot},           {33, OpPowerOn},      {34, OpPowerOff},
    {35, OpOr},           {36, OpAnd},           {38, OpCoil},         {50, OpPositiveCoil},
    {51, OpNegativeCoil}, {52, OpSetCoil},       {53, OpResetCoil},    {54, OpNegatedCoil},
    {55, OpPop},          {56, OpRestore},       {60, OpAndNot},       {61, OpOrNot},
    {62, OpNand},         {63, OpNor},           {64, OpOrBranch},     {65, OpAndBranch},
};
static_assert(std::size(kBooleanRows) == 20);

}  // namespace logic
