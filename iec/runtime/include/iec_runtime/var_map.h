#pragma once
// The variable map: the application's published variables found by type and index, by
// symbol name, by numeric tag and by data address, with typed accessors and symbol
// expressions (array indexes and structure members). Items live in the VM database.
//
// Host layout of an item: u32 record offset (from the code image start), u32 data offset,
// u32 lock-byte offset (from the database start), u32 next in its index bucket, next in
// its symbol bucket, next in its tag bucket (item offsets from the database start, 0 =
// none); then, for records with extended status, four u32: status bits 32-63, bits 0-31,
// date stamp, time stamp. The 49 bucket heads (16 by index, 16 by tag, 17 by symbol)
// hold item offsets.
#include <cstdint>

#include "iec_runtime/vm_db.h"

using N4MapItem = uint8_t*;

struct N4MapSizing {
  uint16_t item_size, count, capacity;
};
// Build and restart.
int N4VMMap_GetSizing(N4MapSizing* sizing, const uint8_t* code);  // 0, or 1 for no valid map
int N4VMMap_Build(uint8_t* db, const uint8_t* code);
int N4VMMap_CanHotRestart(uint8_t* db, const uint8_t* code);  // 1 when the layout changed
int N4VMMap_HotRestart(uint8_t* db, const uint8_t* code);     // 0, or 1 refused

// Lookups (nullptr for none).
N4MapItem N4Map_GetByIndex(uint8_t* db, int type, uint32_t index);
N4MapItem N4Map_GetBySymbol(uint8_t* db, const char* name);
N4MapItem N4Map_GetByNumTag(uint8_t* db, uint32_t tag);
N4MapItem N4Map_GetByData(uint8_t* db, const uint8_t* address);
uint8_t* N4Map_GetVSIByData(uint8_t* db, const uint8_t* address);
N4MapItem N4Map_GetFirst(uint8_t* db, uint32_t* cursor);
N4MapItem N4Map_GetNext(uint8_t* db, uint32_t* cursor);
int N4Map_CheckPointer(uint8_t* db, const uint8_t* item);

// Item queries.
const char* N4Map_GetSymbol(uint8_t* db, N4MapItem item);
uint32_t N4Map_GetIndex(uint8_t* db, N4MapItem item);
int N4Map_GetType(uint8_t* db, N4MapItem item);
uint32_t N4Map_GetNumTag(uint8_t* db, N4MapItem item);
uint32_t N4Map_GetDim(uint8_t* db, N4MapItem item);
uint32_t N4Map_GetStringLenth(uint8_t* db, N4MapItem item);
const uint8_t* N4Map_GetProps(uint8_t* db, N4MapItem item);
uint32_t N4Map_GetPropsSize(uint8_t* db, N4MapItem item);
const char* N4Map_GetProfileName(uint8_t* db, N4MapItem item);
int N4Map_IsLocked(uint8_t* db, N4MapItem item);
const uint8_t* N4Map_GetTypeInfo(uint8_t* db, N4MapItem item);
const char* N4Map_GetTypeName(uint8_t* db, N4MapItem item);
uint8_t* N4Map_GetData(uint8_t* db, N4MapItem item);
uint32_t N4Map_GetDescLength(uint8_t* db, uint32_t n);
uint32_t N4Map_GetDesc(uint8_t* db, uint32_t n, uint8_t* buffer);
uint8_t* N4Map_IsArrayOfSingleVar(uint8_t* db, N4MapItem item, uint32_t* count, int* type);

// Typed access: getters convert the variable's value; setters answer 0 when written, 1
// when the variable is locked or not of a basic type.
int32_t N4Map_GetLongValue(uint8_t* db, N4MapItem item);
uint32_t N4Map_GetDWordValue(uint8_t* db, N4MapItem item);
int64_t N4Map_GetLIntValue(uint8_t* db, N4MapItem item);
float N4Map_GetRealValue(uint8_t* db, N4MapItem item);
double N4Map_GetLRealValue(uint8_t* db, N4MapItem item);
const char* N4Map_GetStringValue(uint8_t* db, N4MapItem item, uint32_t* length);
int N4Map_SetLongValue(uint8_t* db, N4MapItem item, int32_t value);
int N4Map_SetDWordValue(uint8_t* db, N4MapItem item, uint32_t value);
int N4Map_SetLIntValue(uint8_t* db, N4MapItem item, int64_t value);
int N4Map_SetRealValue(uint8_t* db, N4MapItem item, float value);
int N4Map_SetLRealValue(uint8_t* db, N4MapItem item, double value);
int N4Map_SetStringValue(uint8_t* db, N4MapItem item, const char* text, uint32_t length);

// Extended status (items whose record carries it; all answer 0 for others).
int N4Map_GetVSIBit(uint8_t* db, N4MapItem item, unsigned bit);
int N4Map_SetVSIBit(uint8_t* db, N4MapItem item, unsigned bit, int on);
int N4Map_ResetSetVSIBits(uint8_t* db, N4MapItem item);
uint32_t N4Map_GetVSIDate(uint8_t* db, N4MapItem item);
int N4Map_SetVSIDate(uint8_t* db, N4MapItem item, uint32_t date);
uint32_t N4Map_GetVSITime(uint8_t* db, N4MapItem item);
int N4Map_SetVSITime(uint8_t* db, N4MapItem item, uint32_t time);
int N4Map_StampVSI(uint8_t* db, N4MapItem item);
int N4Map_StampVSIGMT(uint8_t* db, N4MapItem item);
int N4Map_CopyVSI(uint8_t* db, int type, uint32_t target, uint32_t source, int bits, int stamps);
uint8_t* N4Map_GetVSI(uint8_t* db, N4MapItem item);
int N4Map_SetXVAddress(uint8_t* db, N4MapItem item, uint8_t* address);

// Symbol expressions.
uint8_t* N4VmSyb_ParseSingle(uint8_t* db, const char* text, int* type);
uint8_t* N4VmSyb_Parse(uint8_t* db, const char* text, int* type, const char** type_name);
using N4CTMemberCallback = void (*)(const char* path, int type, void* user);
int N4VmSyb_EnumCTMembers(uint8_t* db, N4MapItem item, char* name, uint32_t size, N4CTMemberCallback callback,
                          void* user);
// The item of the symbol at the start of a dotted expression; advances the cursor past it.
N4MapItem Dravek_N4VmSyb_GetMapItem(uint8_t* db, const char** cursor);
