#pragma once
// Conversions between the basic IEC types: the interpreter's conversion instruction
// (between two variables, strings included), the same between two raw addresses for the
// exchanges with foreign data (no strings), and decimal text in both directions. Type
// codes: 1 BOOL, 2 DINT, 3 REAL, 4 TIME, 5 STRING, 10 SINT, 11 INT, 12 LINT, 13 LREAL,
// 14 USINT, 15 UINT, 16 UDINT, 17 ULINT; any other code converts nothing.
#include <cstdint>

// operand: target index, source index, target type, source type. 0 done or nothing to
// convert, -1 when an index lies outside its area.
int N4VMCnv_Convert(uint8_t* db, const uint16_t* operand);
void N4VMCnv_ConvBin(void* target, const void* source, int target_type, int source_type);
void N4VMCnv_SZToNumPtr(void* address, int type, const char* text);
// The same into block argument n (args as a block handler receives them: count first).
void N4VMCnv_SZToNum(uint8_t* db, int type, const uint16_t* args, unsigned n, const char* text);
// buffer: at least 22 characters.
void N4VMCnv_NumToSZPtr(const void* address, int type, char* buffer);
void N4VMCnv_NumToSZ(uint8_t* db, int type, const uint16_t* args, unsigned n, char* buffer);
// Width of a type's stored value in bytes (0 for STRING and unknown codes).
uint32_t N4VMCnv_Width(int type);
