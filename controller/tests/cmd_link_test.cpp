// The programming link as the command server keeps it: hosts that poll while another
// holds the link, the communication lock, and pass-through to another node.
#include <gtest/gtest.h>

#include "cmd_fixture.h"

namespace {

using kt::Bytes;
using kt::Cat;
using kt::g_channel;
using kt::g_network;
using kt::Le16;
using CmdLink = kt::CmdServerTest;

constexpr uint8_t kGetMode = 1;
constexpr uint8_t kCommLock = 25;

TEST_F(CmdLink, AnotherHostIsBusyWhileTheLinkIsHeld) {
  const Bytes request = Req(kGetMode, {kLocal});
  // The USB host is in the middle of a frame.
  g_channel[kHostUsb].Send(Bytes(request.begin(), request.begin() + 2));
  Cmd_Check();
  // The serial host polls: refused and its input dropped.
  EXPECT_EQ(Exchange(request, kHostSerial), Bytes{0x60});
  EXPECT_EQ(g_channel[kHostSerial].flushes, 1);
  // The USB host finishes and is served; the link drops, the Ethernet channel hears it.
  g_channel[kHostUsb].Send(Bytes(request.begin() + 2, request.end()));
  EXPECT_EQ(DataOf(Run(kHostUsb)), Bytes{0});
  EXPECT_EQ(Run(kHostEthernet), Bytes{0x70});
  // Now the serial host takes the link over.
  EXPECT_EQ(DataOf(Exchange(request, kHostSerial)), Bytes{0});
  EXPECT_EQ(Vcomm_Host, kHostSerial);
}

TEST_F(CmdLink, ARemoteMasterOnTheNetworkIsServedThroughIt) {
  // The network layer hands the link to a remote master (mode 2).
  ASSERT_EQ(Vcomm_ModeSet(0, kHostUsb, 2, 9), 1);
  g_network.Send(Req(kGetMode, {kLocal}));
  Cmd_Check();
  EXPECT_EQ(DataOf(g_network.Take()), Bytes{0});
  EXPECT_EQ(kt::g_network_modes.back(), 2);
  // A host polling meanwhile is told once that the link is busy.
  Vcomm_LockSet(1);
  g_channel[kHostUsb].Send(Req(kGetMode, {kLocal}));
  Cmd_Check();
  Cmd_Check();
  EXPECT_EQ(g_channel[kHostUsb].Take(), Bytes{0x60});
  EXPECT_TRUE(g_channel[kHostUsb].in.empty());
}

TEST_F(CmdLink, CommunicationLockKeepsOtherHostsOutUntilReleasedOrTimedOut) {
  const Bytes request = Req(kGetMode, {kLocal});
  struct Case {
    const char* how;
    bool release;
  };
  for (const Case& c : {Case{"released", true}, Case{"timed out", false}}) {
    AdvanceMs(10'000);
    Cmd_Check();
    EXPECT_EQ(Exchange(Req(kCommLock, {kLocal, 1}), kHostUsb), Bytes{0xA0}) << c.how;
    EXPECT_EQ(Vcomm_Lock & 0x02, 0x02);
    // The tool that holds the lock goes on with its requests; the other host waits.
    EXPECT_EQ(DataOf(Exchange(request, kHostUsb)), Bytes{0}) << c.how;
    EXPECT_EQ(Exchange(request, kHostSerial), Bytes{0x60}) << c.how;
    if (c.release) {
      EXPECT_EQ(Exchange(Req(kCommLock, {kLocal, 0}), kHostUsb), Bytes{0xA0});
    } else {
      AdvanceMs(4999);
      EXPECT_EQ(Exchange(request, kHostSerial), Bytes{0x60}) << "within the hold time";
      AdvanceMs(1);
      Cmd_Check();
    }
    EXPECT_EQ(DataOf(Exchange(request, kHostSerial)), Bytes{0}) << c.how;
  }
}

TEST_F(CmdLink, CommunicationLockSetsTheTimeOuts) {
  struct Case {
    Bytes fields;  // after node and lock byte
    uint16_t sr136, sr137;
  };
  const Case cases[] = {
      {{}, 1000, 600},                              // no time-outs in the request
      {Le16(2000), 2000, 2000},                     // count 4: both
      {Le16(499), 1000, 600},                       // below 500: ignored
      {Cat({Le16(3000), Le16(800)}), 3000, 800},    // count 6: each its own
      {Cat({Le16(3000), Le16(100)}), 3000, 600},
  };
  for (const Case& c : cases) {
    SrSet(136, 1000);
    SrSet(137, 600);
    AdvanceMs(10'000);
    EXPECT_EQ(Exchange(Req(kCommLock, Cat({{kLocal, 2}, c.fields}))), Bytes{0xA0});
    EXPECT_EQ(SrGet(136), c.sr136) << c.fields.size();
    EXPECT_EQ(SrGet(137), c.sr137) << c.fields.size();
  }
}

// Pass-through: the node's answers, as the fake CAN network delivers them.
class CmdRelay : public kt::CmdServerTest {
 protected:
  static constexpr uint8_t kNode = 7;
  // Runs passes until the host has heard something or the passes are used up.
  Bytes HostHears(int passes = 4) { return Run(kHostUsb, passes); }
  Bytes NodeHears() { return g_network.Take(); }
  void NodeSends(const Bytes& b) { g_network.Send(b); }
};

TEST_F(CmdRelay, OneReplyFrame) {
  const Bytes request = Req(kGetMode, {kNode});
  EXPECT_TRUE(Exchange(request).empty());
  EXPECT_EQ(NodeHears(), request);
  NodeSends(Req(0xFF, {2}));
  EXPECT_EQ(DataOf(HostHears()), Bytes{2});
  EXPECT_EQ(CmdRun, 255);
}

TEST_F(CmdRelay, AnAcknowledgedLockIsAppliedHereToo) {
  EXPECT_TRUE(Exchange(Req(kCommLock, {kNode, 1})).empty());
  EXPECT_EQ(g_network.flushes, 1) << "the network queue is emptied first";
  NodeHears();
  NodeSends({0xA0});
  EXPECT_EQ(HostHears(), Bytes{0xA0});
  EXPECT_EQ(Vcomm_Lock & 0x02, 0x02);
}

TEST_F(CmdRelay, DownloadFramesGoToTheNodeAndItsBytesBack) {
  const Bytes request = Req(4, Cat({{kNode, 0}, kt::Le32(0)}));
  EXPECT_TRUE(Exchange(request).empty());
  EXPECT_EQ(NodeHears(), request);
  NodeSends({0xA0});
  EXPECT_EQ(HostHears(), Bytes{0xA0});
  for (const Bytes& data : {Bytes{1, 2, 3}, Bytes{}}) {
    const Bytes frame = Req(0xFF, data);
    EXPECT_TRUE(Exchange(frame).empty());
    EXPECT_EQ(NodeHears(), frame);
    NodeSends({0xA0});
    EXPECT_EQ(HostHears(), Bytes{0xA0});
  }
  EXPECT_EQ(CmdRun, 255) << "the empty frame ended it";
}

TEST_F(CmdRelay, UploadFramesComeFromTheNodeAndTheHostsBytesGoBack) {
  const Bytes request = Req(5, {kNode, 0});
  EXPECT_TRUE(Exchange(request).empty());
  EXPECT_EQ(NodeHears(), request);
  NodeSends({0xA0});
  EXPECT_EQ(HostHears(), Bytes{0xA0});
  for (const Bytes& data : {Bytes{9, 8}, Bytes{}}) {
    NodeSends(Req(0xFF, data));
    EXPECT_EQ(DataOf(HostHears()), data);
    g_channel[kHostUsb].Send({0xA0});
    Cmd_Check();
    EXPECT_EQ(NodeHears(), Bytes{0xA0});
  }
  EXPECT_EQ(CmdRun, 255);
}

TEST_F(CmdRelay, NothingIsRelayedWhileSr4Bit10IsSet) {
  SrSet(4, 0x10);
  EXPECT_TRUE(Exchange(Req(kGetMode, {kNode})).empty());
  EXPECT_TRUE(NodeHears().empty());
  EXPECT_EQ(CmdRun, 255);
}

TEST_F(CmdRelay, ASilentNodeEndsTheExchangeOnTheLinkTimer) {
  EXPECT_TRUE(Exchange(Req(kGetMode, {kNode})).empty());
  AdvanceMs(500);
  Cmd_Check();
  EXPECT_EQ(CmdRun, 255);
  EXPECT_EQ(Vcomm_Lock, 0);
  // The host is served again.
  EXPECT_EQ(DataOf(Exchange(Req(kGetMode, {kLocal}))), Bytes{0});
}

}  // namespace
