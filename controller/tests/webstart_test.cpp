#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

#include "iec_runtime/services.h"
#include "mainloop_fixture.h"
#include "mainloop_internal.h"
#include "net/services.h"
#include "platform/netif.h"
#include "platform/trace.h"
#include "testsupport/free_port.h"
#include "testsupport/temp_root.h"
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
  // The main loop's web step alone: a whole pass also runs the storage service, whose card
  // check stops the server when no card is in (storage's own tests cover that).
  static void Steps(int n) {
    for (int i = 0; i < n; ++i) WebStartAfterPass();
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
  Steps(101);
  EXPECT_EQ(plat::TraceCountOf("quorv_thread_create"), 0u);
  Steps(1);
  EXPECT_EQ(plat::TraceCountOf("quorv_thread_create"), 1u);
  EXPECT_EQ(QuorvServerState, 3);
  EXPECT_EQ(QuorvThreadCreated, 1);
  Steps(10);
  EXPECT_EQ(plat::TraceCountOf("quorv_thread_create"), 1u);
}

TEST_F(WebStart, PassesDuringADownloadDoNotCount) {
  QuorvHttp = 1;
  QuorvServerState = 2;
  Cmd_Downloading = 1;
  Steps(200);
  EXPECT_EQ(WebStartPasses, 0);
  Cmd_Downloading = 0;
  Steps(102);
  EXPECT_EQ(plat::TraceCountOf("quorv_thread_create"), 1u);
}

TEST_F(WebStart, AFaultScreenHandsHttpToTheWebServer) {
  PGM_state = 1;
  QuorvServerState = 2;
  Steps(102);
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
      // The end of the upload starts it; the address waits until then.
      {"stopped for an upload, new address: stays stopped", 1, 1, 1, 0, 0, 1, 1, false},
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

// The real server thread, started and stopped by nothing but the state machine's steps.
class WebStartThread : public WebStart {
 protected:
  void SetUp() override {
    WebStart::SetUp();
    previous_offset_ = plat::PortOffset();
    offset_ = ts::FreeLoopbackPort() - 80;
    plat::SetPortOffset(offset_);
    root_.Write("/mnt/USB0/Quorv/wwwroot/index.htm", "<p>panel</p>");
    QuorvEnableServerThread(true);
    WebStartPasses = 101;
    QuorvHttp = 1;
  }
  void TearDown() override {
    QuorvStopServer();
    QuorvEnableServerThread(false);
    plat::SetPortOffset(previous_offset_);
    WebStart::TearDown();
  }
  static uint8_t State() { return std::atomic_ref<uint8_t>(QuorvServerState).load(); }
  // Main-loop steps, a millisecond apart, until done() or ten seconds have passed.
  template <typename F>
  static bool StepUntil(F done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!done()) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      WebStartAfterPass();
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
  }
  // The page at / over a plain socket, or "" when nothing answers.
  std::string Get() const {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(static_cast<uint16_t>(80 + offset_));
    std::string out;
    timeval limit{5, 0};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    if (connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
        send(fd, "GET / HTTP/1.0\r\n\r\n", 18, MSG_NOSIGNAL) == 18) {
      char buffer[1024];
      for (ssize_t n; (n = recv(fd, buffer, sizeof buffer, 0)) > 0;) out.append(buffer, static_cast<size_t>(n));
    }
    close(fd);
    const size_t body = out.find("\r\n\r\n");
    return body == std::string::npos ? "" : out.substr(body + 4);
  }

  ts::TempRoot root_;
  int offset_ = 0;
  int previous_offset_ = 0;
};

TEST_F(WebStartThread, TheFirstAddressStartsTheServerAndEveryChangeRestartsIt) {
  // Without a network change the server never starts.
  for (int i = 0; i < 50; ++i) WebStartAfterPass();
  EXPECT_EQ(State(), 1);
  EXPECT_EQ(Get(), "");
  QuorvUpdateNewIp = 1;
  ASSERT_TRUE(StepUntil([] { return State() == 4; }));
  EXPECT_EQ(QuorvUpdateNewIp, 0);
  EXPECT_EQ(Get(), "<p>panel</p>");
  // A new address: the thread ends, and a new one serves.
  QuorvUpdateNewIp = 1;
  ASSERT_TRUE(StepUntil([] { return State() != 4; }));
  ASSERT_TRUE(StepUntil([] { return State() == 4 && QuorvUpdateNewIp == 0; }));
  EXPECT_EQ(Get(), "<p>panel</p>");
}

}  // namespace
