// Port offset, interface-name map, the choice of settings back-end, and the model.
#include "platform/netif.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>


namespace plat {

namespace {

constexpr int kUnset = -100000;
int port_offset = kUnset;
int host_names = -1;  // -1: not yet read from the environment
NetIf* installed = nullptr;

bool HostModeFromEnv() {
  const char* v = std::getenv("PANEL_NETIF");
  return v && std::strcmp(v, "host") == 0;
}

constexpr const char* kUnitNames[] = {"eth0", "eth1", "mlan0", "uap0"};

bool IsUnitName(const char* name) {
  for (const char* n : kUnitNames)
    if (std::strcmp(n, name) == 0) return true;
  return false;
}

}  // namespace

int PortOffset() {
  if (port_offset == kUnset) {
    const char* v = std::getenv("PANEL_PORT_OFFSET");
    char* end = nullptr;
    const long n = v ? std::strtol(v, &end, 10) : 0;
    port_offset = (v && end != v && *end == '\0' && n >= 0 && n < 65536) ? int(n) : 0;
  }
  return port_offset;
}

void SetPortOffset(int offset) { port_offset = offset; }

const char* HostIfName(const char* unit_name) {
  if (host_names < 0) host_names = HostModeFromEnv() ? 1 : 0;
  if (host_names == 1 || !IsUnitName(unit_name)) return unit_name;
  return "lo";
}

void SetHostInterfaces(bool same_names) { host_names = same_names ? 1 : 0; }

NetIf* SetNetIf(NetIf* netif) {
  NetIf* prev = installed;
  installed = netif;
  return prev;
}

NetIf& GetNetIf() {
  if (installed) return *installed;
  static NetIf* fallback = HostModeFromEnv() ? &HostNetIf() : static_cast<NetIf*>(&NetIfModel());
  return *fallback;
}

ModelNetIf& NetIfModel() {
  static ModelNetIf model;
  return model;
}

// ---- The model ----

ModelNetIf::ModelNetIf() { Reset(); }

void ModelNetIf::Record(const char* what, const Iface& f, uint64_t value, uint64_t extra) {
  log_[logged_ % kLogSize] = Change{what, f.name, value, extra};
  ++logged_;
}

int ModelNetIf::LogCount() const { return logged_ < kLogSize ? logged_ : kLogSize; }

const ModelNetIf::Change& ModelNetIf::LogAt(int i) const {
  const int first = logged_ < kLogSize ? 0 : logged_ - kLogSize;
  return log_[(first + i) % kLogSize];
}

void ModelNetIf::ClearLog() { logged_ = 0; }

void ModelNetIf::Reset() {
  ClearLog();
  for (int i = 0; i < kCount; ++i) {
    const bool present = i != 1;  // eth1: no cable
    ifaces_[i] = Iface{.name = kUnitNames[i],
                       .flags = present ? kIfUp | kIfRunning : 0,
                       .address = 0,
                       .mask = 0,
                       .gateway = 0,
                       .hw = {0x02, 0, 0, 0, 0, uint8_t(i)},
                       .link = {.speed = 100, .full_duplex = true}};
    failure_[i] = 0;
  }
}

ModelNetIf::Iface* ModelNetIf::Lookup(const char* name) {
  for (int i = 0; i < kCount; ++i) {
    if (std::strcmp(ifaces_[i].name, name) != 0) continue;
    if (failure_[i] != 0) {
      errno = failure_[i];
      return nullptr;
    }
    return &ifaces_[i];
  }
  errno = ENODEV;
  return nullptr;
}

const ModelNetIf::Iface* ModelNetIf::Find(const char* name) const {
  for (const Iface& f : ifaces_)
    if (std::strcmp(f.name, name) == 0) return &f;
  return nullptr;
}

void ModelNetIf::SetLink(const char* name, bool running) {
  for (Iface& f : ifaces_)
    if (std::strcmp(f.name, name) == 0) f.flags = running ? (f.flags | kIfRunning) : (f.flags & ~kIfRunning);
}

void ModelNetIf::SetFailure(const char* name, int error) {
  for (int i = 0; i < kCount; ++i)
    if (std::strcmp(ifaces_[i].name, name) == 0) failure_[i] = error;
}

bool ModelNetIf::GetFlags(const char* name, int& flags) {
  Iface* f = Lookup(name);
  if (!f) return false;
  flags = f->flags;
  return true;
}

bool ModelNetIf::SetFlags(const char* name, int flags) {
  Iface* f = Lookup(name);
  if (!f) return false;
  // A link needs the interface up.
  const bool running = (f->flags & kIfRunning) != 0;
  f->flags = flags & ~kIfRunning;
  if (running) f->flags |= kIfRunning;
  Record("SetFlags", *f, flags);
  return true;
}

bool ModelNetIf::GetAddress(const char* name, uint32_t& address, uint32_t& mask) {
  Iface* f = Lookup(name);
  if (!f) return false;
  if (f->address == 0) {
    errno = EADDRNOTAVAIL;
    return false;
  }
  address = f->address;
  mask = f->mask;
  return true;
}

bool ModelNetIf::SetAddress(const char* name, uint32_t address) {
  Iface* f = Lookup(name);
  if (!f) return false;
  f->address = address;
  if (address == 0) {
    f->mask = 0;
    f->gateway = 0;  // the kernel drops routes through a deleted address
  }
  Record("SetAddress", *f, address);
  return true;
}

bool ModelNetIf::SetNetmask(const char* name, uint32_t mask) {
  Iface* f = Lookup(name);
  if (!f) return false;
  if (f->address == 0) {
    errno = EADDRNOTAVAIL;
    return false;
  }
  f->mask = mask;
  Record("SetNetmask", *f, mask);
  return true;
}

bool ModelNetIf::AddDefaultRoute(const char* name, uint32_t gateway) {
  Iface* f = Lookup(name);
  if (!f) return false;
  // As the kernel: the gateway must be reachable on the interface's subnet.
  if (f->address == 0 || (gateway & f->mask) != (f->address & f->mask)) {
    errno = ENETUNREACH;
    return false;
  }
  f->gateway = gateway;
  Record("AddDefaultRoute", *f, gateway);
  return true;
}

bool ModelNetIf::DeleteDefaultRoute(const char* name, uint32_t gateway) {
  Iface* f = Lookup(name);
  if (!f) return false;
  if (f->gateway != gateway) {
    errno = ESRCH;
    return false;
  }
  f->gateway = 0;
  Record("DeleteDefaultRoute", *f, gateway);
  return true;
}

bool ModelNetIf::SetArpEntry(const char* name, uint32_t address, const uint8_t hw[6]) {
  Iface* f = Lookup(name);
  if (!f) return false;
  uint64_t mac = 0;
  for (int i = 0; i < 6; ++i) mac = mac << 8 | hw[i];
  Record("SetArpEntry", *f, address, mac);
  return true;
}

bool ModelNetIf::SetHwAddress(const char* name, const uint8_t hw[6]) {
  Iface* f = Lookup(name);
  if (!f) return false;
  std::memcpy(f->hw, hw, 6);
  uint64_t mac = 0;
  for (int i = 0; i < 6; ++i) mac = mac << 8 | hw[i];
  Record("SetHwAddress", *f, mac);
  return true;
}

bool ModelNetIf::GetLinkSettings(const char* name, LinkSettings& out) {
  Iface* f = Lookup(name);
  if (!f) return false;
  out = f->link;
  return true;
}

}  // namespace plat
