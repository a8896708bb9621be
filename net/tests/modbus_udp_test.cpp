// The Modbus server over UDP, and both transports against pymodbus: every answer goes to
// the sender of the request it answers, malformed datagrams are dropped, the enable flag
// does not stop UDP, leaving Run mode does.
#include "modbus_fixture.h"
#include "testsupport/child_process.h"

namespace {

using mt::Bytes;
using mt::ModbusTest;

class ModbusUdp : public ModbusTest {};

// pymodbus as the client, over TCP and over UDP.
class ModbusPymodbus : public ModbusTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(ModbusPymodbus, ReadsWritesAndExceptions) {
  const bool udp = std::string(GetParam()) == "udp";
  Start(udp ? mt::UdpConfig() : mt::TcpConfig());
  Set16(reg::kTokAQ, 4660);
  ts::ChildProcess peer("/usr/bin/python3", {PANEL_SOURCE_DIR "/testsupport/peers/modbus_net_client.py", "--transport",
                                             GetParam(), "--port", std::to_string(Port())});
  ASSERT_TRUE(peer.started());
  int rc = -1;
  WithClient([&] { rc = peer.Wait(std::chrono::seconds(9)); });
  EXPECT_EQ(rc, 0) << peer.output();
  EXPECT_NE(peer.output().find("read 4660"), std::string::npos) << peer.output();
  EXPECT_EQ(Get16(reg::kTokR), 0x1234);
  EXPECT_EQ(GetBit(reg::kTokQ), 1);
}

INSTANTIATE_TEST_SUITE_P(Transports, ModbusPymodbus, ::testing::Values("tcp", "udp"));

Bytes Receive(int fd) {
  uint8_t buf[300];
  const ssize_t r = ::recv(fd, buf, sizeof buf, MSG_DONTWAIT);
  return r > 0 ? Bytes(buf, buf + r) : Bytes{};
}

// Passes until each socket got one datagram (or the passes ran out).
std::vector<Bytes> AwaitEach(const std::vector<int>& fds, int passes = 400) {
  std::vector<Bytes> got(fds.size());
  for (int i = 0; i < passes; ++i) {
    ModbusTest::Pass();
    bool all = true;
    for (std::size_t k = 0; k < fds.size(); ++k) {
      if (got[k].empty()) got[k] = Receive(fds[k]);
      all = all && !got[k].empty();
    }
    if (all) break;
    ::usleep(100);
  }
  return got;
}

TEST_F(ModbusUdp, EveryAnswerGoesToTheSenderOfItsRequest) {
  Start(mt::UdpConfig());
  Set16(reg::kTokAQ, 0x0A0A);
  const int a = Udp(), b = Udp(), c = Udp();
  // A read (answered a pass later) and, behind it, a write and an exception from others.
  SendTo(a, ReadHolding(1, 0, 1));
  SendTo(b, Adu(2, {6, 0, 1, 0x0B, 0x0B}));
  SendTo(c, Adu(3, {8, 0, 0, 0, 0}));
  const std::vector<Bytes> got = AwaitEach({a, b, c});
  EXPECT_EQ(got[0], (Bytes{0, 1, 0, 0, 0, 5, 1, 3, 2, 0x0A, 0x0A}));
  EXPECT_EQ(got[1], (Bytes{0, 2, 0, 0, 0, 6, 1, 6, 0, 1, 0x0B, 0x0B}));
  EXPECT_EQ(got[2], (Bytes{0, 3, 0, 0, 0, 3, 1, 0x88, 1}));
}

TEST_F(ModbusUdp, AReadWhoseReplyFindsNoPacketIsAnsweredLater) {
  Start(mt::UdpConfig());
  Set16(reg::kTokAQ, 0x0C0C);
  const int a = Udp();
  SendTo(a, ReadHolding(5, 0, 1));
  Pass();  // takes the read; its reply is due on the next pass
  std::vector<nx::Packet*> held;
  nx::Packet* p = nullptr;
  while (nx::_nx_packet_allocate(&EnetPacketPoolCtrl, &p, 0, 0) == nx::kSuccess) held.push_back(p);
  Pass();
  EXPECT_TRUE(Receive(a).empty());
  for (nx::Packet* h : held) nx::_nx_packet_release(h);
  EXPECT_EQ(AwaitEach({a})[0], (Bytes{0, 5, 0, 0, 0, 5, 1, 3, 2, 0x0C, 0x0C}));
}

// The server's replies come from a pool of the test's own (the pool the hub hands the
// module), so that a reply finds no packet while requests are still received.
TEST_F(ModbusUdp, AReadRetriedAfterAnotherSendersDatagramGoesToItsOwnSender) {
  Start(mt::UdpConfig());
  Set16(reg::kTokAQ, 0x0D0D);
  static uint8_t memory[nx::kPoolMemorySize];
  static nx::PacketPool replies;
  ASSERT_EQ(nx::_nx_packet_pool_create(&replies, "replies", nx::kPayloadSize, memory, sizeof memory), nx::kSuccess);
  ASSERT_EQ(Modbus_Init(&Enet_IpInstance[0], &replies), 0);
  Pass();  // bound again
  std::vector<nx::Packet*> held;
  nx::Packet* p = nullptr;
  while (nx::_nx_packet_allocate(&replies, &p, 0, 0) == nx::kSuccess) held.push_back(p);
  const int asker = Udp(), other = Udp();
  SendTo(asker, ReadHolding(1, 0, 1));
  Pass();  // takes the read
  SendTo(other, Adu(2, {7}));
  Pass();  // the read's reply finds no packet; the other datagram is taken (its reply is lost)
  for (nx::Packet* h : held) nx::_nx_packet_release(h);
  const std::vector<Bytes> got = AwaitEach({asker, other}, 50);
  EXPECT_EQ(got[0], (Bytes{0, 1, 0, 0, 0, 5, 1, 3, 2, 0x0D, 0x0D}));
  EXPECT_TRUE(got[1].empty());
}

TEST_F(ModbusUdp, MalformedDatagramsAreDroppedAndTrailingBytesIgnored) {
  Start(mt::UdpConfig());
  const int a = Udp();
  const Bytes request = ReadHolding(4, 0, 1);
  SendTo(a, Bytes(request.begin(), request.begin() + 5));  // shorter than a header
  Bytes short_of_length = request;
  short_of_length[5] = 7;  // claims one byte more than it carries
  SendTo(a, short_of_length);
  EXPECT_TRUE(AwaitEach({a}, 30)[0].empty());
  Bytes past_largest = request;  // length 255: one more than a request can have
  past_largest.resize(6 + 255, 0xEE);
  past_largest[4] = 0;
  past_largest[5] = 255;
  SendTo(a, past_largest);
  EXPECT_TRUE(AwaitEach({a}, 30)[0].empty());
  Bytes largest = past_largest;  // length 254, the largest, padded to it
  largest.resize(6 + 254);
  largest[5] = 254;
  SendTo(a, largest);
  EXPECT_EQ(AwaitEach({a})[0], (Bytes{0, 4, 0, 0, 0, 5, 1, 3, 2, 0, 0}));
  Bytes trailing = request;
  trailing.push_back(0xEE);
  SendTo(a, trailing);
  EXPECT_EQ(AwaitEach({a})[0], (Bytes{0, 4, 0, 0, 0, 5, 1, 3, 2, 0, 0}));
}

TEST_F(ModbusUdp, AnswersWithModbusSwitchedOffAndStopsOutsideRunMode) {
  Start(mt::UdpConfig(0, mt::kModbusOff));
  EXPECT_EQ(Modbus_Conn_Cnt(0), 1);
  const int a = Udp();
  SendTo(a, ReadHolding(1, 0, 1));
  EXPECT_EQ(AwaitEach({a})[0].size(), 11u);
  SrSet(5, 0);
  for (int i = 0; i < 3; ++i) Pass();
  SendTo(a, ReadHolding(2, 0, 1));
  EXPECT_TRUE(AwaitEach({a}, 50)[0].empty());
}

}  // namespace
