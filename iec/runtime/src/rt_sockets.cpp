// The runtime's sockets: every socket non-blocking; a "QD" head on the runtime's TCP link
// gives the programming link back to the panel.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/ioctl.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "iec_runtime/os_services.h"
#include "iec_runtime/runtime.h"

namespace {
bool NonBlocking(int s) {
  int on = 1;
  return ::ioctl(s, FIONBIO, &on) == 0;
}
void Options(int s) {
  int on = 1;
  ::setsockopt(s, SOL_SOCKET, SO_KEEPALIVE, &on, sizeof on);
  ::setsockopt(s, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}
bool Address(sockaddr_in& a, const char* text, uint16_t port) {
  std::memset(&a, 0, sizeof a);
  a.sin_family = AF_INET;
  a.sin_port = htons(port);
  if (text == nullptr) {
    a.sin_addr.s_addr = htonl(INADDR_ANY);
    return true;
  }
  return ::inet_pton(AF_INET, text, &a.sin_addr) == 1;
}
int Listen(uint16_t port, int backlog, const char* address, int* sock) {
  sockaddr_in a;
  *sock = -1;
  if (!Address(a, address, port)) return 1;
  int s = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (s < 0) return 1;
  int on = 1;
  ::setsockopt(s, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  if (!NonBlocking(s) || ::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(s, backlog) != 0) {
    ::close(s);
    return 1;
  }
  *sock = s;
  return 0;
}
int Udp(uint16_t port, const char* address, int* sock) {
  sockaddr_in a;
  *sock = -1;
  if (!Address(a, address, port)) return 1;
  int s = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (s < 0) return 1;
  if (!NonBlocking(s) || ((port != 0 || address) && ::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0)) {
    ::close(s);
    return 1;
  }
  *sock = s;
  return 0;
}
}  // namespace

int N4Socket_Initialize() { return 0; }
void N4Socket_Terminate() {}
int N4Socket_CreateListeningSocket(uint16_t port, int backlog, int* sock) { return Listen(port, backlog, nullptr, sock); }
int N4Socket_CreateListeningSocketOn(uint16_t port, int backlog, const char* address, int* sock) {
  return Listen(port, backlog, address, sock);
}

int N4Socket_Accept(int listener) {
  int s = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
  if (s < 0) return -1;
  if (!NonBlocking(s)) {
    ::close(s);
    return -1;
  }
  Options(s);
  return s;
}

int N4Socket_CreateConnectedSocket(const char* address, uint16_t port, int* sock, int* pending) {
  sockaddr_in a;
  *sock = -1;
  *pending = 0;
  if (!Address(a, address, port)) return 1;
  int s = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (s < 0) return 1;
  Options(s);
  if (!NonBlocking(s)) {
    ::close(s);
    return 1;
  }
  if (::connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0) {
    *sock = s;
    return 0;
  }
  if (errno == EINPROGRESS) {
    *sock = s;
    *pending = 1;
    return 0;
  }
  ::close(s);
  return 1;
}

int N4Socket_CheckPendingConnect(int sock, int* error) {
  *error = 0;
  if (sock < 0 || sock >= FD_SETSIZE) {
    *error = 1;
    return 1;
  }
  fd_set w, e;
  FD_ZERO(&w);
  FD_ZERO(&e);
  FD_SET(sock, &w);
  FD_SET(sock, &e);
  timeval tv{0, 0};
  int r = ::select(sock + 1, nullptr, &w, &e, &tv);
  if (r < 0 || FD_ISSET(sock, &e)) {
    *error = 1;
    return 1;
  }
  if (r == 0 || !FD_ISSET(sock, &w)) return 1;
  int so = 0;
  socklen_t len = sizeof so;
  if (::getsockopt(sock, SOL_SOCKET, SO_ERROR, &so, &len) != 0 || so != 0) {
    *error = 1;
    return 1;
  }
  return 0;
}

int N4Socket_Receive(int sock, uint32_t size, uint8_t* buffer, int* lost) {
  *lost = 0;
  if (sock < 0 || sock >= FD_SETSIZE) {
    *lost = 1;
    return 0;
  }
  fd_set r;
  FD_ZERO(&r);
  FD_SET(sock, &r);
  timeval tv{0, 0};
  int ready = ::select(sock + 1, &r, nullptr, nullptr, &tv);
  if (ready < 0) {
    *lost = 1;
    return 0;
  }
  if (ready == 0) return 0;
  ssize_t n = ::recv(sock, buffer, size, 0);
  if (n == 0) {
    *lost = 1;
    return 0;
  }
  if (n < 0) return 0;
  if (n >= 2 && buffer[0] == 'Q' && buffer[1] == 'D') {
    IsCommMode_Velan = 1;
    n4_rcv = 1;
    return 0;
  }
  n4_rcv = (n >= 2 && buffer[0] == 'N' && buffer[1] == '4') ? 1 : 0;
  return int(n);
}

int N4Socket_Send(int sock, uint32_t length, const uint8_t* data, int* lost) {
  int error = 0;
  if (N4Socket_CheckPendingConnect(sock, &error) == 1) return 1;
  ssize_t n = ::send(sock, data, length, MSG_NOSIGNAL);
  if (n < 0) {
    *lost = 1;
    return 0;
  }
  *lost = 0;
  return int(n);
}

void N4Socket_CloseSocket(int sock) {
  // Descriptor 0 is a socket like any other once standard input is closed: only -1 is none.
  if (sock < 0) return;
  linger l{1, 0};
  ::setsockopt(sock, SOL_SOCKET, SO_LINGER, &l, sizeof l);
  ::close(sock);
}

int N4Socket_UdpCreate(uint16_t port, int* sock) { return Udp(port, nullptr, sock); }
int N4Socket_UdpCreateOn(uint16_t port, const char* address, int* sock) { return Udp(port, address, sock); }
int N4Socket_AcceptBroadcast(int sock) {
  int on = 1;
  return ::setsockopt(sock, SOL_SOCKET, SO_BROADCAST, &on, sizeof on) == 0 ? 0 : 1;
}

int N4Socket_UdpRecvFrom(int sock, uint8_t* buffer, uint32_t size, uint8_t* address16) {
  if (sock == -1) return 1;
  sockaddr_in from{};
  socklen_t len = sizeof from;
  ssize_t n = ::recvfrom(sock, buffer, size, 0, reinterpret_cast<sockaddr*>(&from), &len);
  if (n < 0) return 0;
  if (address16) std::memcpy(address16, &from, 16);
  return int(n);
}

int N4Socket_UdpSendTo(int sock, const uint8_t* address16, const uint8_t* data, uint32_t length) {
  if (sock == -1) return 1;
  sockaddr_in to;
  std::memcpy(&to, address16, 16);
  ssize_t n = ::sendto(sock, data, length, MSG_NOSIGNAL, reinterpret_cast<sockaddr*>(&to), sizeof to);
  return n == ssize_t(length) ? 0 : 1;
}

void N4Socket_UdpAddrMake(uint8_t* address16, const char* text, uint16_t port) {
  char host[64] = "";
  std::size_t n = std::strlen(text);
  const char* colon = std::strchr(text, ':');
  if (colon != nullptr && n < 64) {
    std::memcpy(host, text, std::size_t(colon - text));
    host[colon - text] = '\0';
    port = uint16_t(std::strtoul(colon + 1, nullptr, 10));
  } else if (n < 64) {
    std::memcpy(host, text, n + 1);
  }
  sockaddr_in a;
  std::memset(&a, 0, sizeof a);
  a.sin_family = AF_INET;
  a.sin_port = htons(port);
  ::inet_pton(AF_INET, host, &a.sin_addr);
  std::memcpy(address16, &a, 16);
}
