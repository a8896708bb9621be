#pragma once
// Register access by token: the one way other subsystems and other threads read and
// write the register image. See regimage.h for the token format.

#include <array>
#include <cstdint>

// Byte address of the register named by token, for nbits bits; nullptr for an invalid
// token, or when the bits would pass the token limit or the end of the image.
uint8_t* PlcReg_Ptr(uint32_t token, uint32_t nbits);

// Reads nbits (1, or a multiple of 8) into destination. A one-bit read stores one byte
// 0 or 1. Returns 1 (a multi-bit read, or the one bit), 0 for an invalid token.
int PlcReg_Get(void* destination, uint32_t token, uint32_t nbits);

// Writes nbits from source, which holds (nbits + 7) / 8 bytes (one byte for a bit), with
// the system-register limit check and side effects; a write of more than one bit that
// reaches a system register other than as that register's own write is refused.
// Returns 1 on success, 0 when refused; a clock write returns the clock's result.
int PlcReg_Set(uint32_t token, const void* source, uint32_t nbits);

// System-register limits table: one 12-byte row per SR1..SR192.
struct SrInfo {
  uint16_t width;  // write width in bits: 16, 32, 48, 80, 96; 0 on tail words
  uint16_t zero;
  int32_t min;     // the limits compare as unsigned 32-bit numbers;
  int32_t max;     // min > max marks a read-only row
};
static_assert(sizeof(SrInfo) == 12);
extern const std::array<SrInfo, 192> sr_info;

// Low 16 bits of the limits of row (0-based: row 0 is SR1), for the IEC runtime's
// binding of system registers. Returns 1, or 0 (outputs untouched) for a bad row.
int VmDbWordSR_MinMax(uint16_t* minimum, uint16_t* maximum, int row);
