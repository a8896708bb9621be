// The slave: one received frame is checked for its address, served through the function
// table and answered (never for a broadcast).
#include <cstring>

#include "ground/regaccess.h"
#include "modbus_link.h"
#include "modbus_map.h"

namespace mb {
namespace {

enum Exception : uint8_t { kNone = 0, kIllegalFunction = 1, kIllegalSubFunction = 2, kIllegalData = 3, kNoAnswer = 0xFF };

// What a handler sees: the frame, its length and whether it was a broadcast.
struct Request {
  Link& l;
  bool broadcast;
  uint16_t start, count;
};

// Words between the register image (native order) and the frame (big-endian).
void GetWords(uint8_t* frame, const uint8_t* regs, int n) {
  for (int i = 0; i < n; ++i) {
    uint16_t v;
    std::memcpy(&v, regs + 2 * i, 2);
    PutBE(frame + 2 * i, v);
  }
}
void PutWords(uint8_t* regs, const uint8_t* frame, int n) {
  for (int i = 0; i < n; ++i) {
    const uint16_t v = GetBE(frame + 2 * i);
    std::memcpy(regs + 2 * i, &v, 2);
  }
}

uint8_t ReadBits(Request& r, Area area) {
  Place p;
  if (r.l.length < 6 || r.count == 0 || r.count > 2000 || !MapAddress(area, r.start, r.count, p)) return kIllegalData;
  if (r.broadcast) return kNoAnswer;
  r.l.frame[2] = uint8_t(BitMsgLoad(r.l.frame + 3, p.base, p.bit, r.count));
  r.l.length = uint16_t(3 + r.l.frame[2]);
  return kNone;
}

uint8_t ReadWords(Request& r, Area area) {
  Place p;
  if (r.l.length < 6 || r.count == 0 || r.count > 125 || !MapAddress(area, r.start, r.count, p)) return kIllegalData;
  if (r.broadcast) return kNoAnswer;
  r.l.frame[2] = uint8_t(2 * r.count);
  GetWords(r.l.frame + 3, p.base, r.count);
  r.l.length = uint16_t(3 + 2 * r.count);
  return kNone;
}

uint8_t ReadCoils(Request& r) { return ReadBits(r, Area::kCoils); }
uint8_t ReadInputs(Request& r) { return ReadBits(r, Area::kInputs); }
uint8_t ReadHolding(Request& r) { return ReadWords(r, Area::kHolding); }
uint8_t ReadInputRegisters(Request& r) { return ReadWords(r, Area::kInputRegisters); }

uint8_t WriteCoil(Request& r) {
  Place p;
  if (r.l.length < 6 || !MapAddress(Area::kCoils, r.start, 1, p)) return kIllegalData;
  const uint8_t on = r.l.frame[4] & 1;
  BitMemLoad(p.base, p.bit, &on, 1);
  r.l.length = 6;
  return kNone;
}

uint8_t WriteRegister(Request& r) {
  Place p;
  if (r.l.length < 6 || !MapAddress(Area::kHolding, r.start, 1, p)) return kIllegalData;
  PutWords(p.base, r.l.frame + 4, 1);
  r.l.length = 6;
  return kNone;
}

uint8_t ExceptionStatus(Request& r) {
  if (r.broadcast) return kNoAnswer;
  r.l.frame[2] = 0;
  r.l.length = 3;
  return kNone;
}

uint8_t Diagnostics(Request& r) {
  Link& l = r.l;
  if (l.length != 6) return kIllegalData;
  if (r.broadcast) return kNoAnswer;
  const uint16_t sub = r.start;
  switch (sub) {
    case 0: break;
    case 1: {
      const bool was_listening = l.flags & kListenOnly;
      std::memset(l.counters, 0, sizeof l.counters);
      l.flags &= uint8_t(~kListenOnly);
      if (was_listening) return kNoAnswer;
      break;
    }
    case 2: PutBE(l.frame + 4, 0); break;
    case 4: l.flags |= kListenOnly; return kNoAnswer;
    case 10: std::memset(l.counters, 0, sizeof l.counters); break;
    case 11: PutBE(l.frame + 4, l.counters[kBusMessages]); break;
    case 12: PutBE(l.frame + 4, l.counters[kCommErrors]); break;
    case 13: PutBE(l.frame + 4, l.counters[kExceptionErrors]); break;
    case 14: PutBE(l.frame + 4, l.counters[kSlaveMessages]); break;
    case 15: PutBE(l.frame + 4, l.counters[kNoResponse]); break;
    default: return kIllegalSubFunction;
  }
  l.length = 6;
  return kNone;
}

// Multiple writes check the byte count against the count and the received length before
// a bit or word is written: a short frame must not write stale buffer bytes.
uint8_t WriteCoils(Request& r) {
  Place p;
  const Link& l = r.l;
  if (l.length < 7 || r.count == 0 || r.count > 1968) return kIllegalData;
  const int bytes = (r.count + 7) / 8;
  if (l.frame[6] != bytes || l.length < 7 + bytes || !MapAddress(Area::kCoils, r.start, r.count, p)) return kIllegalData;
  BitMemLoad(p.base, p.bit, l.frame + 7, r.count);
  r.l.length = 6;
  return kNone;
}

uint8_t WriteRegisters(Request& r) {
  Place p;
  const Link& l = r.l;
  if (l.length < 7 || r.count == 0 || r.count > 123) return kIllegalData;
  if (l.frame[6] != 2 * r.count || l.length < 7 + 2 * r.count || !MapAddress(Area::kHolding, r.start, r.count, p))
    return kIllegalData;
  PutWords(p.base, l.frame + 7, r.count);
  r.l.length = 6;
  return kNone;
}

uint8_t MaskWrite(Request& r) {
  Place p;
  Link& l = r.l;
  if (l.length < 8 || !MapAddress(Area::kHolding, r.start, 1, p)) return kIllegalData;
  // Like the read-and-write function, a masked write is not carried out for a broadcast.
  if (r.broadcast) return kNoAnswer;
  const uint16_t and_mask = GetBE(l.frame + 4), or_mask = GetBE(l.frame + 6);
  uint16_t v;
  std::memcpy(&v, p.base, 2);
  v = uint16_t((v & and_mask) | (or_mask & ~and_mask));
  std::memcpy(p.base, &v, 2);
  l.length = 8;
  return kNone;
}

uint8_t ReadWrite(Request& r) {
  Place read, write;
  Link& l = r.l;
  if (l.length < 11) return kIllegalData;
  const uint16_t wstart = GetBE(l.frame + 6), wcount = GetBE(l.frame + 8);
  if (r.count == 0 || r.count > 125 || wcount == 0 || wcount > 121) return kIllegalData;
  if (l.frame[10] != 2 * wcount || l.length < 11 + 2 * wcount) return kIllegalData;
  if (!MapAddress(Area::kHolding, wstart, wcount, write) || !MapAddress(Area::kHolding, r.start, r.count, read))
    return kIllegalData;
  if (r.broadcast) return kNoAnswer;
  PutWords(write.base, l.frame + 11, wcount);
  l.frame[2] = uint8_t(2 * r.count);
  GetWords(l.frame + 3, read.base, r.count);
  l.length = uint16_t(3 + 2 * r.count);
  return kNone;
}

struct Service {
  uint8_t function;
  bool write;  // subject to the write inhibit
  uint8_t (*handler)(Request&);
};
constexpr Service kServices[] = {
    {1, false, ReadCoils},      {2, false, ReadInputs},      {3, false, ReadHolding},
    {4, false, ReadInputRegisters}, {5, true, WriteCoil},    {6, true, WriteRegister},
    {7, false, ExceptionStatus}, {8, false, Diagnostics},    {15, true, WriteCoils},
    {16, true, WriteRegisters}, {22, false, MaskWrite},      {23, false, ReadWrite},
};
static_assert(std::size(kServices) == 12);

const Service* Find(uint8_t function) {
  for (const Service& s : kServices)
    if (s.function == function) return &s;
  return nullptr;
}

bool Inhibited(const Pcb& pcb) {
  if (pcb.params.extensions < 3 || pcb.params.write_inhibit == 0) return false;
  uint8_t bit = 0;
  return PlcReg_Get(&bit, pcb.params.write_inhibit, 1) == 1 && bit == 1;
}

}  // namespace

void MOD_ReqProcess(Link& l) {
  Pcb& pcb = PortPcb(l.port);
  Count(l, kBusMessages);
  const uint8_t address = l.frame[0];
  const bool broadcast = address == 0;
  if (!broadcast && address != l.slave_id) {
    ModbusScanSAF(l);
    return;
  }
  if ((l.flags & kListenOnly) && !(l.frame[1] == 8 && l.length >= 4 && GetBE(l.frame + 2) == 1)) {
    Count(l, kNoResponse);
    return;
  }
  Request r{l, broadcast, GetBE(l.frame + 2), GetBE(l.frame + 4)};
  ModbusTickle(l.port);
  const Service* s = Find(l.frame[1]);
  uint8_t e = kIllegalFunction;
  if (s && !(s->write && Inhibited(pcb))) e = s->handler(r);
  if (e == kNoAnswer) return;
  if (e != kNone) {
    l.frame[1] |= 0x80;
    l.frame[2] = e;
    l.length = 3;
    Count(l, kExceptionErrors);
  }
  if (broadcast) return;
  Count(l, kSlaveMessages);
  MOD_SendFrame(l);
}

void ModbusScanSAF(Link& l) {
  Pcb& pcb = PortPcb(l.port);
  const uint16_t* table = pcb.params.forward;
  if (table == nullptr || pcb.params.forward_pairs == 0 || table[0] == 0) return;
  for (int i = 0; i < pcb.params.forward_pairs; ++i) {
    const uint8_t a = uint8_t(table[i] >> 8), b = uint8_t(table[i]);
    uint16_t toggle = 0;
    if (a == l.frame[0]) {
      l.frame[0] = b;
      toggle = 2;
    } else if (b == l.frame[0]) {
      l.frame[0] = a;
      toggle = 4;
    }
    if (toggle) {
      SetWord(pcb.params.status, Word(pcb.params.status) ^ toggle);
      pcb.forward_pending = 1;
      return;
    }
  }
}

}  // namespace mb
