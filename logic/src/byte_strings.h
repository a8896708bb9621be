#pragma once
// String and byte-block instructions.
//
// Ladder strings are plain bytes in consecutive register bytes, 0-ended where no length
// is given; literals follow the instruction in the stream, padded to whole words. IEC
// strings are reached through pointer registers (pointer.h) and hold their maximum
// length in byte 0, their current length in byte 1, then the characters.
//
// Every range these instructions read or write, through a reference or a pointer, is
// checked with its length against the registers of the image first; a range outside
// turns the power flow off (or, for the IEC compares, gives the "false" result) and
// touches nothing. A text handed to a number parser is bounded (image_text.h), and a
// format text from the program is accepted only as one numeric conversion
// (text_format.h).

#include "instruction.h"

namespace logic {

namespace strings {
void CompareBytes(Machine& m, uint16_t opcode);    // 178
void CompareLiteral(Machine& m, uint16_t opcode);  // 179
void CopyBytes(Machine& m, uint16_t opcode);       // 182
void CopyLiteral(Machine& m, uint16_t opcode);     // 183
void TextToNumber(Machine& m, uint16_t opcode);    // 184
void FormatValue(Machine& m, uint16_t opcode);     // 187
void Length(Machine& m, uint16_t opcode);          // 188
void Decimal64(Machine& m, uint16_t opcode);       // 400
void IecCopy(Machine& m, uint16_t opcode);         // 511
void IecAppend(Machine& m, uint16_t opcode);       // 512
void IecEqual(Machine& m, uint16_t opcode);        // 513
void IecCompare(Machine& m, uint16_t opcode);      // 514, 515
void IecToNumber(Machine& m, uint16_t opcode);     // 516, 519
void FormatThrough(Machine& m, uint16_t opcode);   // 517, 518
}  // namespace strings

inline constexpr OpRow kStringRows[] = {
    {178, strings::CompareBytes}, {179, strings::CompareLiteral}, {182, strings::CopyBytes},
    {183, strings::CopyLiteral},  {184, strings::TextToNumber},   {187, strings::FormatValue},
    {188, strings::Length},       {400, strings::Decimal64},      {511, strings::IecCopy},
    {512, strings::IecAppend},    {513, strings::IecEqual},       {514, strings::IecCompare},
    {515, strings::IecCompare},   {516, strings::IecToNumber},    {517, strings::FormatThrough},
    {518, strings::FormatThrough}, {519, strings::IecToNumber},
};
static_assert(std::size(kStringRows) == 17);

}  // namespace logic
