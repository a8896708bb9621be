// MBAP framing: where a request ends in a TCP stream or a datagram. The length field
// counts the unit identifier and the PDU; the largest PDU is 253 bytes.
#include "modbus_internal.h"

namespace modbus {
namespace {

constexpr std::size_t kLengthAt = 4;
constexpr uint16_t kMaxLength = 1 + 253;

uint16_t LengthField(const uint8_t* data) { return uint16_t(data[kLengthAt] << 8 | data[kLengthAt + 1]); }

}  // namespace

int MbapStreamFrame(const uint8_t* data, std::size_t length) {
  if (length < 6) return 0;
  const uint16_t field = LengthField(data);
  if (field > kMaxLength) return -1;
  const std::size_t whole = 6 + std::size_t(field);
  return length < whole ? 0 : int(whole);
}

std::size_t MbapDatagramFrame(const uint8_t* data, std::size_t length) {
  if (length < 6) return 0;
  const uint16_t field = LengthField(data);
  if (field < 2 || field > kMaxLength || length - 6 < field) return 0;
  return 6 + std::size_t(field);
}

}  // namespace modbus
