// Commands on registers and data: read (22) and write (24) registers by token, the I/O
// calibration service (23), and the global data of a network (11, 12).
#include <algorithm>
#include <cstring>

#include "cmd_handlers.h"
#include "cmd_server.h"
#include "drivers/services.h"
#include "iec_runtime/services.h"
#include "ground/cmdproto.h"
#include "ground/regaccess.h"
#include "ground/regimage.h"
#include "controller/retentive.h"

namespace {

// Escapes of the u16 token field: the token follows as a u16 of a higher window, or in
// full as a u32.
constexpr uint32_t kEscape1 = 1776;
constexpr uint32_t kEscape2 = 1777;
constexpr uint32_t kEscapeFull = 0;
constexpr uint32_t kIecRetain = reg::kTokIecFirst;  // the IEC retain backup
constexpr uint32_t kTokMode = reg::SrToken(5);
constexpr uint32_t kTokPortMode = reg::SrToken(34);
constexpr uint32_t kTokCanBaud = reg::SrToken(30);

struct Address {
  uint32_t token;
  std::size_t value_at;  // where a write's value starts in the request
};

Address DecodeToken() {
  const uint32_t field = CmdField(2, 2);
  if (field == kEscape1) return {0x10000 + CmdField(4, 2), 6};
  if (field == kEscape2) return {0x20000 + CmdField(4, 2), 6};
  if (field == kEscapeFull) return {CmdField(4, 4), 8};
  return {field, 4};
}

bool IecRetainToken(uint32_t token) {
  return token == kIecRetain && OrvanelRuntime && orvanel_variables_enumerateded;
}

}  // namespace

void get_plc_reg() {
  const uint32_t bits = CmdField(1, 1);
  const Address a = DecodeToken();
  if (IecRetainToken(a.token)) {
    cmdio::putbyte(kAck);
    n4_reg_store_backup();
  } else {
    uint8_t value[32] = {};  // 255 bits at most
    if (PlcReg_Ptr(a.token, bits) == nullptr || !PlcReg_Get(value, a.token, bits)) {
      cmdio::putbyte(kNak);
    } else {
      const uint16_t n = bits == 1 ? 1 : uint16_t(bits / 8);
      // During online programming the tool reads the mode as 3.
      if (a.token == kTokMode && OLPMode && n >= 2) {
        value[0] = kOnlineProgramming;
        value[1] = 0;
      }
      put_packet(kDataFrame, n, value);
    }
  }
  CmdDone();
}

void set_plc_reg() {
  const uint32_t bits = CmdField(1, 1);
  const Address a = DecodeToken();
  const std::size_t n = (bits + 7) / 8;  // the whole width the register write takes
  if (IecRetainToken(a.token)) {
    CmdAck();
    n4_reg_load_backup();
  } else if (bits != 0 && a.value_at + n > CmdStored()) {
    cmdio::putbyte(kRefused);  // the request does not carry the value it writes
  } else if (bits == 0) {
    PlcRegClear();
    CmdAck();
  } else {
    // These two writes may re-open the port or the network: acknowledge first.
    const bool ack_first = a.token == kTokPortMode || a.token == kTokCanBaud;
    if (ack_first) CmdAck();
    const int written = PlcReg_Set(a.token, CmdPacket.data + a.value_at, bits);
    if (!ack_first) {
      if (written) {
        CmdAck();
      } else if (!CmdGlobal) {
        cmdio::putbyte(kRefused);
      }
    }
  }
  CmdDone();
}

void cal_module() {
  // The calibration request as the I/O service takes it: a length byte, then the bytes
  // after the node id; it rewrites the buffer with its reply.
  static uint8_t buffer[256];
  const std::size_t length = CmdStored() > 0 ? CmdStored() - 1 : 0;
  if (length > 255 || !CmdWhole()) {
    cmdio::putbyte(kRefused);
    CmdDone();
    return;
  }
  std::memset(buffer, 0, sizeof buffer);
  buffer[0] = uint8_t(length);
  std::copy_n(CmdPacket.data + 1, length, buffer + 1);
  IoCal(buffer);
  put_packet(kDataFrame, buffer[0], buffer + 1);
  CmdDone();
}

// The panel offers no global data: nothing would be sent but whatever a data pointer
// that no part of the panel sets pointed at.
void get_global_data() {
  cmdio::putbyte(kRefused);
  CmdDone();
}

void set_global_data() { do_default(); }
