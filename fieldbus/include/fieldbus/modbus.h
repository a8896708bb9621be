#pragma once
// Serial Modbus on ports 0..3: slave or master, RTU or ASCII framing (chosen by the
// port's framing code: 3 RTU, anything else ASCII), and the MBAP framing of a TCP byte
// stream carried by a port. Nothing runs by itself: the logic's Modbus blocks call
// ModbusInit on their enable edge and ModbusExecute once per scan.
//
// Main thread only (the PLC scan). Pointers in the parameter record point into the
// register image (u16 registers in native order, at any byte offset); the caller keeps
// them valid while the port runs.

#include <cstdint>

// What a caller hands to ModbusInit; copied whole.
struct ModbusParams {
  uint16_t slave_id = 0;       // 0: this port is a master; 1..65535: a slave with that id
  uint16_t timeout = 0;        // 100 ms units, 0 none (master: answer; slave: no-request alarm)
  uint8_t* control = nullptr;  // u16 register: master trigger word; slave: unsolicited length
  uint8_t* message = nullptr;  // slave: unsolicited bytes; master: the 12-byte request record
  uint8_t* status = nullptr;   // u16 register where the port service reports
  uint8_t trigger_bit = 0;     // master: bit of the control word that triggers a request
  uint16_t extensions = 0;     // extension operands given (write inhibit only from 3)
  uint16_t forward_pairs = 0;  // store-and-forward entries
  const uint16_t* forward = nullptr;  // entries: high byte address A, low byte address B
  uint32_t write_inhibit = 0;  // register token of the write-inhibit bit, 0 none
  uint32_t reserved = 0;
};

// The master's request record (12 bytes, little-endian words as in the register image).
struct ModbusRequest {
  uint16_t slave;     // 0..247, 0 the broadcast form
  uint16_t function;  // 1-8, 15, 16, 65
  uint16_t start;     // Modbus address (function 8: sub-function)
  uint16_t count;
  uint16_t type;      // local register type code
  uint16_t index;     // first local element from 0 (bits: bit index)
};
static_assert(sizeof(ModbusRequest) == 12);

// Master status values beside the build errors' e | 2.
inline constexpr uint16_t kModbusGood = 1;
inline constexpr uint16_t kModbusTimeout = 0x102;
inline constexpr uint16_t kModbusLineError = 0x202;
inline constexpr uint16_t kModbusBroken = 0x402;
inline constexpr uint16_t kModbusBadAnswer = 0x802;

void ModbusInit(int port, const ModbusParams& params);
// One pass of the port service; 1 (0 for a port outside 0..3).
int ModbusExecute(int port);
// For a caller with nothing else to do between passes: sleeps until the port has work for
// the next ModbusExecute (a byte came, the frame's gap or the port's timer is due) or
// max_us passed, so that a frame is answered at its gap rather than at the next poll.
// 1 when a byte waits.
int ModbusWait(int port, uint32_t max_us);
void ModbusStop(int port);
void ModbusTickle(int port);
// Switches MBAP framing on (for the port) or off.
void MOD_TCPInit(int on, int port);

// The diagnostics counters of a port, in order: bus messages, slave messages, bus
// communication errors, bus exception errors, slave no-response.
struct ModbusCounters {
  uint16_t bus_messages, slave_messages, comm_errors, exception_errors, no_response;
};
ModbusCounters ModbusPortCounters(int port);
