#pragma once
// A fixture for main-loop tests: a zeroed register image and a recording call trace
// (ts::RegImageTest) and the default logic program.

#include "iec_runtime/services.h"
#include "kernel/download.h"
#include "kernel/mainloop.h"
#include "kernel/retentive.h"
#include "kernel/screenloop.h"
#include "kernel/startup.h"
#include "kernel/tablestore.h"
#include "pmgr_loop.h"
#include "storage/services.h"
#include "testsupport/reg_fixture.h"
#include "timeslice.h"

namespace kt {

class MainLoopTest : public ts::RegImageTest {
 protected:
  // The loop's flags and tables start from power-on (kernel_state.cpp).
  void SetUp() override {
    ts::RegImageTest::SetUp();
    // The default logic program (end of program only), so that a scan in Run runs
    // without a fault and the mode stays as the test set it.
    ladder[0] = 0x09;
    ladder[1] = 0x00;
    SetBlockSize(ladder_bl, 2);
  }
  // No slice may fire between tests.
  void TearDown() override {
    DisarmSliceTimer();
    ts::RegImageTest::TearDown();
  }
};

}  // namespace kt
