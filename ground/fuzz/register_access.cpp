// Register access by token: u32 token, u16 bit count, an operation byte (0 read, 1 write,
// 2 address), then the value bytes of a write.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "controller/poweron.h"
#include "ground/regaccess.h"

namespace {
constexpr uint32_t kMaxBits = 8 * 512;  // the callers' buffers hold what they ask for
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  if (size < 7) return 0;
  KernelPowerOnReset();
  uint32_t token;
  uint16_t nbits;
  std::memcpy(&token, data, 4);
  std::memcpy(&nbits, data + 4, 2);
  if (nbits == 0 || nbits > kMaxBits) return 0;
  const uint8_t op = data[6] % 3;
  static uint8_t buffer[kMaxBits / 8];
  std::memset(buffer, 0, sizeof buffer);
  std::memcpy(buffer, data + 7, std::min(size - 7, sizeof buffer));
  if (op == 0) {
    PlcReg_Get(buffer, token, nbits);
  } else if (op == 1) {
    PlcReg_Set(token, buffer, nbits);
    PlcReg_Get(buffer, token, nbits);
  } else {
    PlcReg_Ptr(token, nbits);
  }
  return 0;
}
