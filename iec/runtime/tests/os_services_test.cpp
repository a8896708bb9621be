// The runtime's OS layer: clock texts, CRC, database helpers, the shared serial port and
// sockets on loopback.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <deque>

#include "drivers/services.h"
#include "iec_runtime/os_services.h"
#include "ground/sysservices.h"
#include "runtime_fixture.h"

namespace {

using OsServices = RuntimeTest;

TEST_F(OsServices, ClockTextsAndStamps) {
  setenv("TZ", "UTC", 1);
  clock_->SetWallNs(int64_t(1'700'352'000) * 1'000'000'000 + 1'234'000'000);  // Sunday 2023-11-19 00:00:01.234
  char text[32];
  EXPECT_EQ(N4RtClk_GetString(2, text), 6);
  EXPECT_STREQ(text, "Sunday");
  EXPECT_EQ(N4RtClk_GetString(1, text), 8);
  EXPECT_STREQ(text, "00:00:01");
  N4RtClk_GetString(3, text);
  EXPECT_STREQ(text, "2023/11/19");
  EXPECT_EQ(N4RtClk_GetCurDateStamp(), (2023u << 16) | (11u << 8) | 19u);
  EXPECT_EQ(N4RtClk_GetCurTimeStamp(), 1234u);
}

TEST_F(OsServices, Crc16IsTheModbusCrc) {
  EXPECT_EQ(N4Tools_Crc16(reinterpret_cast<const uint8_t*>("abc"), 3), 0x5749);
  EXPECT_EQ(N4Tools_Crc16(nullptr, 0), 0xFFFF);
}

TEST_F(OsServices, AnyParamFindsItemsLocksAndStrings) {
  ts::IecImage img;
  img.string_caps = {5};
  Built b = Build(img);
  ASSERT_EQ(b.error, 0);
  uint8_t* db = b.db.data();
  *N4VM_Item(db, kArLocks, 2) = 0x04;
  int locked = -1;
  uint32_t size = 0;
  EXPECT_EQ(N4Tools_GetAnyParam(db, 16, 2, &locked, &size), N4VM_Item(db, kArData32, 2));
  EXPECT_EQ(locked, 1);
  EXPECT_EQ(size, 4u);
  N4Tools_GetAnyParam(db, 11, 2, &locked, &size);
  EXPECT_EQ(locked, 0);
  uint8_t* s = N4Tools_GetAnyParam(db, 5, 1, nullptr, &size);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s[0], 5);
  EXPECT_EQ(size, 8u);
  EXPECT_EQ(N4Tools_GetAnyParam(db, 7, 1, nullptr, nullptr), nullptr);
  EXPECT_EQ(N4Tools_GetAnyParam(db, 2, 5, nullptr, nullptr), nullptr);  // beyond the area
}

std::deque<uint8_t> g_rx;
uint8_t g_mode[6] = {1, 2, 3, 4, 5, 0x66};
uint8_t g_applied[6];
int g_opens = 0;

TEST_F(OsServices, AQdFrameGivesTheProgrammingPortBackToThePanel) {
  g_opens = 0;
  VcommDriver saved = Vcomm_Drv[1];
  int saved_port = ProgrammingPort;
  uint8_t saved_host = Vcomm_Host;
  Vcomm_Drv[1] = {};
  Vcomm_Drv[1].mode = g_mode;
  Vcomm_Drv[1].check = [] { return g_rx.empty() ? 0 : 1; };
  Vcomm_Drv[1].get = [] {
    int c = g_rx.front();
    g_rx.pop_front();
    return c;
  };
  Vcomm_Drv[1].open = [](const uint8_t* m) {
    std::memcpy(g_applied, m, 6);
    ++g_opens;
    return 1;
  };
  ProgrammingPort = 1;
  Vcomm_Host = 0;
  int h;
  N4Serial_Initialize(&h);
  EXPECT_EQ(N4Serial_Open(&h, nullptr), 1);
  EXPECT_EQ(h, 1);
  uint8_t buf[16];
  EXPECT_EQ(N4Serial_Receive(&h, 16, buf), 0u);  // nothing waits
  g_rx = {'N', '4', 9};
  IsCommMode_Velan = 0;
  EXPECT_EQ(N4Serial_Receive(&h, 16, buf), 3u);
  EXPECT_EQ(n4_rcv, 1);
  g_rx = {'Q', 'D', 0};
  is_n4protocol = 1;
  EXPECT_EQ(N4Serial_Receive(&h, 16, buf), 0u);
  EXPECT_EQ(h, -1);
  EXPECT_EQ(IsCommMode_Velan, 1);
  EXPECT_EQ(is_n4protocol, 0);
  EXPECT_EQ(n4runtime_modbusinit, 1);
  EXPECT_EQ(g_opens, 1);
  EXPECT_EQ(g_applied[0], 5);
  EXPECT_EQ(g_applied[5], 0x61);
  Vcomm_Drv[1] = saved;
  ProgrammingPort = saved_port;
  Vcomm_Host = saved_host;
  n4runtime_modbusinit = 0;
}

TEST_F(OsServices, SocketsOnLoopback) {
  uint8_t addr[16];
  N4Socket_UdpAddrMake(addr, "10.0.0.5:502", 1100);
  sockaddr_in a;
  std::memcpy(&a, addr, 16);
  EXPECT_EQ(ntohs(a.sin_port), 502);
  EXPECT_EQ(ntohl(a.sin_addr.s_addr), 0x0A000005u);

  int listener = -1;
  ASSERT_EQ(N4Socket_CreateListeningSocketOn(0, 8, "127.0.0.1", &listener), 0);
  sockaddr_in bound{};
  socklen_t len = sizeof bound;
  ::getsockname(listener, reinterpret_cast<sockaddr*>(&bound), &len);
  int client = -1, pending = 0;
  ASSERT_EQ(N4Socket_CreateConnectedSocket("127.0.0.1", ntohs(bound.sin_port), &client, &pending), 0);
  int server = -1;
  for (int i = 0; i < 1000 && server < 0; ++i) server = N4Socket_Accept(listener);
  ASSERT_GE(server, 0);
  int lost = 0;
  while (N4Socket_Send(client, 4, reinterpret_cast<const uint8_t*>("N4xy"), &lost) == 1) {
  }
  uint8_t buf[16];
  int got = 0;
  for (int i = 0; i < 100000 && got == 0 && !lost; ++i) got = N4Socket_Receive(server, 16, buf, &lost);
  EXPECT_EQ(got, 4);
  EXPECT_EQ(n4_rcv, 1);
  ::close(client);
  got = 1;
  lost = 0;
  for (int i = 0; i < 100000 && !lost; ++i) got = N4Socket_Receive(server, 16, buf, &lost);
  EXPECT_EQ(lost, 1);  // the peer closed
  EXPECT_EQ(got, 0);
  N4Socket_CloseSocket(server);
  N4Socket_CloseSocket(listener);
}

TEST_F(OsServices, WithoutTheBlockLibraryTheEnumerationIsEmpty) {
  EXPECT_EQ(N4Bdll_OpenDynaLinks(), nullptr);
  EXPECT_EQ(N4Bdll_StartEnumerate(), 0);
  uint32_t id = 0;
  EXPECT_FALSE(N4Bdll_GetFirstID(&id));
}

}  // namespace

namespace {

TEST_F(OsServices, ArraysInTheCtSegmentStayInsideIt) {
  ts::IecImage img;
  img.ext_version = 7;
  img.ct_alloc = 32;
  img.ct_used = 32;
  Built b = Build(img);
  ASSERT_EQ(b.error, 0);
  uint8_t* db = b.db.data();
  SetDint(db, 1, 8);
  SetDint(db, 2, 32);  // one past the end
  EXPECT_EQ(N4Tools_GetD32Array(db, 1), N4VM_AreaPtr(db, kArCt) + 8);
  EXPECT_EQ(N4Tools_GetD32Array(db, 2), nullptr);
  int from_ct = 0;
  EXPECT_EQ(N4Tools_GetStringArray(db, 1, &from_ct), N4VM_AreaPtr(db, kArCt) + 8);
  EXPECT_EQ(from_ct, 1);
}

}  // namespace
