// Full reconfiguration of the interfaces: each record parsed from its block, with the
// battery-backed copy of the addresses standing in for a block that is missing.
#include <cstring>
#include <initializer_list>

#include "dpr_internal.h"
#include "ground/bbram.h"
#include "ground/regimage.h"
#include "ground/tablestore.h"

EthConfig Dpr_Configuration[kEthInterfaces];

namespace {

constexpr uint32_t kCopyMagic = 0x12345678;
constexpr uint32_t kCopySize = 24;

struct AddressCopy {
  uint32_t reserved;
  uint32_t magic;
  uint32_t ip, mask, gateway, dns;
};
static_assert(sizeof(AddressCopy) == kCopySize);

}  // namespace

const uint8_t* EtnConfp() { return BlockSize(net_config_bl) != 0 ? net_config_bl + kTableHeader : nullptr; }

void Dpr_Config() {
  Dpr_Configuration[0] = EthConfig{};
  Dpr_Configuration[0].flags_a |= kEthEgd;
  dpr::Put16(dpr::kChangeAck, dpr::Get16(dpr::kChangeToggle));
  dpr::Put16(dpr::kEgdStatusCount, 0);
  for (int index : {0, 2, 3}) {
    AddressCopy copy{};
    const uint32_t at = kCopySize * uint32_t(index);
    SYS_ReadCmd(&copy, at, kCopySize);
    if (copy.magic != kCopyMagic) {
      copy = AddressCopy{.reserved = 0, .magic = kCopyMagic, .ip = 0, .mask = 0, .gateway = 0, .dns = 0};
      SYS_WriteCmd(&copy, at, kCopySize);
    }
    EthConfig& rec = Dpr_Configuration[index];
    if (DprParseConfig(index) != 0) {
      rec.flags_b |= kEthNoConfig;
      rec.ip = copy.ip;
      rec.mask = copy.mask;
      rec.gateway = copy.gateway;
      rec.dns = copy.dns;
    } else {
      rec.flags_b &= uint8_t(~kEthNoConfig);
      copy.ip = rec.ip;
      copy.mask = rec.mask;
      copy.gateway = rec.gateway;
      copy.dns = rec.dns;
      SYS_WriteCmd(&copy, at, kCopySize);
    }
  }
  dpr::CopySecurity();
}

void DprPowerOnReset() {
  for (EthConfig& c : Dpr_Configuration) c = EthConfig{};
  std::memset(DprMap, 0, sizeof DprMap);
  T_token = reg::kTokET;
  M_token = reg::kTokEM;
  dpr::ntp_enabled = false;
  dpr::ResetChangeTracking();
  dpr::ResetChannel();
}
