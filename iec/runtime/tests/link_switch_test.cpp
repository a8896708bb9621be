// Switching the programming link to the runtime over Ethernet: the runtime's TCP port
// opens, and 65 s without a runtime frame close it again without touching the serial
// programming port.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>

#include "drivers/services.h"
#include "iec_runtime/os_services.h"
#include "controller/orvanel.h"
#include "runtime_fixture.h"

namespace {

int g_port_opens = 0;
uint8_t g_port_mode[6] = {9, 9, 9, 9, 9, 0x56};

// A loopback port that nothing listens on now.
uint16_t FreePort() {
  int s = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
  socklen_t n = sizeof a;
  ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &n);
  ::close(s);
  return ntohs(a.sin_port);
}

// True when a client can connect to the port on loopback.
bool Listening(uint16_t port) {
  int s = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(port);
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bool ok = ::connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
  ::close(s);
  return ok;
}

class LinkSwitch : public RuntimeTest {
 protected:
  void SetUp() override {
    RuntimeTest::SetUp();
    saved_drv_ = Vcomm_Drv[2];
    saved_port_ = ProgrammingPort;
    Vcomm_Drv[2] = {};
    Vcomm_Drv[2].mode = g_port_mode;
    Vcomm_Drv[2].open = [](const uint8_t*) {
      ++g_port_opens;
      return 1;
    };
    ProgrammingPort = 2;
    g_port_opens = 0;
    n4_tcp_port = FreePort();
    ts::IecImage img;
    ts::ProgramImage p;
    p.logic = ts::Table::Of(ts::IecLogic(img.Build()));
    p.Install();
    OrvanelStart();
  }
  void TearDown() override {
    RuntimeTest::TearDown();  // the panel's stop closes the runtime's sockets
    EXPECT_FALSE(Listening(n4_tcp_port));
    EXPECT_EQ(eth_conn, 0);
    Vcomm_Drv[2] = saved_drv_;
    ProgrammingPort = saved_port_;
    n4_tcp_port = 1100;
  }
  VcommDriver saved_drv_;
  int saved_port_ = 0;
};

TEST_F(LinkSwitch, TheRuntimePortOpensAndSilenceClosesItWithoutTouchingTheSerialPort) {
  N4_Connect_Ethernet();
  EXPECT_EQ(eth_conn, 1);
  EXPECT_EQ(IsCommMode_Velan, 0);
  EXPECT_TRUE(Listening(n4_tcp_port));
  is_n4protocol = 1;  // the serial port carries the runtime protocol for another reason

  clock_->AdvanceMs(64'000);
  Orvanel_Comm_service();
  n4_rcv = 1;  // a runtime frame arrived: the watchdog starts again
  Orvanel_Comm_service();
  clock_->AdvanceMs(64'000);
  Orvanel_Comm_service();
  EXPECT_EQ(eth_conn, 1);
  EXPECT_TRUE(Listening(n4_tcp_port));

  clock_->AdvanceMs(1'100);
  Orvanel_Comm_service();
  EXPECT_EQ(IsCommMode_Velan, 1);
  EXPECT_EQ(eth_conn, 0);
  EXPECT_FALSE(Listening(n4_tcp_port));
  EXPECT_EQ(g_port_opens, 0);  // the serial programming port was left alone
  EXPECT_EQ(is_n4protocol, 1);

  // A second switch opens the port again.
  N4_Connect_Ethernet();
  EXPECT_EQ(eth_conn, 1);
  EXPECT_TRUE(Listening(n4_tcp_port));
  N4_Connect_Ethernet();  // switching again while connected replaces the listener
  EXPECT_EQ(eth_conn, 1);
  EXPECT_TRUE(Listening(n4_tcp_port));
}

TEST_F(LinkSwitch, APortInUseIsReportedAndLeavesNoListener) {
  int other = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(n4_tcp_port);
  ASSERT_EQ(::bind(other, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
  ASSERT_EQ(::listen(other, 1), 0);
  testing::internal::CaptureStdout();
  N4_Connect_Ethernet();
  EXPECT_NE(testing::internal::GetCapturedStdout().find("ERROR: Cant open TCP port\n"), std::string::npos);
  EXPECT_EQ(eth_conn, 0);
  EXPECT_EQ(IsCommMode_Velan, 0);
  ::close(other);
}

}  // namespace
