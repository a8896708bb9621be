// The slave's receive machines (RTU, ASCII and MBAP framing) and request handling on
// arbitrary bytes. Byte 0 picks the framing (bit 0 ASCII, bit 1 TCP) and the slave id;
// the rest is fed as received characters, a 0xFF 0xFE pair as a frame end, and the
// input ends with one.
#include <cstddef>
#include <cstdint>

#include "modbus_link.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  mb::Link& link = mb::PortPcb(0).link;
  mb::MOD_Init(link, 0, uint16_t(1 + (data[0] >> 2)), (data[0] & 1) ? 7 : 8);
  MOD_TCPInit(0, 0);
  if (data[0] & 2) MOD_TCPInit(1, 0);
  for (size_t i = 1; i < size; ++i) {
    if (data[i] == 0xFF && i + 1 < size && data[i + 1] == 0xFE) {
      mb::MOD_RxMachine(link, mb::kEndOfFrame);
      ++i;
    } else {
      mb::MOD_RxMachine(link, data[i]);
    }
  }
  mb::MOD_RxMachine(link, mb::kEndOfFrame);
  MOD_TCPInit(0, 0);
  return 0;
}
