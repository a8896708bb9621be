// The master's answer checking on arbitrary answers: the first 12 bytes are the request
// record, the rest arrives as one RTU or ASCII answer (bit 0 of byte 12 picks ASCII).
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "modbus_link.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 13) return 0;
  ModbusRequest r;
  std::memcpy(&r, data, sizeof r);
  mb::Link& link = mb::PortPcb(1).link;
  mb::MOD_Init(link, 1, 0, (data[12] & 1) ? 7 : 8);
  link.request = r;
  for (size_t i = 13; i < size; ++i) mb::MOD_RxMachine(link, data[i]);
  mb::MOD_RxMachine(link, mb::kEndOfFrame);
  return 0;
}
