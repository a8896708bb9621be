#include <gtest/gtest.h>

#include "iec_runtime/services.h"
#include "mainloop_fixture.h"
#include "mainloop_internal.h"
#include "net/services.h"
#include "platform/trace.h"
#include "web/services.h"
#include "webstart.h"

namespace {

class WebStart : public kt::MainLoopTest {
 protected:
  void SetUp() override {
    kt::MainLoopTest::SetUp();
    Reset();
  }
  void TearDown() override {
    Reset();
    kt::MainLoopTest::TearDown();
  }
  static void Reset() {
    WebStartPasses = 0;
    QuorvHttp = 0;
    QuorvServerState = 1;
    QuorvUpdateNewIp = 0;
    QuorvFtping = 0;
    QuorvThreadCreated = 0;
    WebRestartAfterDownload = 0;
    orvanel_variables_enumerateded = 0;
  }
  static void Turns(int n) {
    for (int i = 0; i < n; ++i) MainLoopOnce();
  }
};

TEST_F(WebStart, BootModeNeverStartsTheWebServer) {
  BIS = 2;
  QuorvHttp = 1;
  QuorvServerState = 2;
  Turns(300);
  EXPECT_EQ(plat::TraceCountOf("quorv_thread_create"), 0u);
  EXPECT_EQ(plat::TraceCountOf("quorv_check_ftp_state"), 0u);
  // The loop only alternates a pass and the MQTT step.
  EXPECT_EQ(plat::TraceCountOf("Can_Isr"), 300u);
  EXPECT_EQ(plat::TraceCountOf("mqttStateLoop"), 300u);
}

TEST_F(WebStart, StartsAfterMoreThanAHundredPasses) {
  QuorvHttp = 1;
  QuorvServerState = 2;
  Turns(101);
  EXPECT_EQ(plat::TraceCountOf("quorv_thread_create"), 0u);
  Turns(1);
  EXPECT_EQ(plat::TraceCountOf("quorv_thread_create"), 1u);
  EXPECT_EQ(QuorvServerState, 3);
  EXPECT_EQ(QuorvThreadCreated, 1);
  Turns(10);
  EXPECT_EQ(plat::TraceCountOf("quorv_thread_create"), 1u);
}

TEST_F(WebStart, PassesDuringADownloadDoNotCount) {
  QuorvHttp = 1;
  QuorvServerState = 2;
  Cmd_Downloading = 1;
  Turns(200);
  EXPECT_EQ(WebStartPasses, 0);
  Cmd_Downloading = 0;
  Turns(102);
  EXPECT_EQ(plat::TraceCountOf("quorv_thread_create"), 1u);
}

TEST_F(WebStart, AFaultScreenHandsHttpToTheWebServer) {
  PGM_state = 1;
  QuorvServerState = 2;
  Turns(102);
  EXPECT_EQ(QuorvHttp, 1);
  EXPECT_EQ(plat::TraceCountOf("quorv_thread_create"), 1u);
}

TEST_F(WebStart, StateMachineSteps) {
  struct Case {
    const char* what;
    uint8_t state, new_ip, ftping, created, iec_downloading;
    uint8_t next_state, next_new_ip;
    bool creates;
  };
  const Case cases[] = {
      {"running, new address: stop", 4, 1, 0, 1, 0, 0, 1, false},
      {"running", 4, 0, 0, 1, 0, 4, 0, false},
      {"stopped, new address: start", 1, 1, 0, 0, 0, 2, 0, false},
      {"stopped", 1, 0, 0, 0, 0, 1, 0, false},
      {"start requested: create", 2, 0, 0, 0, 0, 3, 0, true},
      {"start requested during a file transfer", 2, 0, 1, 0, 0, 2, 0, false},
      {"start requested, thread exists", 2, 0, 0, 1, 0, 2, 0, false},
      {"IEC variables coming in: stop", 4, 0, 0, 1, 1, 0, 0, false},
      {"IEC variables coming in, thread starting: stop", 3, 0, 0, 1, 1, 0, 0, false},
      // Without a thread nothing could honour a stop.
      {"IEC variables coming in, stopped: stays stopped", 1, 0, 0, 0, 1, 1, 0, false},
      {"IEC variables coming in, start requested: waits", 2, 0, 0, 0, 1, 2, 0, false},
      {"stop requested, no thread: stopped", 0, 0, 0, 0, 0, 1, 0, false},
      {"stop requested, no thread, new address: stopped, then started", 0, 1, 0, 0, 0, 2, 0, false},
      {"stop requested, thread still running", 0, 0, 0, 1, 0, 0, 0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Reset();
    WebStartPasses = 101;
    QuorvHttp = 1;
    QuorvServerState = c.state;
    QuorvUpdateNewIp = c.new_ip;
    QuorvFtping = c.ftping;
    QuorvThreadCreated = c.created;
    Cmd_Downloading = c.iec_downloading;
    orvanel_variables_enumerateded = c.iec_downloading;
    plat::TraceClear();
    WebStartAfterPass();
    EXPECT_EQ(QuorvServerState, c.next_state);
    EXPECT_EQ(QuorvUpdateNewIp, c.next_new_ip);
    EXPECT_EQ(plat::TraceCountOf("quorv_thread_create"), c.creates ? 1u : 0u);
    EXPECT_EQ(plat::TraceCountOf("quorv_check_ftp_state"), 1u);
  }
}

TEST_F(WebStart, AServerStoppedForADownloadStartsAgainAfterIt) {
  WebStartPasses = 101;
  QuorvHttp = 1;
  QuorvServerState = 4;
  QuorvThreadCreated = 1;
  Cmd_Downloading = 1;
  orvanel_variables_enumerateded = 1;
  WebStartAfterPass();
  EXPECT_EQ(QuorvServerState, 0);
  // The thread ends.
  QuorvServerState = 1;
  QuorvThreadCreated = 0;
  WebStartAfterPass();
  EXPECT_EQ(QuorvServerState, 1) << "not while the download lasts";
  Cmd_Downloading = 0;
  plat::TraceClear();
  WebStartAfterPass();
  WebStartAfterPass();
  EXPECT_EQ(QuorvServerState, 3);
  EXPECT_EQ(plat::TraceCountOf("quorv_thread_create"), 1u);
}

}  // namespace
