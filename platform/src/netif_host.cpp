// The real interface ioctls, for the host interfaces of the unit's names. Used only
// inside a network namespace that a test made (or on a board-like host that asks for it
// with PANEL_NETIF=host): it changes the interfaces it is given.
#include <arpa/inet.h>
#include <linux/ethtool.h>
#include <linux/sockios.h>
#include <net/if.h>
#include <net/if_arp.h>
#include <net/route.h>
#include <netinet/in.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/netif.h"

namespace plat {

namespace {

// One datagram socket per call, so that the call acts in the caller's current network
// namespace.
class IoctlSocket {
 public:
  IoctlSocket() : fd_(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0)) {}
  ~IoctlSocket() {
    if (fd_ >= 0) {
      const int saved = errno;
      ::close(fd_);
      errno = saved;
    }
  }
  IoctlSocket(const IoctlSocket&) = delete;
  IoctlSocket& operator=(const IoctlSocket&) = delete;
  bool Call(unsigned long request, void* arg) { return fd_ >= 0 && ::ioctl(fd_, request, arg) == 0; }

 private:
  int fd_;
};

bool Request(const char* name, ifreq& req) {
  std::memset(&req, 0, sizeof req);
  const std::size_t n = std::strlen(name);
  if (n >= IFNAMSIZ) {
    errno = ENODEV;
    return false;
  }
  std::memcpy(req.ifr_name, name, n);
  return true;
}

void PutAddress(sockaddr& sa, uint32_t host_order) {
  sockaddr_in in{};
  in.sin_family = AF_INET;
  in.sin_addr.s_addr = htonl(host_order);
  std::memcpy(&sa, &in, sizeof in);
}

uint32_t TakeAddress(const sockaddr& sa) {
  sockaddr_in in;
  std::memcpy(&in, &sa, sizeof in);
  return ntohl(in.sin_addr.s_addr);
}

bool Route(unsigned long request, const char* name, uint32_t gateway) {
  rtentry rt{};
  PutAddress(rt.rt_dst, 0);
  PutAddress(rt.rt_genmask, 0);
  PutAddress(rt.rt_gateway, gateway);
  rt.rt_flags = RTF_UP | RTF_GATEWAY;
  char dev[IFNAMSIZ] = {};
  std::strncpy(dev, name, IFNAMSIZ - 1);
  rt.rt_dev = dev;
  return IoctlSocket().Call(request, &rt);
}

class Host final : public NetIf {
 public:
  bool GetFlags(const char* name, int& flags) override {
    ifreq req;
    if (!Request(name, req) || !IoctlSocket().Call(SIOCGIFFLAGS, &req)) return false;
    flags = req.ifr_flags;
    return true;
  }
  bool SetFlags(const char* name, int flags) override {
    ifreq req;
    if (!Request(name, req)) return false;
    req.ifr_flags = short(flags);
    return IoctlSocket().Call(SIOCSIFFLAGS, &req);
  }
  bool GetAddress(const char* name, uint32_t& address, uint32_t& mask) override {
    ifreq req;
    IoctlSocket s;
    if (!Request(name, req) || !s.Call(SIOCGIFADDR, &req)) return false;
    address = TakeAddress(req.ifr_addr);
    if (!Request(name, req) || !s.Call(SIOCGIFNETMASK, &req)) return false;
    mask = TakeAddress(req.ifr_netmask);
    return true;
  }
  bool SetAddress(const char* name, uint32_t address) override {
    ifreq req;
    if (!Request(name, req)) return false;
    PutAddress(req.ifr_addr, address);  // 0.0.0.0 deletes the address
    return IoctlSocket().Call(SIOCSIFADDR, &req);
  }
  bool SetNetmask(const char* name, uint32_t mask) override {
    ifreq req;
    if (!Request(name, req)) return false;
    PutAddress(req.ifr_netmask, mask);
    return IoctlSocket().Call(SIOCSIFNETMASK, &req);
  }
  bool AddDefaultRoute(const char* name, uint32_t gateway) override { return Route(SIOCADDRT, name, gateway); }
  bool DeleteDefaultRoute(const char* name, uint32_t gateway) override { return Route(SIOCDELRT, name, gateway); }
  bool SetArpEntry(const char* name, uint32_t address, const uint8_t hw[6]) override {
    arpreq req{};
    PutAddress(req.arp_pa, address);
    req.arp_ha.sa_family = ARPHRD_ETHER;
    std::memcpy(req.arp_ha.sa_data, hw, 6);
    req.arp_flags = ATF_PERM | ATF_COM;
    std::strncpy(req.arp_dev, name, sizeof req.arp_dev - 1);
    return IoctlSocket().Call(SIOCSARP, &req);
  }
  bool SetHwAddress(const char* name, const uint8_t hw[6]) override {
    ifreq req;
    if (!Request(name, req)) return false;
    req.ifr_hwaddr.sa_family = ARPHRD_ETHER;
    std::memcpy(req.ifr_hwaddr.sa_data, hw, 6);
    return IoctlSocket().Call(SIOCSIFHWADDR, &req);
  }
  bool GetLinkSettings(const char* name, LinkSettings& out) override {
    ifreq req;
    if (!Request(name, req)) return false;
    ethtool_cmd cmd{};
    cmd.cmd = ETHTOOL_GSET;
    req.ifr_data = reinterpret_cast<char*>(&cmd);
    if (!IoctlSocket().Call(SIOCETHTOOL, &req)) return false;
    const uint32_t speed = ethtool_cmd_speed(&cmd);
    out.speed = speed == uint32_t(SPEED_UNKNOWN) ? 0 : speed;
    out.full_duplex = cmd.duplex == DUPLEX_FULL;
    return true;
  }
};

}  // namespace

NetIf& HostNetIf() {
  static Host host;
  return host;
}

}  // namespace plat
