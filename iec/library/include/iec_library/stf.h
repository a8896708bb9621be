#pragma once
// Standard functions, called by number. A call record is {u16 number, u16 count, count
// argument words}, the result's word first. Functions whose code is not in this build
// are entries that report "not available": the call logs error 17 with the number and
// stops the application, exactly as an unknown number does.
#include <cstdint>

// The function: arguments point at the result word; n is the number of argument words.
using N4StdFunction = int (*)(uint8_t* db, const uint16_t* arguments, uint16_t n);

inline constexpr unsigned kStfCount = 222;

// 1 when the function completed, 0 after an error or a stop.
int N4VMStf_Execute(uint8_t* db, const uint16_t* record);
// The name of a filled slot, nullptr for an empty one or a number above the table.
const char* N4VMStf_Name(unsigned number);
// 1 when the slot's code is in this build.
int N4VMStf_IsBuilt(unsigned number);
