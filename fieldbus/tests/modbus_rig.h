#pragma once
// A unit port running serial Modbus against a peer at the far end of its pseudo-terminal.
// Frames go through the real port driver; time is the test clock, so a frame ends when
// the test lets the gap pass.
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include "drivers/serial.h"
#include "fieldbus/gap_timers.h"
#include "fieldbus/modbus.h"
#include "ground/regimage.h"
#include "platform/clock.h"
#include "testsupport/read_available.h"
#include "testsupport/temp_root.h"

namespace mbt {

using Bytes = std::vector<uint8_t>;

inline uint16_t Crc(const Bytes& b) {
  uint16_t crc = 0xFFFF;
  for (uint8_t x : b) {
    crc ^= x;
    for (int i = 0; i < 8; ++i) crc = (crc & 1) ? uint16_t((crc >> 1) ^ 0xA001) : uint16_t(crc >> 1);
  }
  return crc;
}
inline Bytes WithCrc(Bytes b) {
  const uint16_t c = Crc(b);
  b.push_back(uint8_t(c));
  b.push_back(uint8_t(c >> 8));
  return b;
}

inline uint8_t* RWord(int n) { return plc_reg + reg::kOffR + 2 * (n - 1); }
inline uint16_t R(int n) {
  uint16_t v;
  std::memcpy(&v, RWord(n), 2);
  return v;
}
inline void SetR(int n, uint16_t v) { std::memcpy(RWord(n), &v, 2); }

class Rig {
 public:
  // framing 3 for RTU, 2 for ASCII (7 data bits); slave id 0 makes a master.
  explicit Rig(uint16_t slave_id = 1, uint8_t framing = 3, bool test_clock = true) {
    if (test_clock) clock_ = std::make_unique<plat::ScopedTestClock>();
    RCT_Init();
    ProgrammingPort = 1;
    SCI2_Init(0);
    const uint8_t mode[6] = {9, 0, uint8_t(framing == 3 ? 3 : 2), 0, 0, uint8_t(0x30 | framing)};
    Vcomm_Drv[0].open(mode);
    peer_ = ::open(root_.Host("/dev/ttySP0").c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    termios t{};
    ::tcgetattr(peer_, &t);
    ::cfmakeraw(&t);
    ::tcsetattr(peer_, TCSANOW, &t);
    params.slave_id = slave_id;
    params.status = RWord(1000);
    params.control = RWord(1001);
    params.message = RWord(1010);
    SetR(1000, 0);
    SetR(1001, 0);
    ModbusInit(0, params);
  }
  ~Rig() {
    ::close(peer_);
    RCT_Init();
  }
  std::string link() const { return root_.Host("/dev/ttySP0"); }

  void Send(const Bytes& b) { ::write(peer_, b.data(), b.size()); }
  // Runs passes until the unit has taken count bytes, lets the gap pass, runs the pass
  // that handles the frame, and returns what the peer received.
  Bytes Exchange(const Bytes& frame) {
    Send(frame);
    Pump(int(frame.size()));
    return Receive();
  }
  void Pump(int bytes) {
    for (int i = 0; i < 5000 && Vcomm_Drv[0].count_rx() < bytes; ++i) ::usleep(100);
    ModbusExecute(0);
    if (clock_) (*clock_)->AdvanceTicks(300);
    ModbusExecute(0);
  }
  Bytes Receive(int wait_ms = 20) { return ts::ReadAvailable(peer_, wait_ms); }
  uint16_t status() const { return R(1000); }
  plat::TestClock& clock() { return **clock_; }

  ModbusParams params;

 private:
  ts::TempRoot root_;
  std::unique_ptr<plat::ScopedTestClock> clock_;
  int peer_ = -1;
};

}  // namespace mbt
