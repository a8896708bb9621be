#include "storage/crc16.h"

uint16_t crc16_next(const void* data, std::size_t length, uint16_t crc) {
  const auto* p = static_cast<const uint8_t*>(data);
  for (std::size_t i = 0; i < length; ++i) crc = CrcTab[(p[i] ^ crc) & 0xFF] ^ (crc >> 8);
  return crc;
}

uint16_t crc16(const void* data, std::size_t length) { return crc16_next(data, length, kCrc16Init); }
