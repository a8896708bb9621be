// One Modbus request: its checks, the register path and the reply. Quantities and byte
// counts are held to the protocol's limits before anything is copied, and every write
// takes its data only from within the request.
#include <cstring>
#include <iterator>
#include <utility>

#include "ground/regaccess.h"
#include "modbus_internal.h"
#include "net/dpr.h"

namespace modbus {
namespace {

constexpr uint32_t kIecMark = 0xC0000000;
constexpr std::size_t kPdu = kHeader;  // where the function code is
constexpr std::size_t kWriteReply = 12;
constexpr std::size_t kShortReply = 9;

struct Request {
  int index;
  const uint8_t* adu;
  std::size_t length;  // of the whole request
  uint8_t* reply;
  EtnRegReq& read;
  uint8_t function() const { return adu[kPdu]; }
  uint16_t Word(std::size_t pdu_at) const { return uint16_t(adu[kPdu + pdu_at] << 8 | adu[kPdu + pdu_at + 1]); }
  std::size_t PduLength() const { return length - kPdu; }
};

void PutWord(uint8_t* at, uint16_t v) {
  at[0] = uint8_t(v >> 8);
  at[1] = uint8_t(v);
}

// The reply's header: transaction, protocol 0, the length field, the unit, the function.
void ReplyHeader(const uint8_t* adu, uint8_t* reply, uint16_t length_field, uint8_t function) {
  reply[0] = adu[0];
  reply[1] = adu[1];
  PutWord(reply + 2, 0);
  PutWord(reply + 4, length_field);
  reply[6] = adu[6];
  reply[7] = function;
}

Outcome Fail(const Request& r, Exception code) {
  ReplyHeader(r.adu, r.reply, 3, uint8_t(r.function() | 0x80));
  r.reply[8] = code;
  return {.reply = kShortReply};
}

// Whether the interface's write-protect bit is 1.
bool WriteProtected(int index) {
  const EthConfig& c = Dpr_Configuration[index];
  uint32_t token = c.modbus.write_protect;
  if (IecMode() && (c.iec_modbus.write_protect & kIecMark) == kIecMark) token = c.iec_modbus.write_protect;
  uint8_t bit = 0;
  return token != 0 && PlcReg_Get(&bit, token, 1) == 1 && bit == 1;
}

// The token of count addresses from start, or an exception: the IEC map's size in IEC
// mode, the address map in register mode, then the register path's own range check.
bool Resolve(const Request& r, uint16_t start, uint16_t count, uint32_t bits, uint32_t& token) {
  if (IecMode()) {
    static constexpr int kMapOf[] = {2, 3, 0, 1};  // coils, inputs, holding, input registers
    const uint32_t size = Dpr_Configuration[r.index].iec_modbus.map_size[kMapOf[int(TableOf(r.function()))]];
    if (start >= size || count > size - start) return false;
    token = N4_ModbusMap(r.function(), r.index, start, 0);
  } else {
    token = ModbusMapToken(r.function(), start, count);
  }
  const EtnRequest request{token, bits};
  return token != 0 && EtnValidateReq(&request) == 0;
}

Outcome Read(const Request& r) {
  const uint16_t start = r.Word(1), count = r.Word(3);
  const bool bits = r.function() <= 2;
  if (count == 0 || count > (bits ? 2000 : 125)) return Fail(r, kIllegalValue);
  uint32_t token = 0;
  const uint32_t nbits = bits ? count : 16u * count;
  if (!Resolve(r, start, count, nbits, token)) return Fail(r, kIllegalAddress);
  EtnRegReq& q = r.read;
  q.token = token;
  q.bits = nbits;
  q.transaction = uint16_t(r.adu[0] << 8 | r.adu[1]);
  q.function = r.function();
  q.unit = r.adu[6];
  q.queued = uint8_t(Dpr_Add_Req(token, nbits, 0));
  q.pending = 1;
  return {.read_pending = true};
}

// The register path of a write; the reply echoes the address and value (or count).
Outcome Write(const Request& r, uint32_t token, uint32_t bits, uint8_t* data, uint16_t echo) {
  Dpr_Data_Block(token, bits, data, 1, 1);
  if (!Dpr_Add_Req(token, bits, 1)) return {};
  ReplyHeader(r.adu, r.reply, 6, r.function());
  std::memcpy(r.reply + 8, r.adu + kPdu + 1, 2);
  PutWord(r.reply + 10, echo);
  return {.reply = kWriteReply};
}

Outcome WriteCoil(const Request& r) {
  const uint16_t start = r.Word(1), value = r.Word(3);
  if (value != 0xFF00 && value != 0x0000) return Fail(r, kIllegalValue);
  uint32_t token = 0;
  if (!Resolve(r, start, 1, 1, token)) return Fail(r, kIllegalAddress);
  uint8_t bit = value ? 1 : 0;
  return Write(r, token, 1, &bit, value);
}

Outcome WriteRegister(const Request& r) {
  const uint16_t start = r.Word(1), value = r.Word(3);
  uint32_t token = 0;
  if (!Resolve(r, start, 1, 16, token)) return Fail(r, kIllegalAddress);
  uint8_t data[2] = {uint8_t(value), uint8_t(value >> 8)};
  return Write(r, token, 16, data, value);
}

Outcome WriteCoils(const Request& r) {
  const uint16_t start = r.Word(1), count = r.Word(3);
  const uint8_t byte_count = r.adu[kPdu + 5];
  if (count == 0 || count > 1968 || byte_count != (count + 7) / 8 || r.PduLength() < 6u + byte_count)
    return Fail(r, kIllegalValue);
  uint32_t token = 0;
  if (!Resolve(r, start, count, count, token)) return Fail(r, kIllegalAddress);
  uint8_t data[246];
  std::memcpy(data, r.adu + kPdu + 6, byte_count);
  return Write(r, token, count, data, count);
}

Outcome WriteRegisters(const Request& r) {
  const uint16_t start = r.Word(1), count = r.Word(3);
  const uint8_t byte_count = r.adu[kPdu + 5];
  if (count == 0 || count > 123 || byte_count != 2 * count || r.PduLength() < 6u + byte_count)
    return Fail(r, kIllegalValue);
  uint32_t token = 0;
  if (!Resolve(r, start, count, 16u * count, token)) return Fail(r, kIllegalAddress);
  uint8_t data[246];
  for (uint16_t i = 0; i < count; ++i) {
    data[2 * i] = r.adu[kPdu + 7 + 2 * i];
    data[2 * i + 1] = r.adu[kPdu + 6 + 2 * i];
  }
  return Write(r, token, 16u * count, data, count);
}

Outcome ExceptionStatus(const Request& r) {
  ReplyHeader(r.adu, r.reply, 3, 7);
  r.reply[8] = 0;
  return {.reply = kShortReply};
}

struct Service {
  uint8_t function;
  uint8_t min_pdu;  // the function code included
  bool writes;
  Outcome (*serve)(const Request&);
};

constexpr Service kServices[] = {
    {1, 5, false, Read},          {2, 5, false, Read},          {3, 5, false, Read},
    {4, 5, false, Read},          {5, 5, true, WriteCoil},      {6, 5, true, WriteRegister},
    {7, 1, false, ExceptionStatus}, {15, 6, true, WriteCoils},  {16, 6, true, WriteRegisters},
};
static_assert(std::size(kServices) == 9);

}  // namespace

Outcome ServeRequest(int index, const uint8_t* adu, std::size_t length, EtnRegReq& read, uint8_t* reply) {
  if (length < kPdu + 1) return {};
  const Request r{index, adu, length, reply, read};
  for (const Service& s : kServices) {
    if (s.function != r.function()) continue;
    if (s.writes && WriteProtected(index)) return Fail(r, kIllegalFunction);
    if (r.PduLength() < s.min_pdu) return Fail(r, kIllegalValue);
    return s.serve(r);
  }
  return Fail(r, kIllegalFunction);
}

std::size_t BuildReadReply(const EtnRegReq& read, uint8_t* reply) {
  const bool bits = read.function <= 2;
  const uint32_t byte_count = bits ? (read.bits + 7) / 8 : read.bits / 8;
  std::memset(reply, 0, kReplyMax);
  reply[0] = uint8_t(read.transaction >> 8);
  reply[1] = uint8_t(read.transaction);
  PutWord(reply + 4, uint16_t(byte_count + 3));
  reply[6] = read.unit;
  reply[7] = read.function;
  reply[8] = uint8_t(byte_count);
  uint8_t* data = reply + 9;
  Dpr_Data_Block(read.token, read.bits, data, 0, 1);
  if (!bits)
    for (uint32_t i = 0; i + 1 < byte_count; i += 2) std::swap(data[i], data[i + 1]);
  return 9 + byte_count;
}

}  // namespace modbus
