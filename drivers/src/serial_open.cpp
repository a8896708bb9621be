// Open: a port takes a new mode record. The framing-change matrix decides whether the
// change is allowed; the record's line settings become a termios for the device, and RTU
// framing gets its gap timing (from the board's tty driver on newer kernels, from a
// receive-gap timer otherwise).
#include <cstring>
#include <termios.h>

#include "drivers/services.h"
#include "fieldbus/gap_timers.h"
#include "ground/regimage.h"
#include "ground/version.h"
#include "platform/trace.h"
#include "serial_port.h"

namespace serial {
namespace {

// serial_open_check: current framing x 5 + new framing; 0 refuses. Framing 0 is left for
// good once another is set; every framing may return to the programming protocol.
constexpr uint8_t kOpenCheck[25] = {
    1, 1, 1, 1, 1,  //
    0, 1, 1, 1, 1,  //
    0, 1, 1, 0, 0,  //
    0, 1, 0, 1, 0,  //
    0, 1, 0, 0, 1,  //
};
static_assert(sizeof kOpenCheck == 25);

constexpr speed_t kBaud[] = {B300, B600, B1200, B2400, B4800, B9600, B19200, B38400, B57600, B115200};

constexpr int kKernelFramingAbove = 3544;
constexpr uint8_t kProtocolProgramming = 1;

bool ChangeAllowed(uint8_t current, uint8_t next) {
  if (next > 4) return false;
  // A framing outside the matrix (the IEC runtime's own protocol) may still go back to
  // the programming protocol.
  if (current > 4) return next == kFramingProgram;
  return kOpenCheck[current * 5 + next] != 0;
}

// Builds the line from the record; false when a code is invalid (the valid fields stay).
bool BuildLine(const uint8_t* mode, Kind kind, termios& t) {
  bool ok = true;
  std::memset(&t, 0, sizeof t);
  if (mode[0] < std::size(kBaud)) {
    cfsetispeed(&t, kBaud[mode[0]]);
    cfsetospeed(&t, kBaud[mode[0]]);
  } else {
    ok = false;
  }
  switch (mode[1]) {
    case 0: t.c_iflag |= IGNPAR; break;
    case 1: t.c_cflag |= PARENB | PARODD; break;
    case 2: t.c_cflag |= PARENB; break;
    default: ok = false;
  }
  switch (mode[2]) {
    case 2: t.c_cflag |= CS7; break;
    case 3: t.c_cflag |= CS8; break;
    default: ok = false;
  }
  switch (mode[3]) {
    case 0: break;
    case 1: t.c_cflag |= CSTOPB; break;
    default: ok = false;
  }
  if (mode[4] > 5) {
    ok = false;
  } else if (mode[4] == 1) {
    t.c_iflag |= IXON | IXOFF;
  } else if (mode[4] == 2 && (kind == Kind::kSci2 || kind == Kind::kSci3 || kind == Kind::kSci4)) {
    t.c_cflag |= CRTSCTS;
  }
  t.c_cflag |= CLOCAL | CREAD;
  t.c_oflag &= ~OPOST;
  t.c_lflag &= ~(ISIG | ICANON | ECHO | ECHOE);
  t.c_lflag |= NOFLSH;
  t.c_cc[VMIN] = 1;
  t.c_cc[VTIME] = 0;
  return ok;
}

// The MJ3 chain bit: output bit 4 of GPIO shift chain 0.
void ChainBit(bool on) {
  if (on) {
    Ssp2_Xch(4, 0, 0);
  } else {
    Ssp2_Xch(0, 4, 0);
  }
}

// The line work around the handshake code that differs between ports.
void PortLines(Port& p, bool applied) {
  const uint8_t hs = p.mode[4];
  switch (p.traits->kind) {
    case Kind::kSci0:
      plat::TraceCall("SerialFifoOff", p.number);
      if (hs == 2) p.device.SetModemLines(0, plat::kLineRts);
      break;
    case Kind::kSci1: {
      if (!applied) break;
      bool chain = false;
      if (hs == 0) {
        if (p.Protocol() == kProtocolProgramming) {
          p.device.SetModemLines(0, plat::kLineRts);
          chain = true;
        }
      } else if (hs == 2) {
        p.device.SetModemLines(0, plat::kLineRts);
      } else if (hs == 3) {
        p.device.SetModemLines(0, plat::kLineRts);
        chain = true;
      } else if (hs == 4) {
        plat::TraceCall("SerialFifoOff", p.number);
        chain = true;
      }
      ChainBit(chain);
      break;
    }
    case Kind::kSci3: {
      const uint8_t proto = p.Protocol();
      if (proto >= 2 && proto <= 9) {
        p.modem_mode = 3;
        if (proto != 5) p.device.SetModemLines(plat::kLineRts, 0);
      } else {
        p.modem_mode = 0;
      }
      break;
    }
    case Kind::kSci2:
    case Kind::kSci4: break;
  }
}

}  // namespace

int Open(Port& p, const uint8_t* mode) {
  if (mode == nullptr || !ChangeAllowed(p.Framing(), mode[5] & 0x0F)) return 0;
  int result = 1;
  if (p.device.is_open() && (mode[5] >> 4) == kProtocolProgramming) {
    // Stop receiving at once, before the line changes under the new owner.
    termios quiet = p.device.line();
    quiet.c_cflag &= ~CREAD;
    if (!p.device.ApplyLine(quiet)) result = 0;
  }
  std::memcpy(p.mode, mode, sizeof p.mode);
  if (p.traits->kind != Kind::kSci4 && p.number == ProgrammingPort) SrSet(34, p.Framing());
  if (p.traits->kind == Kind::kSci3 && (p.Protocol() == 3 || p.Protocol() == 7) && p.Framing() != 0) {
    // The option board runs its serial-to-Ethernet link at 115200 unless set otherwise.
    p.mode[0] = 9;
  }
  if (p.traits->kind == Kind::kSci2 || p.traits->kind == Kind::kSci1) p.device.SetModemLines(plat::kLineRts, 0);
  termios t;
  if (!BuildLine(p.mode, p.traits->kind, t)) result = 0;
  const bool applied = p.device.ApplyLine(t);
  if (!applied) result = 0;
  p.device.RecordMode(p.mode);
  p.device.FlushInput();
  PortLines(p, applied);
  p.rx.Clear();
  p.tx.Clear();
  p.frame = 0;
  p.status = 0;
  if (p.timer) RCT_Release(p.timer);
  p.timer = 0;
  p.kernel_framing = false;
  p.device.SetFrameGap(0);
  if (p.Framing() != kFramingRtu) {
    p.timer_mode = 0;
    return result;
  }
  if (KernelBuildNumber() > kKernelFramingAbove) {
    const uint32_t gap = SerialGapUs(p.mode[0]);
    // A port without a protocol owner, or on handshake 3, waits nine characters.
    const bool long_gap = p.Protocol() == 0 || p.mode[4] == 3;
    p.kernel_framing = true;
    p.device.SetFrameGap(long_gap ? 90 * (gap / 35) : gap);
    p.device.ResetFrame();
  }
  p.timer = RCT_Allocate(p.on_gap);
  RCT_Stop(p.timer);
  RCT_Set(p.timer, p.mode[0], kRctBaudTimeout);
  p.timer_mode = 1;
  return result;
}

}  // namespace serial

uint32_t SerialGapUs(uint8_t baud_index) {
  // 3.5 characters of 10 bits at each baud index.
  constexpr uint32_t kGap[] = {116666, 58333, 29166, 14583, 7291, 3645, 1822, 911, 607, 303};
  return baud_index < std::size(kGap) ? kGap[baud_index] : 0;
}
