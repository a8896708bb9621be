// The ladder's serial blocks: open a port in the program's own mode, give it back, and
// run Modbus on it.
#include <cstring>

#include "drivers/serial.h"
#include "fieldbus/modbus.h"
#include "fieldbus/services.h"
#include "fieldbus/talk.h"
#include "ground/cmdproto.h"
#include "ground/regaccess.h"
#include "ground/sysservices.h"
#include "talk_operands.h"
#include "talk_state.h"

using namespace talk;

namespace {

constexpr uint16_t kRegisterSetup = 0x4000, kIndirectSetup = 0x6000, kSetupMask = 0x6000;
constexpr uint16_t kModbusTcp = 0x8000;
constexpr uint16_t kExtensionMark = 1023;
constexpr uint8_t kLockComm = 2;

bool ProgrammingHostHolds(int port, uint8_t lock_bits) {
  return port == ProgrammingPort && (Vcomm_Lock & lock_bits) && Vcomm_Host == 0;
}

uint32_t Identity(uint32_t start) { return start + 1; }

// The 8 set-up registers of a register-form open block, checked; false when one is out of
// range.
bool ReadSetup(BlockCursor& c, uint16_t port_word, int& port, uint8_t mode[6]) {
  const uint32_t token = Token(c);
  uint8_t* base = WordAt(c, token);
  if (base == nullptr) return false;
  if ((port_word & kSetupMask) == kIndirectSetup) {
    base = WordAt(c, (token & ~15u) + 16u * (Read16(base) / 2), 8);
  } else {
    base = WordAt(c, token, 8);
  }
  if (base == nullptr) return false;
  uint16_t s[8];
  for (int i = 0; i < 8; ++i) s[i] = Read16(base + 2 * i);
  constexpr uint16_t kLimit[8] = {3, 12, 4, 3, 1, 5, 4, 13};
  for (int i = 0; i < 8; ++i)
    if (s[i] > kLimit[i]) return false;
  port = s[0];
  const uint8_t m[6] = {uint8_t(s[1]), uint8_t(s[3]), uint8_t(s[2]), uint8_t(s[4]), uint8_t(s[5]),
                        uint8_t(s[7] << 4 | s[6])};
  std::memcpy(mode, m, 6);
  return true;
}

}  // namespace

int TalkOpen(BlockCursor& c, int power) {
  const uint32_t me = Identity(c.ip);
  const uint16_t port_word = c.Next();
  int port = port_word & 0xFF;
  uint8_t mode[6] = {};
  bool setup_ok = true;
  if ((port_word & kSetupMask) == kRegisterSetup || (port_word & kSetupMask) == kIndirectSetup) {
    setup_ok = ReadSetup(c, port_word, port, mode);
  } else {
    for (int i = 0; i < 3; ++i) {
      const uint16_t w = c.Next();
      mode[2 * i] = uint8_t(w);
      mode[2 * i + 1] = uint8_t(w >> 8);
    }
  }
  if (c.overrun || !setup_ok || port < 0 || port >= kPorts || TalkOverride[port]) return 0;
  Record& r = Talk[port];
  if (FirstScan()) r.open_enable = 0;
  if (ProgrammingHostHolds(port, kLockComm) || (r.open_owner != 0 && r.open_owner != me)) return 0;
  const uint8_t wanted = mode[5] & 0x0F;
  const bool on = power != 0;
  if (on == bool(r.open_enable)) return on && Framing(port) == wanted;
  r.open_enable = on;
  if (!on) {
    r.open_owner = 0;
    Cmd_Override = 0;
    return 0;
  }
  if (port == 0 && (port_word & kModbusTcp) && (mode[5] >> 4) == 3) MOD_TCPInit(1, port);
  if (Vcomm_Drv[port].open) Vcomm_Drv[port].open(mode);
  r.open_owner = me;
  if (wanted == kFramingProgram) Cmd_Override = 1;
  const bool opened = Framing(port) == wanted;
  if (opened) TalkOpenedStandIn[port] = 1;
  return opened;
}

int TalkClose(BlockCursor& c, int power) {
  const uint32_t me = Identity(c.ip);
  const int port = c.Next() & 0xFF;
  if (c.overrun || port >= kPorts || TalkOverride[port]) return 0;
  Record& r = Talk[port];
  if (FirstScan()) r.close_enable = 0;
  if (ProgrammingHostHolds(port, 0xFF) || r.open_owner != 0) return 0;
  const bool on = power != 0;
  if (on == bool(r.close_enable)) return on && !Cmd_Override && Framing(port) <= kFramingProgram;
  r.close_enable = on;
  if (!on) {
    r.close_block = 0;
    return 0;
  }
  // Only port 0 carries Modbus TCP: closing another port leaves its framing alone.
  if (port == 0) MOD_TCPInit(0, port);
  if (Vcomm_Drv[port].open) Vcomm_Drv[port].open(velan_mode);
  r.close_block = me;
  Cmd_Override = 0;
  const bool back = Framing(port) <= kFramingProgram;
  if (back) TalkOpenedStandIn[port] = 0;
  return back;
}

int IEC_TalkModbus(BlockCursor& c, int power) {
  const int port = c.Next() & 0xFF;
  const Value slave = ValueOperand(c);
  const Value timeout = ValueOperand(c);
  ModbusParams p;
  const bool master = slave.token == 0 && slave.value == 0;
  static uint8_t constant_control[kPorts][2];
  const uint32_t control = Token(c);
  const uint32_t message = Token(c);
  const uint32_t status = Token(c);
  if (c.Peek() == kExtensionMark) {
    c.Next();
    p.extensions = c.Next();
    p.forward_pairs = c.Next();
    c.Next();
    const uint32_t table = Token(c);
    if (table != 0) {
      uint8_t* t = table >= kFirstToken ? WordAt(c, table, p.forward_pairs ? p.forward_pairs : 1) : nullptr;
      if (t == nullptr) c.bad_operand = true;
      p.forward = reinterpret_cast<const uint16_t*>(t);
    }
    if (p.extensions >= 3) {
      p.write_inhibit = Token(c);
      if (p.write_inhibit < kFirstToken) c.bad_operand = true;
    }
  }
  if (c.overrun || c.bad_operand || port >= kPorts || TalkOverride[port]) return 0;
  p.slave_id = slave.value;
  p.timeout = timeout.value;
  if (control < kFirstToken) {
    std::memcpy(constant_control[port], &control, 2);
    p.control = constant_control[port];
  } else {
    p.control = WordAt(c, control);
    if (master) p.trigger_bit = uint8_t(control & 15);
  }
  // The message area must hold the master's request record; the slave's unsolicited
  // message is bounded by the port service.
  p.message = WordAt(c, message, master ? 6 : 1);
  p.status = WordAt(c, status);
  if (c.bad_operand) return 0;
  Record& r = Talk[port];
  if (Framing(port) <= 2) {
    r.master_enable = r.slave_enable = r.modbus_running = 0;
    return 0;
  }
  if (!master && slave.value == 0) return 0;  // a slave id register holding 0
  uint8_t& enable = master ? r.master_enable : r.slave_enable;
  const uint8_t role = master ? 1 : 2;
  const bool on = power != 0;
  if (on != bool(enable)) {
    if (!on) {
      enable = 0;
      if (r.modbus_running && r.running_role == role) {
        ModbusStop(port);
        r.modbus_running = 0;
      }
      return 0;
    }
    if (r.modbus_running && r.running_role != role) return 0;
    ModbusInit(port, p);
    enable = 1;
    r.modbus_running = 1;
    r.running_role = role;
  }
  if (!on) return 0;
  return ModbusExecute(port);
}

int TalkModbus(BlockCursor& c, int power) { return IEC_TalkModbus(c, power); }
