// The command protocol's receive path: the bytes arrive from the USB host as a
// programming tool would send them, and the command check runs until they are taken and
// answered. Checksum seed 0. Downloads are saved below a temporary device root.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <deque>

#include "cmd_server.h"
#include "ground/cmdhost.h"
#include "controller/cmdserver.h"
#include "ground/gentimers.h"
#include "controller/poweron.h"
#include "ground/regimage.h"
#include "controller/screenloop.h"
#include "ground/timebase.h"
#include "platform/clock.h"
#include "testsupport/temp_root.h"

namespace {

std::deque<uint8_t> g_in;
std::size_t g_out = 0;

int Check() { return !g_in.empty(); }
int Get() {
  const int b = g_in.front();
  g_in.pop_front();
  return b;
}
void Flush() { g_in.clear(); }
void Put(uint8_t) { ++g_out; }
void PutN(const uint8_t*, uint32_t n) { g_out += n; }
constexpr CmdHostOps kUsb{.check = Check, .get = Get, .flush = Flush, .put = Put, .put_n = PutN};

constexpr int kPassesAfterInput = 8;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  static ts::TempRoot root;
  static plat::ScopedTestClock clock;
  KernelPowerOnReset();
  Timer_Init(&fpga_port, 100);
  PGM_state = 5;
  SrSet(29, 1);
  SrSet(137, 500);
  Cmd_Init();
  CmdSetSeed(0);
  Cmd_SetHost(kHostUsb, &kUsb);
  g_in.assign(data, data + size);
  g_out = 0;
  // Each pass takes at most a bounded number of bytes; time moves as the link's timers
  // expect it to between passes.
  for (std::size_t pass = 0; pass < size + kPassesAfterInput; ++pass) {
    Cmd_Check();
    clock->AdvanceMs(1);
    if (g_in.empty() && pass > size) break;
  }
  Cmd_SetHost(kHostUsb, nullptr);
  return 0;
}
