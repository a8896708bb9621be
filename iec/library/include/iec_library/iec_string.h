#pragma once
// The IEC string record and its primitives: the only writers of STRING variables. A
// record is {capacity, current length, capacity characters, NUL}; every writer cuts its
// text to the target's capacity, so nothing ever grows a string. Records are reached
// through the VM database's string table by index, or passed directly.
#include <cstdint>

// The record of string variable `index` (nullptr for index 0, an index outside the table,
// or a record that lies outside the database).
uint8_t* N4VMStr_Record(uint8_t* db, uint32_t index);

// Access by index (an index without a record reads as the empty string).
int N4VMStr_GetLength(uint8_t* db, uint32_t index);
int N4VMStr_GetMaxLength(uint8_t* db, uint32_t index);
const char* N4VMStr_GetText(uint8_t* db, uint32_t index);
int N4VMStr_IsEmpty(uint8_t* db, uint32_t index);
void N4VMStr_Empty(uint8_t* db, uint32_t index);

// Writers. A counted text is one length byte followed by the characters.
void N4VMStr_Force(uint8_t* db, uint32_t index, const uint8_t* counted);
void N4VMStr_Copy(uint8_t* db, uint32_t a, uint32_t b);  // a := b
void N4VMStr_CopyPtr(uint8_t* target, const uint8_t* source);
void N4VMStr_AscForce(uint8_t* record, const void* bytes, uint32_t count);
void N4VMStr_AscForceC(uint8_t* db, uint32_t index, const char* text);
void N4VMStr_DBForce(uint8_t* db, uint32_t index, const uint8_t* counted);
void N4VMStr_DBForcePtr(uint8_t* record, const uint8_t* counted);

// Numbers to text, cut to the record's capacity.
void N4VMStr_ItoA(uint8_t* record, int32_t value);
void N4VMStr_TmrtoA(uint8_t* record, uint32_t ms);
void N4VMStr_UtoA(uint8_t* record, uint32_t value);
void N4VMStr_LINTtoA(uint8_t* record, int64_t value);
void N4VMStr_ULINTtoA(uint8_t* record, uint64_t value);
void N4VMStr_BootoA(uint8_t* record, bool value);
void N4VMStr_FtoA(uint8_t* record, float value);
void N4VMStr_DtoA(uint8_t* record, double value);
// Plain buffers; each needs room for 21 characters and the NUL.
void N4VMStr_LINTtoSZ(char* buffer, int64_t value);
void N4VMStr_ULINTtoSZ(char* buffer, uint64_t value);
void N4VMStr_UtoSZ(char* buffer, uint32_t value);

// Text to numbers.
int32_t N4VMStr_AtoI(const uint8_t* record);    // decimal, saturated to 32 bits
double N4VMStr_AtoD(const uint8_t* record);
float N4VMStr_AtoF(const uint8_t* record);
uint32_t N4VMStr_AtoUL(const uint8_t* record);  // unsigned decimal, saturated at 4294967295
int64_t N4VMStr_AtoLINT(const uint8_t* record);
uint64_t N4VMStr_AtoULINT(const uint8_t* record);  // unsigned decimal, saturated at 2^64 - 1
int64_t N4VMStr_SZtoLINT(const char* text);
uint32_t N4VMStr_AtoH(const uint8_t* record);

// Other primitives; positions are 0-based.
int N4VMStr_Compare(const uint8_t* a, const uint8_t* b);
int N4VMStr_ICmp(const char* a, const char* b);
int N4VMStr_NICmp(const char* a, const char* b, uint32_t n);
void N4VMStr_Cat(uint8_t* result, const uint8_t* a, const uint8_t* b);
void N4VMStr_Left(uint8_t* result, const uint8_t* in, int32_t n);
void N4VMStr_Right(uint8_t* result, const uint8_t* in, int32_t n);
void N4VMStr_Mid(uint8_t* result, const uint8_t* in, int32_t pos, int32_t n);
void N4VMStr_Delete(uint8_t* result, const uint8_t* in, int32_t pos, int32_t n);
void N4VMStr_Insert(uint8_t* result, const uint8_t* in, const uint8_t* str, int32_t pos);
int32_t N4VMStr_Find(const uint8_t* in, const uint8_t* pattern);
int32_t N4VMStr_Ascii(const uint8_t* in, int32_t pos);
void N4VMStr_Char(uint8_t* result, uint8_t code);
uint16_t N4VMStr_Crc16(const uint8_t* in);
void N4VMStr_HtoA(uint8_t* result, uint32_t value);
void N4VMStr_DateFmt(uint8_t* result, const char* format, uint32_t date, uint32_t time_of_day);
// Array copies; each answers the number of elements copied.
int32_t N4VMStr_ToD8(const uint8_t* string, uint8_t* array, int32_t count);
int32_t N4VMStr_ToD16(const uint8_t* string, uint8_t* array, int32_t count);
int32_t N4VMStr_ToD32(const uint8_t* string, uint8_t* array, int32_t count);
int32_t N4VMStr_FromD8(const uint8_t* array, int32_t count, uint8_t* string, int32_t n);
int32_t N4VMStr_FromD16(const uint8_t* array, int32_t count, uint8_t* string, int32_t n);
int32_t N4VMStr_FromD32(const uint8_t* array, int32_t count, uint8_t* string, int32_t n);
// A number of any IEC type code (value given as its stored bytes) in a fixed-width field.
void N4VMStr_NumToStr(uint8_t* result, int type, const void* value, int32_t width, int32_t digits);
