// The register path of the Ethernet servers: a request's range check and the copy
// between the register image and a protocol's buffer.
#include "dpr_internal.h"
#include "iec_runtime/services.h"
#include "ground/regaccess.h"
#include "ground/upcalls.h"
#include "ground/regimage.h"

namespace {

constexpr uint32_t kIecMark = 0xC0000000;
constexpr uint32_t kRelocatedAreaBits = 16384;  // the T and M areas in 32-bit token form

struct Area {
  uint32_t first, last, end;
};
// The areas in the order they are tried; the T and M areas sit between them.
constexpr Area kLowAreas[] = {
    {0x400, 0x4FF, 0x500},   {0x500, 0x5FF, 0x600},   {0x600, 0x6FF, 0x700},     {0x700, 0x7FF, 0x800},
    {0x800, 0x9FF, 0xA00},   {0xA00, 0xBFF, 0xC00},   {0xC00, 0x17FF, 0x1800},   {0x1800, 0x27FF, 0x2800},
    {0x2800, 0x57FE, 0x57FF},
};

bool IsIecToken(uint32_t token) { return (token & kIecMark) == kIecMark; }

bool Fits(uint32_t token, uint32_t bits, uint32_t end) { return uint64_t(token) + bits <= end; }

bool ByteAligned(uint32_t token, uint32_t bits) {
  if (IsIecToken(token)) {
    const uint32_t offset = (token >> 20) & 0x3F, type = (token >> 26) & 0x7;
    return OrvanelRuntime && orvanel_variables_enumerateded && offset == 0 && type <= 2 && bits % 8 == 0;
  }
  return token % 8 == 0 && bits % 8 == 0;
}

bool GetBit(const uint8_t* p, uint32_t n) { return (p[n / 8] >> (n % 8)) & 1; }
void PutBit(uint8_t* p, uint32_t n, bool v) {
  if (v)
    p[n / 8] = uint8_t(p[n / 8] | (1u << (n % 8)));
  else
    p[n / 8] = uint8_t(p[n / 8] & ~(1u << (n % 8)));
}

}  // namespace

int EtnValidateReq(const EtnRequest* r) {
  const uint32_t token = r->token, bits = r->bits;
  if (OrvanelRuntime && IsIecToken(token)) return 0;
  if (token < 0x400) return 1;
  for (const Area& a : kLowAreas)
    if (token >= a.first && token <= a.last) return Fits(token, bits, a.end) ? 0 : 1;
  // The relocated T and M areas exist only in 32-bit token form; in 16-bit form the
  // bases are the flat areas, found above, and would otherwise swallow AQ and R.
  if (T_token != reg::kTokT) {
    if (token >= T_token && token <= 0x1000BFFE) return Fits(token, bits, T_token + kRelocatedAreaBits) ? 0 : 1;
    if (token >= M_token && token <= 0x1001FFFE) return Fits(token, bits, M_token + kRelocatedAreaBits) ? 0 : 1;
  }
  if (token <= 0x5FFF) return Fits(token, bits, 0x6000) ? 0 : 1;
  if (token <= 0x7FFF) return Fits(token, bits, 0x8000) ? 0 : 1;
  return Fits(token, bits, 0xCB4F0) ? 0 : 1;
}

void Dpr_Data_Block(uint32_t token, uint32_t bits, uint8_t* buffer, int write, int mode) {
  // The whole range, not only its first bit: a range the image does not hold copies nothing.
  const uint32_t first_bit = IsIecToken(token) ? 0 : token % 8;
  uint8_t* reg = bits ? PlcReg_Ptr(token, bits) : nullptr;
  if (reg && !IsIecToken(token) && !PlcReg_Ptr(token + bits - 1, 1)) reg = nullptr;
  if (reg && buffer) {
    if (ByteAligned(token, bits)) {
      const uint32_t n = bits / 8;
      for (uint32_t i = 0; i < n; ++i) (write ? reg[i] : buffer[i]) = (write ? buffer[i] : reg[i]);
    } else if (IsIecToken(token) && mode == 1) {
      if (write)
        Orvanel_Bit_To_Byte(buffer, reg, bits);
      else
        Orvanel_Byte_To_Bit(reg, buffer, bits);
    } else {
      for (uint32_t i = 0; i < bits; ++i) {
        const uint32_t r = first_bit + i;
        const uint32_t b = mode == 1 ? i : r;
        if (write)
          PutBit(reg, r, GetBit(buffer, b));
        else
          PutBit(buffer, b, GetBit(reg, r));
      }
    }
  }
  DprClearSemaphore();
}

// The pseudo-registers of the first interface read and write its record in place.
PseudoEthFields PseudoEthRecord() {
  EthConfig& eth = Dpr_Configuration[0];
  return {&eth.dhcp, &eth.dns, &eth.ip, &eth.mask, &eth.gateway};
}
