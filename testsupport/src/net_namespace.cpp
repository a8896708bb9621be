#include "testsupport/net_namespace.h"

#include <fcntl.h>
#include <sched.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "testsupport/child_process.h"

namespace ts {

namespace {

int RunIp(const std::vector<std::string>& args, std::string* out = nullptr) {
  ChildProcess ip("ip", args);
  const int status = ip.Wait(std::chrono::seconds(10));
  if (out) *out = ip.output();
  return status;
}

bool Enter(const std::string& name) {
  const int fd = ::open(("/var/run/netns/" + name).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool ok = ::setns(fd, CLONE_NEWNET) == 0;
  ::close(fd);
  return ok;
}

}  // namespace

NetNamespace::NetNamespace() {
  const std::string tag = std::to_string(::getpid());
  unit_ = "panelu" + tag;
  peer_ = "panelp" + tag;
  if (::geteuid() != 0) {
    why_ = "network namespaces need root";
    return;
  }
  if (RunIp({"netns", "add", unit_}) != 0 || RunIp({"netns", "add", peer_}) != 0) {
    why_ = "ip netns add failed (no ip, or namespaces unavailable)";
    return;
  }
  if (RunIp({"-n", unit_, "link", "add", "eth0", "type", "veth", "peer", "name", "peer0", "netns", peer_}) != 0 ||
      RunIp({"-n", unit_, "link", "set", "lo", "up"}) != 0 || RunIp({"-n", peer_, "link", "set", "lo", "up"}) != 0 ||
      RunIp({"-n", peer_, "addr", "add", "10.77.0.1/24", "dev", "peer0"}) != 0 ||
      RunIp({"-n", peer_, "link", "set", "peer0", "up"}) != 0) {
    why_ = "the veth pair could not be made";
    return;
  }
  home_ = ::open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC);
  entered_ = home_ >= 0 && Enter(unit_);
  if (!entered_) why_ = "setns into the namespace failed";
}

NetNamespace::~NetNamespace() {
  if (entered_) ::setns(home_, CLONE_NEWNET);
  if (home_ >= 0) ::close(home_);
  RunIp({"netns", "del", unit_});
  RunIp({"netns", "del", peer_});
}

std::string NetNamespace::Ip(const std::string& side, const std::vector<std::string>& args, int* status) const {
  std::vector<std::string> all = {"-n", side};
  all.insert(all.end(), args.begin(), args.end());
  std::string out;
  const int s = RunIp(all, &out);
  if (status) *status = s;
  return out;
}

void NetNamespace::InPeer(void (*fn)(void*), void* arg) const {
  std::thread t([&] {
    if (Enter(peer_)) fn(arg);
  });
  t.join();
}

}  // namespace ts
