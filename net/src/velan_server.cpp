// The programming link over TCP: up to 8 clients per interface, one of them at a time
// owning the command channel of DprMap; its command bytes go to the channel's receive
// side and the processor's replies come back to it. Long transfers are split into
// frames of 64 data bytes, long replies joined, and access is guarded by the password
// entries of the security block and a challenge login.
#include <algorithm>
#include <cstring>

#include "dpr_internal.h"
#include "ground/cmdhost.h"
#include "ground/regimage.h"
#include "ground/timebase.h"
#include "velan_internal.h"

namespace velan {
namespace {

constexpr uint8_t kNone = 0xFF;
constexpr uint8_t kLoggedIn = 0x4E;
constexpr std::size_t kSplitFrame = 64;
constexpr std::size_t kRequestCopy = 96;
constexpr std::size_t kJoinMax = 1408;  // (SR155 - 71) rounded down to 64, SR155 at most 1500

struct Connection {
  nx::TcpSocket socket;
  // The header of its last request passed on, for the replies.
  uint32_t key = 0;
  uint16_t route = 0, address_a = 0, address_b = 0, echo = 0;
  uint32_t last_ms = 0;
  uint8_t stream[2 * kMaxMessage];
  std::size_t stream_length = 0;
};

enum class Join : uint8_t { kOff, kArmed, kActive };

struct Server {
  nx::IpInstance* ip = nullptr;
  Connection conn[kConnections];
  uint8_t login = 0;
  uint8_t listened = 0;
  bool transfer = false;
  Join join = Join::kOff;
  uint8_t request[kRequestCopy] = {};
  // A segmented message being split into frames.
  uint8_t split[kMaxMessage] = {};
  std::size_t split_at = 0, split_left = 0;
  bool splitting = false;
  bool frame_out = false;  // a frame was passed on; its reply has not been sent yet
  // The reply being joined.
  uint8_t joined[kHeader + 2 + kJoinMax + 1] = {};
  std::size_t join_count = 0;
  uint32_t join_sum = 0;
  bool ask_next = false;
  uint8_t owner = kNone, previous = kNone;
  uint32_t expected = 0;
  bool challenge = false;  // a login request is outstanding
  uint32_t login_ms = 0;
  uint8_t poll_seen = 0;
};

Server VelanConnState[nx::kInstances];
nx::PacketPool* VelanPool = nullptr;

// The programming-command port's Ethernet host is the command channel.
constexpr CmdHostOps kChannelHost{
    .check = Etn_CheckRx, .get = Etn_GetRx, .flush = Etn_FlushRx, .put = Etn_PutTx, .put_n = Etn_PutnTx};

bool Established(const Connection& c) { return c.socket.state == nx::kEstablished; }

bool ChannelFree() {
  return DprMap[dpr::kRxRing] == DprMap[dpr::kRxRing + 1] && DprMap[dpr::kRxByte] == DprMap[dpr::kRxByte + 1];
}
bool ReplyWaiting() { return DprMap[dpr::kTx] != DprMap[dpr::kTx + 1]; }

void PassToChannel(const uint8_t* bytes, std::size_t n) {
  if (n == 1) {
    DprMap[dpr::kRxByte + 2] = bytes[0];
    DprMap[dpr::kRxByte] = uint8_t(DprMap[dpr::kRxByte + 1] ^ 1);
    return;
  }
  n = std::min(n, kMaxCommand);
  std::memcpy(DprMap + dpr::kRxRingData, bytes, n);
  dpr::Put16(dpr::kRxRing + 2, uint16_t(n));
  DprMap[dpr::kRxRing] = uint8_t(DprMap[dpr::kRxRing + 1] ^ 1);
}

// Where a server and connection index of a socket are.
bool Find(const nx::TcpSocket* socket, Server*& server, int& k) {
  for (Server& b : VelanConnState)
    for (int i = 0; i < kConnections; ++i)
      if (&b.conn[i].socket == socket) {
        server = &b;
        k = i;
        return true;
      }
  return false;
}

void VelanConnect(nx::TcpSocket* socket, uint32_t) {
  if (nx::_nx_tcp_server_socket_accept(socket, 0) != nx::kInProgress) {
    nx::_nx_tcp_server_socket_unaccept(socket);
    return;
  }
  Server* b = nullptr;
  int k = 0;
  if (Find(socket, b, k)) {
    b->conn[k].last_ms = tx::_tx_time_get();
    b->conn[k].stream_length = 0;
  }
}

void VelanDisconnect(nx::TcpSocket* socket) {
  nx::_nx_tcp_socket_disconnect(socket, 0);
  nx::_nx_tcp_server_socket_unaccept(socket);
  Server* b = nullptr;
  int k = 0;
  if (!Find(socket, b, k)) return;
  b->conn[k].stream_length = 0;
  if (b->owner == k) {
    b->owner = b->previous = kNone;
    b->splitting = b->frame_out = false;
  }
  // Replies never go to a record a new client may take.
  if (b->previous == k) b->previous = kNone;
}

// Nothing while a record listens; else the first closed record listens.
void VelanRelisten(Server& b) {
  for (const Connection& c : b.conn)
    if (c.socket.state == nx::kListening) return;
  for (Connection& c : b.conn) {
    if (c.socket.state != nx::kClosed) continue;
    if (c.socket.fd < 0) nx::_nx_tcp_socket_create(b.ip, &c.socket, nullptr, 0, 0, 0, 0, nullptr, nullptr);
    int r = nx::kFailed;
    if (b.listened) r = nx::_nx_tcp_server_socket_relisten(b.ip, kPort, &c.socket);
    if (r == nx::kAlreadyBound) {
      nx::_nx_tcp_server_socket_unaccept(&c.socket);
      return;
    }
    if (r != nx::kSuccess) r = nx::_nx_tcp_server_socket_listen(b.ip, kPort, &c.socket, 0, VelanConnect);
    if (r == nx::kSuccess) b.listened = 1;
    return;
  }
}

// A reply message to connection k from the given header fields.
struct Reply {
  uint32_t key;
  uint16_t route, address_a, address_b, status, echo;
};

Reply ReplyTo(const Connection& c, uint16_t status) {
  return {c.key, c.route, c.address_a, c.address_b, status, c.echo};
}
Reply ReplyTo(const uint8_t* request, uint16_t status) {
  return {Get32(request + kKey), Get16(request + kRoute), Get16(request + kAddressA), Get16(request + kAddressB),
          status, Get16(request + kEcho)};
}

void Header(uint8_t* m, const Reply& r, std::size_t bytes) {
  Put32(m + kKey, r.key);
  Put16(m + kRoute, r.route);
  Put16(m + kAddressA, r.address_a);
  Put16(m + kAddressB, r.address_b);
  Put16(m + kFunction, r.status);
  std::memcpy(m + kClock, DprMap + dpr::kClock, 12);
  Put16(m + kEcho, r.echo);
  Put16(m + kLength, uint16_t(bytes));
}

// One message in one packet; false when no packet was free (the reply waits). A failed
// send drops the connection, and the reply with it.
bool SendMessage(Connection& c, const uint8_t* message, std::size_t length) {
  nx::Packet* p = nullptr;
  if (nx::_nx_packet_allocate(VelanPool, &p, 0, 0) != nx::kSuccess) return false;
  if (nx::_nx_packet_data_append(p, message, uint32_t(length), VelanPool) != nx::kSuccess) {
    nx::_nx_packet_release(p);
    return false;
  }
  if (nx::_nx_tcp_socket_send(&c.socket, p, 0) != nx::kSuccess) nx::_nx_tcp_server_socket_unaccept(&c.socket);
  return true;
}

bool Send(Connection& c, const Reply& r, const uint8_t* bytes, std::size_t n) {
  uint8_t m[kHeader + kMaxCommand];
  n = std::min(n, kMaxCommand);
  Header(m, r, n);
  if (n) std::memcpy(m + kHeader, bytes, n);
  return SendMessage(c, m, kHeader + n);
}

std::size_t JoinLimit() {
  const uint16_t sr155 = std::clamp<uint16_t>(SrGet(155), 135, 1500);
  return std::size_t(sr155 - 71) / 64 * 64;
}

void CloseJoined(Server& b, Connection& c) {
  uint8_t* m = b.joined;
  Header(m, ReplyTo(c, kDone), b.join_count + 3);
  m[kHeader] = kFrame;
  m[kHeader + 1] = 0;
  m[kHeader + 2 + b.join_count] = uint8_t(-(kFrame + b.join_sum + Cmd_ChecksumSeed()));
  SendMessage(c, m, kHeader + 3 + b.join_count);
  b.join_count = 0;
  b.join_sum = 0;
}

// A processor reply on its way to connection k: sent, or collected while joining. true
// once it has left the transmit area.
bool VelanSend(Server& b, Connection& c, const uint8_t* bytes, std::size_t n) {
  if (n == 1 && bytes[0] != kAsk) {
    b.transfer = false;
    b.splitting = false;
    b.join = Join::kOff;
  }
  if (b.join == Join::kActive && n >= 2 && bytes[0] == kFrame) {
    const std::size_t count = std::min<std::size_t>({bytes[1], n - 2, JoinLimit() - b.join_count});
    std::memcpy(b.joined + kHeader + 2 + b.join_count, bytes + 2, count);
    for (std::size_t i = 0; i < count; ++i) b.join_sum += bytes[2 + i];
    b.join_count += count;
    if (bytes[1] == 0 || b.join_count >= JoinLimit())
      CloseJoined(b, c);
    else
      b.ask_next = true;
    return true;
  }
  const bool sent = Send(c, ReplyTo(c, kDone), bytes, n);
  if (sent && b.join == Join::kArmed) b.join = Join::kActive;
  return sent;
}

// The password check: when entry 0 is enabled and holds a password, the key must be the
// password of an enabled entry.
bool PasswordAccepts(uint32_t key) {
  struct Entry {
    uint32_t password;
    uint8_t flags;
  };
  Entry e[4] = {{Get32(DprMap + dpr::kSecuritySetting), DprMap[dpr::kSecurityFlags]}};
  for (int i = 0; i < 3; ++i)
    e[i + 1] = {Get32(DprMap + dpr::kSecurityEntries + 4 * i), DprMap[dpr::kSecurityEntries2 + 4 * i]};
  constexpr uint8_t kEnabled = 0x10;
  if (!(e[0].flags & kEnabled) || e[0].password == 0) return true;
  for (const Entry& x : e)
    if ((x.flags & kEnabled) && x.password == key) return true;
  return false;
}

void Keep(Connection& c, const uint8_t* m) {
  c.key = Get32(m + kKey);
  c.route = Get16(m + kRoute);
  c.address_a = Get16(m + kAddressA);
  c.address_b = Get16(m + kAddressB);
  c.echo = Get16(m + kEcho);
}

// Passes the next frame of a segmented message on.
void PassFrame(Server& b) {
  const std::size_t n = std::min(kSplitFrame, b.split_left);
  uint8_t frame[kSplitFrame + 3];
  frame[0] = kFrame;
  frame[1] = uint8_t(n);
  std::memcpy(frame + 2, b.split + b.split_at, n);
  frame[2 + n] = FrameCheck(uint8_t(n), frame + 2, n);
  PassToChannel(frame, n + 3);
  b.split_at += n;
  b.split_left -= n;
  b.frame_out = true;
  if (b.split_left == 0) b.splitting = false;
}

// A command of connection k (not a login function).
void Command(Server& b, int k, const uint8_t* m, std::size_t length) {
  Connection& c = b.conn[k];
  const uint16_t route = Get16(m + kRoute);
  if (route > 2) {
    Reply r = ReplyTo(m, kRouteTooDeep);
    r.route = 2;
    Send(c, r, nullptr, 0);
    return;
  }
  const uint8_t* bytes = m + kHeader;
  const std::size_t n = std::min<std::size_t>(length - kHeader, Get16(m + kLength));
  const bool segmented = b.transfer && Segmented(m, length);
  if (b.transfer && !segmented) b.transfer = false;
  if (n > 0 && bytes[0] == 9) b.join = Join::kOff;
  if (!ChannelFree() || b.owner != k || b.splitting || b.frame_out) {
    const uint8_t busy = 0x60;
    Send(c, ReplyTo(m, kBusy), &busy, 1);
    return;
  }
  if (b.login != kLoggedIn && !PasswordAccepts(Get32(m + kKey))) {
    Send(c, ReplyTo(m, kRefused), nullptr, 0);
    return;
  }
  Keep(c, m);
  if (segmented) {
    b.split_left = std::min<std::size_t>(Get16(m + kLength) - 3, length - kHeader - 3);
    std::memcpy(b.split, m + kHeader + 2, b.split_left);
    b.split_at = 0;
    b.splitting = true;
    PassFrame(b);
    return;
  }
  if (n == 0) return;
  PassToChannel(bytes, n);
  if (bytes[0] == 4 || bytes[0] == 3) b.transfer = true;
  if ((bytes[0] == 5 || bytes[0] == 11) && route > 1) {
    b.join = Join::kArmed;
    b.join_count = 0;
    b.join_sum = 0;
  }
}

void Handle(Server& b, int k, const uint8_t* m, std::size_t length, uint32_t now) {
  Connection& c = b.conn[k];
  std::memcpy(b.request, m, std::min(length, kRequestCopy));
  if (b.owner == kNone) b.owner = b.previous = uint8_t(k);
  if (b.login == kLoggedIn && now - b.login_ms >= kLoginMs) {
    b.login = 0;
    b.expected = 0;
    b.challenge = false;
  }
  switch (Get16(m + kFunction)) {
    case kLoginRequest: {
      b.expected = Challenge(DprMap + dpr::kClock);
      b.challenge = true;
      Reply r = ReplyTo(m, kDone);
      r.key = MaskChallenge(b.expected);
      Send(c, r, nullptr, 0);
      break;
    }
    case kLoginResponse: {
      // Only an outstanding challenge logs in, and it answers one attempt only.
      const bool ok = b.challenge && Get32(m + kKey) == b.expected;
      b.challenge = false;
      b.expected = 0;
      b.login = ok ? kLoggedIn : 0;
      b.login_ms = now;
      Send(c, ReplyTo(m, ok ? kDone : kRefused), nullptr, 0);
      break;
    }
    case kLogout:
      b.login = 0;
      b.expected = 0;
      b.challenge = false;
      Send(c, ReplyTo(m, kDone), nullptr, 0);
      break;
    default:
      Command(b, k, m, length);
      break;
  }
  c.last_ms = now;
}

// One message of connection k from its stream (one receive when none is whole); its
// length, 0 when none.
std::size_t TakeMessage(Connection& c) {
  int whole = StreamMessage(c.stream, c.stream_length);
  nx::Packet* p = nullptr;
  if (whole == 0 && nx::_nx_tcp_socket_receive(&c.socket, &p, 0) == nx::kSuccess) {
    const std::size_t n = std::min<std::size_t>(p->length, sizeof c.stream - c.stream_length);
    std::memcpy(c.stream + c.stream_length, p->read, n);
    c.stream_length += n;
    nx::_nx_packet_release(p);
    whole = StreamMessage(c.stream, c.stream_length);
  }
  if (whole < 0) {
    // A length no message can have: the stream cannot be followed.
    VelanDisconnect(&c.socket);
    return 0;
  }
  return std::size_t(whole);
}

void Consume(Connection& c, std::size_t length) {
  c.stream_length -= length;
  std::memmove(c.stream, c.stream + length, c.stream_length);
}

// Step 4: a waiting reply goes to the owner, or with none to the previous owner.
void ForwardReply(Server& b) {
  if (!ReplyWaiting()) return;
  const uint8_t to = b.owner != kNone ? b.owner : b.previous;
  if (to == kNone || !Established(b.conn[to])) return;
  const std::size_t n = std::min<std::size_t>(dpr::Get16(dpr::kTx + 2), dpr::kTxCapacity);
  if (!VelanSend(b, b.conn[to], DprMap + dpr::kTxData, n)) return;
  DprMap[dpr::kTx + 1] = DprMap[dpr::kTx];
  b.frame_out = false;
}

// Step 5: the processor ended an exchange; the channel is free for the next client.
void FollowPoll(Server& b) {
  const uint8_t poll = DprMap[dpr::kPollToggle];
  if (poll == b.poll_seen) return;
  const bool unread = Etn_CheckRx() != 0, waiting = ReplyWaiting();
  if (!unread && !waiting && !b.splitting && b.owner != kNone) {
    b.previous = b.owner;
    b.owner = kNone;
  }
  if (unread || !waiting) b.poll_seen = poll;
}

}  // namespace

void ResetServers() {
  for (Server& b : VelanConnState)
    for (Connection& c : b.conn)
      if (c.socket.fd >= 0) nx::_nx_tcp_socket_delete(&c.socket);
  for (Server& b : VelanConnState) b = Server{};
  VelanPool = nullptr;
}

}  // namespace velan

using namespace velan;

int Velan_Init(nx::IpInstance* ip, nx::PacketPool* pool) {
  if (!ip || ip->index < 0 || ip->index >= nx::kInstances) return 1;
  VelanPool = pool;
  Server& b = VelanConnState[ip->index];
  for (Connection& c : b.conn)
    if (c.socket.fd >= 0) nx::_nx_tcp_socket_delete(&c.socket);
  b = Server{};
  b.ip = ip;
  b.poll_seen = DprMap[dpr::kPollToggle];
  if (ip->index != 1) Cmd_SetHost(kHostEthernet, &kChannelHost);
  int status = 0;
  for (Connection& c : b.conn) {
    status = nx::_nx_tcp_socket_create(ip, &c.socket, "Velan Socket", 0, 0, 128, 2048, nullptr, VelanDisconnect);
    if (status != nx::kSuccess) return status;
  }
  VelanRelisten(b);
  return status;
}

void Velan_Scan(int index) {
  if (index < 0 || index >= nx::kInstances) return;
  Server& b = VelanConnState[index];
  if (!b.ip) return;
  VelanRelisten(b);
  const uint32_t now = tx::_tx_time_get();
  for (Connection& c : b.conn)
    if (Established(c) && now - c.last_ms >= kIdleMs) VelanDisconnect(&c.socket);
  if (b.ask_next && ChannelFree()) {
    PassToChannel(&kAsk, 1);
    b.ask_next = false;
  }
  for (int k = 0; k < kConnections; ++k) {
    Connection& c = b.conn[k];
    if (!Established(c)) continue;
    // The owner's split goes on, a frame after the reply to the one before.
    if (b.splitting && b.owner == k) {
      if (!b.frame_out && ChannelFree()) PassFrame(b);
      continue;
    }
    const std::size_t length = TakeMessage(c);
    if (length == 0) continue;
    Handle(b, k, c.stream, length, now);
    Consume(c, length);
  }
  if (b.owner != kNone && !Established(b.conn[b.owner])) b.owner = b.previous = kNone;
  ForwardReply(b);
  FollowPoll(b);
}

int Velan_ConnCnt(int index) {
  if (index < 0 || index >= nx::kInstances) return 0;
  int n = 0;
  for (const Connection& c : VelanConnState[index].conn) n += Established(c);
  return n;
}

void Velan_DeInit(nx::IpInstance* ip) {
  if (!ip || ip->index == 0 || ip->index < 0 || ip->index >= nx::kInstances) return;
  for (Connection& c : VelanConnState[ip->index].conn)
    if (c.socket.fd >= 0) VelanDisconnect(&c.socket);
}
