// The programming link over TCP against raw clients, with the test standing in for the
// programming-command processor at the command channel: ownership, busy answers, route
// depth, long commands, long transfers split into frames, the idle time-out, the login
// and the password entries.
#include <gtest/gtest.h>
#include <netinet/tcp.h>

#include <string>
#include <vector>

#include "dpr_internal.h"
#include "ground/cmdhost.h"
#include "ground/regimage.h"
#include "net_fixture.h"
#include "velan_internal.h"

namespace {

using Bytes = std::vector<uint8_t>;

struct Message {
  uint32_t key = 0;
  uint16_t route = 0, status = 0;
  Bytes bytes;
};

class Velan : public nt::NetTest {
 protected:
  void SetUp() override {
    NetTest::SetUp();
    plat::SetPortOffset(ts::FreeLoopbackPort() - velan::kPort);  // board port 18501 on a free port
    Pass();
  }
  void TearDown() override {
    for (int fd : fds_) ::close(fd);
    NetTest::TearDown();
  }
  static void Pass() { EnetMain(0); }

  int Connect() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(uint16_t(plat::HostPort(velan::kPort)));
    EXPECT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    const int one = 1;  // each send its own segment, at once
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    fds_.push_back(fd);
    const int before = Velan_ConnCnt(0);
    for (int i = 0; i < 200 && Velan_ConnCnt(0) == before; ++i) Pass();
    return fd;
  }
  static Bytes Build(uint16_t function, const Bytes& bytes, uint32_t key = 0, uint16_t route = 0,
                     std::size_t length = SIZE_MAX) {
    Bytes m(velan::kHeader);
    velan::Put32(m.data() + velan::kKey, key);
    velan::Put16(m.data() + velan::kRoute, route);
    velan::Put16(m.data() + velan::kAddressA, 0x1111);
    velan::Put16(m.data() + velan::kFunction, function);
    velan::Put16(m.data() + velan::kEcho, 0x2424);
    velan::Put16(m.data() + velan::kLength, uint16_t(length == SIZE_MAX ? bytes.size() : length));
    m.insert(m.end(), bytes.begin(), bytes.end());
    return m;
  }
  static void Send(int fd, const Bytes& b) { ASSERT_EQ(::send(fd, b.data(), b.size(), MSG_NOSIGNAL), ssize_t(b.size())); }
  // Passes until one whole message came (nullopt-like: status 0xFFFF when none).
  static Message Await(int fd, int passes = 300) {
    Bytes got;
    for (int i = 0; i < passes; ++i) {
      Pass();
      uint8_t buf[2048];
      const ssize_t r = ::recv(fd, buf, sizeof buf, MSG_DONTWAIT | MSG_PEEK);
      if (r >= ssize_t(velan::kHeader) && r >= ssize_t(velan::kHeader + velan::Get16(buf + velan::kLength))) {
        const std::size_t n = velan::kHeader + velan::Get16(buf + velan::kLength);
        ::recv(fd, buf, n, 0);
        EXPECT_EQ(velan::Get16(buf + velan::kAddressA), 0x1111);
        EXPECT_EQ(velan::Get16(buf + velan::kEcho), 0x2424);
        return {velan::Get32(buf), velan::Get16(buf + velan::kRoute), velan::Get16(buf + velan::kFunction),
                Bytes(buf + velan::kHeader, buf + n)};
      }
      ::usleep(50);
    }
    return {0, 0, 0xFFFF, {}};
  }
  // The processor's side: what the channel holds, and a reply.
  static Bytes Channel() {
    Bytes out;
    while (Etn_CheckRx()) out.push_back(uint8_t(Etn_GetRx()));
    return out;
  }
  static void Answer(const Bytes& b) { Etn_PutnTx(b.data(), uint32_t(b.size())); }
  static void PollToggle() { Etn_PutTx('p'); }

 private:
  std::vector<int> fds_;
};

const Bytes kRead = {22, 4, 1, 16, 0x00, 0x80, 0xAA};  // a frame of the command protocol

TEST_F(Velan, TheOwnersCommandReachesTheChannelAndItsReplyComesBack) {
  EXPECT_EQ(Velan_ConnCnt(0), 0);
  const int fd = Connect();
  EXPECT_EQ(Velan_ConnCnt(0), 1);
  Send(fd, Build(0, kRead, 0x77, 1));
  Pass();
  EXPECT_EQ(Channel(), kRead);
  Answer({0xFF, 2, 0x34, 0x12, 0xB7});
  const Message reply = Await(fd);
  EXPECT_EQ(reply.status, velan::kDone);
  EXPECT_EQ(reply.key, 0x77u);
  EXPECT_EQ(reply.route, 1);
  EXPECT_EQ(reply.bytes, (Bytes{0xFF, 2, 0x34, 0x12, 0xB7}));
}

TEST_F(Velan, ASecondClientIsBusyUntilTheOwnersExchangeEndsWithAPoll) {
  const int first = Connect(), second = Connect();
  Send(first, Build(0, kRead));
  Pass();
  Send(second, Build(0, kRead));
  const Message busy = Await(second);
  EXPECT_EQ(busy.status, velan::kBusy);
  EXPECT_EQ(busy.bytes, (Bytes{0x60}));
  EXPECT_EQ(Channel(), kRead) << "the owner's request only";
  Answer({0xA0});
  EXPECT_EQ(Await(first).bytes, (Bytes{0xA0}));
  Send(second, Build(0, kRead));
  EXPECT_EQ(Await(second).status, velan::kBusy) << "the exchange has not ended";
  PollToggle();
  Pass();
  Send(second, Build(0, kRead));
  Pass();
  EXPECT_EQ(Channel(), kRead);
  Answer({0xA0});
  EXPECT_EQ(Await(second).bytes, (Bytes{0xA0}));
}

TEST_F(Velan, RouteTooDeepLongCommandsAndMessagesSplitAcrossReceives) {
  const int fd = Connect();
  Send(fd, Build(0, kRead, 0, 3));
  const Message deep = Await(fd);
  EXPECT_EQ(deep.status, velan::kRouteTooDeep);
  EXPECT_EQ(deep.route, 2);
  EXPECT_TRUE(Channel().empty());
  Bytes eighty(80);
  for (int i = 0; i < 80; ++i) eighty[i] = uint8_t(i + 1);
  const Bytes whole = Build(0, eighty);
  Send(fd, Bytes(whole.begin(), whole.begin() + 20));
  for (int i = 0; i < 5; ++i) Pass();
  EXPECT_TRUE(Channel().empty()) << "nothing before the message is whole";
  Send(fd, Bytes(whole.begin() + 20, whole.end()));
  for (int i = 0; i < 5; ++i) Pass();
  EXPECT_EQ(Channel(), Bytes(eighty.begin(), eighty.begin() + 67));
}

TEST_F(Velan, ASegmentedTransferIsPassedOnInFramesOfSixtyFourEachAfterTheLastReply) {
  const int fd = Connect();
  Send(fd, Build(0, {4, 6, 1, 0, 0, 0, 0, 0, 0}));  // a download request starts the transfer mode
  Pass();
  Channel();
  Answer({0xA0});
  EXPECT_EQ(Await(fd).bytes, (Bytes{0xA0}));
  Bytes data(200);
  for (int i = 0; i < 200; ++i) data[i] = uint8_t(i);
  Bytes segment = {0xFF, 0};
  segment.insert(segment.end(), data.begin(), data.end());
  segment.push_back(0);  // the check byte: the panel builds each frame's own
  Send(fd, Build(0, segment));
  std::size_t at = 0;
  for (std::size_t n : {64u, 64u, 64u, 8u}) {
    Bytes frame;
    for (int i = 0; i < 50 && frame.empty(); ++i) {
      Pass();
      frame = Channel();
    }
    ASSERT_EQ(frame.size(), n + 3);
    EXPECT_EQ(frame[0], 0xFF);
    EXPECT_EQ(frame[1], n);
    EXPECT_EQ(Bytes(frame.begin() + 2, frame.end() - 1), Bytes(data.begin() + long(at), data.begin() + long(at + n)));
    EXPECT_EQ(frame.back(), velan::FrameCheck(uint8_t(n), frame.data() + 2, n));
    at += n;
    for (int i = 0; i < 5; ++i) Pass();
    EXPECT_TRUE(Channel().empty()) << "the next frame waits for the reply to this one";
    Answer({0xA0});
    EXPECT_EQ(Await(fd).bytes, (Bytes{0xA0}));
  }
}

TEST_F(Velan, ASilentClientIsDroppedAfterThirtySecondsAndLeavesNoOwner) {
  const int fd = Connect();
  Send(fd, Build(0, kRead));
  Pass();
  Channel();
  Answer({0xA0});
  Await(fd);
  clock().AdvanceMs(29999);
  Pass();
  EXPECT_EQ(Velan_ConnCnt(0), 1);
  clock().AdvanceMs(1);
  Pass();
  EXPECT_EQ(Velan_ConnCnt(0), 0);
  // Another client owns the channel at once.
  const int other = Connect();
  Send(other, Build(0, kRead));
  Pass();
  EXPECT_EQ(Channel(), kRead);
}

// The security block's entries: entry 0 at the setting word with the flag byte, the
// others beside it.
void Passwords(uint32_t master, uint32_t user) {
  dpr::Put32(dpr::kSecuritySetting, master);
  DprMap[dpr::kSecurityFlags] = 0x10;
  dpr::Put32(dpr::kSecurityEntries, user);
  DprMap[dpr::kSecurityEntries2] = 0x10;
}

TEST_F(Velan, PasswordsAndTheChallengeLogin) {
  Passwords(1111, 2222);
  const int fd = Connect();
  Send(fd, Build(0, kRead, 9999));
  EXPECT_EQ(Await(fd).status, velan::kRefused);
  EXPECT_TRUE(Channel().empty());
  for (uint32_t key : {1111u, 2222u}) {
    Send(fd, Build(0, kRead, key));
    Pass();
    EXPECT_EQ(Channel(), kRead) << key;
    Answer({0xA0});
    Await(fd);
  }
  // A login response with no challenge outstanding logs nobody in.
  Send(fd, Build(velan::kLoginResponse, {}, 0));
  EXPECT_EQ(Await(fd).status, velan::kRefused);
  Send(fd, Build(0, kRead, 0));
  EXPECT_EQ(Await(fd).status, velan::kRefused);
  // Challenge, then its un-masked value: commands pass without a password.
  SrSet(44, 3);  // the clock registers: the map's clock bytes follow them every pass
  SrSet(46, 7);
  Pass();
  Send(fd, Build(velan::kLoginRequest, {}));
  const Message challenge = Await(fd);
  ASSERT_EQ(challenge.status, velan::kDone);
  const uint32_t masked = challenge.key ^ 0x5B17E0A4u;
  const uint32_t answer = (masked << 16) | (masked >> 16);
  EXPECT_EQ(answer, (3u + 7u) * 3u * 47u);
  // A wrong answer uses the challenge up: the right one after it is refused.
  Send(fd, Build(velan::kLoginResponse, {}, answer + 1));
  EXPECT_EQ(Await(fd).status, velan::kRefused);
  Send(fd, Build(velan::kLoginResponse, {}, answer));
  EXPECT_EQ(Await(fd).status, velan::kRefused);
  Send(fd, Build(velan::kLoginRequest, {}));
  Await(fd);
  Send(fd, Build(velan::kLoginResponse, {}, answer));
  EXPECT_EQ(Await(fd).status, velan::kDone);
  Send(fd, Build(0, kRead, 0));
  Pass();
  EXPECT_EQ(Channel(), kRead);
  Answer({0xA0});
  Await(fd);
  // The login lasts 60 s.
  clock().AdvanceMs(20000);
  Send(fd, Build(0, kRead, 0));  // keeps the connection from its idle time-out
  Pass();
  Channel();
  Answer({0xA0});
  Await(fd);
  clock().AdvanceMs(20000);
  Send(fd, Build(0, kRead, 0));
  Pass();
  Channel();
  Answer({0xA0});
  Await(fd);
  clock().AdvanceMs(20000);
  Send(fd, Build(0, kRead, 0));
  EXPECT_EQ(Await(fd).status, velan::kRefused);
  // Logout ends a login at once.
  Send(fd, Build(velan::kLoginRequest, {}));
  Await(fd);
  Send(fd, Build(velan::kLoginResponse, {}, answer));
  EXPECT_EQ(Await(fd).status, velan::kDone);
  Send(fd, Build(velan::kLogout, {}));
  EXPECT_EQ(Await(fd).status, velan::kDone);
  Send(fd, Build(0, kRead, 0));
  EXPECT_EQ(Await(fd).status, velan::kRefused);
}

TEST_F(Velan, ALengthNoMessageCanHaveClosesTheConnection) {
  const int fd = Connect();
  Send(fd, Build(0, {}, 0, 0, 0xFFFF));
  for (int i = 0; i < 20; ++i) Pass();
  EXPECT_EQ(Velan_ConnCnt(0), 0);
  uint8_t b;
  EXPECT_EQ(::recv(fd, &b, 1, MSG_DONTWAIT), 0);
}

}  // namespace
