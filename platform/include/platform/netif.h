#pragma once
// The board's network interfaces on a host.
//
// The unit names its interfaces eth0, eth1, mlan0 and uap0. Sockets are bound to the host
// interface that each name maps to: the loopback interface by default, so that an
// unprivileged run reaches every service on 127.0.0.1; the same names inside a network
// namespace that a test made (SetHostInterfaces(true), or PANEL_NETIF=host).
//
// Interface settings (address, mask, flags, default route, ARP entries, hardware
// address, link speed) go through one seam, NetIf. The model back-end keeps them in
// memory and records each change in the call trace, so that nothing on the host is ever
// changed; the host back-end performs the real ioctls and is installed only inside a
// namespace. Main thread only; reads allocate nothing.

#include <cstdint>

namespace plat {

// ---- Listening ports ----

// Offset added to every port the unit binds (the board's 502, 80, 18501 ...): from the
// environment variable PANEL_PORT_OFFSET at the first call (0 when unset or not a
// number), or as set by SetPortOffset.
int PortOffset();
void SetPortOffset(int offset);
// The host port for a board port; 0 stays 0 (any port). May pass 65535: binding such a
// port then fails.
inline uint32_t HostPort(uint16_t board_port) {
  return board_port == 0 ? 0 : uint32_t(int(board_port) + PortOffset());
}

// ---- Interface names ----

// Host interface for a unit interface name (eth0, eth1, mlan0, uap0; any other name maps
// to itself). "lo" for all four unless host interfaces are in use.
const char* HostIfName(const char* unit_name);
// true: every unit name is the host interface of the same name (a test's namespace);
// false: all map to the loopback interface.
void SetHostInterfaces(bool same_names);

// ---- Interface settings ----

// Flags as in <net/if.h>.
inline constexpr int kIfUp = 0x1;
inline constexpr int kIfRunning = 0x40;

struct LinkSettings {
  uint32_t speed = 0;  // Mbit/s; 0 unknown
  bool full_duplex = false;
};

// Every call takes the unit interface name and returns true on success; on failure the
// system error is in errno. Addresses are IPv4 in host byte order.
class NetIf {
 public:
  virtual ~NetIf() = default;
  virtual bool GetFlags(const char* name, int& flags) = 0;
  virtual bool SetFlags(const char* name, int flags) = 0;
  virtual bool GetAddress(const char* name, uint32_t& address, uint32_t& mask) = 0;
  // Address 0 deletes the interface's address.
  virtual bool SetAddress(const char* name, uint32_t address) = 0;
  virtual bool SetNetmask(const char* name, uint32_t mask) = 0;
  virtual bool AddDefaultRoute(const char* name, uint32_t gateway) = 0;
  virtual bool DeleteDefaultRoute(const char* name, uint32_t gateway) = 0;
  virtual bool SetArpEntry(const char* name, uint32_t address, const uint8_t hw[6]) = 0;
  virtual bool SetHwAddress(const char* name, const uint8_t hw[6]) = 0;
  virtual bool GetLinkSettings(const char* name, LinkSettings& out) = 0;
};

// Installs a back-end; nullptr restores the default (the model, or the host back-end when
// PANEL_NETIF=host). Returns the previous one.
NetIf* SetNetIf(NetIf* netif);
NetIf& GetNetIf();

// The real ioctls on the host interfaces of the same names (for a namespace).
NetIf& HostNetIf();

// The in-memory model. Interfaces eth0, eth1, mlan0 and uap0 exist; eth0, mlan0 and
// uap0 start up and running (link present) at 100 Mbit/s full duplex. Every change is
// recorded in the model's own log (a fixed ring: recording allocates nothing).
class ModelNetIf final : public NetIf {
 public:
  struct Iface {
    const char* name;
    int flags;
    uint32_t address;
    uint32_t mask;
    uint32_t gateway;  // default route through this interface; 0 none
    uint8_t hw[6];
    LinkSettings link;
  };
  ModelNetIf();
  // Back to the start state.
  void Reset();
  // The link (IFF_RUNNING) of an interface, as a cable or an access point would set it.
  void SetLink(const char* name, bool running);
  // Makes the interface's calls fail with errno (0: succeed again).
  void SetFailure(const char* name, int error);
  const Iface* Find(const char* name) const;
  struct Change {
    const char* what;  // "SetAddress", "SetNetmask", "SetFlags", "AddDefaultRoute", ...
    const char* name;  // the interface
    uint64_t value;
    uint64_t extra;  // SetArpEntry: the hardware address
  };
  static constexpr int kLogSize = 256;
  // The changes since the last ClearLog, oldest first (at most the last kLogSize).
  int LogCount() const;
  const Change& LogAt(int i) const;
  void ClearLog();

  bool GetFlags(const char* name, int& flags) override;
  bool SetFlags(const char* name, int flags) override;
  bool GetAddress(const char* name, uint32_t& address, uint32_t& mask) override;
  bool SetAddress(const char* name, uint32_t address) override;
  bool SetNetmask(const char* name, uint32_t mask) override;
  bool AddDefaultRoute(const char* name, uint32_t gateway) override;
  bool DeleteDefaultRoute(const char* name, uint32_t gateway) override;
  bool SetArpEntry(const char* name, uint32_t address, const uint8_t hw[6]) override;
  bool SetHwAddress(const char* name, const uint8_t hw[6]) override;
  bool GetLinkSettings(const char* name, LinkSettings& out) override;

 private:
  Iface* Lookup(const char* name);
  void Record(const char* what, const Iface& f, uint64_t value, uint64_t extra = 0);
  Change log_[kLogSize] = {};
  int logged_ = 0;
  static constexpr int kCount = 4;
  Iface ifaces_[kCount];
  int failure_[kCount] = {};
};

// The model the default back-end uses.
ModelNetIf& NetIfModel();

}  // namespace plat
