#pragma once
// A stand-in for the IEC runtime's variable database: variables are byte areas keyed
// by the index field of their variable-location token. While alive it marks the runtime
// active (and, unless told otherwise, its variables enumerated).

#include <cstdint>
#include <map>
#include <vector>

namespace ts {

class FakeIecDb {
 public:
  explicit FakeIecDb(bool enumerated = true);
  ~FakeIecDb();
  FakeIecDb(const FakeIecDb&) = delete;
  FakeIecDb& operator=(const FakeIecDb&) = delete;

  // Creates (or replaces) a zeroed variable of the given size; returns its bytes.
  std::vector<uint8_t>& Add(uint32_t index, std::size_t bytes);
  std::vector<uint8_t>& Var(uint32_t index) { return vars_.at(index); }

  // Builds a variable-location token.
  static uint32_t Token(uint32_t index, uint32_t type, uint32_t bit = 0, bool byte_area = false) {
    return 0xC0000000u | (byte_area ? 1u << 29 : 0) | (type << 26) | (bit << 20) | (index & 0xFFFFF);
  }

 private:
  static uint8_t* Address(uint32_t token, uint32_t nbits, int flag);
  std::map<uint32_t, std::vector<uint8_t>> vars_;
};

}  // namespace ts
