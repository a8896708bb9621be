#pragma once
// The one checksum of the unit: CRC-16 with the MODBUS parameters (reflected polynomial
// 0xA001, initial value 0xFFFF, no final XOR). Program tables, register files, backups
// and Ethernet I/O frames all carry it; where it is stored in a file it is stored low
// byte first. Pure functions: callable from any thread, allocate nothing.

#include <array>
#include <cstddef>
#include <cstdint>

namespace crc16_detail {
constexpr std::array<uint16_t, 256> MakeTable() {
  std::array<uint16_t, 256> t{};
  for (unsigned i = 0; i < 256; ++i) {
    unsigned r = i;
    for (int k = 0; k < 8; ++k) r = (r & 1) ? (r >> 1) ^ 0xA001u : r >> 1;
    t[i] = uint16_t(r);
  }
  return t;
}
}  // namespace crc16_detail

// Entry i is the CRC register after eight reflected shift-and-XOR steps from i.
inline constexpr std::array<uint16_t, 256> CrcTab = crc16_detail::MakeTable();

inline constexpr uint16_t kCrc16Init = 0xFFFF;

// CRC of length bytes from 0xFFFF; length 0 gives 0xFFFF.
uint16_t crc16(const void* data, std::size_t length);
// Continues a CRC from the register value crc, so that a large image can be checked in
// pieces: crc16_next over the pieces in order, starting with 0xFFFF, equals crc16 of the
// whole.
uint16_t crc16_next(const void* data, std::size_t length, uint16_t crc);
