// TCP records: create, listen and relisten (several records sharing one listening
// descriptor), accept, connect, send, receive, disconnect.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

#include "nx_internal.h"

namespace nx {

namespace {

constexpr int kBacklog = 16;
constexpr uint32_t kInitialMss = 1536;

int ConnectionFd(const TcpSocket* s) { return s->client ? s->fd : s->accepted_fd; }

PacketPool* PoolOf(const TcpSocket* s) {
  return s->ip && s->ip->pool ? s->ip->pool : &EnetPacketPoolCtrl;
}

// Another live listening record in the poll table that holds the same listening
// descriptor.
bool SharedByAnother(const TcpSocket* s) {
  for (TcpSocket* other : ConnSock)
    if (other && other != s && other->client == 0 && other->fd == s->fd) return true;
  return false;
}

TcpSocket* LiveListener(const IpInstance* ip, uint16_t port) {
  for (TcpSocket* r : ConnSock)
    if (r && r->client == 0 && r->fd >= 0 && r->ip == ip && r->port == port) return r;
  return nullptr;
}

// A fresh listening descriptor on the record's own descriptor.
int Listen(TcpSocket* s, uint16_t port) {
  if (!BindPort(s->fd, port)) return kNotBound;
  if (::listen(s->fd, kBacklog) != 0) return kFailed;
  return kSuccess;
}

void BecomeListener(TcpSocket* s, IpInstance* ip, uint16_t port) {
  s->ip = ip;
  s->port = port;
  s->bound = 1;
  s->state = kListening;
  s->client = 0;
  s->queue_size = kBacklog;
  s->peer_port = 0;
}

}  // namespace

void DropUnsent(TcpSocket* s) {
  if (s->unsent) _nx_packet_release(s->unsent);
  s->unsent = nullptr;
}

int _nx_tcp_socket_create(IpInstance* ip, TcpSocket* s, const char* name, uint32_t tos, uint32_t fragment, uint32_t ttl,
                          uint32_t window, TcpCallback urgent, TcpCallback disconnect) {
  // A record that still holds a descriptor lets it go first; a shared listening
  // descriptor stays open for the records that share it.
  if (s->name && s->fd >= 0) _nx_tcp_socket_delete(s);
  const int fd = OpenDescriptor(ip, SOCK_STREAM);
  if (fd < 0) return kFailed;
  s->fd = fd;
  if (name) {
    s->name = name;
    s->window = window;
    s->tos = tos;
    s->ttl = ttl;
    s->fragment = fragment & kDontFragment;
    s->urgent = urgent;
    s->disconnect = disconnect;
    s->connect_request = nullptr;
    s->mss = kInitialMss;
    s->writeable = 1;
    s->transmit_state = 0;
    s->ip = ip;
    s->bound = 0;
    s->port = 0;
    s->peer_ip = 0;
    s->peer_port = 0;
    s->receive_pending = 0;
  }
  s->accepted_fd = -1;
  s->state = kClosed;
  s->client = 1;
  s->receive_notify = nullptr;
  s->unsent = nullptr;
  return kSuccess;
}

int _nx_tcp_server_socket_listen(IpInstance* ip, uint16_t port, TcpSocket* s, uint32_t, TcpConnectCallback cb) {
  if (s->state != kClosed) return kNotClosed;
  if (s->bound) return kAlreadyBound;
  // A record that the poll could never serve is refused rather than left deaf.
  if (!HasFreeSlot()) return kFailed;
  const int r = Listen(s, port);
  if (r != kSuccess) return r;
  BecomeListener(s, ip, port);
  if (cb) s->connect_request = cb;
  Enter(s);
  return kSuccess;
}

int _nx_tcp_server_socket_relisten(IpInstance* ip, uint16_t port, TcpSocket* s) {
  if (s->state != kClosed) return kNotClosed;
  if (!HasFreeSlot()) return kFailed;
  if (TcpSocket* live = LiveListener(ip, port)) {
    if (s->fd != live->fd) CloseDescriptor(s->fd);
    s->fd = live->fd;
    s->connect_request = live->connect_request;
    BecomeListener(s, ip, port);
    Enter(s);
    return kSuccess;
  }
  if (!s->connect_request) return kFailed;
  if (s->fd < 0 && _nx_tcp_socket_create(ip, s, nullptr, 0, 0, 0, 0, nullptr, nullptr) != kSuccess) return kFailed;
  if (s->bound) return kAlreadyBound;
  if (Listen(s, port) != kSuccess) return kFailed;
  BecomeListener(s, ip, port);
  Enter(s);
  return kSuccess;
}

int _nx_tcp_server_socket_accept(TcpSocket* s, uint32_t wait) {
  if (s->state != kListening) return kNotListening;
  sockaddr_in peer{};
  socklen_t len = sizeof peer;
  int fd = ::accept4(s->fd, reinterpret_cast<sockaddr*>(&peer), &len, SOCK_NONBLOCK | SOCK_CLOEXEC);
  if (fd < 0) return kFailed;
  CloseDescriptor(s->accepted_fd);
  DropUnsent(s);
  s->accepted_fd = fd;
  s->mss = ReadMss(fd);
  s->peer_ip = ntohl(peer.sin_addr.s_addr);
  s->peer_port = peer.sin_port;
  s->state = kEstablished;
  s->writeable = 1;
  s->transmit_state = 0;
  s->receive_pending = 0;
  return wait ? kSuccess : kInProgress;
}

int _nx_tcp_server_socket_unaccept(TcpSocket* s) {
  if (s->accepted_fd < 0) return kFailed;
  CloseDescriptor(s->accepted_fd);
  DropUnsent(s);
  if (s->state != kClosed) s->state = kListening;
  s->peer_port = 0;
  return kSuccess;
}

int _nx_tcp_server_socket_unlisten(IpInstance* ip, uint16_t port) {
  for (TcpSocket* r : ConnSock)
    if (r && r->client == 0 && r->fd >= 0 && r->ip == ip && r->port == port) _nx_tcp_socket_delete(r);
  return kSuccess;
}

int _nx_tcp_client_socket_bind(TcpSocket* s, uint16_t port, uint32_t) {
  if (s->bound) return kAlreadyBound;
  if (s->fd < 0 && _nx_tcp_socket_create(s->ip, s, nullptr, 0, 0, 0, 0, nullptr, nullptr) != kSuccess) return kFailed;
  if (port != 0) {
    if (!BindPort(s->fd, port)) return kNotBound;
    s->port = port;
  }
  s->bound = 1;
  return kSuccess;
}

int _nx_tcp_client_socket_unbind(TcpSocket* s) {
  if (s->state != kClosed) return kNotClosed;
  if (!s->bound) return kNotBound;
  s->bound = 0;
  return kSuccess;
}

int _nx_tcp_client_socket_connect(TcpSocket* s, uint32_t address, uint16_t port, uint32_t) {
  if (!s->bound) return kNotBound;
  if (s->state == kEstablished) return kSuccess;
  if (s->state == kConnecting) return kInProgress;
  if (s->state != kClosed) return kNotClosed;
  if (!HasFreeSlot()) return kFailed;
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(address);
  a.sin_port = htons(port);
  const int r = ::connect(s->fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
  const int error = r == 0 ? 0 : errno;
  if (r != 0 && error != EISCONN && error != EINPROGRESS && error != EALREADY) return kNotConnected;
  s->peer_ip = address;
  s->peer_port = htons(port);
  s->client = 1;
  // Entered also when connected at once, so that the poll reports a closing peer.
  Enter(s);
  if (r == 0 || error == EISCONN) {
    s->state = kEstablished;
    s->mss = ReadMss(s->fd);
    return kSuccess;
  }
  s->state = kConnecting;
  return kInProgress;
}

int _nx_tcp_socket_send(TcpSocket* s, Packet* p, uint32_t) {
  if (!p || p->state != kPacketAllocated) return kInvalidPacket;
  int status = kSuccess;
  if (!s->bound) {
    status = kNotBound;
  } else if (s->state != kEstablished) {
    status = kNotConnected;
  } else if (!s->writeable || s->unsent) {
    status = kNotWriteable;
  } else if (p->length > uint32_t(p->data_end - p->read)) {
    status = kInvalidPacket;
  } else {
    const ssize_t n = p->length ? ::send(ConnectionFd(s), p->read, p->length, MSG_NOSIGNAL | MSG_DONTWAIT) : 0;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      s->writeable = 0;
      s->transmit_state = 2;
      status = kNotWriteable;
    } else if (n < 0) {
      status = kFailed;
    } else {
      if (s->ip) ++s->ip->sent_packets;
      if (uint32_t(n) < p->length) {
        // The connection took only part: the rest goes out with the next polls, and
        // nothing else is sent on this connection before it.
        p->read += n;
        p->length -= uint32_t(n);
        s->unsent = p;
        s->writeable = 0;
        s->transmit_state = 2;
        return kSuccess;
      }
    }
  }
  _nx_packet_release(p);
  return status;
}

int _nx_tcp_socket_receive(TcpSocket* s, Packet** packet, uint32_t) {
  *packet = nullptr;
  if (!s->bound) return kNotBound;
  const int fd = ConnectionFd(s);
  if (fd < 0) return kNoPacket;
  Packet* p = TakePacket(PoolOf(s));
  if (!p) return kNoPacket;
  const ssize_t n = ::recv(fd, p->read, kReceiveMax, MSG_DONTWAIT);
  if (n <= 0) {
    ReturnPacket(PoolOf(s), p);
    return kNoPacket;
  }
  p->length = uint32_t(n);
  p->append = p->read + n;
  s->receive_pending = 0;
  if (s->ip) ++s->ip->received_packets;
  *packet = p;
  return kSuccess;
}

int _nx_tcp_socket_delete(TcpSocket* s) {
  if (s->fd < 0) return kSuccess;
  DropUnsent(s);
  if (s->client) {
    Remove(s);
    CloseDescriptor(s->fd);
  } else {
    const bool shared = SharedByAnother(s);
    Remove(s);
    CloseDescriptor(s->accepted_fd);
    if (!shared) CloseDescriptor(s->fd);
  }
  s->fd = -1;
  s->state = kClosed;
  s->bound = 0;
  return kSuccess;
}

int _nx_tcp_socket_disconnect(TcpSocket* s, uint32_t) { return _nx_tcp_socket_delete(s); }

int _nx_tcp_socket_receive_notify(TcpSocket* s, TcpCallback callback) {
  s->receive_notify = callback;
  return kSuccess;
}

int _nx_tcp_socket_transmit_configure(TcpSocket*, uint32_t, uint32_t, uint32_t, uint32_t) { return kSuccess; }

}  // namespace nx
