// ASCII over TCP against a raw client: the send block cut to 2000 bytes, the terminator,
// a full segment and its continuation within and after 50 ms, leaving Run mode.
#include <gtest/gtest.h>
#include <netinet/tcp.h>

#include <string>
#include <vector>

#include "ascii_internal.h"
#include "ground/regimage.h"
#include "net_fixture.h"
#include "testsupport/eth_config.h"

namespace {

using Bytes = std::vector<uint8_t>;

constexpr uint32_t R(uint32_t n) { return reg::kTokR + 16 * (n - 1); }
constexpr uint32_t kSend = R(1), kRequest = R(1100), kReceive = R(1200), kStatus = R(2300);
constexpr uint16_t kPort = 4000;

class Ascii : public nt::NetTest {
 protected:
  void SetUp() override {
    NetTest::SetUp();
    const uint32_t words[6] = {0, kPort, kSend, kRequest, kReceive, kStatus};
    ts::InstallWiredConfig(ts::EthConfigBuilder(0xC0A80A14, 0xFFFFFF00).Add({}).Ascii(words).Bytes());
    Set16(R(1201), ascii::kNoTerminator);
    SrSet(5, 2);
    for (int i = 0; i < 4; ++i) Pass();
    fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(uint16_t(plat::HostPort(kPort)));
    ASSERT_EQ(::connect(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    const int one = 1;
    ::setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    for (int i = 0; i < 200 && !Ascii_cnn_cnt(0); ++i) Pass();
    ASSERT_EQ(Ascii_cnn_cnt(0), 1);
  }
  void TearDown() override {
    ::close(fd_);
    NetTest::TearDown();
  }
  static void Pass() { EnetMain(0); }
  void Send(const Bytes& b) { ASSERT_EQ(::send(fd_, b.data(), b.size(), MSG_NOSIGNAL), ssize_t(b.size())); }
  // Passes until the status register shows a reception.
  static void AwaitReception() {
    Set16(kStatus, 0);
    for (int i = 0; i < 400 && !(Get16(kStatus) & ascii::kReceived); ++i) {
      Pass();
      ::usleep(50);
    }
    ASSERT_TRUE(Get16(kStatus) & ascii::kReceived);
  }
  static uint16_t Length() { return Get16(kReceive); }
  static uint16_t Pair(uint32_t i) { return Get16(kReceive + 32 + 16 * i); }
  int fd_ = -1;
};

TEST_F(Ascii, ASendOf2500BytesSends2000AndSetsBitOne) {
  Set16(kSend, 2500);
  for (uint32_t i = 0; i < 1250; ++i) Set16(kSend + 32 + 16 * i, uint16_t(('a' + i % 26) | ('A' + i % 26) << 8));
  Set16(kRequest, 1);
  std::string got;
  for (int i = 0; i < 400 && got.size() < 2000; ++i) {
    Pass();
    char buf[4096];
    const ssize_t r = ::recv(fd_, buf, sizeof buf, MSG_DONTWAIT);
    if (r > 0) got.append(buf, std::size_t(r));
  }
  ASSERT_EQ(got.size(), 2000u);
  EXPECT_EQ(got.substr(0, 4), "aAbB");
  const std::string last = {char('a' + 999 % 26), char('A' + 999 % 26)};
  EXPECT_EQ(got.substr(1998), last);
  EXPECT_EQ(Get16(kRequest), 0);
  EXPECT_EQ(Get16(kStatus) & ascii::kSendCut, ascii::kSendCut);
}

TEST_F(Ascii, TheTerminatorEndsTheStoredText) {
  struct Case {
    Bytes received;
    uint16_t length;
    std::vector<uint16_t> pairs;
  };
  const Case cases[] = {
      {{'A', 'B', 13}, 2, {'A' | 'B' << 8, 0}},
      {{'A', 'B', 'C', 13}, 3, {'A' | 'B' << 8, 'C'}},
      {{13, 'A'}, 0, {0}},
      {{'A', 'B', 'C'}, 3, {'A' | 'B' << 8, 'C'}},
  };
  Set16(R(1201), 13);
  for (const Case& c : cases) {
    for (uint32_t i = 0; i < 4; ++i) Set16(kReceive + 32 + 16 * i, 0);
    Send(c.received);
    AwaitReception();
    EXPECT_EQ(Length(), c.length);
    for (std::size_t i = 0; i < c.pairs.size(); ++i) EXPECT_EQ(Pair(uint32_t(i)), c.pairs[i]) << i;
  }
}

TEST_F(Ascii, AFullSegmentAndItsContinuationWithinFiftyMillisecondsMakeOneText) {
  Send(Bytes(1380, 'x'));
  AwaitReception();
  EXPECT_EQ(Length(), 1380);
  clock().AdvanceMs(20);
  Send(Bytes(700, 'y'));
  AwaitReception();
  EXPECT_EQ(Length(), 2000);
  EXPECT_EQ(Pair(689), 'x' | 'x' << 8);
  EXPECT_EQ(Pair(690), 'y' | 'y' << 8);
  EXPECT_EQ(Pair(999), 'y' | 'y' << 8);
  EXPECT_EQ(Get16(kStatus) & ascii::kContinuationCut, ascii::kContinuationCut);
}

TEST_F(Ascii, TheSameSegmentsEightyMillisecondsApartMakeTwoTexts) {
  Send(Bytes(1380, 'x'));
  AwaitReception();
  clock().AdvanceMs(80);
  Send(Bytes(700, 'y'));
  AwaitReception();
  EXPECT_EQ(Length(), 620);
  EXPECT_EQ(Pair(0), 'y' | 'y' << 8);
  EXPECT_EQ(Pair(689), 'x' | 'x' << 8) << "the rest of the first text stays";
}

TEST_F(Ascii, LeavingRunModeClosesTheClientsConnection) {
  SrSet(5, 0);
  for (int i = 0; i < 3; ++i) Pass();
  EXPECT_EQ(Ascii_cnn_cnt(0), 0);
  uint8_t b;
  EXPECT_EQ(::recv(fd_, &b, 1, MSG_DONTWAIT), 0);
}

}  // namespace
