// The Modbus server's framing and request service on outside bytes. The first byte
// chooses TCP (a stream of requests framed by their MBAP length) or UDP (one datagram),
// the token mode and a write-protect register; every reply must fit the reply buffer and
// carry a length field that matches it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "dpr_internal.h"
#include "ground/regimage.h"
#include "ground/program_features.h"
#include "modbus_internal.h"

namespace {

void Check(const uint8_t* reply, std::size_t length) {
  if (length < 9 || length > modbus::kReplyMax) std::abort();
  if (std::size_t(reply[4] << 8 | reply[5]) + 6 != length) std::abort();
}

void Serve(const uint8_t* adu, std::size_t length) {
  modbus::EtnRegReq read;
  uint8_t reply[modbus::kReplyMax];
  const modbus::Outcome o = modbus::ServeRequest(0, adu, length, read, reply);
  if (o.reply) Check(reply, o.reply);
  if (o.read_pending) Check(reply, modbus::BuildReadReply(read, reply));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  if (size < 1 || size > 4096) return 0;
  const uint8_t mode = data[0];
  ++data;
  --size;
  NV_EditorFeatures = (mode & 2) ? kFeatTokens16 : 0;
  dpr::SetTokenBases();
  Dpr_Configuration[0].modbus.write_protect = (mode & 4) ? reg::kTokM : 0;
  plc_reg[reg::kOffM] = uint8_t(mode >> 7);
  if (mode & 1) {
    const std::size_t length = modbus::MbapDatagramFrame(data, size);
    if (length) Serve(data, length);
    return 0;
  }
  std::size_t at = 0;
  while (at < size) {
    const int frame = modbus::MbapStreamFrame(data + at, size - at);
    if (frame <= 0) break;
    if (std::size_t(frame) > modbus::kMaxAdu) std::abort();
    Serve(data + at, std::size_t(frame));
    at += std::size_t(frame);
  }
  return 0;
}
