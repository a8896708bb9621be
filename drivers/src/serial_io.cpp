// Receiving and sending on a port: the device path, the intercept rings, RTU gap framing
// and the explicit waits.
#include <algorithm>
#include <cstring>

#include "drivers/services.h"
#include "fieldbus/gap_timers.h"
#include "ground/loop.h"
#include "ground/sysservices.h"
#include "ground/timebase.h"
#include "serial_port.h"

namespace serial {
namespace {

constexpr int kEndOfFrame = 255;
constexpr uint8_t kAbortMark = 0xAA;
constexpr uint16_t kRun = 2;
constexpr int kRingKeep = kRing - 1;
constexpr uint32_t kRingBlock = 256;  // most bytes a block call carries into a ring
// The USB gadget needs a short pause after a block; polls bound it when time stands still.
constexpr uint32_t kUsbPauseTicks = 2;
constexpr int kUsbPausePolls = 10000;

void RingPut(Ring& r, uint8_t byte) {
  r.bytes[r.in] = byte;
  r.in = uint16_t((r.in + 1) & (kRing - 1));
}

int RingGet(Ring& r) {
  if (r.Count() == 0) return -1;
  const uint8_t b = r.bytes[r.out];
  r.out = uint16_t((r.out + 1) & (kRing - 1));
  return b;
}

bool RtuBuffered(const Port& p) { return p.Framing() == kFramingRtu && p.traits->kind != Kind::kSci4; }

}  // namespace

void GapExpired(Port& p) {
  if (p.frame == 2) p.frame = 1;
}

int CheckRx(Port& p) {
  if (p.intercept) return p.rx.Count() != 0;
  const bool rtu = p.Framing() == kFramingRtu;
  if (p.traits->kind == Kind::kSci3) {
    // Here an expired gap takes precedence over waiting data. Where the board's driver
    // times the gap, only it knows where the frame ended.
    if (rtu) {
      if (p.kernel_framing && p.device.FrameEnd() > 0) return kEndOfFrame;
      RctISR();
      if (p.frame == 1) {
        p.frame = 0;
        return kEndOfFrame;
      }
    }
    return p.device.HasInput();
  }
  if (p.kernel_framing && p.device.FrameEnd() > 0) return kEndOfFrame;
  if (p.device.HasInput()) return 1;
  if (rtu) {
    RctISR();
    if (p.frame == 1) {
      p.frame = 0;
      return kEndOfFrame;
    }
  }
  return 0;
}

int GetRx(Port& p) {
  // Frame ends reported on the way are passed over; with nothing waiting there is no byte.
  for (;;) {
    const int r = CheckRx(p);
    if (r == 1) break;
    if (r != kEndOfFrame) return 0;
  }
  if (p.intercept) return RingGet(p.rx) & 0xFF;
  const int b = p.device.Read();
  if (b < 0) return 0;
  if (p.Framing() == kFramingRtu && !p.kernel_framing) {
    // The gap is measured from the last byte.
    p.frame = 2;
    RCT_Start(p.timer);
  }
  return b;
}

int CountRx(Port& p) { return p.intercept ? p.rx.Count() : p.device.Available(); }

void FlushRx(Port& p) {
  if (p.intercept) {
    p.rx.Clear();
  } else {
    p.device.FlushInput();
  }
  if (p.traits->kind != Kind::kSci3) p.device.ResetFrame();
}

// A pseudo-terminal hands written bytes to its peer at once: nothing waits on the device.
int CountTx(Port& p) { return p.intercept ? p.tx.Count() : 0; }
int EmptyTx(Port& p) { return CountTx(p) == 0; }

void FlushTx(Port& p) { p.tx.Clear(); }

// A write to a device whose output queue is full loses the bytes (the descriptor does
// not block), so room is reported only when the next byte will be taken.
int CheckTx(Port& p) {
  if (p.intercept) return p.tx.Count() < kRingKeep;
  if (RtuBuffered(p) && p.tx.Count() >= kRingKeep) return 0;
  return p.device.Writable();
}

void PutTx(Port& p, uint8_t byte) {
  if (p.intercept || RtuBuffered(p)) {
    RingPut(p.tx, byte);
  } else {
    p.device.Write(&byte, 1);
  }
}

void PutnTx(Port& p, const uint8_t* bytes, uint32_t count) {
  if (bytes == nullptr || count == 0) return;
  const bool ring = p.intercept || (p.traits->kind == Kind::kSci3 && RtuBuffered(p));
  if (ring) {
    count = (count - 1) % kRingBlock + 1;
    for (uint32_t i = 0; i < count; ++i) RingPut(p.tx, bytes[i]);
    return;
  }
  p.device.Write(bytes, count);
  if (p.traits->kind == Kind::kSci4) {
    const uint32_t start = FPGA_GetFrt();
    for (int i = 0; i < kUsbPausePolls && FPGA_GetFrt() - start < kUsbPauseTicks; ++i) {
    }
  }
}

int PutsTx(Port& p, const char* text) {
  if (text == nullptr) return 0;
  const uint32_t n = uint32_t(std::strlen(text));
  if (p.traits->kind == Kind::kSci4) {
    for (uint32_t i = 0; i < n; ++i) PutTx(p, uint8_t(text[i]));
  } else if (p.traits->kind == Kind::kSci3 && RtuBuffered(p)) {
    for (uint32_t i = 0; i < n; ++i) RingPut(p.tx, uint8_t(text[i]));
  } else {
    p.device.Write(reinterpret_cast<const uint8_t*>(text), n);
  }
  return uint16_t(n);
}

void RtuTx(Port& p) {
  if (!RtuBuffered(p) || p.intercept || p.tx.in == 0) return;
  p.device.Write(p.tx.bytes, p.tx.in);
  p.tx.in = 0;
  p.tx.out = 0;
}

int GetDcd(Port& p) {
  return p.traits->kind == Kind::kSci3 && p.modem_mode == 3 ? p.device.carrier() : 0;
}

void Enable(Port& p, int value) {
  if (p.traits->kind == Kind::kSci3 && p.modem_mode == 3) IoPutDTR(value);
}

void InitWait(Port& p, uint32_t us) {
  RCT_Stop(p.timer);
  p.frame = 2;
  p.timer_mode = 2;
  RCT_Set(p.timer, us, kRctOneShotUs);
  RCT_Start(p.timer);
  RctISR();
}

int IoCtl(Port& p, int command, uint32_t* argument) {
  if (command == 1 || command == 2) {
    if (argument == nullptr) return 0;
    RCT_Stop(p.timer);
    p.timer_mode = 2;
    RCT_Set(p.timer, *argument, kRctOneShotUs);
    RCT_Start(p.timer);
    RctISR();
    return 1;
  }
  if (command == 3) return EmptyTx(p);
  return 0;
}

int WaitRx(Port& p, uint8_t* byte) {
  for (;;) {
    const int r = CheckRx(p);
    if (r == 1) {
      const int b = GetRx(p);
      if (byte) *byte = uint8_t(b);
      p.timer_mode = 1;
      return 1;
    }
    if (r == kEndOfFrame || SYS_RunMode() != kRun) {
      RCT_Stop(p.timer);
      p.armed = false;
      return 0;
    }
    if (!p.armed && p.timer_mode == 1) {
      p.armed = true;
      RCT_Stop(p.timer);
      RCT_Set(p.timer, p.mode[0], kRctBaudTimeout);
      p.frame = 2;
      RCT_Start(p.timer);
    }
    if (byte && *byte == kAbortMark) return 2;
    ExecuteSubLoop_Wait();
  }
}

int WaitEvent(Port& p, uint32_t max_us) {
  // An intercepted port is fed by a local producer between passes: nothing to wait on.
  if (p.intercept || !p.device.is_open()) return p.intercept && p.rx.Count() != 0;
  if (p.device.HasInput()) return 1;
  // The earliest of the frame end the device times and the port's gap timer.
  uint32_t due_us = p.kernel_framing ? p.device.FrameEndDueUs() : UINT32_MAX;
  if (p.frame == 1) due_us = 0;
  const uint32_t ticks = RctTicksToExpiry(p.timer);
  if (ticks != UINT32_MAX) due_us = std::min(due_us, FrtUsUntil(FPGA_GetFrt() + ticks));
  return p.device.WaitInput(due_us < max_us ? due_us : max_us) ? 1 : 0;
}

void SetIntercept(Port& p, int on) {
  if (on) {
    p.rx.Clear();
    p.tx.Clear();
    p.intercept = true;
  } else {
    p.intercept = false;
    p.device.FlushInput();
  }
}

void StuffRx(Port& p, uint8_t byte) {
  if (p.rx.Count() < kRingKeep) RingPut(p.rx, byte);
}

int DrainTx(Port& p, uint8_t* byte) {
  const int b = RingGet(p.tx);
  if (b < 0) return 0;
  if (byte) *byte = uint8_t(b);
  return 1;
}

}  // namespace serial
