// Token decoding and the three register operations.
#include "ground/regaccess.h"

#include <cstring>

#include "ground/iec_variables.h"
#include "iec_vars.h"
#include "ground/cmdproto.h"
#include "ground/extobjects.h"
#include "ground/regimage.h"
#include "ground/upcalls.h"

namespace {

constexpr uint32_t kExternalBit = 0x80000000u;
constexpr uint32_t kTokSR9 = reg::SrToken(9);  // written without any check
constexpr uint32_t kTokSRLast = reg::kTokF - 1;
constexpr uint32_t kSrBits = 16;

// Bytes a write of nbits takes from its source.
uint32_t SourceBytes(uint32_t nbits) { return (nbits + 7) / 8; }

// Whether a write of more than one bit reaches a system register's bytes. Such a write
// is taken only when it is one register's own write, starting at that register (whose
// row then checks the width); anything else would store system registers past their
// check and side effects, so it is refused.
bool StraysIntoSystemRegisters(uint32_t token, uint32_t nbits) {
  if (nbits == 1 || token < 1024 || token > reg::kTokImageLast) return false;
  const uint64_t first = token & ~7u;
  const uint64_t end = first + 8ull * SourceBytes(nbits);
  if (end <= reg::kTokSR || first > kTokSRLast) return false;
  if (token < reg::kTokSR || (token - reg::kTokSR) % kSrBits != 0) return true;
  return token == kTokSR9 && nbits > kSrBits;
}

// Byte offset of an image token, or -1 for a token outside the image and its windows.
int64_t ImageOffset(uint32_t t) {
  if (t < 1024) return -1;
  if (t <= reg::kTokImageLast) return (t - 1024) >> 3;
  if (t >= reg::kTokET && t < reg::kTokETEnd) return reg::kOffET + ((t - reg::kTokET) >> 3);
  if (t >= reg::kTokEM && t < reg::kTokEMEnd) return reg::kOffEM + ((t - reg::kTokEM) >> 3);
  if (t >= reg::kTokESR && t < reg::kTokESREnd) return reg::kOffESR + ((t - reg::kTokESR) >> 3);
  return -1;
}

uint32_t ExtObject(uint32_t t) { return t & 0x1FF; }
uint32_t ExtBit(uint32_t t) { return (t >> 12) & 7; }

bool IsExternal(uint32_t t) { return (t & kExternalBit) && !IecTokenActive(t); }

uint8_t* ExternalPtr(uint32_t t, uint32_t nbits) {
  uint32_t obj = ExtObject(t);
  if (SrGet(5) == 2 && ExternalRegsOffsets[obj] != nullptr) return ExternalRegsOffsets[obj] + ((t >> 15) & 0x3F);
  // The scratch slot holds 32 bytes; nothing wider fits in it.
  if ((nbits + 7) / 8 > kExtObjectBytes) return nullptr;
  return ExternalRegs[obj];
}

}  // namespace

uint8_t* PlcReg_Ptr(uint32_t token, uint32_t nbits) {
  if (IecTokenActive(token)) return OrvanelCalculateVmDbAddress(&token, nbits, 0, 0);
  if (token & kExternalBit) return ExternalPtr(token, nbits);
  if (uint64_t(token) + nbits > reg::kTokLimit) return nullptr;
  int64_t off = ImageOffset(token);
  if (off < 0) return nullptr;
  // The token limit alone would let a long access run off the end of the image.
  if (uint64_t(off) + (nbits + 7) / 8 > reg::kImageSize) return nullptr;
  return plc_reg + off;
}

int PlcReg_Get(void* destination, uint32_t token, uint32_t nbits) {
  auto* out = static_cast<uint8_t*>(destination);
  const bool iec = IecTokenActive(token);
  if (iec && !OLPMode) return IecRead(destination, token, nbits);

  uint32_t bit = token & 7;
  if (!iec && (token & kExternalBit)) {
    if (SrGet(5) != 2) {
      Ext_Obj_Comm_Status[ExtObject(token)].read_not_running = 1;
      std::memset(out, 0, nbits == 1 ? 1 : nbits / 8);
      return 1;
    }
    bit = ExtBit(token);
  }
  const uint8_t* p = PlcReg_Ptr(token, nbits);
  if (p == nullptr) return 0;
  if (nbits == 1) {
    if (iec) {  // online programming: the variable's own bit number, from its first byte
      uint32_t b = DecodeIecToken(token).bit;
      p += b >> 3;
      bit = b & 7;
    }
    *out = (*p >> bit) & 1;
    return 1;
  }
  std::memcpy(out, p, nbits / 8);
  return 1;
}

int PlcReg_Set(uint32_t token, const void* source, uint32_t nbits) {
  const auto* in = static_cast<const uint8_t*>(source);
  if (StraysIntoSystemRegisters(token, nbits)) return 0;
  if (token >= reg::kTokSR && token <= kTokSRLast && token != kTokSR9) {
    int r = SysRegWrite(token, in, nbits);
    if (r != kSysRegContinue) return r;
  }
  if (token >= reg::kTokIecFirst && token <= reg::kTokIecLast && OrvanelRuntime) {
    if (!orvanel_variables_enumerateded || OLPMode) return 0;
    return IecWrite(token, source, nbits);
  }
  uint8_t* p = PlcReg_Ptr(token, nbits);
  if (p == nullptr) return 0;
  if (nbits == 1) {
    uint32_t bit = IsExternal(token) ? ExtBit(token) : (token & 7);
    *p = in[0] ? (*p | on_mask[bit]) : (*p & off_mask[bit]);
    return 1;
  }
  std::memcpy(p, in, nbits / 8);
  return 1;
}
