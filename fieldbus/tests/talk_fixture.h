#pragma once
// Port 0 of the unit (its pseudo-terminal, with a raw peer descriptor at the far end) and
// a ladder program whose serial blocks run on it, scan by scan.
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "drivers/serial.h"
#include "fieldbus/gap_timers.h"
#include "fieldbus/services.h"
#include "ground/cmdproto.h"
#include "ground/regimage.h"
#include "ground/sysservices.h"
#include "platform/trace.h"
#include "testsupport/ladder_program.h"
#include "testsupport/read_available.h"
#include "testsupport/temp_root.h"

namespace tt {

using Bytes = std::vector<uint8_t>;

inline uint8_t* RWord(int n) { return plc_reg + reg::kOffR + 2 * (n - 1); }
inline uint16_t R(int n) {
  uint16_t v;
  std::memcpy(&v, RWord(n), 2);
  return v;
}
inline void SetR(int n, uint16_t v) { std::memcpy(RWord(n), &v, 2); }

class TalkPort : public ::testing::Test {
 protected:
  void SetUp() override {
    std::memset(plc_reg, 0, reg::kImageSize);
    RCT_Init();
    ProgrammingPort = 1;
    SCI2_Init(0);
    peer_ = ::open(root_.Host("/dev/ttySP0").c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    termios t{};
    ::tcgetattr(peer_, &t);
    ::cfmakeraw(&t);
    ::tcsetattr(peer_, TCSANOW, &t);
    Vcomm_Lock = 0;
    Cmd_Override = 0;
    TalkInit();
    for (int p = 0; p < 4; ++p) Talk_Release(p);
    plat::TraceClear();
    plat::TraceEnable(true);
  }
  void TearDown() override {
    plat::TraceEnable(false);
    if (Vcomm_Drv[0].set_intercept) Vcomm_Drv[0].set_intercept(0);
    ::close(peer_);
    TalkInit();
    Cmd_Override = 0;
    ProgrammingPort = 0;
    RCT_Init();
  }

  void Load(const std::string& text, ts::OperandForm form = ts::OperandForm::k16) {
    prog_ = ts::LadderProgram(form);
    prog_.Load(text);
  }
  int32_t Scan() {
    const int32_t r = prog_.Scan();
    plc_reg[reg::kOffS] &= uint8_t(~1);  // the first scan is over
    return r;
  }
  static void Set(int i, bool on) {
    uint8_t& b = plc_reg[reg::kOffI + (i - 1) / 8];
    b = uint8_t(on ? b | (1 << ((i - 1) % 8)) : b & ~(1 << ((i - 1) % 8)));
  }
  static bool Q(int i) { return plc_reg[reg::kOffQ + (i - 1) / 8] & (1 << ((i - 1) % 8)); }

  std::string link() const { return root_.Host("/dev/ttySP0"); }
  void PeerSend(const Bytes& b) { ASSERT_EQ(::write(peer_, b.data(), b.size()), ssize_t(b.size())); }
  Bytes PeerReceive(int wait_ms = 20) { return ts::ReadAvailable(peer_, wait_ms); }
  // Waits until the unit's port holds count bytes from the peer.
  static void AwaitInput(int count) {
    for (int i = 0; i < 5000 && Vcomm_Drv[0].count_rx() < count; ++i) ::usleep(100);
  }

  ts::TempRoot root_;
  ts::LadderProgram prog_;
  int peer_ = -1;
};

}  // namespace tt
