// Reads and writes through register links. Every value passes through one read buffer,
// shared by both operations. Main thread only.
#include <cstring>

#include "ground/rcb.h"
#include "ground/regaccess.h"
#include "rcb_internal.h"

namespace rcb {
namespace {
uint8_t g_buf[kBufBytes];
}  // namespace

uint8_t* ReadBuffer() { return g_buf; }

}  // namespace rcb

namespace {

uint32_t LinkBytes(const RCB& r) {
  const uint32_t n = r.nbytes & 0x7F;
  return n < rcb::kBufBytes ? n : rcb::kBufBytes;
}

bool LinkSigned(const RCB& r) { return (r.nbytes & 0x80) != 0; }

// Byte used to pad a value of n bytes: 0xFF for a negative signed value, else 0.
uint8_t Padding(const RCB& r, const uint8_t* value, uint32_t n) {
  return (LinkSigned(r) && n > 0 && (value[n - 1] & 0x80)) ? 0xFF : 0x00;
}

}  // namespace

int SYS_ReadReg(void* buffer, RCB* link, uint32_t length) {
  if (!buffer || !link) return 0;
  uint8_t* buf = rcb::ReadBuffer();
  int result;
  if (rcb::IsPseudo(link->current)) {
    result = rcb::PseudoRead(link->current, length);
  } else {
    // A bit count that is not a whole number of bytes reads fewer bytes than the link's
    // byte count names; the rest must not be a previous value.
    std::memset(buf, 0, rcb::kBufBytes);
    result = PlcReg_Get(buf, link->current, link->nbits);
  }
  const uint32_t n = LinkBytes(*link);
  auto* out = static_cast<uint8_t*>(buffer);
  const uint32_t copied = n < length ? n : length;
  std::memcpy(out, buf, copied);
  if (length > copied) std::memset(out + copied, Padding(*link, buf, n), length - copied);
  return result;
}

int SYS_WriteReg(RCB* link, const void* data, uint32_t length) {
  if (!link || (!data && length)) return 0;
  uint8_t* buf = rcb::ReadBuffer();
  const uint32_t n = LinkBytes(*link);
  const uint32_t taken = n < length ? n : length;
  if (taken) std::memcpy(buf, data, taken);
  std::memset(buf + taken, Padding(*link, buf, taken), rcb::kBufBytes - taken);
  const uint32_t token = link->current;
  if (rcb::IsPseudo(token) && !rcb::PseudoWriteIsOrdinary(token)) return rcb::PseudoWrite(token, length);
  return PlcReg_Set(token, buf, link->nbits);
}
