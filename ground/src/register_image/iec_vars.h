#pragma once
// Register access to IEC variables through variable-location tokens.

#include <cstdint>

// Variable-location token fields.
struct IecToken {
  uint32_t index;   // bits 0-19
  uint32_t bit;     // bits 20-25: bit number, 0 = whole variable
  uint32_t type;    // bits 26-28: 0 8-bit, 1 16-bit, 2 32-bit, 3 64-bit, 4 string,
                    //             5 32-bit time, 6 packed bits, 7 none
  bool byte_area;   // bit 29: the index is a byte offset
};
IecToken DecodeIecToken(uint32_t token);

// True when token addresses an IEC variable now (runtime active, variables bound).
bool IecTokenActive(uint32_t token);

// Read and write of the database; the results are those of PlcReg_Get / PlcReg_Set.
int IecRead(void* destination, uint32_t token, uint32_t nbits);
int IecWrite(uint32_t token, const void* source, uint32_t nbits);
