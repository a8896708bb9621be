#pragma once
// Reads what a peer descriptor has to offer: waits up to wait_ms for the first bytes, then
// keeps reading while more follow within 10 ms, so a reply written in pieces comes back whole.

#include <poll.h>
#include <unistd.h>

#include <cstdint>
#include <vector>

namespace ts {

inline std::vector<uint8_t> ReadAvailable(int fd, int wait_ms) {
  std::vector<uint8_t> out;
  pollfd p{fd, POLLIN, 0};
  while (::poll(&p, 1, wait_ms) > 0) {
    uint8_t buf[4096];
    const ssize_t n = ::read(fd, buf, sizeof buf);
    if (n <= 0) break;
    out.insert(out.end(), buf, buf + n);
    wait_ms = 10;
  }
  return out;
}

}  // namespace ts
