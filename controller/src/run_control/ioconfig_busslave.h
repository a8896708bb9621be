#pragma once
// The bus-slave module: an I/O module that exchanges its data with a network master. It
// is known by its model name, takes part in the scan only while its node address is
// 1..125, and its configuration data is a run of u32 fields (low half first):
//   0 node address: the value itself below 1025, else the token of the 16-bit register
//     that holds it
//   1 token of its input bits     2 input bit count
//   3 token of its output bits    4 output bit count
//   5 token of its input words    6 input word count
//   7 token of its output words   8 output word count
//   9 token of its status register (byte 36), 0 = none
//
// The whole 16-bit value is the node address, for the configuration as for the scan: a
// register holding 257 is not node 1, so the module is never configured for a node in
// which the scan would not let it take part.

#include <cstddef>
#include <cstdint>
#include <span>

#include "controller/runctl.h"

namespace busslave {

enum Field : std::size_t {
  kNodeAddress = 0,
  kInputBitsToken = 1,
  kOutputBitsToken = 3,
  kInputWordsToken = 5,
  kOutputWordsToken = 7,
  kStatusToken = 9,
};

// The two model names of the bus-slave module.
inline constexpr const char* kModels[] = {"BSL100", "BSL110"};

bool IsBusSlave(const IoSlotRecord& record);
// A u32 field of the configuration data; 0 when the data is too short.
uint32_t ConfigField(std::span<const uint8_t> config, Field field);
// The configured node address (the 16-bit value); -1 when its register cannot be read.
int32_t NodeAddress(std::span<const uint8_t> config);
inline bool NodeTakesPart(int32_t node) { return node >= 1 && node <= 125; }

}  // namespace busslave
