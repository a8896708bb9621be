#pragma once
// The talk records of serial ports 0..3, shared by the serial blocks.
#include <cstdint>

namespace talk {

inline constexpr int kPorts = 4;

struct Record {
  uint32_t open_owner = 0;   // stream position of the open block that owns the port, 0 none
  uint8_t open_enable = 0;
  uint32_t close_block = 0;
  uint8_t close_enable = 0;
  uint8_t master_enable = 0;
  uint8_t slave_enable = 0;
  uint8_t modbus_running = 0;
  uint8_t running_role = 0;  // 1 master, 2 slave
  // Enable states of modem functions 0, 1 and 2, then the modem-initialised flag.
  uint8_t modem[4] = {};
};

extern uint8_t TalkOverride[kPorts];
extern Record Talk[kPorts];
// Set at a program start that kept the programming port's modem connection; the first
// scan leaves the modem block's status alone.
extern uint8_t TalkModemProtect;

bool FirstScan();
uint8_t Framing(int port);
// A port a message or modem block may use: opened by an open block (any framing but the
// plain stream), or taken over by another user (framing 2 or above).
bool UserFraming(int port);

}  // namespace talk
