#pragma once
// A fixture for main-loop tests: a zeroed register image and a recording call trace
// (ts::RegImageTest) and the default logic program.

#include "iec_runtime/services.h"
#include "controller/download.h"
#include "controller/mainloop.h"
#include "controller/retentive.h"
#include "controller/screenloop.h"
#include "controller/startup.h"
#include "ground/tablestore.h"
#include "pmgr_loop.h"
#include "storage/services.h"
#include "testsupport/reg_fixture.h"
#include "timeslice.h"

namespace kt {

class MainLoopTest : public ts::RegImageTest {
 protected:
  // The loop's flags and tables start from power-on (testsupport/power_on_state.h).
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
