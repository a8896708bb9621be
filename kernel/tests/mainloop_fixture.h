#pragma once
// A fixture for main-loop tests: a zeroed register image and a recording call trace
// (ts::RegImageTest), with the loop's flags and the tables it reads back at rest.

#include <cstring>

#include "iec_runtime/services.h"
#include "kernel/download.h"
#include "kernel/mainloop.h"
#include "kernel/retentive.h"
#include "kernel/screenloop.h"
#include "kernel/startup.h"
#include "kernel/tablestore.h"
#include "pmgr_loop.h"
#include "screenloop_body.h"
#include "storage/services.h"
#include "testsupport/reg_fixture.h"
#include "timeslice.h"

namespace kt {

class MainLoopTest : public ts::RegImageTest {
 protected:
  void SetUp() override {
    ts::RegImageTest::SetUp();
    ResetLoopState();
  }
  void TearDown() override {
    ResetLoopState();
    ts::RegImageTest::TearDown();
  }
  static void ResetLoopState() {
    DisarmSliceTimer();
    Sliced = 0;
    Vint = 0;
    DntTmeSlc = 0;
    RecoverMode = 0;
    SliceCounter = 0;
    BIS = 1;
    Sys_AutoLoad = 0;
    OrvanelRuntime = 0;
    PowerdownSignal = 0;
    PmgrBusy = 0;
    PGM_state = 0;
    Cmd_Downloading = 0;
    g_screen_pass_body = nullptr;
    SetBlockSize(promgr_table_bl, 0);
    std::memset(io_force, 0, sizeof io_force);
    // The default logic program (end of program only), so that a scan in Run runs
    // without a fault and the mode stays as the test set it.
    ladder[0] = 0x09;
    ladder[1] = 0x00;
    SetBlockSize(ladder_bl, 2);
  }
};

}  // namespace kt
