// UDP records and multicast membership.
#include <arpa/inet.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cstring>

#include "nx_internal.h"

namespace nx {

namespace {

PacketPool* PoolOf(const UdpSocket* s) { return s->ip && s->ip->pool ? s->ip->pool : &EnetPacketPoolCtrl; }

bool Membership(const IpInstance* ip, uint32_t group, const UdpSocket* s, int option) {
  ip_mreqn m{};
  m.imr_multiaddr.s_addr = htonl(group);
  // By interface rather than by address: the instance's address may live only in the
  // interface model while the socket is on the mapped host interface.
  m.imr_ifindex = int(::if_nametoindex(HostInterface(ip)));
  return ::setsockopt(s->fd, IPPROTO_IP, option, &m, sizeof m) == 0;
}

}  // namespace

int _nx_udp_socket_create(IpInstance* ip, UdpSocket* s, const char* name, uint32_t tos, uint32_t fragment, uint32_t ttl,
                          uint32_t queue_max) {
  if (s->name && s->fd >= 0) CloseDescriptor(s->fd);
  const int fd = OpenDescriptor(ip, SOCK_DGRAM);
  if (fd < 0) return kFailed;
  if (name) {
    *s = UdpSocket{};
    s->name = name;
    s->ip = ip;
    s->tos = tos;
    s->ttl = ttl;
    s->fragment = fragment & kDontFragment;
    s->queue_max = queue_max;
  }
  s->fd = fd;
  return kSuccess;
}

int _nx_udp_socket_bind(UdpSocket* s, uint16_t port, uint32_t) {
  if (s->bound) return kAlreadyBound;
  if (s->fd < 0 && _nx_udp_socket_create(s->ip, s, nullptr, 0, 0, 0, 0) != kSuccess) return kFailed;
  if (port != 0 && !BindPort(s->fd, port)) return kNotBound;
  s->port = port;
  s->bound = 1;
  return kSuccess;
}

int _nx_udp_socket_unbind(UdpSocket* s) {
  if (!s->bound) return kNotBound;
  s->bound = 0;
  return kSuccess;
}

int _nx_udp_socket_delete(UdpSocket* s) {
  CloseDescriptor(s->fd);
  s->bound = 0;
  return kSuccess;
}

int _nx_udp_socket_send(UdpSocket* s, Packet* p, uint32_t address, uint16_t port) {
  if (!p || p->state != kPacketAllocated) return kInvalidPacket;
  int status = kSuccess;
  if (!s->bound) {
    status = kNotBound;
  } else {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(address);
    a.sin_port = htons(port);
    const ssize_t n = ::sendto(s->fd, p->read, p->length, MSG_NOSIGNAL | MSG_DONTWAIT,
                               reinterpret_cast<sockaddr*>(&a), sizeof a);
    if (n != ssize_t(p->length)) {
      status = kFailed;
    } else if (s->ip) {
      ++s->ip->sent_packets;
    }
  }
  _nx_packet_release(p);
  return status;
}

int _nx_udp_socket_receive_port_detail(UdpSocket* s, Packet** packet, uint32_t* address, uint16_t* port) {
  *packet = nullptr;
  if (!s->bound) return kNotBound;
  if (s->fd < 0) return kNoPacket;
  Packet* p = TakePacket(PoolOf(s));
  if (!p) return kNoPacket;
  sockaddr_in from{};
  socklen_t len = sizeof from;
  const ssize_t n = ::recvfrom(s->fd, p->read, kReceiveMax, MSG_DONTWAIT, reinterpret_cast<sockaddr*>(&from), &len);
  if (n < 0) {
    ReturnPacket(PoolOf(s), p);
    return kNoPacket;
  }
  p->length = uint32_t(n);
  p->append = p->read + n;
  if (s->ip) ++s->ip->received_packets;
  if (address) *address = ntohl(from.sin_addr.s_addr);
  if (port) *port = ntohs(from.sin_port);
  *packet = p;
  return kSuccess;
}

int _nx_udp_socket_receive(UdpSocket* s, Packet** packet, uint32_t) {
  return _nx_udp_socket_receive_port_detail(s, packet, nullptr, nullptr);
}

int _nx_igmp_multicast_join(IpInstance* ip, uint32_t group, UdpSocket* s) {
  if (s->fd < 0 || !Membership(ip, group, s, IP_ADD_MEMBERSHIP)) return kFailed;
  if (ip->multicast_count < kMulticastGroups) ip->multicast[ip->multicast_count++] = group;
  return kSuccess;
}

int _nx_igmp_multicast_leave(IpInstance* ip, uint32_t group, UdpSocket* s) {
  if (s->fd < 0 || !Membership(ip, group, s, IP_DROP_MEMBERSHIP)) return kFailed;
  for (int i = 0; i < ip->multicast_count; ++i) {
    if (ip->multicast[i] != group) continue;
    ip->multicast[i] = ip->multicast[--ip->multicast_count];
    ip->multicast[ip->multicast_count] = 0;
    break;
  }
  return kSuccess;
}

}  // namespace nx
