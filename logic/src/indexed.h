#pragma once
// Array elements selected by an index register, bytes and words reached through a
// pointer register, and instructions that test or change bits through a mask or in an
// area.
//
// Arrays: the base is one word in both operand forms (a bit token for bit arrays, a
// register reference for byte and word arrays); the index register is an ordinary word
// reference, relocated like every other in the 32-bit form. Element 1 is the base itself;
// index 0, an index past the array's limit or an element at or above the ET window is
// refused as the table in indexed.cpp says. Writes go through PlcReg_Set, so system
// registers keep their limits.
//
// Pointers: a pointer register is a DINT holding a byte offset into the register image.
// Every address a pointer instruction computes is checked, with its width, against the
// registers of the image (never its internal bytes) before anything is read or written:
// a pointer that leads outside turns the power flow off, and a read then pushes zeros so
// that the stacks keep their shape.

#include "instruction.h"

namespace logic {

namespace indexed {
void BitElementGet(Machine& m, uint16_t opcode);     // 340
void BitElementSet(Machine& m, uint16_t opcode);     // 341
void ByteElementGet(Machine& m, uint16_t opcode);    // 342
void ByteElementSet(Machine& m, uint16_t opcode);    // 343
void WordElementGet(Machine& m, uint16_t opcode);    // 344
void WordElementSet(Machine& m, uint16_t opcode);    // 345
void DwordElementGet(Machine& m, uint16_t opcode);   // 346
void DwordElementSet(Machine& m, uint16_t opcode);   // 347
void AddressOf(Machine& m, uint16_t opcode);         // 350
void PointerRead(Machine& m, uint16_t opcode);       // 351-354
void PointerWrite(Machine& m, uint16_t opcode);      // 355-358
void PointerAdd(Machine& m, uint16_t opcode);        // 359
void WordIsOne(Machine& m, uint16_t opcode);         // 360
void MaskTest(Machine& m, uint16_t opcode);          // 362, 363
void MaskWrite(Machine& m, uint16_t opcode);         // 364, 365
void BitInArea(Machine& m, uint16_t opcode);         // 384
void PointerCopyWords(Machine& m, uint16_t opcode);  // 505
void PointerFillFrom(Machine& m, uint16_t opcode);   // 506
void PointerFillWith(Machine& m, uint16_t opcode);   // 507
void PointerCopy4(Machine& m, uint16_t opcode);      // 508
void PointerStore4(Machine& m, uint16_t opcode);     // 509
}  // namespace indexed

inline constexpr OpRow kIndexedRows[] = {
    {340, indexed::BitElementGet},   {341, indexed::BitElementSet},  {342, indexed::ByteElementGet},
    {343, indexed::ByteElementSet},  {344, indexed::WordElementGet}, {345, indexed::WordElementSet},
    {346, indexed::DwordElementGet}, {347, indexed::DwordElementSet}, {350, indexed::AddressOf},
    {351, indexed::PointerRead},     {352, indexed::PointerRead},    {353, indexed::PointerRead},
    {354, indexed::PointerRead},     {355, indexed::PointerWrite},   {356, indexed::PointerWrite},
    {357, indexed::PointerWrite},    {358, indexed::PointerWrite},   {359, indexed::PointerAdd},
    {360, indexed::WordIsOne},       {362, indexed::MaskTest},       {363, indexed::MaskTest},
    {364, indexed::MaskWrite},       {365, indexed::MaskWrite},      {384, indexed::BitInArea},
    {505, indexed::PointerCopyWords}, {506, indexed::PointerFillFrom}, {507, indexed::PointerFillWith},
    {508, indexed::PointerCopy4},    {509, indexed::PointerStore4},
};
static_assert(std::size(kIndexedRows) == 29);

}  // namespace logic
