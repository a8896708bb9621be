#pragma once
// One serial port: the state and operations the five drivers share. Which port it is
// (device, row, line work of Open) comes from its PortTraits.
#include <cstdint>

#include "drivers/serial.h"
#include "fieldbus/gap_timers.h"
#include "platform/serial_pty.h"

namespace serial {

enum class Kind : uint8_t { kSci0, kSci1, kSci2, kSci3, kSci4 };

struct PortTraits {
  Kind kind;
  const char* device;
  const uint8_t* default_mode;
};

inline constexpr int kRing = 2048;

struct Ring {
  uint8_t bytes[kRing];
  uint16_t in = 0, out = 0;
  int Count() const { return (in - out) & (kRing - 1); }
  void Clear() { in = out = 0; }
};

struct Port {
  const PortTraits* traits = nullptr;
  plat::PtyPort device;
  uint8_t mode[6] = {};
  Ring rx, tx;
  bool intercept = false;
  uint8_t status = 0;
  int timer = 0;           // gap timer handle, 0 none
  uint8_t timer_mode = 0;  // 0 none, 1 RTU gap, 2 explicit one-shot
  volatile uint8_t frame = 0;  // 0 idle, 2 timing, 1 gap expired
  bool kernel_framing = false;
  bool armed = false;
  int number = -1;
  uint8_t modem_mode = 0;
  void (*on_gap)() = nullptr;  // the gap timer's callback for this port  // port 2: 3 while a modem protocol owns the lines

  uint8_t Framing() const { return mode[5] & 0x0F; }
  uint8_t Protocol() const { return mode[5] >> 4; }
};

// The five ports, by driver: index 0..4 = SCI0_ .. SCI4_.
inline constexpr int kDrivers = 5;
Port& DriverPort(int driver);

// The operations, taking the port.
int Open(Port& p, const uint8_t* mode);
int CheckRx(Port& p);
int GetRx(Port& p);
int CountRx(Port& p);
void FlushRx(Port& p);
int EmptyTx(Port& p);
int CountTx(Port& p);
int CheckTx(Port& p);
void FlushTx(Port& p);
void PutTx(Port& p, uint8_t byte);
void PutnTx(Port& p, const uint8_t* bytes, uint32_t count);
int PutsTx(Port& p, const char* text);
void RtuTx(Port& p);
int GetDcd(Port& p);
void Enable(Port& p, int value);
void InitWait(Port& p, uint32_t us);
int WaitRx(Port& p, uint8_t* byte);
int WaitEvent(Port& p, uint32_t max_us);
int IoCtl(Port& p, int command, uint32_t* argument);
void SetIntercept(Port& p, int on);
void StuffRx(Port& p, uint8_t byte);
int DrainTx(Port& p, uint8_t* byte);
void GapExpired(Port& p);

// Opens the device, stores the default record and applies it; 1 when Open applied it.
int InitPort(int driver, int number);

}  // namespace serial
