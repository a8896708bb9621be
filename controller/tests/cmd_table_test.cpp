// The command table, one case per command byte: how a request addressed to this panel,
// to another node and to every node (255) is served.
#include <gtest/gtest.h>

#include <string>

#include "cmd_fixture.h"
#include "platform/trace.h"
#include "testsupport/stepping_clock.h"

namespace {

using kt::Bytes;
using kt::g_channel;
using kt::g_network;

enum class Answer { kAck, kNak, kRefused, kFrame, kNone };

struct Row {
  uint8_t command;
  Answer local;  // the answer to a minimal request {node} addressed to this panel
  bool any_node;
  bool broadcast;
};

// Written from the command table: which rows run on any node and which may be broadcast,
// and what each command answers to a request that carries only the node id.
const Row kRows[] = {
    {0, Answer::kRefused, false, false},  {1, Answer::kFrame, false, false},
    {2, Answer::kAck, false, true},       {3, Answer::kAck, false, false},
    {4, Answer::kAck, false, false},      {5, Answer::kAck, false, false},
    {6, Answer::kRefused, false, false},  {7, Answer::kRefused, false, false},
    {8, Answer::kFrame, false, false},    {9, Answer::kFrame, true, false},
    {10, Answer::kAck, true, false},      {11, Answer::kRefused, true, false},
    {12, Answer::kRefused, true, false},  {13, Answer::kRefused, false, false},
    {14, Answer::kRefused, false, false}, {15, Answer::kRefused, false, false},
    {16, Answer::kRefused, false, false}, {17, Answer::kRefused, false, false},
    {18, Answer::kRefused, false, false}, {19, Answer::kAck, false, true},
    {20, Answer::kAck, false, false},     {21, Answer::kRefused, false, false},
    {22, Answer::kNak, false, false},     {23, Answer::kFrame, false, false},
    {24, Answer::kAck, false, true},      {25, Answer::kAck, false, false},
    {26, Answer::kRefused, false, false}, {27, Answer::kAck, false, false},
    {28, Answer::kRefused, false, false}, {29, Answer::kRefused, false, false},
    {30, Answer::kRefused, false, false}, {31, Answer::kRefused, false, false},
    {32, Answer::kRefused, false, false}, {33, Answer::kRefused, false, false},
    {34, Answer::kRefused, false, false}, {35, Answer::kRefused, false, false},
    {36, Answer::kNone, false, false},    {37, Answer::kNak, false, false},
    {38, Answer::kAck, false, false},
    // Above the table: run as command 0.
    {39, Answer::kRefused, false, false}, {40, Answer::kRefused, false, false},
    {0xFE, Answer::kRefused, false, false},
};

void PrintTo(const Row& r, std::ostream* os) { *os << "command " << int(r.command); }

class CmdTable : public kt::CmdServerTest, public ::testing::WithParamInterface<Row> {
 protected:
  void ExpectAnswer(const Bytes& got, Answer want) {
    switch (want) {
      case Answer::kAck: EXPECT_EQ(got, Bytes{0xA0}); break;
      case Answer::kNak: EXPECT_EQ(got, Bytes{0x0F}); break;
      case Answer::kRefused: EXPECT_EQ(got, Bytes{0x09}); break;
      case Answer::kFrame: EXPECT_TRUE(kt::ParseData(seed(), got).has_value()) << ::testing::PrintToString(got); break;
      case Answer::kNone: EXPECT_TRUE(got.empty()) << ::testing::PrintToString(got); break;
    }
  }
  Bytes ServeWithTime(const Bytes& request) {
    // Command 20 waits 10 ms before the restart: time moves on its own here.
    if (GetParam().command == 20) {
      ts::SteppingClock stepping(100'000);
      return Exchange(request);
    }
    return Exchange(request);
  }
};

TEST_P(CmdTable, ToThisPanel) {
  const Row& r = GetParam();
  ExpectAnswer(ServeWithTime(Req(r.command, {kLocal})), r.local);
  EXPECT_TRUE(g_network.out.empty());
  // Verify, download and upload go on with their data; every other answer ends its command.
  const bool transfer = r.command == 3 || r.command == 4 || r.command == 5;
  if (r.local != Answer::kNone && !transfer) {
    EXPECT_EQ(CmdRun, 255);
  }
}

TEST_P(CmdTable, ToAnotherNode) {
  const Row& r = GetParam();
  const Bytes request = Req(r.command, {7});
  const Bytes got = ServeWithTime(request);
  if (r.any_node) {
    ExpectAnswer(got, r.local);
    EXPECT_TRUE(g_network.out.empty());
  } else {
    // Relayed as it came; the host hears nothing until the node answers.
    EXPECT_TRUE(got.empty()) << ::testing::PrintToString(got);
    EXPECT_EQ(g_network.out, request);
    EXPECT_EQ(Vcomm_Mode, 1);
    EXPECT_EQ(Vcomm_ConnectId, 7);
  }
}

TEST_P(CmdTable, ToEveryNode) {
  const Row& r = GetParam();
  const Bytes request = Req(r.command, {255});
  const Bytes got = ServeWithTime(request);
  if (r.command == 9) {
    EXPECT_EQ(DataOf(got), Bytes{kLocal});
  } else if (r.broadcast) {
    // Served here without an answer, and passed on to the other nodes.
    EXPECT_TRUE(got.empty()) << ::testing::PrintToString(got);
    EXPECT_EQ(g_network.out, request);
  } else {
    EXPECT_TRUE(got.empty()) << "ignored silently";
    EXPECT_TRUE(g_network.out.empty());
    EXPECT_EQ(CmdRun, 255);
  }
}

INSTANTIATE_TEST_SUITE_P(Commands, CmdTable, ::testing::ValuesIn(kRows),
                         [](const auto& info) { return "cmd" + std::to_string(info.param.command); });

// A broadcast really runs here too: the mode changes and the register is written.
using CmdBroadcast = kt::CmdServerTest;
TEST_F(CmdBroadcast, RunsHereWithoutAnAnswer) {
  EXPECT_TRUE(Exchange(Req(2, {255, 1})).empty());
  ASSERT_EQ(Calls("SetPlcMode").size(), 1u);
  EXPECT_EQ(Calls("SetPlcMode")[0].a, 1);
  const uint32_t r1 = reg::WordToken(reg::kTokR, 1);
  EXPECT_TRUE(Exchange(Req(24, kt::Cat({{255, 16}, kt::Le16(r1), kt::Le16(0x1234)}))).empty());
  EXPECT_EQ(Get16(r1), 0x1234);
}

}  // namespace
