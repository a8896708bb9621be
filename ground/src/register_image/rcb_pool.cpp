// The register-link pools and the link operations. Main thread only.
#include <cstring>

#include "ground/mailbox.h"
#include "ground/rcb.h"
#include "ground/regaccess.h"
#include "rcb_internal.h"
#include "platform/trace.h"

namespace {

// One pool is in use at a time; selecting a pool empties it.
RCB g_page_pool[kPagePoolRcbs];
RCB g_system_pool[kSystemPoolRcbs];
RCB g_fixed_pool[kFixedPoolRcbs];

RCB* g_pool = g_fixed_pool;
int g_pool_size = kFixedPoolRcbs;
int g_pool_used = 0;

constexpr uint32_t kPseudoMarkRef = 1;

RCB* Take(uint32_t reference, rcb::LinkSize size) {
  if (g_pool_used >= g_pool_size) return nullptr;
  RCB* r = &g_pool[g_pool_used++];
  const uint32_t token = rcb::Resolve(reference);
  *r = RCB{.base = token, .current = token, .nbits = size.nbits, .nbytes = size.nbytes,
           .pseudo = uint8_t(reference == kPseudoMarkRef)};
  return r;
}

}  // namespace

void SYS_ResetRCBs(int mode) {
  plat::TraceCall("SYS_ResetRCBs", mode);
  switch (mode) {
    case 0: g_pool = g_page_pool; g_pool_size = kPagePoolRcbs; break;
    case 1: g_pool = g_system_pool; g_pool_size = kSystemPoolRcbs; break;
    default: g_pool = g_fixed_pool; g_pool_size = kFixedPoolRcbs; break;
  }
  g_pool_used = 0;
  rcb::SelectPageRefTable();
}

int SYS_LoadRCBs(int x) { return x; }

void SYS_SetPageRefTable(uint32_t offset) { rcb::SelectPageRefTable(offset); }

RCB* SYS_LinkReg(uint32_t reference, uint16_t size) { return Take(reference, rcb::DecodeSize16(size)); }

RCB* SYS_32LinkReg(uint32_t reference, uint8_t size) { return Take(reference, rcb::DecodeSize8(size)); }

void SYS_ChgLink(RCB* rcb, uint32_t reference, uint16_t size) {
  if (!rcb) return;
  uint32_t token;
  if (rcb::IsPseudo(reference) && (rcb->base == kPseudoMarkRef || rcb->pseudo)) {
    rcb->pseudo = 1;
    token = reference;
  } else {
    token = rcb::Resolve(reference);
  }
  const rcb::LinkSize s = rcb::DecodeSize16(size);
  rcb->base = rcb->current = token;
  rcb->nbits = s.nbits;
  rcb->nbytes = s.nbytes;
}

void SYS_ModLink(RCB* rcb, int32_t offset) {
  if (rcb) rcb->current = rcb->base + uint32_t(offset);
}

void SYS_InitRogueRCB(uint32_t* out, uint32_t reference) {
  if (out) *out = rcb::Resolve(reference);
}

int SYS_WriteRogueRCB(const uint32_t* holder, uint32_t offset, uint32_t nbits, const void* source) {
  if (!holder || !source) return 0;
  const uint32_t token = *holder + offset;
  if (token < *holder) return 0;  // the offset wrapped the token
  const uint32_t nbytes = (nbits + 7) / 8;
  // The target is resolved like any register access, so a write that would leave the
  // register image (or the external object, or the IEC variable) is refused whole.
  uint8_t* target = PlcReg_Ptr(token, nbytes * 8);
  if (!target) return 0;
  std::memmove(target, source, nbytes);
  return 1;
}

void SYS_LoadAlarmRcb(uint32_t reference, uint32_t bits) {
  const uint32_t token = reference ? rcb::Resolve(reference) : 0;
  const uint32_t rounded = bits > 0xFFFFFFF8u ? 0xFFFFFFF8u : (bits + 7) & ~7u;
  Dpram_SetAlarmWindow(token, rounded);
}
