// Time slicing with the real one-shot ITIMER_REAL: a screen pass that takes a while is
// cut into slices, each a pass without the command port and the two loops, while errno
// of the interrupted code survives them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <sys/time.h>

#include "ground/coop.h"
#include "ground/regimage.h"
#include "mainloop_fixture.h"
#include "platform/trace.h"
#include "screens/objm_bodies.h"

namespace {

constexpr int kSlicesWanted = 3;
bool g_saw_errno_kept = false;

// A slice's pass that changes errno: a software timer whose callback fails a call.
void ClobberErrno(uint32_t) { errno = EBADF; }

// The screen pass: busy until three slices have run (or a generous deadline passes on a
// very slow machine, which the test then reports).
int SlowScreenPass(DC*) {
  errno = EDOM;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (SliceCounter + 1 < kSlicesWanted || !Sliced) {
    if (std::chrono::steady_clock::now() > deadline) break;
  }
  g_saw_errno_kept = errno == EDOM;
  return 1;
}

using TimeSlice = kt::MainLoopTest;

TEST_F(TimeSlice, SlowScreenPassIsSlicedWithARealTimer) {
  InstallTimerIRQ();
  SrSet(5, 2);
  SrSet(167, 2);
  tx::TxTimer clobber;
  ASSERT_EQ(tx::_txe_timer_create(&clobber, "errno", ClobberErrno, 0, 1, 1, 1), tx::kTxSuccess);
  g_objm_bodies.update = SlowScreenPass;
  plat::TraceClear();

  The_Loop();

  tx::_txe_timer_delete(&clobber);
  // A further slice may land between the screen pass's last look and the end of its
  // loops; every slice counts.
  const std::size_t slices = SliceCounter + 1u;
  ASSERT_GE(slices, std::size_t(kSlicesWanted)) << "slices counted while the screen pass ran";
  EXPECT_TRUE(g_saw_errno_kept);
  // One normal pass and the slices inside it: each slice scanned but none of them ran
  // the command port or the loops again.
  EXPECT_EQ(plat::TraceCountOf("PlcScan"), 1u + slices);
  EXPECT_EQ(plat::TraceCountOf("Cmd_Check"), 1u);
  EXPECT_EQ(plat::TraceCountOf("CFM_TheLoop"), 1u);
  EXPECT_EQ(plat::TraceCountOf("PGM_TheLoop"), 1u);
  EXPECT_EQ(plat::TraceCountOf("SliceTimerArm"), 1u + slices);  // re-armed after each slice
  const auto hub = Calls("EnetMain");
  ASSERT_EQ(hub.size(), 1u + slices);
  EXPECT_EQ(std::count_if(hub.begin(), hub.end(), [](const auto& e) { return e.a == 1; }), long(slices));
  EXPECT_EQ(hub.back().a, 0) << "the normal pass's own hub call comes after its loops";
  EXPECT_EQ(Sliced, 0);
  EXPECT_EQ(Vint, 0);
  itimerval left{};
  getitimer(ITIMER_REAL, &left);
  EXPECT_EQ(left.it_value.tv_sec, 0);
  EXPECT_EQ(left.it_value.tv_usec, 0);
}

}  // namespace
