#pragma once
// The socket layer every Ethernet protocol talks through: TCP servers and clients, UDP,
// multicast membership, interface addresses and routes, over the operating system's
// sockets. Every descriptor is non-blocking and no operation waits, whatever its wait
// argument says. Connection events (a connection request on a listening socket, a
// completed connect, waiting data, a peer that closed) are found by one poll step,
// EnetThread, that the Ethernet hub runs at the end of each network pass; the layer then
// calls the record's callbacks.
//
// Received data arrives in packets of one fixed pool shared by all protocols: read
// packet->read for packet->length bytes. To send, allocate a packet, append the bytes and
// hand it to a send, which releases it on every path.
//
// Main thread only (a time-slice pass included): no locks, no allocation.

#include <cstdint>

namespace nx {

// ---- Status numbers (one set for the whole layer) ----
inline constexpr int kSuccess = 0;
inline constexpr int kNoPacket = 1;        // nothing received, or no free packet for a receive
inline constexpr int kPingTimeout = 8;
inline constexpr int kInvalidPacket = 0x12;  // packet not allocated, or a bad copy source
inline constexpr int kAlreadyBound = 0x22;
inline constexpr int kNotBound = 0x24;      // not bound, or the bind call failed
inline constexpr int kNotClosed = 0x35;
inline constexpr int kNotListening = 0x36;
inline constexpr int kInProgress = 0x37;    // connect or echo started; accept with wait 0
inline constexpr int kNotConnected = 0x38;  // not connected, or a connect refused at once
inline constexpr int kNotWriteable = 0x39;  // the connection could not take data at the last poll
// An operating-system call failed, the pool has no free packet for an allocation, the poll
// table is full, or an append would pass the packet's payload.
inline constexpr int kFailed = 0x43;

// TCP socket states.
inline constexpr uint8_t kClosed = 1;
inline constexpr uint8_t kListening = 2;
inline constexpr uint8_t kConnecting = 3;
inline constexpr uint8_t kEstablished = 5;
inline constexpr uint8_t kPeerClosed = 6;

inline constexpr uint32_t kDontFragment = 0x4000;

// ---- Packets ----
inline constexpr uint32_t kPayloadSize = 1520;
inline constexpr uint32_t kPacketHeaderSize = 44;  // of the board's layout: sizes the pool
inline constexpr uint32_t kPoolMemorySize = 312800;
inline constexpr uint32_t kPoolPackets = kPoolMemorySize / (kPayloadSize + kPacketHeaderSize);  // 200
inline constexpr uint32_t kReceiveMax = 1500;  // bytes taken by one receive
inline constexpr uint32_t kPacketFree = 0xFFFFFFFF;
inline constexpr uint32_t kPacketAllocated = 0xAAAAAAAA;

struct Packet {
  uint32_t reserved0[2];
  uint32_t state;    // kPacketFree or kPacketAllocated
  Packet* next;      // the following packet of the pool; packets are never chained
  uint32_t reserved1[2];
  uint32_t length;   // bytes from read
  uint8_t* data_start;
  uint8_t* data_end;  // data_start + kPayloadSize
  uint8_t* read;      // where the data begins
  uint8_t* append;    // where the next byte goes
};

struct PacketPool {
  const char* name;
  uint32_t free_scan;   // after each allocation or receive: packets from the first free one to the end
  uint32_t total;
  uint32_t statistics[3];  // kept at 0; published with the network status
  uint8_t* start;
  Packet* search_start;
  uint32_t size;
  uint32_t payload_size;
  uint32_t reserved;
  // The packets' headers; payloads live in the pool memory.
  Packet packets[kPoolPackets];
};

// ---- IP instances (one per interface index) ----
inline constexpr int kInstances = 4;  // 0 eth0, 1 eth1 (never created), 2 mlan0, 3 uap0
inline constexpr int kMulticastGroups = 7;

struct IpInstance {
  int index;
  char name[16];
  uint32_t address;  // host byte order, as every address of this layer
  uint32_t mask;
  uint32_t network;
  uint32_t gateway;
  uint32_t dns;
  // Addressing state written by the hub.
  uint8_t address_pending;
  uint8_t dhcp_prepared;
  uint8_t static_addressing;
  uint8_t dhcp_active;
  uint32_t sent_packets;
  struct Echo {
    uint32_t target;
    int fd = -1;
    uint8_t waiting;
    uint32_t sent_at;
    uint32_t elapsed;
  } echo;
  uint8_t multicast_count;
  uint32_t multicast[kMulticastGroups];
  uint8_t created;
  PacketPool* pool;
  uint8_t link_up;
  uint16_t speed_duplex;  // low byte 0 10 Mbit/s or unknown, 1 100, 2 1000; +256 full duplex
  uint32_t received_packets;
};

// ---- Sockets ----
struct TcpSocket;
using TcpCallback = void (*)(TcpSocket*);
using TcpConnectCallback = void (*)(TcpSocket*, uint32_t port);

// One record is one connection. A listening record holds the (possibly shared) listening
// descriptor in fd and its connection in accepted_fd.
struct TcpSocket {
  int fd = -1;
  const char* name = nullptr;
  uint8_t client = 1;      // 0 for a record that listens
  uint16_t port = 0;       // local port (the board's port; the host binds it plus the offset)
  uint8_t writeable = 0;   // the connection could take data at the last poll
  uint32_t peer_ip = 0;
  uint16_t peer_port = 0;  // network order; while listening 1 when a connection request waits
  uint32_t mss = 0;
  uint8_t state = 0;
  uint32_t window = 0;     // kept, not applied
  IpInstance* ip = nullptr;
  uint32_t tos = 0, ttl = 0, fragment = 0;  // kept, not applied
  uint8_t receive_pending = 0;
  uint8_t transmit_state = 0;  // 0 writeable, 2 blocked
  uint8_t bound = 0;
  uint16_t queue_size = 0;
  TcpCallback urgent = nullptr;  // kept, never called
  TcpCallback disconnect = nullptr;
  TcpCallback receive_notify = nullptr;
  TcpConnectCallback connect_request = nullptr;
  int accepted_fd = -1;
  // The part of a send that the connection did not take at once; the poll finishes it.
  Packet* unsent = nullptr;
};

struct UdpSocket {
  int fd = -1;
  const char* name = nullptr;
  uint16_t port = 0;
  IpInstance* ip = nullptr;
  uint32_t tos = 0, ttl = 0, fragment = 0;
  uint32_t queue_max = 0;
  uint8_t bound = 0;
  uint32_t statistics[4] = {};
};

// The poll table.
inline constexpr int kConnSockSlots = 660;

// ---- Operations ----
int _nx_packet_pool_create(PacketPool* pool, const char* name, uint32_t payload_size, void* memory, uint32_t memory_size);
int _nx_packet_allocate(PacketPool* pool, Packet** packet, uint32_t type, uint32_t wait);
int _nx_packet_release(Packet* packet);
// Refuses (kFailed) an append that would pass the payload, appending nothing.
int _nx_packet_data_append(Packet* packet, const void* source, uint32_t length, PacketPool* pool, uint32_t wait = 0);
int _nx_packet_copy(Packet* source, Packet** copy, PacketPool* pool, uint32_t wait);

int _nx_system_initialize();
int _nx_ip_create(IpInstance* ip, const char* name, uint32_t address, uint32_t mask, PacketPool* pool);
int _nx_ip_address_set(IpInstance* ip, uint32_t address, uint32_t mask);
int _nx_ip_gateway_address_set(IpInstance* ip, uint32_t gateway);
int _nx_ip_address_get(IpInstance* ip, uint32_t* address, uint32_t* mask);
// Commands: 0 link query only, 11 speed code, 12 duplex (1 full), 14 received-packet
// counter, 15 sent-packet counter; others give 0. Always kSuccess.
int _nx_ip_driver_direct_command(IpInstance* ip, uint32_t command, uint32_t* out);
int _nx_arp_dynamic_entry_set(IpInstance* ip, uint32_t address, uint32_t hw_high, uint32_t hw_low);
int _nx_arp_enable(IpInstance* ip);
int _nx_igmp_enable(IpInstance* ip);
int _nx_udp_enable(IpInstance* ip);
int _nx_tcp_enable(IpInstance* ip);
int PortDisable(const char* name);

int _nx_tcp_socket_create(IpInstance* ip, TcpSocket* socket, const char* name, uint32_t tos, uint32_t fragment,
                          uint32_t ttl, uint32_t window, TcpCallback urgent, TcpCallback disconnect);
int _nx_tcp_server_socket_listen(IpInstance* ip, uint16_t port, TcpSocket* socket, uint32_t queue,
                                 TcpConnectCallback connect_request);
int _nx_tcp_server_socket_relisten(IpInstance* ip, uint16_t port, TcpSocket* socket);
int _nx_tcp_server_socket_accept(TcpSocket* socket, uint32_t wait);
int _nx_tcp_server_socket_unaccept(TcpSocket* socket);
int _nx_tcp_server_socket_unlisten(IpInstance* ip, uint16_t port);
int _nx_tcp_client_socket_bind(TcpSocket* socket, uint16_t port, uint32_t wait);
int _nx_tcp_client_socket_unbind(TcpSocket* socket);
int _nx_tcp_client_socket_connect(TcpSocket* socket, uint32_t address, uint16_t port, uint32_t wait);
// kSuccess: the whole packet was taken; bytes the connection could not take at once are
// kept with the record and sent by the following polls (further sends meanwhile get
// kNotWriteable). The packet is released on every path but kInvalidPacket.
int _nx_tcp_socket_send(TcpSocket* socket, Packet* packet, uint32_t wait);
int _nx_tcp_socket_receive(TcpSocket* socket, Packet** packet, uint32_t wait);
int _nx_tcp_socket_disconnect(TcpSocket* socket, uint32_t wait);
int _nx_tcp_socket_delete(TcpSocket* socket);
int _nx_tcp_socket_receive_notify(TcpSocket* socket, TcpCallback callback);
int _nx_tcp_socket_transmit_configure(TcpSocket* socket, uint32_t queue, uint32_t timeout, uint32_t retries,
                                      uint32_t shift);

int _nx_udp_socket_create(IpInstance* ip, UdpSocket* socket, const char* name, uint32_t tos, uint32_t fragment,
                          uint32_t ttl, uint32_t queue_max);
int _nx_udp_socket_bind(UdpSocket* socket, uint16_t port, uint32_t wait);
int _nx_udp_socket_unbind(UdpSocket* socket);
int _nx_udp_socket_delete(UdpSocket* socket);
int _nx_udp_socket_send(UdpSocket* socket, Packet* packet, uint32_t address, uint16_t port);
int _nx_udp_socket_receive(UdpSocket* socket, Packet** packet, uint32_t wait);
int _nx_udp_socket_receive_port_detail(UdpSocket* socket, Packet** packet, uint32_t* address, uint16_t* port);
// A refused membership leaves the record and the joined groups as they were (kFailed).
int _nx_igmp_multicast_join(IpInstance* ip, uint32_t group, UdpSocket* socket);
int _nx_igmp_multicast_leave(IpInstance* ip, uint32_t group, UdpSocket* socket);

// Back to the power-on state: every table slot empty (descriptors are not closed: the
// records own them), the shared link-speed reading time cleared.
void NxPowerOnReset();

// How many slots of the poll table are in use (for diagnostics and tests).
int ConnSockInUse();

}  // namespace nx

// The shared pool, its memory, the instances and the poll table.
extern nx::PacketPool EnetPacketPoolCtrl;
extern uint8_t EnetPacketPool[nx::kPoolMemorySize];
extern nx::IpInstance Enet_IpInstance[nx::kInstances];
extern nx::TcpSocket* ConnSock[nx::kConnSockSlots];

// One sweep of the poll table: connection events and the callbacks they call.
void EnetThread();
// Between two main-loop passes: waits until a record of the poll table has something for
// the next pass (a request, a connection, a completed connect, room for unsent bytes) or
// max_us microseconds have passed, and returns at once when a module asked for the next
// pass during this one (EnetPassDue). Never from a time-slice pass.
void EnetIdleWait(uint32_t max_us);
// Said by a module that has work for the next pass which no socket will announce (a reply
// due, a whole request already buffered).
void EnetPassDue();
// Sets the hardware address of eth0 (which 0) or eth1 (1) and rewrites its MAC text in
// the hardware information block from the board's stored MAC id.
void Etn_SetMacId(const uint8_t address[6], int which);
void Etn_IrqInit();
