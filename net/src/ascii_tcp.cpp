// ASCII over TCP: the panel listens on the configured port (or the port a register
// holds), sends the send block's text when the logic raises the request, and writes
// received text, two characters per register, into the receive block.
#include <algorithm>
#include <cstring>

#include "ascii_internal.h"
#include "dpr_internal.h"
#include "ground/regaccess.h"
#include "ground/timebase.h"

namespace ascii {
namespace {

// The six words of the interface's ASCII item.
enum Word { kPortFromRegister, kPortOrToken, kSendBlock, kSendRequest, kReceiveBlock, kStatusRegister };

struct Record {
  nx::IpInstance* ip = nullptr;
  nx::TcpSocket socket;
  uint16_t status = 0;
  uint16_t port = 0;
  uint32_t full_at = 0;  // ticks of the last full-size segment; 0 none pending
  uint32_t checked_at = 0;
  uint8_t listened = 0;
  // What a receive brought beyond one segment: the next segment.
  uint8_t carry[nx::kReceiveMax - kSegment];
  uint32_t carry_length = 0;
};

Record AsciiTCPConnEth[nx::kInstances];
nx::PacketPool* AsciiPool = nullptr;

const uint32_t* Words(int index) { return Dpr_Configuration[index].ascii; }
bool Established(const Record& r) { return r.socket.state == nx::kEstablished; }
bool Running() { return dpr::Get16(dpr::kRunFlag) != 0; }

uint16_t Reg16(uint32_t token) {
  uint16_t v = 0;
  PlcReg_Get(&v, token, 16);
  return v;
}
void SetReg16(uint32_t token, uint16_t v) { PlcReg_Set(token, &v, 16); }
// Word i of a register block; the text starts at word 2.
uint32_t BlockWord(uint32_t block, uint32_t i) { return block + 16 * i; }

Record* RecordOf(nx::TcpSocket* socket) {
  for (Record& r : AsciiTCPConnEth)
    if (&r.socket == socket) return &r;
  return nullptr;
}

void AsciiConnect(nx::TcpSocket* socket, uint32_t) {
  if (nx::_nx_tcp_server_socket_accept(socket, 0) != nx::kInProgress) nx::_nx_tcp_server_socket_unaccept(socket);
  if (Record* r = RecordOf(socket)) {
    r->full_at = 0;
    r->carry_length = 0;
  }
}

void AsciiDisconnect(nx::TcpSocket* socket) {
  if (Record* r = RecordOf(socket)) {
    r->listened = 0;
    r->carry_length = 0;
  }
  nx::_nx_tcp_socket_disconnect(socket, 0);
  nx::_nx_tcp_server_socket_unaccept(socket);
}

void Listen(Record& r, int index) {
  if (r.socket.state != nx::kClosed) return;
  const uint32_t* w = Words(index);
  r.port = w[kPortFromRegister] ? Reg16(w[kPortOrToken]) : uint16_t(w[kPortOrToken]);
  if (r.port == 0) return;  // no port: nothing to listen on
  if (r.socket.fd < 0) nx::_nx_tcp_socket_create(r.ip, &r.socket, nullptr, 0, 0, 0, 0, nullptr, nullptr);
  int status = nx::kFailed;
  if (r.listened) status = nx::_nx_tcp_server_socket_relisten(r.ip, r.port, &r.socket);
  if (status == nx::kAlreadyBound) {
    nx::_nx_tcp_server_socket_unaccept(&r.socket);
    return;
  }
  if (status != nx::kSuccess && nx::_nx_tcp_server_socket_listen(r.ip, r.port, &r.socket, 0, AsciiConnect) == nx::kSuccess)
    r.listened = 1;
}

// The send block's text, when the logic asks: up to 2000 bytes in segments of 1380.
void SendText(Record& r, int index) {
  const uint32_t* w = Words(index);
  if (Reg16(w[kSendRequest]) != 1) return;
  uint32_t length = Reg16(BlockWord(w[kSendBlock], 0));
  if (length > kTextMax) {
    length = kTextMax;
    r.status |= kSendCut;
  } else {
    r.status &= uint16_t(~kSendCut);
  }
  for (uint32_t at = 0; at < length; at += kSegment) {
    const uint32_t n = std::min(kSegment, length - at);
    uint8_t bytes[kSegment + 1];
    for (uint32_t i = 0; i < n; i += 2) {
      const uint16_t pair = Reg16(BlockWord(w[kSendBlock], 2 + (at + i) / 2));
      bytes[i] = uint8_t(pair);
      bytes[i + 1] = uint8_t(pair >> 8);
    }
    nx::Packet* p = nullptr;
    if (nx::_nx_packet_allocate(AsciiPool, &p, 0, 0) != nx::kSuccess) return;
    if (nx::_nx_packet_data_append(p, bytes, n, AsciiPool) != nx::kSuccess) {
      nx::_nx_packet_release(p);
      return;
    }
    // A failure leaves the request set: the whole text goes again on a later pass.
    if (nx::_nx_tcp_socket_send(&r.socket, p, 0) != nx::kSuccess) return;
  }
  SetReg16(w[kSendRequest], 0);
}

// Stores a segment two characters per register from text byte `at`, up to the
// terminator; the bytes stored.
uint32_t Store(const uint32_t* w, const uint8_t* bytes, uint32_t n, uint32_t at, bool& terminated) {
  const uint16_t terminator = Reg16(BlockWord(w[kReceiveBlock], 1));
  uint32_t stored = 0;
  for (uint32_t i = 0; i < n; i += 2) {
    const uint32_t token = BlockWord(w[kReceiveBlock], 2 + (at + i) / 2);
    const bool first_ends = terminator != kNoTerminator && bytes[i] == terminator;
    if (first_ends) {
      terminated = true;
      break;
    }
    const bool second_ends = i + 1 < n && terminator != kNoTerminator && bytes[i + 1] == terminator;
    if (i + 1 >= n || second_ends) {
      PlcReg_Set(token, &bytes[i], 8);
      ++stored;
      terminated = second_ends;
      break;
    }
    const uint16_t pair = uint16_t(bytes[i] | bytes[i + 1] << 8);
    SetReg16(token, pair);
    stored += 2;
  }
  return stored;
}

// One segment: from the bytes a receive carried beyond a segment, else one receive.
void ReceiveText(Record& r, int index) {
  uint8_t segment[nx::kReceiveMax];
  uint32_t n = 0;
  if (r.carry_length) {
    n = r.carry_length;
    std::memcpy(segment, r.carry, n);
    r.carry_length = 0;
  } else {
    nx::Packet* p = nullptr;
    if (nx::_nx_tcp_socket_receive(&r.socket, &p, 0) != nx::kSuccess) return;
    n = std::min(p->length, nx::kReceiveMax);
    std::memcpy(segment, p->read, n);
    nx::_nx_packet_release(p);
    if (n > kSegment) {
      r.carry_length = n - kSegment;
      std::memcpy(r.carry, segment + kSegment, r.carry_length);
      n = kSegment;
    }
  }
  const uint32_t* w = Words(index);
  const uint32_t now = FPGA_GetFrt();
  r.status |= kReceived;
  uint32_t at = 0;
  if (r.full_at != 0) {
    // The segment after a full-size one: a continuation within 50 ms, else a new text.
    if (now - r.full_at <= kContinuationTicks) at = kSegment;
    if (n > kTextMax - kSegment) {
      n = kTextMax - kSegment;
      r.status |= kContinuationCut;
    }
    r.full_at = 0;
  } else if (n >= kSegment) {
    r.full_at = now ? now : 1;
  }
  r.checked_at = now;
  bool terminated = false;
  const uint32_t stored = Store(w, segment, n, at, terminated);
  if (terminated) r.full_at = 0;
  SetReg16(BlockWord(w[kReceiveBlock], 0), uint16_t(stored + at));
  SetReg16(w[kStatusRegister], r.status);
}

}  // namespace

void ResetServers() {
  for (Record& r : AsciiTCPConnEth)
    if (r.socket.fd >= 0) nx::_nx_tcp_socket_delete(&r.socket);
  for (Record& r : AsciiTCPConnEth) r = Record{};
  AsciiPool = nullptr;
}

}  // namespace ascii

using namespace ascii;

int Ascii_Init(nx::IpInstance* ip, nx::PacketPool* pool) {
  if (!ip || ip->index < 0 || ip->index >= nx::kInstances) return 1;
  AsciiPool = pool;
  Record& r = AsciiTCPConnEth[ip->index];
  if (r.socket.fd >= 0) nx::_nx_tcp_socket_delete(&r.socket);
  r = Record{};
  r.ip = ip;
  if (nx::_nx_tcp_socket_create(ip, &r.socket, "ascii sockt", 0, 0, 128, kSegment, nullptr, AsciiDisconnect) !=
      nx::kSuccess) {
    r.status |= kNoSocket;
    return 1;
  }
  return 0;
}

void Ascii_Scan(int index) {
  if (index < 0 || index >= nx::kInstances) return;
  Record& r = AsciiTCPConnEth[index];
  if (!r.ip) return;
  const EthConfig& c = Dpr_Configuration[index];
  if (!(c.flags_b & kEthAscii)) {
    nx::Packet* p = nullptr;
    for (int i = 0; Established(r) && i < 64 && nx::_nx_tcp_socket_receive(&r.socket, &p, 0) == nx::kSuccess; ++i)
      nx::_nx_packet_release(p);
    return;
  }
  if (!Running()) {
    if (Established(r)) AsciiDisconnect(&r.socket);
    if (r.port) nx::_nx_tcp_server_socket_unlisten(r.ip, r.port);
    r.listened = 0;
    return;
  }
  if (!(r.status & kNoSocket)) {
    if (!Established(r)) {
      if (r.socket.state != nx::kListening) Listen(r, index);
    } else {
      SendText(r, index);
      ReceiveText(r, index);
    }
  }
  const uint8_t low = uint8_t(r.status);
  PlcReg_Set(c.ascii[kStatusRegister], &low, 8);
}

int Ascii_cnn_cnt(int index) {
  return index >= 0 && index < nx::kInstances && Established(AsciiTCPConnEth[index]) ? 1 : 0;
}

void Ascii_DeInit(nx::IpInstance* ip) {
  if (!ip || ip->index <= 0 || ip->index >= nx::kInstances) return;
  Record& r = AsciiTCPConnEth[ip->index];
  if (r.socket.fd >= 0) AsciiDisconnect(&r.socket);
}
