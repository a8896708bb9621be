// The Modbus port service: start and stop, and the slave's pass (unsolicited message,
// store-and-forward, receive, status word). The master's states are modbus_master.cpp.
#include <cstring>

#include "ground/regimage.h"
#include "ground/timebase.h"
#include "messaging/services.h"
#include "modbus_link.h"

namespace mb {
namespace {

Pcb g_pcb[kPorts];
VcommDriver g_no_row;

constexpr uint16_t kStatusTimeout = 1, kStatusReceiveError = 0x80;
constexpr uint16_t kStatusSent = 0x100, kStatusTooLong = 0x200, kStatusBusy = 0x400;
constexpr uint16_t kTicksPer100ms = 1000;
constexpr uint16_t kUnsolicitedMax = 256;

bool InImage(const uint8_t* p, uint32_t n) {
  return p >= plc_reg && p + n <= plc_reg + reg::kImageSize;
}

void SlavePass(Pcb& pcb) {
  Link& l = pcb.link;
  uint8_t* status = pcb.params.status;
  const uint16_t control = Word(pcb.params.control);
  if (!pcb.unsolicited_latch && control != 0) {
    pcb.unsolicited_latch = 1;
    // The message must lie inside the register image as a whole.
    const bool fits = pcb.params.message && InImage(pcb.params.message, control);
    if (control >= kUnsolicitedMax || !fits) {
      SetWord(status, Word(status) | kStatusTooLong);
    } else if (pcb.tx_marker == 0) {
      MOD_SendException(l, pcb.params.message, control);
    } else {
      SetWord(status, Word(status) | kStatusBusy);
    }
  } else if (pcb.unsolicited_latch) {
    if (control == 0) {
      pcb.unsolicited_latch = 0;
      SetWord(status, Word(status) & ~(kStatusSent | kStatusTooLong | kStatusBusy));
    } else if (pcb.tx_marker == 0 && !(Word(status) & (kStatusTooLong | kStatusBusy))) {
      SetWord(status, Word(status) | kStatusSent);
    }
  }
  if (pcb.forward_pending) {
    pcb.forward_pending = 0;
    MOD_SendFrame(l);
  }
  DrainPort(l);
  uint16_t s = Word(status) & uint16_t(~(kStatusTimeout | 0xF0));
  if (pcb.params.timeout) {
    AdvanceTimeout(pcb);
    if (pcb.timeout_count >= pcb.params.timeout) s |= kStatusTimeout;
  }
  if (l.result & kResultBroken) {
    l.result &= uint16_t(~kResultBroken);
    s |= kStatusReceiveError;
  }
  VcommDriver& row = PortRow(l.port);
  const int line = row.status_rx ? row.status_rx(1) : 0;
  s |= uint16_t((line & 7) << 4);
  SetWord(status, s);
}

}  // namespace

Pcb& PortPcb(int port) { return g_pcb[port & 3]; }

VcommDriver& PortRow(int port) { return port >= 0 && port < kPorts ? Vcomm_Drv[port] : g_no_row; }

uint16_t Word(const uint8_t* p) {
  uint16_t v = 0;
  if (p) std::memcpy(&v, p, 2);
  return v;
}
void SetWord(uint8_t* p, uint16_t v) {
  if (p) std::memcpy(p, &v, 2);
}

void ResetTimeout(Pcb& pcb) {
  pcb.timeout_count = 0;
  pcb.timeout_ref = uint16_t(FPGA_GetFrt());
}

void AdvanceTimeout(Pcb& pcb) {
  const uint16_t elapsed = uint16_t(uint16_t(FPGA_GetFrt()) - pcb.timeout_ref);
  if (elapsed < kTicksPer100ms) return;
  const uint16_t steps = elapsed / kTicksPer100ms;
  pcb.timeout_count += steps;
  pcb.timeout_ref = uint16_t(pcb.timeout_ref + steps * kTicksPer100ms);
}

void EndOfSend(Pcb& pcb) {
  VcommDriver& row = PortRow(pcb.link.port);
  if (pcb.tx_marker == 0xFF && (row.count_tx == nullptr || row.count_tx() == 0)) pcb.tx_marker = 0;
}

}  // namespace mb

using namespace mb;

void ModbusInit(int port, const ModbusParams& params) {
  if (port < 0 || port >= kPorts) return;
  Pcb& pcb = g_pcb[port];
  pcb.params = params;
  if (params.slave_id == 0) pcb.trigger_mask = uint16_t(1u << (params.trigger_bit & 15));
  const VcommDriver& row = PortRow(port);
  const bool rtu = row.mode && (row.mode[5] & 0x0F) == 3;
  MOD_Init(pcb.link, port, params.slave_id, rtu ? 8 : 7);
  pcb.service = params.slave_id == 0 ? 1 : 0;
  ResetTimeout(pcb);
  SetWord(params.status, 0);
  pcb.tx_marker = 0;
  pcb.forward_pending = 0;
  pcb.unsolicited_latch = 0;
  pcb.line_error = 0;
}

int ModbusExecute(int port) {
  if (port < 0 || port >= kPorts) return 0;
  Pcb& pcb = g_pcb[port];
  EndOfSend(pcb);
  if (pcb.service == 0) {
    SlavePass(pcb);
    return 1;
  }
  if (pcb.service > 4) return 0;
  MasterPass(pcb);
  return 1;
}

void ModbusStop(int port) {
  if (port >= 0 && port < kPorts) SetWord(g_pcb[port].params.status, 0);
}

void ModbusTickle(int port) {
  if (port < 0 || port >= kPorts) return;
  Pcb& pcb = g_pcb[port];
  ResetTimeout(pcb);
  SetWord(pcb.params.status, Word(pcb.params.status) ^ 8);
}

int ModbusWait(int port, uint32_t max_us) {
  if (port < 0 || port >= kPorts) return 0;
  const Pcb& pcb = g_pcb[port];
  // Work already waiting, or a port whose bytes come through the modem's socket: no sleep.
  if (pcb.forward_pending || IsModemSocketActive(port, 0) == 0) return 0;
  const VcommDriver& row = PortRow(port);
  return row.wait_event ? row.wait_event(max_us) : 0;
}

void MOD_TCPInit(int on, int port) {
  if (!on) {
    ModbusTCP_St.flags &= uint8_t(~1);
    return;
  }
  if (ModbusTCP_St.flags & 1) return;
  ModbusTCP_St.transaction = 1;
  ModbusTCP_St.protocol = 0;
  ModbusTCP_St.flags = uint8_t(1 | (port & 3) << 3);
}

ModbusCounters ModbusPortCounters(int port) {
  const uint16_t* c = g_pcb[port & 3].link.counters;
  return {c[0], c[1], c[2], c[3], c[4]};
}
