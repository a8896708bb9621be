// The master: on a rising trigger one request is built and sent, the answer is checked
// and its data stored, and the outcome shows as one value in the status word.
#include <cstring>

#include "ground/regimage.h"
#include "logic/engine.h"
#include "modbus_link.h"

namespace mb {
namespace {

enum State : uint8_t { kIdle = 1, kQueued = 2, kAwaiting = 3, kDone = 4 };
constexpr uint16_t kBadSlave = 4, kBadCount = 8, kBadFunction = 0x10, kBadType = 0x20;
enum Direction { kIn, kOut };

struct TypeRow {
  uint16_t code;
  uint32_t offset;
  uint32_t elements;
  bool bits;
  bool in_allowed;
};

uint32_t Offset(uint16_t code, uint32_t offset) {
  if (code == 74) return RegTokLen_16b ? reg::kOffT : reg::kOffET;
  if (code == 76) return RegTokLen_16b ? reg::kOffM : reg::kOffEM;
  return offset;
}

constexpr TypeRow kTypes[] = {
    {2, reg::kOffSR, 192, false, false}, {4, reg::kOffAIG, 32, false, true}, {6, reg::kOffAQG, 32, false, true},
    {8, reg::kOffR, 50240, false, true}, {10, reg::kOffAI, 512, false, true}, {12, reg::kOffAQ, 512, false, true},
    {24, reg::kOffS, 256, true, false},  {26, reg::kOffK, 256, true, false},  {66, reg::kOffIG, 256, true, true},
    {68, reg::kOffQG, 256, true, true},  {70, reg::kOffI, 2048, true, true},  {72, reg::kOffQ, 2048, true, true},
    {74, reg::kOffT, 2048, true, true},  {76, reg::kOffM, 2048, true, true},
};

struct Local {
  uint8_t* base = nullptr;  // bits: the area's first byte; words: the first word
  int bit = 0;
};

// map_plc_ref: the local place of count elements, or a build error.
uint16_t MapPlcRef(uint16_t type, uint16_t index, uint16_t count, bool bits, Direction dir, Local& out) {
  for (const TypeRow& t : kTypes) {
    if (t.code != type) continue;
    if (t.bits != bits || uint32_t(index) + count > t.elements || (dir == kIn && !t.in_allowed)) return kBadType;
    if (count > (bits ? 2000 : 125)) return kBadCount;
    const uint32_t offset = Offset(t.code, t.offset);
    out.base = plc_reg + offset + (bits ? 0 : 2u * index);
    out.bit = bits ? index : 0;
    return 0;
  }
  return kBadType;
}

uint16_t LocalWord(const Local& p) {
  uint16_t v;
  std::memcpy(&v, p.base, 2);
  return v;
}

}  // namespace

uint16_t MOD_ReqBuild(Link& l, const ModbusRequest& r) {
  l.request = r;
  if (r.slave > 247) return kBadSlave;
  uint8_t* f = l.frame;
  f[0] = uint8_t(r.slave);
  f[1] = uint8_t(r.function);
  PutBE(f + 2, r.start);
  PutBE(f + 4, r.count);
  Local p;
  uint16_t e = 0;
  switch (r.function) {
    case 1: case 2:
      e = MapPlcRef(r.type, r.index, r.count, true, kIn, p);
      l.length = 6;
      break;
    case 3: case 4:
      e = MapPlcRef(r.type, r.index, r.count, false, kIn, p);
      l.length = 6;
      break;
    case 5:
      e = MapPlcRef(r.type, r.index, 1, true, kOut, p);
      if (!e) PutBE(f + 4, (p.base[p.bit / 8] >> (p.bit % 8)) & 1 ? 0xFF00 : 0x0000);
      l.length = 6;
      break;
    case 6:
      e = MapPlcRef(r.type, r.index, r.count, false, kOut, p);
      if (!e) PutBE(f + 4, LocalWord(p));
      l.length = 6;
      break;
    case 7:
      e = r.count != 8 ? kBadCount : MapPlcRef(r.type, r.index, 8, true, kIn, p);
      l.length = 2;
      break;
    case 8:
      e = r.count != 1 ? kBadCount : MapPlcRef(r.type, r.index, 1, false, kIn, p);
      if (!e) PutBE(f + 4, r.start <= 1 || r.start == 3 ? LocalWord(p) : 0);
      l.length = 6;
      break;
    case 15:
      e = r.count == 0 ? kBadCount : MapPlcRef(r.type, r.index, r.count, true, kOut, p);
      if (!e) {
        f[6] = uint8_t(BitMsgLoad(f + 7, p.base, p.bit, r.count));
        l.length = uint16_t(7 + f[6]);
      }
      break;
    case 16:
      e = r.count == 0 || r.count > 123 ? kBadCount : MapPlcRef(r.type, r.index, r.count, false, kOut, p);
      if (!e) {
        f[6] = uint8_t(2 * r.count);
        for (int i = 0; i < r.count; ++i) {
          uint16_t v;
          std::memcpy(&v, p.base + 2 * i, 2);
          PutBE(f + 7 + 2 * i, v);
        }
        l.length = uint16_t(7 + 2 * r.count);
      }
      break;
    case 65:
      e = MapPlcRef(r.type, r.index, 1, false, kIn, p);
      f[0] = 0;
      l.length = 2;
      break;
    default: return kBadFunction;
  }
  if (e) return e;
  l.result = 0;
  if (TcpOnPort(l)) ModbusTCP_St.flags |= 2;
  MOD_SendFrame(l);
  return 0;
}

void MOD_RspProcess(Link& l) {
  const ModbusRequest& r = l.request;
  const uint8_t* f = l.frame;
  if (r.slave != 0 && f[0] != r.slave) return;  // another station: keep waiting
  if (f[1] & 0x80) {
    const uint8_t code = l.length >= 3 ? f[2] : 0;
    // Codes above 4 end the exchange with the bare error mark (status 2).
    l.result = code >= 1 && code <= 4 ? uint16_t(0x1000 << (code - 1)) : 2;
    return;
  }
  Local p;
  uint16_t result = 0x800;
  switch (r.function) {
    case 1: case 2:
      if (l.length >= 3 && f[2] == (r.count + 7) / 8 && l.length >= 3 + f[2] &&
          !MapPlcRef(r.type, r.index, r.count, true, kIn, p)) {
        BitMemLoad(p.base, p.bit, f + 3, r.count);
        result = 1;
      }
      break;
    case 3: case 4:
      if (l.length >= 3 && f[2] == 2 * r.count && l.length >= 3 + f[2] &&
          !MapPlcRef(r.type, r.index, r.count, false, kIn, p)) {
        for (int i = 0; i < r.count; ++i) {
          const uint16_t v = GetBE(f + 3 + 2 * i);
          std::memcpy(p.base + 2 * i, &v, 2);
        }
        result = 1;
      }
      break;
    case 5: case 6: case 15: case 16: result = 1; break;
    case 7:
      if (l.length >= 3 && !MapPlcRef(r.type, r.index, 8, true, kIn, p)) {
        BitMemLoad(p.base, p.bit, f + 2, 8);
        result = 1;
      }
      break;
    case 8:
      if (l.length >= 6 && !MapPlcRef(r.type, r.index, 1, false, kIn, p)) {
        const uint16_t v = GetBE(f + 4);
        std::memcpy(p.base, &v, 2);
        result = 1;
      }
      break;
    case 65:
      if (l.length >= 3 && !MapPlcRef(r.type, r.index, 1, false, kIn, p)) {
        const uint16_t v = f[2];
        std::memcpy(p.base, &v, 2);
        result = 1;
      }
      break;
    default: break;
  }
  l.result = result;
}

void MasterPass(Pcb& pcb) {
  Link& l = pcb.link;
  VcommDriver& row = PortRow(l.port);
  uint8_t* status = pcb.params.status;
  const bool trigger = (Word(pcb.params.control) & pcb.trigger_mask) != 0;
  switch (pcb.service) {
    case kIdle: {
      if (!trigger) return;
      if (row.flush) row.flush();
      ModbusRequest r{};
      if (pcb.params.message) std::memcpy(&r, pcb.params.message, sizeof r);
      const uint16_t e = MOD_ReqBuild(l, r);
      if (e) {
        SetWord(status, e | 2);
        pcb.service = kDone;
        return;
      }
      pcb.line_error = 0;
      if (row.status_rx) row.status_rx(1);
      pcb.service = kQueued;
      [[fallthrough]];
    }
    case kQueued:
      if (!trigger) {
        if (pcb.tx_marker != 0 && row.flush_tx) row.flush_tx();
        SetWord(status, 0);
        pcb.service = kIdle;
        return;
      }
      if (pcb.tx_marker != 0) return;
      ResetTimeout(pcb);
      pcb.service = kAwaiting;
      [[fallthrough]];
    case kAwaiting: {
      if (!trigger) {
        pcb.service = kIdle;
        SetWord(status, 0);
        return;
      }
      if (row.status_rx && row.status_rx(0) != 0 && pcb.line_error == 0) pcb.line_error = 0x200;
      if (DrainPort(l) > 0) ResetTimeout(pcb);
      if (l.result != 0) {
        if (pcb.line_error) {
          SetWord(status, pcb.line_error | 2);
        } else {
          SetWord(status, (l.result & 1) ? 1 : uint16_t(l.result | 2));
        }
        pcb.service = kDone;
      } else if (pcb.params.timeout) {
        AdvanceTimeout(pcb);
        if (pcb.timeout_count >= pcb.params.timeout) {
          SetWord(status, pcb.line_error ? uint16_t(pcb.line_error | 2) : kModbusTimeout);
          pcb.service = kDone;
        }
      }
      return;
    }
    case kDone:
      if (!trigger) {
        pcb.service = kIdle;
        SetWord(status, 0);
      }
      return;
    default: return;
  }
}

}  // namespace mb
