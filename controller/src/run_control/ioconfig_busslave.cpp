#include "ioconfig_busslave.h"

#include <cstring>

#include "graphics/record_reader.h"
#include "ground/regaccess.h"

namespace busslave {

namespace {
constexpr uint32_t kConstantBelow = 1025;  // smaller values are the address itself
}  // namespace

bool IsBusSlave(const IoSlotRecord& record) {
  for (const char* model : kModels)
    if (std::strncmp(record.name, model, sizeof record.name) == 0) return true;
  return false;
}

uint32_t ConfigField(std::span<const uint8_t> config, Field field) {
  RecordReader rd(config);
  uint32_t value = 0;
  return rd.Seek(4 * field) && rd.U32(value) ? value : 0;
}

int32_t NodeAddress(std::span<const uint8_t> config) {
  const uint32_t value = ConfigField(config, kNodeAddress);
  if (value < kConstantBelow) return int32_t(value);
  uint16_t held = 0;
  return PlcReg_Get(&held, value, 16) == 1 ? int32_t(held) : -1;
}

}  // namespace busslave
