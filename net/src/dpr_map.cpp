// DprMap: header, run flag and clock, configuration-change detection, register data
// helpers, EGD status requests and the security block.
#include <cstring>
#include <initializer_list>

#include "dpr_internal.h"
#include "iec_runtime/services.h"
#include "ground/cmdproto.h"
#include "ground/program_features.h"
#include "ground/regaccess.h"
#include "ground/regimage.h"
#include "ground/tablestore.h"
#include "platform/trace.h"

alignas(8) uint8_t DprMap[kDprMapSize];
uint8_t* const Dpr_Map_Ptr = DprMap;
uint32_t T_token = reg::kTokET;
uint32_t M_token = reg::kTokEM;

namespace dpr {

bool ntp_enabled = false;

namespace {

constexpr uint16_t kLayoutWords[] = {512, 256, 256, 248, 128, 120, 122, 24960};
constexpr uint32_t kSrPlcMode = 5;
constexpr uint32_t kSrClock = 44;  // SR44..SR49
constexpr uint32_t kNodeToken = 3520;  // SR29

// What the change detection saw last.
struct Seen {
  uint16_t io_crc = 0;
  uint32_t io_size = 0;
  const uint8_t* net = nullptr;
  uint16_t net_crc = 0;
};
Seen seen;

void MarkChanged() {
  if (Get16(kChangeToggle) == Get16(kChangeAck)) Put16(kChangeToggle, uint16_t(~Get16(kChangeAck)));
}

}  // namespace

// From the loaded program, not from the engine's latch: a Run period's first network pass
// may come before its first scan (the mode is set by a command after the pass's scan).
void SetTokenBases() {
  const bool flat = ProgramTokens16();
  T_token = flat ? reg::kTokT : reg::kTokET;
  M_token = flat ? reg::kTokM : reg::kTokEM;
}

bool AddEgdStatus(uint32_t token, uint16_t position) {
  const uint16_t n = Get16(kEgdStatusCount);
  if (n >= kEgdStatusEntries) return false;
  const std::size_t at = kEgdStatus + 8 * std::size_t(n);
  DprMap[at] = 0;
  DprMap[at + 1] = 0;
  Put16(at + 2, position);
  Put32(at + 4, token);
  Put16(kEgdStatusCount, uint16_t(n + 1));
  return true;
}

void ResetChangeTracking() { seen = Seen{}; }

}  // namespace dpr

using namespace dpr;

int Dpr_Init() {
  std::memset(DprMap, 0, sizeof DprMap);
  Put16(kMagicAt, kMagic);
  Put32(kLayout, 0x16000000);
  for (std::size_t i = 0; i < std::size(kLayoutWords); ++i) Put16(kLayout + 4 + 2 * i, kLayoutWords[i]);
  Put16(kAreaOffsets, uint16_t(kRxRing));
  Put16(kAreaOffsets + 2, uint16_t(kTx));
  Put16(kAreaOffsets + 4, uint16_t(kRxByte));
  T_token = reg::kTokET;
  M_token = reg::kTokEM;
  return uint16_t(~Get16(kChangeAck));
}

void Dpr_Io_Service() {
  if (SrGet(kSrPlcMode) != 2) {
    Put16(kRunFlag, 0);
  } else if (Get16(kRunFlag) == 0) {
    SetTokenBases();
    // The parse adds the EGD status requests again: the old ones go first.
    Put16(kEgdStatusCount, 0);
    for (int index : {0, 2, 3}) DprParseConfig(index);
    Put16(kRunFlag, 1);
  }
  std::memcpy(DprMap + kClock, plc_reg + reg::SrOffset(kSrClock), 12);
  if (Cmd_Downloading) return;
  // A download of either table moves these; the network table also counts, so that a
  // download of it alone reconfigures the interfaces.
  const uint16_t io_crc = BlockCrc(io_config_bl);
  const uint32_t io_size = BlockSize(io_config_bl);
  const uint8_t* net = EtnConfp();
  const uint16_t net_crc = BlockCrc(net_config_bl);
  if (io_crc != seen.io_crc || io_size != seen.io_size || net != seen.net || net_crc != seen.net_crc) {
    MarkChanged();
    seen = {io_crc, io_size, net, net_crc};
  }
}

void Dpr_Set_W_Data(uint32_t token, uint16_t value) {
  if (uint8_t* p = PlcReg_Ptr(token, 16)) {
    p[0] = uint8_t(value);
    p[1] = uint8_t(value >> 8);
  }
  DprClearSemaphore();
}

void Dpr_Set_Dw_Data(uint32_t token, uint32_t value) {
  if (uint8_t* p = PlcReg_Ptr(token, 32)) {
    for (int i = 0; i < 4; ++i) p[i] = uint8_t(value >> (8 * i));
  }
  DprClearSemaphore();
}

uint32_t Dpr_Get_Dw_Data(uint32_t token) {
  uint32_t v = 0;
  if (const uint8_t* p = PlcReg_Ptr(token, 32)) v = uint32_t(p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24);
  DprClearSemaphore();
  return v;
}

void Dpr_Set_Egd_Status(uint16_t value, int index) {
  if (index < 0 || index >= Get16(kEgdStatusCount)) return;
  const std::size_t at = kEgdStatus + 8 * std::size_t(index);
  const uint32_t token = uint32_t(Get16(at + 4) | Get16(at + 6) << 16);
  if (token == 0) return;
  Dpr_Set_W_Data(token, value);
  ++DprMap[at];
}

void DprSetSemaphore() {}
void DprClearSemaphore() { Put16(kSemaphore, 0); }

// Nothing queues register requests here: every request is served at once.
int Dpr_Add_Req(uint32_t, uint32_t, int) { return 1; }
int Dpr_Chk_Rd_Pending() { return 0; }

void Etn_UpdateSecurity() {
  plat::TraceCall("Etn_UpdateSecurity");
  dpr::CopySecurity();
}

void dpr::CopySecurity() {
  const uint8_t* table = plc_reg + reg::kOffSecurity;
  DprMap[kSecurityFlags] = table[0] & 0xEF;
  std::memcpy(DprMap + kSecuritySetting, table + 4, 4);
  for (int i = 0; i < 3; ++i) {
    const uint8_t* entry = table + 8 + 24 * i;
    std::memcpy(DprMap + kSecurityEntries + 4 * i, entry, 4);
    std::memcpy(DprMap + kSecurityEntries2 + 4 * i, entry + 20, 4);
  }
}

void Etn_UpdateStatus() {
  plat::TraceCall("Etn_UpdateStatus");
  uint16_t node = 0;
  PlcReg_Get(&node, kNodeToken, 16);
  Put16(kNode, node);
}
