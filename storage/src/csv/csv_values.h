#pragma once
// Sizes of the CSV value types in memory, and unaligned access to them.
#include <cstdint>
#include <cstring>

#include "storage/csv.h"

// Bytes one value takes (text values: their own length; bits: 0).
inline uint32_t CsvValueBytes(int type) {
  switch (type) {
    case kCsvBits16: case kCsvHex16: case kCsvInt16: case kCsvUint16: return 2;
    case kCsvInt32: case kCsvFloat: case kCsvUint32: return 4;
    case kCsvDouble: return 8;
    case kCsvInt8: return 1;
    default: return 0;
  }
}

template <typename T>
T CsvGet(const uint8_t* p) {
  T v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

template <typename T>
void CsvPut(uint8_t* p, T v) {
  std::memcpy(p, &v, sizeof v);
}
