// Hooks of the IEC runtime until it is built: no application ever runs.
#include "iec_runtime/services.h"

#include "platform/trace.h"

uint8_t OrvanelRuntime = 0;
uint8_t orvanel_variables_enumerateded = 0;
uint8_t is_n4protocol = 0;
void* pDB = nullptr;

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

void Orvanel_init() { plat::TraceCall("Orvanel_init"); }
void Orvanel_Comm_service() { plat::TraceCall("Orvanel_Comm_service"); }
void DeleteOrvanelProgram() { plat::TraceCall("DeleteOrvanelProgram"); }
void DelOrvanelRetentiveFile() { plat::TraceCall("DelOrvanelRetentiveFile"); }

const uint8_t* OrvanelI0_VarLoc = nullptr;
uint8_t N4_init = 0;
void ClearOrvanelFlags() {
  plat::TraceCall("ClearOrvanelFlags");
  orvanel_variables_enumerateded = 0;
}

uint16_t iVmAlive = 0;
uint8_t OrvanelFirstRun = 0;
uint8_t OrvanelS9 = 0;
void OrvanelUpdateWordSRRegs() { plat::TraceCall("OrvanelUpdateWordSRRegs"); }
void OrvanelUpdateBitSysRegs() { plat::TraceCall("OrvanelUpdateBitSysRegs"); }
void OrvanelUpdateBitInputRegs() { plat::TraceCall("OrvanelUpdateBitInputRegs"); }
void OrvanelUpdateWordInputRegs() { plat::TraceCall("OrvanelUpdateWordInputRegs"); }
void OrvanelUpdateBitOutputRegs() { plat::TraceCall("OrvanelUpdateBitOutputRegs"); }
void OrvanelUpdateWordOutputRegs() { plat::TraceCall("OrvanelUpdateWordOutputRegs"); }

namespace n4 {
int _VMThread() {
  plat::TraceCall("_VMThread");
  return 0;
}
void __Exit() { plat::TraceCall("__Exit"); }
}  // namespace n4

void N4_Connect_Serial() { plat::TraceCall("N4_Connect_Serial"); }
void N4_Connect_Ethernet() { plat::TraceCall("N4_Connect_Ethernet"); }

int N4VMWarm_SaveToFile(void*, const char*) {
  plat::TraceCall("N4VMWarm_SaveToFile");
  return 0;
}
int N4VMWarm_LoadFromFile(void*, const char*) {
  plat::TraceCall("N4VMWarm_LoadFromFile");
  return 0;
}
void N4_GetFullPath(char* out, const char* name) {
  plat::TraceCall("N4_GetFullPath");
  if (out) *out = '\0';
  (void)name;
}
