// Descriptor creation and binding for TCP and UDP records.
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cstring>

#include "nx_internal.h"
#include "platform/netif.h"

namespace nx {

namespace {

bool SetInt(int fd, int level, int name, int value) { return ::setsockopt(fd, level, name, &value, sizeof value) == 0; }

}  // namespace

const char* HostInterface(const IpInstance* ip) { return plat::HostIfName(ip && ip->name[0] ? ip->name : "eth0"); }

int OpenDescriptor(const IpInstance* ip, int type) {
  int fd = ::socket(AF_INET, type | SOCK_CLOEXEC, 0);
  if (fd == 0) {  // descriptor 0 is never used: it reads as "none" to older callers
    const int again = ::fcntl(fd, F_DUPFD_CLOEXEC, 1);
    ::close(fd);
    fd = again;
  }
  if (fd < 0) return -1;
  const int flags = ::fcntl(fd, F_GETFL);
  bool ok = flags >= 0 && ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0 && SetInt(fd, SOL_SOCKET, SO_REUSEADDR, 1);
  const char* dev = HostInterface(ip);
  if (ok && type == SOCK_STREAM) {
    const timeval send_timeout{.tv_sec = 10, .tv_usec = 0};
    ok = ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &send_timeout, sizeof send_timeout) == 0 &&
         ::setsockopt(fd, SOL_SOCKET, SO_BINDTODEVICE, dev, socklen_t(std::strlen(dev))) == 0 &&
         SetInt(fd, SOL_SOCKET, SO_KEEPALIVE, 1) && SetInt(fd, IPPROTO_TCP, TCP_NODELAY, 1);
  } else if (ok) {
    ok = ::setsockopt(fd, SOL_SOCKET, SO_BINDTODEVICE, dev, socklen_t(std::strlen(dev))) == 0;
  }
  if (!ok) {
    ::close(fd);
    return -1;
  }
  return fd;
}

bool BindPort(int fd, uint16_t port) {
  const uint32_t host_port = plat::HostPort(port);
  if (host_port > 65535) return false;
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_ANY);
  a.sin_port = htons(uint16_t(host_port));
  return ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
}

void CloseDescriptor(int& fd) {
  if (fd >= 0) ::close(fd);
  fd = -1;
}

uint32_t ReadMss(int fd) {
  int mss = 0;
  socklen_t len = sizeof mss;
  if (::getsockopt(fd, IPPROTO_TCP, TCP_MAXSEG, &mss, &len) != 0 || mss <= 0) return 1536;
  return uint32_t(mss);
}

}  // namespace nx
