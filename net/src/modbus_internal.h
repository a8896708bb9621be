#pragma once
// The Modbus TCP and UDP server: one server block per IP instance, each with 16 TCP
// connection records or one UDP socket, serving function codes 1-7, 15 and 16 on the
// register image (register mode) or on four maps of IEC variables (IEC mode), only in
// Run mode. The files split it as framing (modbus_frame.cpp: the MBAP header of a TCP
// stream or a datagram), service (modbus_service.cpp: one request's checks, the register
// path and the reply), the address maps (modbus_map.cpp) and the server's sockets
// (modbus_server.cpp).
//
// Main thread only, within the hub's pass.
#include <cstddef>
#include <cstdint>

#include "net/nx.h"

namespace modbus {

inline constexpr int kConnections = 16;
inline constexpr uint16_t kDefaultPort = 502;
inline constexpr uint32_t kIdleMs = 60000;
inline constexpr std::size_t kHeader = 7;      // MBAP: transaction, protocol, length, unit
inline constexpr std::size_t kMaxAdu = 260;    // the header and the largest PDU (253 bytes)
inline constexpr std::size_t kReplyMax = 266;  // ModbusTxMsg
// A connection's stream buffer: an unfinished request plus one whole receive.
inline constexpr std::size_t kStreamBuffer = kMaxAdu + nx::kReceiveMax;

// Exception codes.
enum Exception : uint8_t { kIllegalFunction = 1, kIllegalAddress = 2, kIllegalValue = 3 };

// ---- Framing ----
// Length of the first whole request at the start of a TCP stream's bytes: 0 while the
// request is not complete, -1 when its length field cannot belong to a request (the
// stream cannot be followed further).
int MbapStreamFrame(const uint8_t* data, std::size_t length);
// Length of the request a datagram holds (the bytes its length field announces, the
// header included), or 0 when the datagram is too short for it or malformed.
std::size_t MbapDatagramFrame(const uint8_t* data, std::size_t length);

// ---- Service ----
// A read request accepted and waiting to be answered on the next pass.
struct EtnRegReq {
  uint32_t token = 0;
  uint32_t bits = 0;
  uint16_t transaction = 0;
  uint8_t pending = 0;
  uint8_t queued = 0;
  uint8_t function = 0;
  uint8_t unit = 0;
  // Where a UDP reply goes: the sender of this request.
  uint32_t reply_address = 0;
  uint16_t reply_port = 0;
};

// What serving one request leaves to the server.
struct Outcome {
  std::size_t reply = 0;  // bytes of the reply built in the reply buffer, 0 none
  bool read_pending = false;  // the request was stored in the read request; answered later
};
// Serves one whole request (MBAP header included, as framed above) on an interface:
// writes, function 7 and exceptions build their reply in reply (kReplyMax bytes); an
// accepted read is stored in read.
Outcome ServeRequest(int index, const uint8_t* adu, std::size_t length, EtnRegReq& read, uint8_t* reply);
// Builds the reply to a stored read from the register image; its length.
std::size_t BuildReadReply(const EtnRegReq& read, uint8_t* reply);

// ---- Address maps ----
// Which function codes address which table.
enum class Table { kCoils, kInputs, kHolding, kInputRegisters, kNone };
Table TableOf(uint8_t function);
// IEC mode: an IEC application is loaded and its variables are enumerated.
bool IecMode();

// ---- Server ----
// Back to the power-on state; closes every descriptor the server holds.
void ResetServers();

}  // namespace modbus

// The hub's operations (EnetProtocol row "Modbus").
int Modbus_Init(nx::IpInstance* ip, nx::PacketPool* pool);
void Modbus_Scan(int index);
int Modbus_Conn_Cnt(int index);
void Modbus_Stop(int index);
void Modbus_DeInit(nx::IpInstance* ip);

// Register token of a register-mode request (0: not mapped, or the range start + count
// leaves the register area the start addresses).
uint32_t ModbusMapToken(uint8_t function, uint16_t start, uint16_t count);
// Token of an IEC-mode request from the interface's IEC maps (fallback when the map's
// base is not a usable IEC register token). The caller checked start and count against
// the map's size.
uint32_t N4_ModbusMap(uint8_t function, int index, uint16_t start, uint32_t fallback);
