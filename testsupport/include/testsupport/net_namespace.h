#pragma once
// Two network namespaces joined by a veth pair, made and removed by a test: the unit's
// side holds "eth0", the peer's side "peer0". The test thread enters the unit's side while
// the object lives, so that the unit's sockets and interface calls act there; Run and
// RunPeer run ip (or any program) in either side from outside.
//
// Needs root; available() is false (with the reason in why()) elsewhere.

#include <string>
#include <vector>

namespace ts {

class NetNamespace {
 public:
  NetNamespace();
  ~NetNamespace();
  NetNamespace(const NetNamespace&) = delete;
  NetNamespace& operator=(const NetNamespace&) = delete;

  bool available() const { return entered_; }
  const std::string& why() const { return why_; }
  const std::string& unit() const { return unit_; }
  const std::string& peer() const { return peer_; }

  // "ip -n <side> args..."; the output, and the exit status in *status.
  std::string Ip(const std::string& side, const std::vector<std::string>& args, int* status = nullptr) const;
  // Runs fn on a thread that has entered the peer's side.
  void InPeer(void (*fn)(void*), void* arg) const;

 private:
  std::string unit_, peer_, why_;
  int home_ = -1;
  bool entered_ = false;
};

}  // namespace ts
