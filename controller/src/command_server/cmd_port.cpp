// The programming serial port as the command server handles it: its mode (Cmd_PortInit,
// the default programming mode), a temporary baud rate (commands 26 and 27), the frame
// size negotiation (35) and the hand-over of the link to the IEC debugger (38).
#include <cstring>

#include "cmd_server.h"
#include "drivers/services.h"
#include "iec_runtime/services.h"
#include "ground/cmdhost.h"
#include "controller/cmdserver.h"
#include "ground/gentimers.h"
#include "ground/regimage.h"
#include "ground/sysservices.h"
#include "ground/timebase.h"
#include "platform/trace.h"

namespace {

// The programming port's default mode record: 9600 baud, no parity, 8 data bits, 1 stop
// bit, no handshake, framing 1 (the programming protocol).
constexpr uint8_t kProgrammingMode[6] = {5, 0, 3, 0, 0, kFramingProgramming};
constexpr uint8_t kFramingIecDebug = 6;
// How long a baud change waits for the acknowledge to leave the port.
constexpr uint32_t kDrainTicks = 2000;  // 200 ms
constexpr int kDrainPolls = 1'000'000;

void WaitTransmitterEmpty(const VcommDriver& row) {
  if (row.empty_tx == nullptr) return;
  const uint32_t start = FPGA_GetFrt();
  for (int i = 0; i < kDrainPolls && !row.empty_tx(); ++i) {
    if (uint32_t(FPGA_GetFrt() - start) >= kDrainTicks) break;
  }
}

}  // namespace

void CmdOpenProgrammingPort(const uint8_t* mode) {
  VcommDriver* row = CmdProgrammingRow();
  if (row && row->open) row->open(mode ? mode : kProgrammingMode);
}

void Cmd_PortInit(uint8_t mode) {
  plat::TraceCall("Cmd_PortInit", mode);
  if (mode == 0) {
    SYS_WarmReset();
  } else if (mode == 1) {
    CmdOpenProgrammingPort(nullptr);
  }
}

void get_baud_rate() {
  const VcommDriver* row = CmdProgrammingRow();
  if (row == nullptr || row->mode == nullptr) {
    cmdio::putbyte(kRefused);
  } else {
    const uint8_t baud = row->mode[0];
    put_packet(kDataFrame, 1, &baud);
  }
  CmdDone();
}

void set_baud_rate() {
  cmdio::putbyte(kAck);
  CmdDone();
  VcommDriver* row = CmdProgrammingRow();
  if (CmdHost == kHostUsb || row == nullptr || row->mode == nullptr) return;
  WaitTransmitterEmpty(*row);
  uint8_t mode[6];
  std::memcpy(mode, row->mode, sizeof mode);
  mode[0] = uint8_t(CmdField(1, 1));
  if (row->open) row->open(mode);
  // The baud timer brings the default back unless the port now runs it anyway.
  const bool other_framing = (row->mode[5] & kFramingMask) != (kProgrammingMode[5] & kFramingMask);
  if (other_framing || mode[0] == kProgrammingMode[0]) {
    Timer_Stop(CmdBaudTimer);
  } else {
    Timer_Start(CmdBaudTimer, CmdLockTimeout(kBaudHoldMs));
  }
}

void cmd_negotiation() {
  const uint32_t maximum = CmdField(1, 2);
  if (CmdHost != kHostSerial || maximum < kCmdDataMaxDefault || maximum > kCmdDataStore) {
    cmdio::putbyte(kRefused);
  } else {
    CmdDataMax = uint16_t(maximum);
    CmdLongForm = maximum != kCmdDataMaxDefault;
    cmdio::putbyte(kAck);
  }
  CmdDone();
}

void n4_debug_switch() {
  cmdio::putbyte(kAck);
  CmdDone();
  if (CmdHost == kHostSerial || CmdHost == kHostUsb) {
    Timer_Stop(CmdBaudTimer);
    VcommDriver* row = CmdProgrammingRow();
    if (CmdHost == kHostSerial && row && row->mode) row->mode[5] = uint8_t((row->mode[5] & ~kFramingMask) | kFramingIecDebug);
    N4_Connect_Serial();
  } else if (CmdHost == kHostEthernet) {
    N4_Connect_Ethernet();
  }
}
