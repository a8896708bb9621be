// The addresses an interface uses: from registers, from the node number, from the DHCP
// lease, or from the configuration record.
#include "dpr_internal.h"
#include "enet_internal.h"

uint32_t EnetIpAddress[nx::kInstances];
uint32_t EnetNetMask[nx::kInstances];
uint32_t EnetGateway[nx::kInstances];
uint32_t EnetDns[nx::kInstances];

namespace {

constexpr uint32_t kLowestToken = 0x400;

uint32_t ReadReg(uint32_t token) { return token >= kLowestToken ? Dpr_Get_Dw_Data(token) : 0; }
void WriteReg(uint32_t token, uint32_t value) {
  if (token >= kLowestToken) Dpr_Set_Dw_Data(token, value);
}

// One of the four values: from its register (which switches DHCP off), from the lease,
// or from the record; written to its register unless read from it.
struct Source {
  bool from_register;
  uint32_t token;
  int item;
  uint32_t configured;
};

uint32_t Settle(int index, EthConfig& rec, const Source& s) {
  if (s.from_register) {
    rec.dhcp = 0;
    return ReadReg(s.token);
  }
  uint32_t value = s.configured;
  if (rec.dhcp) {
    if (enet::Dhcp().Busy(index)) {
      Enet_IpInstance[index].address_pending = 1;
      value = 0;
    } else {
      value = enet::Dhcp().Lease(index, s.item);
      if (s.item == 0 && value == 0) value = kFallbackAddress;
    }
  }
  WriteReg(s.token, value);
  return value;
}

}  // namespace

void EnetGetIpAddress(int index) {
  if (index < 0 || index >= nx::kInstances) return;
  EthConfig& rec = Dpr_Configuration[index];
  const uint8_t b = rec.flags_b, c = rec.flags_c;
  uint32_t address;
  if (!(b & kEthIpFromReg) && (b & kEthNodeAddress)) {
    address = (rec.ip & 0xFFFFFF00u) | (dpr::Get16(dpr::kNode) & 0xFF);
    WriteReg(rec.ip_token, address);
  } else {
    address = Settle(index, rec, {(b & kEthIpFromReg) != 0, rec.ip_token, 0, rec.ip});
  }
  const uint32_t mask = Settle(index, rec, {(b & kEthMaskFromReg) != 0, rec.mask_token, 1, rec.mask});
  const uint32_t gateway = Settle(index, rec, {(b & kEthGatewayFromReg) != 0, rec.gateway_token, 2, rec.gateway});
  const uint32_t dns = Settle(index, rec, {(c & kEthDnsFromReg) != 0, rec.dns_token, 3, rec.dns});
  rec.ip = EnetIpAddress[index] = address;
  rec.mask = EnetNetMask[index] = mask;
  rec.gateway = EnetGateway[index] = gateway;
  rec.dns = EnetDns[index] = dns;
}
