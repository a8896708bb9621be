// The panel's web server: its configuration file, the upload watcher, and the thread
// started and stopped through the state byte the main loop steps.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "ground/regaccess.h"
#include "panel_server.h"
#include "platform/clock.h"
#include "platform/trace.h"
#include "server_fixture.h"
#include "testsupport/child_process.h"
#include "testsupport/recording_runner.h"
#include "web/services.h"

namespace {

using namespace std::chrono_literals;

uint8_t Byte(uint8_t& b) { return std::atomic_ref<uint8_t>(b).load(); }

class PanelServer : public webtest::WebTest {
 protected:
  void SetUp() override {
    WebTest::SetUp();
    QuorvServerState = 1;
    QuorvFtping = 0;
    QuorvThreadCreated = 0;
    ConnectionTimeOut = 0;
    SessionTimeOut = 0;
    quorv_authentication_method = 2;
    QuorvUploadWatcherReset();
  }
  void TearDown() override {
    QuorvUploadWatcherReset();
    QuorvEnableServerThread(false);
    WebTest::TearDown();
  }
};

TEST_F(PanelServer, ConfigurationKeys) {
  struct Case {
    const char* text;
    uint16_t keep_alive, session;
    uint8_t method;
  };
  const Case cases[] = {
      {"KeepAlive:30\n", 30, 0, 2},
      {"InactivityTimeOut:10\r\n", 0, 600, 2},
      {"Authentication:Basic\r\n", 0, 0, 1},
      {"Authentication:basic\n", 0, 0, 2},
      {"Authentication:Digest\n", 0, 0, 2},
      // An unknown key or a comment does not take the next line's setting with it.
      {"Unknown:1\nKeepAlive:30\n", 30, 0, 2},
      {"# no colon here\nKeepAlive:45\nInactivityTimeOut:2", 45, 120, 2},
      {" KeepAlive:30\nKeepAlive :31\n", 0, 0, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    ConnectionTimeOut = SessionTimeOut = 0;
    quorv_authentication_method = 2;
    quorv_update_global_config_parameters(c.text);
    EXPECT_EQ(ConnectionTimeOut, c.keep_alive);
    EXPECT_EQ(SessionTimeOut, c.session);
    EXPECT_EQ(quorv_authentication_method, c.method);
  }
}

TEST_F(PanelServer, TheConfigurationFileIsReadWithinItsBuffer) {
  char buffer[250];
  std::memset(buffer, 'x', sizeof buffer);
  root_.Write("/mnt/USB0/Quorv/config/QuorvGlobal.cfg", "KeepAlive:20\n" + std::string(400, '#'));
  Quorv_global_config_file_size = 0;
  EXPECT_EQ(quorv_read_file(buffer, sizeof buffer, "/mnt/USB0/Quorv/config/QuorvGlobal.cfg", 2), 0);
  EXPECT_EQ(Quorv_global_config_file_size, 249u);
  EXPECT_EQ(buffer[249], '\0');
  quorv_update_global_config_parameters(buffer);
  EXPECT_EQ(ConnectionTimeOut, 20);
  // No file, or an empty one: nothing read, the size left as it was.
  Quorv_global_config_file_size = 7;
  EXPECT_EQ(quorv_read_file(buffer, sizeof buffer, "/mnt/USB0/none.cfg", 2), 0);
  root_.Write("/mnt/USB0/empty.cfg", "");
  EXPECT_EQ(quorv_read_file(buffer, sizeof buffer, "/mnt/USB0/empty.cfg", 2), 0);
  EXPECT_EQ(Quorv_global_config_file_size, 7u);
}

TEST_F(PanelServer, UploadWatcherStopsTheServerWhileTheWebRootIsReplaced) {
  ts::RecordingRunner runner;
  root_.Write("/mnt/USB0/Quorv/wwwroot/index.htm", "x");
  QuorvServerState = 4;
  quorv_check_ftp_state();
  EXPECT_EQ(quorvFtpStates, 1);
  quorv_check_ftp_state();
  ASSERT_EQ(quorvFtpStates, 2);
  quorv_check_ftp_state();
  EXPECT_EQ(quorvFtpStates, 2);
  // Something else in the folder changes nothing.
  root_.Write("/mnt/USB0/Quorv/other.txt", "x");
  unlink(root_.Host("/mnt/USB0/Quorv/other.txt").c_str());
  quorv_check_ftp_state();
  EXPECT_EQ(quorvFtpStates, 2);
  unlink(root_.Host("/mnt/USB0/Quorv/wwwroot/index.htm").c_str());
  rmdir(root_.Host("/mnt/USB0/Quorv/wwwroot").c_str());
  quorv_check_ftp_state();
  EXPECT_EQ(quorvFtpStates, 4);
  EXPECT_EQ(QuorvFtping, 1);
  EXPECT_EQ(QuorvServerState, 0);
  // The end-of-upload file waits until the server has stopped.
  root_.Write("/mnt/USB0/EndOfFTP.txt", "");
  quorv_check_ftp_state();
  EXPECT_EQ(QuorvFtping, 1);
  QuorvServerState = 1;
  quorv_check_ftp_state();
  EXPECT_EQ(QuorvFtping, 0);
  EXPECT_EQ(QuorvServerState, 2);
  EXPECT_EQ(quorvFtpStates, 0);
  EXPECT_FALSE(root_.Exists("/mnt/USB0/EndOfFTP.txt"));
  EXPECT_EQ(runner.Lines(), (std::vector<std::string>{"sync"}));
}

TEST_F(PanelServer, UploadWatcherWatchesTheFolderOfThePanelsIdentity) {
  root_.Write("/mnt/cfg/oeminfo", std::vector<uint8_t>{128});
  root_.Write("/mnt/USB0/Quorv/wwwroot/index.htm", "x");
  root_.Write("/mnt/USB0/z7PNQ/wwwroot/index.htm", "x");
  quorv_check_ftp_state();
  quorv_check_ftp_state();
  ASSERT_EQ(quorvFtpStates, 2);
  unlink(root_.Host("/mnt/USB0/Quorv/wwwroot/index.htm").c_str());
  rmdir(root_.Host("/mnt/USB0/Quorv/wwwroot").c_str());
  quorv_check_ftp_state();
  EXPECT_EQ(QuorvFtping, 0);
  unlink(root_.Host("/mnt/USB0/z7PNQ/wwwroot/index.htm").c_str());
  rmdir(root_.Host("/mnt/USB0/z7PNQ/wwwroot").c_str());
  quorv_check_ftp_state();
  EXPECT_EQ(QuorvFtping, 1);
}

TEST_F(PanelServer, ACardWithoutTheFolderWaitsForItToAppear) {
  QuorvServerState = 1;
  for (int i = 0; i < 101; ++i) quorv_check_ftp_state();
  EXPECT_EQ(quorvFtpStates, 0);
  quorv_check_ftp_state();
  EXPECT_EQ(quorvFtpStates, 3);
  quorv_check_ftp_state();
  EXPECT_EQ(QuorvFtping, 0);
  root_.Write("/mnt/USB0/Quorv/wwwroot/index.htm", "x");
  quorv_check_ftp_state();
  EXPECT_EQ(QuorvFtping, 1);
  EXPECT_EQ(quorvFtpStates, 4);
}

// The thread as the main loop drives it: the state byte, the thread flag, the status bit.
class ServerThread : public PanelServer {
 protected:
  void SetUp() override {
    PanelServer::SetUp();
    previous_offset_ = plat::PortOffset();
    offset_ = ts::FreeLoopbackPort() - 80;
    plat::SetPortOffset(offset_);
    root_.Write("/mnt/USB0/Quorv/wwwroot/index.htm", "<p>panel</p>");
    QuorvEnableServerThread(true);
  }
  void TearDown() override {
    if (Byte(QuorvThreadCreated)) {
      Stop();
    }
    plat::SetPortOffset(previous_offset_);
    PanelServer::TearDown();
  }
  // What the main loop does in state 2.
  static void Create() { quorv_thread_create(); }
  template <typename F>
  static bool WaitFor(F done, std::chrono::milliseconds limit = 10s) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!done()) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      usleep(2000);
    }
    return true;
  }
  static void Stop() {
    std::atomic_ref<uint8_t>(QuorvServerState).store(0);
    WaitFor([] { return Byte(QuorvThreadCreated) == 0 && Byte(QuorvServerState) == 1; });
  }
  static uint8_t StatusBit() {
    uint8_t bit = 9;
    PlcReg_Get(&bit, 0x10030000 + 16 * 16 + 2, 1);
    return bit;
  }
  std::string Url() const { return "http://127.0.0.1:" + std::to_string(80 + offset_) + "/"; }

  int offset_ = 0;
  int previous_offset_ = 0;
};

TEST_F(ServerThread, StartsServesAndStops) {
  root_.Write("/mnt/USB0/Quorv/config/QuorvGlobal.cfg", "KeepAlive:30\n");
  Create();
  ASSERT_TRUE(WaitFor([] { return Byte(QuorvServerState) == 4; }));
  EXPECT_EQ(StatusBit(), 1);
  EXPECT_EQ(ConnectionTimeOut, 30);
  EXPECT_EQ(SessionTimeOut, 300);
  ts::ChildProcess curl("curl", {"-sS", Url()});
  EXPECT_EQ(curl.Wait(10s), 0);
  EXPECT_EQ(curl.output(), "<p>panel</p>");
  Stop();
  EXPECT_EQ(Byte(QuorvServerState), 1);
  EXPECT_EQ(Byte(QuorvThreadCreated), 0);
  EXPECT_EQ(StatusBit(), 0);
  EXPECT_EQ(webtest::Connect(80 + offset_), -1);
  // Started again, it serves again.
  Create();
  ASSERT_TRUE(WaitFor([] { return Byte(QuorvServerState) == 4; }));
  ts::ChildProcess again("curl", {"-sS", Url()});
  EXPECT_EQ(again.Wait(10s), 0);
  EXPECT_EQ(again.output(), "<p>panel</p>");
}

// The tick runs once in three passes when idle, once in 21 when busy, a pass every 5 ms:
// never more often than every 15 ms. Each tick asks the long polls (on by default).
constexpr const char* kTick = "quorv_comm_session_tick_long_polls";

TEST_F(ServerThread, RequestsAreAnsweredAsTheyArriveAndTheTickKeepsItsPace) {
  Create();
  ASSERT_TRUE(WaitFor([] { return Byte(QuorvServerState) == 4; }));
  const int fd = webtest::Connect(80 + offset_);
  ASSERT_GE(fd, 0);
  plat::TraceClear();
  plat::TraceEnable(true);
  constexpr int kRequests = 400;
  int answered = 0;
  const auto start = std::chrono::steady_clock::now();
  for (; answered < kRequests; ++answered) {
    webtest::SendAll(fd, "GET / HTTP/1.0\r\nConnection: keep-alive\r\n\r\n");
    std::string reply;
    char buffer[1024];
    ssize_t n = 0;
    while (reply.find("<p>panel</p>") == std::string::npos && (n = recv(fd, buffer, sizeof buffer, 0)) > 0)
      reply.append(buffer, static_cast<size_t>(n));
    if (n <= 0) break;
  }
  const auto served = std::chrono::steady_clock::now() - start;
  close(fd);
  // The trace is read once the thread has ended.
  Stop();
  const auto elapsed = std::chrono::steady_clock::now() - start;
  plat::TraceEnable(false);
  EXPECT_EQ(answered, kRequests);
  // A request that waited for the next pass would take 5 ms at least: 2 s for all.
  EXPECT_LT(served, 1s);
  EXPECT_LE(plat::TraceCountOf(kTick), static_cast<size_t>(elapsed / 15ms) + 2);
}

TEST_F(ServerThread, WhileIdleTheTickDropsASilentConnectionAsThePlatformClockMoves) {
  plat::ScopedTestClock clock;
  root_.Write("/mnt/USB0/Quorv/config/QuorvGlobal.cfg", "KeepAlive:1\n");
  Create();
  ASSERT_TRUE(WaitFor([] { return Byte(QuorvServerState) == 4; }));
  const int fd = webtest::Connect(80 + offset_);
  ASSERT_GE(fd, 0);
  EXPECT_TRUE(WaitFor([&] {
    clock->AdvanceMs(20);
    char byte;
    return recv(fd, &byte, 1, MSG_DONTWAIT) == 0;
  }));
  close(fd);
  // The thread reads the clock: it ends before the clock does.
  Stop();
}

TEST_F(ServerThread, AStopAskedForDuringStartUpIsNotLost) {
  Create();
  std::atomic_ref<uint8_t>(QuorvServerState).store(0);
  ASSERT_TRUE(WaitFor([] { return Byte(QuorvThreadCreated) == 0; }));
  EXPECT_TRUE(WaitFor([] { return Byte(QuorvServerState) == 1; }));
  EXPECT_EQ(webtest::Connect(80 + offset_), -1);
}

TEST_F(ServerThread, AStartThatCannotListenIsReportedAndTriedAgain) {
  // Another program holds the port.
  const int holder = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  a.sin_port = htons(static_cast<uint16_t>(80 + offset_));
  ASSERT_EQ(bind(holder, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
  ASSERT_EQ(listen(holder, 1), 0);
  Create();
  ASSERT_TRUE(WaitFor([] { return Byte(QuorvThreadCreated) == 0; }));
  EXPECT_EQ(Byte(QuorvServerState), 2) << "a new start is asked for";
  EXPECT_EQ(StatusBit(), 0);
  close(holder);
  Create();
  ASSERT_TRUE(WaitFor([] { return Byte(QuorvServerState) == 4; }));
  EXPECT_EQ(StatusBit(), 1);
}

}  // namespace
