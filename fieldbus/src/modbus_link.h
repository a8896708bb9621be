#pragma once
// The per-port Modbus state: the link record (framing machines and diagnostics) inside
// the port control block.
#include <cstdint>

#include "drivers/services.h"
#include "fieldbus/modbus.h"

namespace mb {

inline constexpr int kPorts = 4;
inline constexpr int kFrameMax = 259;     // RTU and ASCII frames
inline constexpr int kFrameMaxTcp = 264;  // with the MBAP header
inline constexpr int kBuffer = 268;
inline constexpr uint16_t kEndOfFrame = 0x8000;
inline constexpr uint16_t kResultBroken = 0x400;

enum ModeFlags : uint8_t { kAscii = 1, kMaster = 2, kListenOnly = 4 };
enum Counter { kBusMessages, kSlaveMessages, kCommErrors, kExceptionErrors, kNoResponse };

struct Link {
  uint8_t station = 0;
  uint8_t flags = 0;
  uint16_t result = 0;
  uint16_t counters[5] = {};
  uint16_t port = 0;
  uint16_t state = 0;     // receive: RTU 0,1,2; ASCII 5,6,7,11
  uint16_t tx_state = 0;  // transmit: RTU 0,3,4; ASCII 5..11
  uint8_t nibble = 0;
  uint8_t lrc = 0;
  uint16_t crc = 0;
  uint16_t tx_crc = 0;
  uint16_t length = 0;  // frame bytes without CRC, LRC or delimiters
  uint16_t index = 0;
  int16_t expect_request = 0, expect_reply = 0;
  bool match_request = false, match_reply = false;
  uint8_t frame[kBuffer] = {};
  uint16_t slave_id = 0;
  ModbusRequest request{};  // the master's copy of the request in flight
};

struct Pcb {
  ModbusParams params;
  Link link;
  uint32_t timeout_count = 0;
  uint16_t timeout_ref = 0;
  uint16_t trigger_mask = 0;
  uint8_t unsolicited_latch = 0;
  uint8_t service = 0;  // 0 slave, 1..4 master states
  uint16_t line_error = 0;
  uint16_t tx_marker = 0;  // 0 idle, 1 handing a frame over, 0xFF the port still sends
  uint8_t forward_pending = 0;
};

struct TcpState {
  uint8_t flags = 0;  // bit 0 active, 1 awaiting a reply, 2 sending, 3-4 port
  uint16_t transaction = 0;
  uint16_t protocol = 0;
};

Pcb& PortPcb(int port);
extern TcpState ModbusTCP_St;
VcommDriver& PortRow(int port);

// Framing.
void MOD_Init(Link& l, int port, uint16_t slave_id, int data_bits);
void MOD_RxMachine(Link& l, uint16_t c);
void MOD_SendFrame(Link& l);  // prepares and hands the frame in the buffer to the port
void MOD_SendException(Link& l, const uint8_t* source, uint16_t length);
void ExpectedSize(uint8_t function, int16_t& request, int16_t& reply);
uint16_t Crc16(const uint8_t* bytes, int count);
bool TcpOnPort(const Link& l);
void Count(Link& l, Counter c);
// Feeds every waiting character (and frame end) of the port to the receive machine;
// returns how many characters were fed.
int DrainPort(Link& l);

// The time-out counter of 100 ms steps; the master's pass.
void ResetTimeout(Pcb& pcb);
void AdvanceTimeout(Pcb& pcb);
void MasterPass(Pcb& pcb);

// Slave and master handlers, called by the receive machine for a good frame.
void MOD_ReqProcess(Link& l);
void MOD_RspProcess(Link& l);
uint16_t MOD_ReqBuild(Link& l, const ModbusRequest& r);
void ModbusScanSAF(Link& l);

// u16 registers named by the parameter record (null reads 0, writes nothing).
uint16_t Word(const uint8_t* p);
void SetWord(uint8_t* p, uint16_t v);

// Register image places.
uint16_t GetBE(const uint8_t* p);
void PutBE(uint8_t* p, uint16_t v);
// Packs n bits from a register byte's bit position into frame bytes; returns the bytes.
int BitMsgLoad(uint8_t* out, const uint8_t* reg, int bit, int n);
void BitMemLoad(uint8_t* reg, int bit, const uint8_t* in, int n);

}  // namespace mb
