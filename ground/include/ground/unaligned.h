#pragma once
// Readers and writers of 32- and 64-bit fields that are only 2-byte aligned, as in
// program-image records and the register image: the value is held as 16-bit halves,
// the less significant half first.

#include <cstdint>

uint32_t UTIL_GetDword(const void* address);
void UTIL_PutDword(void* address, uint32_t value);
float UTIL_GetFloat(const void* address);
double UTIL_GetDouble(const void* address);
void UTIL_PutDouble(void* address, double value);
