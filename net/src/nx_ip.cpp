// IP instances and interface settings: addresses, the default route, ARP entries, the
// link query, the hardware address. Interface settings go through the platform seam.
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "ground/bbram.h"
#include "ground/tablestore.h"
#include "ground/timebase.h"
#include "nx_internal.h"
#include "platform/netif.h"
#include "platform/trace.h"

nx::IpInstance Enet_IpInstance[nx::kInstances];

namespace nx {

namespace {

constexpr uint32_t kSpeedRereadTicks = 100000;  // 10 s of the time base

// The link query reads speed and duplex when a link comes up and once more 10 s later.
struct LinkReading {
  uint8_t readings = 0;  // per instance: 0 link down, 1 first reading done, 2 both done
};
LinkReading link_reading[kInstances];
uint32_t last_speed_read = 0;  // one time for all instances

plat::NetIf& Net() { return plat::GetNetIf(); }

uint16_t SpeedCode(const plat::LinkSettings& s) {
  const uint16_t code = s.speed == 100 ? 1 : s.speed == 1000 ? 2 : 0;
  return uint16_t(code + (s.full_duplex ? 256 : 0));
}

void ReadSpeed(IpInstance* ip) {
  plat::LinkSettings s;
  ip->speed_duplex = Net().GetLinkSettings(ip->name, s) ? SpeedCode(s) : 0;
  last_speed_read = FPGA_GetFrt();
}

void UpdateLink(IpInstance* ip) {
  LinkReading& r = link_reading[ip->index & (kInstances - 1)];
  int flags = 0;
  if (!Net().GetFlags(ip->name, flags) || !(flags & plat::kIfRunning)) {
    ip->link_up = 0;
    r.readings = 0;
    return;
  }
  ip->link_up = 1;
  if (r.readings == 0) {
    ReadSpeed(ip);
    r.readings = 1;
  } else if (r.readings == 1 && FPGA_GetFrt() - last_speed_read > kSpeedRereadTicks) {
    ReadSpeed(ip);
    r.readings = 2;
  }
}

}  // namespace

void NxPowerOnReset() {
  for (TcpSocket*& s : ConnSock) s = nullptr;
  ForgetPassDue();
  for (LinkReading& r : link_reading) r = {};
  last_speed_read = 0;
  for (IpInstance& ip : Enet_IpInstance) ip = IpInstance{};
}

int _nx_system_initialize() { return PortDisable("eth1"); }

int PortDisable(const char* name) {
  int flags = 0;
  bool ok = Net().SetAddress(name, 0);
  ok = Net().GetFlags(name, flags) && ok;
  ok = ok && Net().SetFlags(name, flags & ~plat::kIfUp);
  return ok ? kSuccess : kFailed;
}

int _nx_ip_create(IpInstance* ip, const char* name, uint32_t address, uint32_t mask, PacketPool* pool) {
  *ip = IpInstance{};
  std::strncpy(ip->name, name, sizeof ip->name - 1);
  ip->address = address;
  ip->mask = mask;
  ip->network = address & mask;
  ip->pool = pool;
  ip->created = 1;
  if (std::strcmp(name, "mlan0") == 0) {
    ip->index = 2;
    return kSuccess;
  }
  if (std::strcmp(name, "uap0") == 0) {
    ip->index = 3;
    return kSuccess;
  }
  ip->index = (std::strncmp(name, "eth", 3) == 0 && name[3] >= '0' && name[3] <= '9') ? name[3] - '0' : 0;
  return _nx_ip_address_set(ip, address, mask);
}

int _nx_ip_address_set(IpInstance* ip, uint32_t address, uint32_t mask) {
  if (address == 0 && ip->static_addressing) {
    ip->static_addressing = 0;
    PortDisable(ip->name);
    ip->mask = mask;
    ip->address = 0;
    ip->network = 0;
    return kSuccess;
  }
  if (address == 0 && ip->address_pending) ip->address_pending = 0;
  int flags = 0;
  if (!Net().GetFlags(ip->name, flags)) return kFailed;
  uint32_t old_address = 0, old_mask = 0;
  if (Net().GetAddress(ip->name, old_address, old_mask) && old_address != 0 && !Net().SetAddress(ip->name, 0))
    return kFailed;
  if (address != 0) {
    if (!Net().SetAddress(ip->name, address) || !Net().SetNetmask(ip->name, mask)) return kFailed;
    if (ip->gateway != 0) {
      // The route may be refused (a gateway outside the new subnet); the hub sets it again
      // when the gateway fits.
      const uint32_t gateway = ip->gateway;
      ip->address = address;
      ip->mask = mask;
      _nx_ip_gateway_address_set(ip, gateway);
    }
  }
  if (!Net().SetFlags(ip->name, flags | plat::kIfUp)) return kFailed;
  ip->address = address;
  ip->mask = mask;
  ip->network = address & mask;
  return kSuccess;
}

int _nx_ip_gateway_address_set(IpInstance* ip, uint32_t gateway) {
  Net().DeleteDefaultRoute(ip->name, gateway);
  if (!Net().AddDefaultRoute(ip->name, gateway)) return kFailed;
  ip->gateway = gateway;
  return kSuccess;
}

int _nx_ip_address_get(IpInstance* ip, uint32_t* address, uint32_t* mask) {
  uint32_t a = 0, m = 0;
  if (!Net().GetAddress(ip->name, a, m)) return kFailed;
  ip->address = a;
  ip->mask = m;
  ip->network = a & m;
  if (address) *address = a;
  if (mask) *mask = m;
  return kSuccess;
}

int _nx_ip_driver_direct_command(IpInstance* ip, uint32_t command, uint32_t* out) {
  uint32_t value = 0;
  // The link is followed with or without an address (an interface waiting for its DHCP
  // lease still has a cable); the answers need an address.
  UpdateLink(ip);
  if (ip->address != 0) {
    switch (command) {
      case 11: value = ip->speed_duplex & 0xFF; break;
      case 12: value = (ip->speed_duplex & 256) ? 1 : 0; break;
      case 14: value = ip->link_up ? ip->received_packets : 0; break;
      case 15: value = ip->link_up ? ip->sent_packets : 0; break;
      default: break;
    }
  }
  if (out) *out = value;
  return kSuccess;
}

int _nx_arp_dynamic_entry_set(IpInstance* ip, uint32_t address, uint32_t hw_high, uint32_t hw_low) {
  const uint8_t hw[6] = {uint8_t(hw_high >> 8), uint8_t(hw_high), uint8_t(hw_low >> 24),
                         uint8_t(hw_low >> 16), uint8_t(hw_low >> 8), uint8_t(hw_low)};
  return Net().SetArpEntry(ip->name, address, hw) ? kSuccess : kFailed;
}

int _nx_arp_enable(IpInstance*) { return kSuccess; }
int _nx_igmp_enable(IpInstance*) { return kSuccess; }
int _nx_udp_enable(IpInstance*) { return kSuccess; }
int _nx_tcp_enable(IpInstance*) { return kSuccess; }

}  // namespace nx

void Etn_IrqInit() {}

void Etn_SetMacId(const uint8_t address[6], int which) {
  plat::TraceCall("Etn_SetMacId", which);
  const char* name = which == 1 ? "eth1" : "eth0";
  if (!plat::GetNetIf().SetHwAddress(name, address)) std::perror("ioctl(SIOCSIFHWADDR)");
  // The text shows the board's stored id (the one the pseudo-register and the crash screen
  // read).
  const uint8_t* mac = tinyImage + (which == 1 ? kTinyMac1 : kTinyMac0);
  char text[kMacTextLen + 1];
  std::snprintf(text, sizeof text, "%02X:%02X:%02X:%02X:%02X:%02X", mac[0], mac[1], mac[2], mac[3], mac[4], mac[5]);
  std::memcpy(tinyImage + (which == 1 ? kTinyMacText1 : kTinyMacText0), text, sizeof text);
}
