#pragma once
// A loopback TCP port that is free at the moment of asking, for a test's or a
// benchmark's server to bind (the unit's ports through the port offset).
//
// Picked at random below the kernel's ephemeral range: ports the kernel hands out for
// bind(0) follow a counter, so test programs started side by side would often be given
// the same port, and the second one's server then fails to listen.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <random>

namespace ts {

inline int FreeLoopbackPort() {
  static std::mt19937 pick(std::random_device{}());
  for (int attempt = 0; attempt < 200; ++attempt) {
    const int port = std::uniform_int_distribution<int>(20000, 32000)(pick);
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(uint16_t(port));
    const bool free = ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    ::close(fd);
    if (free) return port;
  }
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
  socklen_t len = sizeof a;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
  ::close(fd);
  return int(ntohs(a.sin_port));
}

}  // namespace ts
