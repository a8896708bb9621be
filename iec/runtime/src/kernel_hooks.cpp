// Hooks of the runtime's binding of IEC variables to the register image, until it is
// built: the per-scan syncs do nothing and a variable token finds only a test backend.
#include "iec_runtime/services.h"

#include "platform/trace.h"

uint8_t orvanel_variables_enumerateded = 0;

namespace {
const IecVarBackend* g_backend = nullptr;
}

void Iec_SetVarBackend(const IecVarBackend* backend) { g_backend = backend; }

uint8_t* OrvanelCalculateVmDbAddress(const uint32_t* token_holder, uint32_t nbits, int, int flag) {
  if (g_backend == nullptr || token_holder == nullptr) return nullptr;
  return g_backend->address(*token_holder, nbits, flag);
}

void Orvanel_Bit_To_Byte(const uint8_t* source, uint8_t* destination, uint32_t bits) {
  for (uint32_t i = 0; i < bits; ++i) destination[i] = (source[i / 8] >> (i % 8)) & 1;
}

void Orvanel_Byte_To_Bit(const uint8_t* source, uint8_t* destination, uint32_t bits) {
  for (uint32_t i = 0; i < bits; ++i) {
    uint8_t m = uint8_t(1u << (i % 8));
    destination[i / 8] = source[i] ? (destination[i / 8] | m) : (destination[i / 8] & ~m);
  }
}

void ClearOrvanelFlags() {
  plat::TraceCall("ClearOrvanelFlags");
  orvanel_variables_enumerateded = 0;
}

void OrvanelUpdateWordSRRegs() { plat::TraceCall("OrvanelUpdateWordSRRegs"); }
void OrvanelUpdateBitSysRegs() { plat::TraceCall("OrvanelUpdateBitSysRegs"); }
void OrvanelUpdateBitInputRegs() { plat::TraceCall("OrvanelUpdateBitInputRegs"); }
void OrvanelUpdateWordInputRegs() { plat::TraceCall("OrvanelUpdateWordInputRegs"); }
void OrvanelUpdateBitOutputRegs() { plat::TraceCall("OrvanelUpdateBitOutputRegs"); }
void OrvanelUpdateWordOutputRegs() { plat::TraceCall("OrvanelUpdateWordOutputRegs"); }

