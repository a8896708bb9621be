// The Modbus server's sockets: per IP instance 16 TCP connection records sharing one
// listening port, or one UDP socket; one request taken and one reply sent per connection
// and pass, reads answered on the pass after the request (which the main loop then runs
// without waiting for the network).
#include <algorithm>
#include <cstring>

#include "dpr_internal.h"
#include "ground/timebase.h"
#include "modbus_internal.h"

namespace modbus {
namespace {

struct Connection {
  nx::TcpSocket socket;
  uint32_t last_activity = 0;  // ms of the accept or of the last received packet
  EtnRegReq request;
  // The stream's bytes not yet served: requests may arrive split or several together.
  uint8_t stream[kStreamBuffer];
  std::size_t stream_length = 0;
};

struct Server {
  Connection conn[kConnections];
  nx::IpInstance* ip = nullptr;
  nx::UdpSocket udp;
  uint8_t active = 0;  // TCP: a record listens; UDP: the socket is bound
  uint16_t port = 0;
};

Server ModbusConnEth[nx::kInstances];
uint8_t ModbusRxBuff[1540];
uint8_t ModbusTxMsg[kReplyMax];
nx::PacketPool* ModbusPacketPoolPtr = nullptr;

struct Settings {
  bool tcp;
  uint16_t port;
};

Settings SettingsOf(int index) {
  const EthConfig& c = Dpr_Configuration[index];
  const EthModbus& m = IecMode() ? static_cast<const EthModbus&>(c.iec_modbus) : c.modbus;
  return {m.transport == 0, m.port ? m.port : kDefaultPort};
}

bool Running() { return dpr::Get16(dpr::kRunFlag) != 0; }
bool Enabled(int index) { return (Dpr_Configuration[index].flags_a & kEthModbus) != 0; }
bool Established(const Connection& c) { return c.socket.state == nx::kEstablished; }

// The connection record of a socket, or nullptr.
Connection* ConnectionOf(nx::TcpSocket* socket) {
  for (Server& b : ModbusConnEth)
    for (Connection& c : b.conn)
      if (&c.socket == socket) return &c;
  return nullptr;
}

void Forget(Connection& c) {
  c.request = EtnRegReq{};
  c.stream_length = 0;
}

void Drain(nx::TcpSocket& s) {
  nx::Packet* p = nullptr;
  for (int i = 0; i < 64 && nx::_nx_tcp_socket_receive(&s, &p, 0) == nx::kSuccess; ++i) nx::_nx_packet_release(p);
}

void ModbusConnect(nx::TcpSocket* socket, uint32_t) {
  if (nx::_nx_tcp_server_socket_accept(socket, 0) != nx::kInProgress) {
    nx::_nx_tcp_server_socket_unaccept(socket);
    return;
  }
  if (Connection* c = ConnectionOf(socket)) {
    Forget(*c);
    c->last_activity = tx::_tx_time_get();
  }
}

void ModbusDisconnect(nx::TcpSocket* socket) {
  nx::_nx_tcp_socket_disconnect(socket, 0);
  nx::_nx_tcp_server_socket_unaccept(socket);
  if (Connection* c = ConnectionOf(socket)) Forget(*c);
}

// Puts the first closed record into listening; 0 when one listens, 1 when none could.
int ModbusSocketListen(Server& b, uint16_t port) {
  for (Connection& c : b.conn) {
    if (c.socket.state != nx::kClosed) continue;
    // A disconnect lets the record's descriptor go; it gets a fresh one to listen on.
    if (c.socket.fd < 0) nx::_nx_tcp_socket_create(b.ip, &c.socket, nullptr, 0, 0, 0, 0, nullptr, nullptr);
    if (!b.active) {
      if (nx::_nx_tcp_server_socket_listen(b.ip, port, &c.socket, 5, ModbusConnect) == nx::kSuccess) {
        b.active = 1;
        b.port = port;
        return 0;
      }
      continue;
    }
    int r = nx::_nx_tcp_server_socket_relisten(b.ip, b.port, &c.socket);
    // A record that never listened has no callback to share once every other record
    // has let the listening descriptor go: it listens afresh.
    if (r == nx::kFailed) r = nx::_nx_tcp_server_socket_listen(b.ip, b.port, &c.socket, 5, ModbusConnect);
    if (r == nx::kSuccess) return 0;
    if (r == nx::kAlreadyBound) nx::_nx_tcp_server_socket_unaccept(&c.socket);
  }
  return 1;
}

// Sends the first length bytes of the reply: on a TCP record, or (udp) to the given
// sender. 0 when sent, 1 at a failure.
int ModbusSendResponse(Server& b, int record, std::size_t length, bool udp, uint32_t address = 0,
                       uint16_t port = 0) {
  nx::Packet* p = nullptr;
  if (nx::_nx_packet_allocate(ModbusPacketPoolPtr, &p, 0, 0) != nx::kSuccess) return 1;
  if (nx::_nx_packet_data_append(p, ModbusTxMsg, uint32_t(length), ModbusPacketPoolPtr) != nx::kSuccess) {
    nx::_nx_packet_release(p);
    return 1;
  }
  const int r = udp ? nx::_nx_udp_socket_send(&b.udp, p, address, port)
                    : nx::_nx_tcp_socket_send(&b.conn[record].socket, p, 0);
  return r == nx::kSuccess ? 0 : 1;
}

void StopUdp(Server& b) {
  if (b.udp.fd >= 0) {
    nx::_nx_udp_socket_unbind(&b.udp);
    nx::_nx_udp_socket_delete(&b.udp);
  }
  b.conn[0].request = EtnRegReq{};
}

void StartUdp(Server& b, uint16_t port) {
  b.udp = nx::UdpSocket{};
  if (nx::_nx_udp_socket_create(b.ip, &b.udp, "modbus udp server", 0, 0, 128, 5) != nx::kSuccess) return;
  if (nx::_nx_udp_socket_bind(&b.udp, port, 0) != nx::kSuccess) {
    nx::_nx_udp_socket_delete(&b.udp);
    return;
  }
  b.port = port;
  b.active = 1;
}

// Step 5: the replies to reads accepted on the previous pass.
void AnswerReads(Server& b, bool tcp) {
  const int records = tcp ? kConnections : 1;
  for (int i = 0; i < records; ++i) {
    EtnRegReq& q = b.conn[i].request;
    if (!q.pending || (tcp && !Established(b.conn[i])) || (Dpr_Chk_Rd_Pending() & q.queued)) continue;
    const std::size_t length = BuildReadReply(q, ModbusTxMsg);
    if (ModbusSendResponse(b, i, length, !tcp, q.reply_address, q.reply_port) == 0) q.pending = 0;
  }
}

// One request of a TCP connection: from what the stream holds, else from one receive.
void ServeConnection(int index, Server& b, int record, uint32_t now) {
  Connection& c = b.conn[record];
  bool received = false;
  // A request waits while the read before it is unanswered or a reply is still going
  // out, so that replies leave in the order of the requests.
  if (!c.request.pending && c.socket.writeable && !c.socket.unsent) {
    int frame = MbapStreamFrame(c.stream, c.stream_length);
    nx::Packet* p = nullptr;
    if (frame == 0 && nx::_nx_tcp_socket_receive(&c.socket, &p, 0) == nx::kSuccess) {
      received = true;
      c.last_activity = now;
      // Without a whole request the stream holds less than one request, so a whole
      // receive fits behind it.
      const std::size_t n = std::min<std::size_t>(p->length, sizeof c.stream - c.stream_length);
      std::memcpy(c.stream + c.stream_length, p->read, n);
      c.stream_length += n;
      nx::_nx_packet_release(p);
      frame = MbapStreamFrame(c.stream, c.stream_length);
    }
    if (frame < 0) {
      // A length no request can have: the stream cannot be followed.
      ModbusDisconnect(&c.socket);
      return;
    }
    if (frame > 0) {
      const Outcome o = ServeRequest(index, c.stream, std::size_t(frame), c.request, ModbusTxMsg);
      if (o.reply) ModbusSendResponse(b, record, o.reply, false);
      c.stream_length -= std::size_t(frame);
      std::memmove(c.stream, c.stream + frame, c.stream_length);
      return;
    }
  }
  if (!received && now - c.last_activity > kIdleMs) ModbusDisconnect(&c.socket);
}

// One datagram: one request; every reply goes to the request's own sender.
void ServeDatagram(int index, Server& b) {
  nx::Packet* p = nullptr;
  uint32_t address = 0;
  uint16_t port = 0;
  if (nx::_nx_udp_socket_receive_port_detail(&b.udp, &p, &address, &port) != nx::kSuccess) return;
  const std::size_t n = std::min<std::size_t>(p->length, sizeof ModbusRxBuff);
  std::memcpy(ModbusRxBuff, p->read, n);
  nx::_nx_packet_release(p);
  const std::size_t length = MbapDatagramFrame(ModbusRxBuff, n);
  if (length == 0) return;
  EtnRegReq& q = b.conn[0].request;
  const Outcome o = ServeRequest(index, ModbusRxBuff, length, q, ModbusTxMsg);
  if (o.read_pending) {
    q.reply_address = address;
    q.reply_port = port;
  }
  if (o.reply) ModbusSendResponse(b, 0, o.reply, true, address, port);
}

}  // namespace

void ResetServers() {
  for (Server& b : ModbusConnEth) {
    for (Connection& c : b.conn)
      if (c.socket.fd >= 0) nx::_nx_tcp_socket_delete(&c.socket);
    if (b.udp.fd >= 0) nx::_nx_udp_socket_delete(&b.udp);
  }
  for (Server& b : ModbusConnEth) b = Server{};
  ModbusPacketPoolPtr = nullptr;
}

}  // namespace modbus

using namespace modbus;

int Modbus_Init(nx::IpInstance* ip, nx::PacketPool* pool) {
  if (!ip || ip->index < 0 || ip->index >= nx::kInstances) return 1;
  ModbusPacketPoolPtr = pool;
  Server& b = ModbusConnEth[ip->index];
  for (Connection& c : b.conn)
    if (c.socket.fd >= 0) nx::_nx_tcp_socket_delete(&c.socket);
  StopUdp(b);
  b.ip = ip;
  b.active = 0;
  for (Connection& c : b.conn) {
    c.socket = nx::TcpSocket{};
    Forget(c);
    nx::_nx_tcp_socket_create(ip, &c.socket, "modbus server", 0, 0, 128, 1024, nullptr, ModbusDisconnect);
  }
  const Settings s = SettingsOf(ip->index);
  return s.tcp ? ModbusSocketListen(b, s.port) : 0;
}

void Modbus_Scan(int index) {
  if (index < 0 || index >= nx::kInstances) return;
  Server& b = ModbusConnEth[index];
  if (!b.ip) return;
  const Settings s = SettingsOf(index);
  if (!Running()) {
    if (b.active) Modbus_Stop(index);
    return;
  }
  if (!s.tcp && !b.active) StartUdp(b, s.port);
  if (s.tcp) {
    if (!Enabled(index)) {
      for (Connection& c : b.conn)
        if (Established(c)) Drain(c.socket);
      return;
    }
    ModbusSocketListen(b, s.port);
  } else if (!b.active) {
    return;
  }
  const uint32_t now = tx::_tx_time_get();
  AnswerReads(b, s.tcp);
  if (!s.tcp) {
    ServeDatagram(index, b);
    if (b.conn[0].request.pending) EnetPassDue();
    return;
  }
  for (int i = 0; i < kConnections; ++i)
    if (Established(b.conn[i])) ServeConnection(index, b, i, now);
  // A read is answered on the next pass, and a request already in the buffer waits for no
  // socket: the main loop is not to wait between the passes.
  for (const Connection& c : b.conn)
    if (Established(c) && (c.request.pending || MbapStreamFrame(c.stream, c.stream_length) != 0)) EnetPassDue();
}

int Modbus_Conn_Cnt(int index) {
  if (index < 0 || index >= nx::kInstances) return 0;
  if (!SettingsOf(index).tcp) return 1;
  int n = 0;
  for (const Connection& c : ModbusConnEth[index].conn) n += Established(c);
  return n;
}

// Whatever the transport now configured, both kinds are stopped: a configuration change
// may have switched it.
void Modbus_Stop(int index) {
  if (index < 0 || index >= nx::kInstances) return;
  Server& b = ModbusConnEth[index];
  for (Connection& c : b.conn) {
    if (Established(c)) Drain(c.socket);
    if (c.socket.fd >= 0 && c.socket.state != nx::kClosed) {
      nx::_nx_tcp_socket_disconnect(&c.socket, 0);
      nx::_nx_tcp_server_socket_unaccept(&c.socket);
    }
    Forget(c);
  }
  StopUdp(b);
  if (b.ip && b.port) nx::_nx_tcp_server_socket_unlisten(b.ip, b.port);
  b.active = 0;
}

void Modbus_DeInit(nx::IpInstance* ip) {
  if (!ip || ip->index == 0 || ip->index < 0 || ip->index >= nx::kInstances) return;
  for (Connection& c : ModbusConnEth[ip->index].conn)
    if (c.socket.ip) ModbusDisconnect(&c.socket);
}
