// Modbus framing on a serial port: the RTU, ASCII and MBAP receive machine, the sender,
// the CRC and the expected frame sizes by function code.
#include <cstring>
#include <utility>

#include "messaging/services.h"
#include "modbus_link.h"

namespace mb {
namespace {

enum : uint16_t { kRtuIdle = 0, kRtuAddress = 1, kRtuBody = 2, kRtuDiscard = 3 };
enum : uint16_t { kAsciiWait = 5, kAsciiHigh = 6, kAsciiLow = 7, kAsciiCr = 11 };
constexpr int kModemSocket = 0;
constexpr int kMbap = 6;

bool ModemOnPort(const Link& l) { return IsModemSocketActive(l.port, kModemSocket) == 0; }

int FrameLimit(const Link& l) { return TcpOnPort(l) ? kFrameMaxTcp : kFrameMax; }

void Broken(Link& l) {
  Count(l, kCommErrors);
  l.result = kResultBroken;
  l.index = 0;
}

int HexValue(uint8_t c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return 0;
}

void Deliver(Link& l) {
  if (l.flags & kMaster) {
    MOD_RspProcess(l);
  } else {
    MOD_ReqProcess(l);
  }
}

// The frame of count bytes arrived through a TCP stream: check and strip the MBAP header.
void DeliverTcp(Link& l, int count) {
  if (count < kMbap + 2 || GetBE(l.frame + 4) != count - kMbap) {
    Broken(l);
    return;
  }
  const uint16_t id = GetBE(l.frame);
  if (id == ModbusTCP_St.transaction) {
    if (ModbusTCP_St.flags & 2) {
      ++ModbusTCP_St.transaction;
      ModbusTCP_St.flags &= uint8_t(~2);
    }
  } else if (ModbusTCP_St.flags & 2) {
    return;  // an answer to an earlier request
  } else {
    ModbusTCP_St.transaction = id;
  }
  std::memmove(l.frame, l.frame + kMbap, size_t(count - kMbap));
  l.length = uint16_t(count - kMbap);
  Deliver(l);
}

void RtuEnd(Link& l) {
  if (l.state == kRtuIdle) return;  // no byte since the last frame
  const bool discard = l.state == kRtuDiscard;
  l.state = kRtuIdle;
  if (discard) return;
  const int count = l.index;
  if (count < 4) {
    Broken(l);
    return;
  }
  if (TcpOnPort(l)) {
    DeliverTcp(l, count);
    return;
  }
  if (l.crc == uint16_t(l.frame[count - 2] | l.frame[count - 1] << 8)) {
    l.length = uint16_t(count - 2);
  } else if (l.expect_request > 0 && l.expect_request < count - 1 && l.match_request) {
    l.length = uint16_t(l.expect_request - 1);  // trailing noise after a whole request
  } else if (l.expect_reply > 0 && l.expect_reply < count - 1 && l.match_reply) {
    l.length = uint16_t(l.expect_reply - 1);
  } else {
    Broken(l);
    return;
  }
  Deliver(l);
}

uint16_t CrcStep(uint16_t crc, uint8_t b) {
  crc ^= b;
  for (int i = 0; i < 8; ++i) crc = (crc & 1) ? uint16_t((crc >> 1) ^ 0xA001) : uint16_t(crc >> 1);
  return crc;
}

void RtuByte(Link& l, uint8_t c) {
  switch (l.state) {
    case kRtuIdle:
      l.crc = 0xFFFF;
      l.match_request = l.match_reply = false;
      l.index = 0;
      l.frame[l.index++] = c;
      l.state = kRtuAddress;
      return;
    case kRtuAddress:
      ExpectedSize(c, l.expect_request, l.expect_reply);
      l.frame[l.index++] = c;
      l.state = kRtuBody;
      return;
    case kRtuDiscard: return;
    default: break;
  }
  const int i = l.index;
  l.crc = CrcStep(l.crc, l.frame[i - 2]);
  for (auto [expect, match] : {std::pair{&l.expect_request, &l.match_request}, std::pair{&l.expect_reply, &l.match_reply}}) {
    if (*expect < 0) *expect = *expect == -1 ? int16_t(c + i + 2) : int16_t(*expect + 1);
    if (*expect == i && l.crc == uint16_t(l.frame[i - 1] | c << 8)) *match = true;
  }
  l.frame[l.index++] = c;
  if (l.index > FrameLimit(l)) {
    Broken(l);
    l.state = kRtuDiscard;  // the rest of this frame up to the gap is dropped
  }
}

void AsciiByte(Link& l, uint8_t c) {
  if (c == ':') {
    if (l.state != kAsciiWait) Broken(l);
    l.index = 0;
    l.lrc = 0;
    l.state = kAsciiHigh;
    return;
  }
  if (c == '\r' && l.state != kAsciiWait) {
    l.state = kAsciiCr;
    return;
  }
  switch (l.state) {
    case kAsciiHigh:
      l.nibble = uint8_t(HexValue(c) << 4);
      l.state = kAsciiLow;
      break;
    case kAsciiLow: {
      const uint8_t b = uint8_t(l.nibble | HexValue(c));
      l.frame[l.index++] = b;
      l.lrc = uint8_t(l.lrc + b);
      l.state = kAsciiHigh;
      if (l.index > kFrameMax) {
        Broken(l);
        l.state = kAsciiWait;
      }
      break;
    }
    case kAsciiCr:
      l.state = kAsciiWait;
      // Address, function and LRC at the least.
      if (c == '\n' && l.lrc == 0 && l.index >= 3) {
        l.length = uint16_t(l.index - 1);
        Deliver(l);
      } else {
        Broken(l);
      }
      break;
    default: break;
  }
}

}  // namespace

TcpState ModbusTCP_St;

bool TcpOnPort(const Link& l) { return (ModbusTCP_St.flags & 1) && ((ModbusTCP_St.flags >> 3) & 3) == l.port; }

void Count(Link& l, Counter c) {
  if (l.counters[c] != 0xFFFF) ++l.counters[c];
}

uint16_t Crc16(const uint8_t* bytes, int count) {
  uint16_t crc = 0xFFFF;
  for (int i = 0; i < count; ++i) crc = CrcStep(crc, bytes[i]);
  return crc;
}

void ExpectedSize(uint8_t function, int16_t& request, int16_t& reply) {
  switch (function) {
    case 1: case 2: case 3: case 4: request = 7; reply = -1; break;
    case 5: case 6: case 8: request = 7; reply = 7; break;
    case 7: case 65: request = 3; reply = 4; break;
    case 15: case 16: request = -5; reply = 7; break;
    case 22: request = 9; reply = 9; break;
    case 23: request = -9; reply = -1; break;
    default: request = 4; reply = 4; break;
  }
}

void MOD_Init(Link& l, int port, uint16_t slave_id, int data_bits) {
  l = Link{};
  l.port = uint16_t(port);
  l.slave_id = slave_id;
  if (data_bits == 7) {
    l.flags |= kAscii;
    l.state = kAsciiWait;
  }
  if (slave_id == 0) l.flags |= kMaster;
}

void MOD_RxMachine(Link& l, uint16_t c) {
  if (l.flags & kAscii) {
    if (c == kEndOfFrame) {
      l.index = 0;
      l.state = kAsciiWait;
    } else {
      AsciiByte(l, uint8_t(c));
    }
  } else if (c == kEndOfFrame) {
    RtuEnd(l);
  } else {
    RtuByte(l, uint8_t(c));
  }
}

int DrainPort(Link& l) {
  int fed = 0;
  if (ModemOnPort(l)) {
    // Bounded: a peer that keeps sending cannot hold the scan.
    for (int i = 0; i < kBuffer * 2; ++i) {
      const int r = ModemCheckRecv(kModemSocket);
      if (r == 1) {
        MOD_RxMachine(l, uint8_t(ModemDataRecv(kModemSocket)));
        ++fed;
      } else if (r == 255) {
        MOD_RxMachine(l, kEndOfFrame);
      } else {
        break;
      }
    }
    return fed;
  }
  VcommDriver& row = PortRow(l.port);
  if (row.check == nullptr) return 0;
  for (int i = 0; i < kBuffer * 4; ++i) {
    const int r = row.check();
    if (r == 1) {
      MOD_RxMachine(l, uint8_t(row.get()));
      ++fed;
    } else if (r == 255) {
      MOD_RxMachine(l, kEndOfFrame);
    } else {
      break;
    }
  }
  return fed;
}

void MOD_SendFrame(Link& l) {
  Pcb& pcb = PortPcb(l.port);
  VcommDriver& row = PortRow(l.port);
  if (row.put == nullptr || l.length > kFrameMax) return;
  if (row.flush_tx) row.flush_tx();
  pcb.tx_marker = 1;
  if (l.flags & kAscii) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    uint8_t sum = 0;
    row.put(':');
    for (int i = 0; i < l.length; ++i) {
      sum = uint8_t(sum + l.frame[i]);
      row.put(uint8_t(kHex[l.frame[i] >> 4]));
      row.put(uint8_t(kHex[l.frame[i] & 15]));
    }
    const uint8_t lrc = uint8_t(-sum);
    row.put(uint8_t(kHex[lrc >> 4]));
    row.put(uint8_t(kHex[lrc & 15]));
    row.put('\r');
    row.put('\n');
  } else if (TcpOnPort(l)) {
    uint8_t out[kFrameMaxTcp];
    PutBE(out, ModbusTCP_St.transaction);
    PutBE(out + 2, ModbusTCP_St.protocol);
    PutBE(out + 4, l.length);
    std::memcpy(out + kMbap, l.frame, l.length);
    if (ModemOnPort(l)) {
      ModemDataSend(kModemSocket, out, uint32_t(l.length + kMbap), 0);
      pcb.tx_marker = 0;
      return;
    }
    for (int i = 0; i < l.length + kMbap; ++i) row.put(out[i]);
  } else {
    const uint16_t crc = Crc16(l.frame, l.length);
    for (int i = 0; i < l.length; ++i) row.put(l.frame[i]);
    row.put(uint8_t(crc));
    row.put(uint8_t(crc >> 8));
  }
  if (row.rtu_tx) row.rtu_tx();
  pcb.tx_marker = 0xFF;
}

void MOD_SendException(Link& l, const uint8_t* source, uint16_t length) {
  if (source) {
    if (length > kFrameMax) return;
    std::memcpy(l.frame, source, length);
    l.length = length;
  }
  MOD_SendFrame(l);
}

uint16_t GetBE(const uint8_t* p) { return uint16_t(p[0] << 8 | p[1]); }
void PutBE(uint8_t* p, uint16_t v) {
  p[0] = uint8_t(v >> 8);
  p[1] = uint8_t(v);
}

int BitMsgLoad(uint8_t* out, const uint8_t* reg, int bit, int n) {
  const int bytes = (n + 7) / 8;
  std::memset(out, 0, size_t(bytes));
  for (int i = 0; i < n; ++i) {
    const int b = bit + i;
    if (reg[b / 8] & (1 << (b % 8))) out[i / 8] = uint8_t(out[i / 8] | 1 << (i % 8));
  }
  return bytes;
}

void BitMemLoad(uint8_t* reg, int bit, const uint8_t* in, int n) {
  for (int i = 0; i < n; ++i) {
    const int b = bit + i;
    const bool on = in[i / 8] & (1 << (i % 8));
    reg[b / 8] = on ? uint8_t(reg[b / 8] | 1 << (b % 8)) : uint8_t(reg[b / 8] & ~(1 << (b % 8)));
  }
}

}  // namespace mb
