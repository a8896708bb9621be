// The frame of the programming protocol: both forms, the seeded checksum, the 1024-byte
// store, negotiation, and the inter-byte time-out on the test clock.
#include <gtest/gtest.h>

#include <filesystem>

#include "cmd_fixture.h"

namespace {

using kt::Bytes;
using kt::Cat;
using kt::g_channel;
using CmdFrame = kt::CmdServerTest;

constexpr uint8_t kGetMode = 1;
constexpr uint8_t kNegotiate = 35;

TEST_F(CmdFrame, SeedIsTheLowSevenBitsOfTheOemByte) {
  struct Case {
    const char* what;
    std::optional<Bytes> file;
    uint8_t seed;
  };
  const Case cases[] = {{"no file", std::nullopt, 0},
                        {"empty file", Bytes{}, 0},
                        {"high bit dropped", Bytes{0x85}, 0x05},
                        {"seven bits", Bytes{0x7F, 0x33}, 0x7F}};
  for (const Case& c : cases) {
    std::filesystem::remove(root_.Host("/mnt/cfg/oeminfo"));
    if (c.file) root_.Write("/mnt/cfg/oeminfo", *c.file);
    Timer_Init(&fpga_port, 100);
    Vcomm_Host = 0;  // a start: the link is free
    Vcomm_Lock = 0;
    Cmd_Init();
    Cmd_SetHost(kHostUsb, &kt::FakeHostOps<kHostUsb>::kOps);
    EXPECT_EQ(Cmd_ChecksumSeed(), c.seed) << c.what;
    SrSet(5, 2);
    // A request is taken only with this seed, and the answer carries it.
    const Bytes answer = Exchange(kt::Frame(c.seed, kGetMode, {kLocal}));
    EXPECT_EQ(kt::ParseData(c.seed, answer), Bytes{2}) << c.what;
    const Bytes wrong = Exchange(kt::Frame(uint8_t(c.seed + 1), kGetMode, {kLocal}));
    EXPECT_EQ(wrong, Bytes{0x0F}) << c.what;
  }
}

TEST_F(CmdFrame, BadChecksumIsNotAcknowledgedAndTheFrameDropped) {
  SrSet(5, 1);
  Bytes bad = Req(kGetMode, {kLocal});
  bad.back() ^= 0x40;
  EXPECT_EQ(Exchange(bad), Bytes{0x0F});
  EXPECT_EQ(CmdRun, 255);
  // The next frame starts afresh.
  EXPECT_EQ(DataOf(Exchange(Req(kGetMode, {kLocal}))), Bytes{1});
}

TEST_F(CmdFrame, LongFormIsTakenWithoutNegotiationAndRepliesStayShort) {
  SrSet(5, 2);
  const Bytes answer = Exchange(Req(kGetMode, {kLocal}, /*long_form=*/true));
  ASSERT_EQ(answer.size(), 4u) << "short reply: 0xFF, count, data, checksum";
  EXPECT_EQ(DataOf(answer), Bytes{2});
}

TEST_F(CmdFrame, DataBeyondTheStoreIsDroppedButChecked) {
  SrSet(5, 2);
  Bytes data(1100, 0x5A);
  data[0] = kLocal;
  // Whole and right: taken (the command reads only its first bytes).
  EXPECT_EQ(DataOf(Exchange(Req(kGetMode, data, true))), Bytes{2});
  EXPECT_EQ(CmdPacket.count, 1100);
  EXPECT_EQ(CmdPacket.data[1023], 0x5A);
  // A byte past the 1024th changed after the checksum was made: refused.
  Bytes frame = Req(kGetMode, data, true);
  frame[4 + 1050] ^= 1;
  EXPECT_EQ(Exchange(frame), Bytes{0x0F});
}

TEST_F(CmdFrame, AnEmptyFrameEndsNegotiation) {
  // Negotiation is the serial host's; the reply after it comes in the long form.
  EXPECT_EQ(Exchange(Req(kNegotiate, Cat({{kLocal}, kt::Le16(256)})), kHostSerial), Bytes{0xA0});
  EXPECT_EQ(CmdDataMax, 256);
  Bytes answer = Exchange(Req(kGetMode, {kLocal}), kHostSerial);
  ASSERT_EQ(answer.size(), 6u) << "long reply: 0xFF, 0xFF, length, data, checksum";
  EXPECT_EQ(DataOf(answer), Bytes{0});
  for (bool long_form : {false, true}) {
    EXPECT_EQ(Exchange(Req(kNegotiate, Cat({{kLocal}, kt::Le16(512)})), kHostSerial), Bytes{0xA0});
    // A request of no data (count 0, or length 0 in the long form).
    DataOf(Exchange(Req(kGetMode, {}, long_form), kHostSerial));
    EXPECT_EQ(CmdDataMax, 64) << long_form;
    EXPECT_EQ(Exchange(Req(kGetMode, {kLocal}), kHostSerial).size(), 4u) << long_form;
  }
}

TEST_F(CmdFrame, NegotiationIsTheSerialHostsOnlyAndBounded) {
  struct Case {
    uint8_t host;
    uint32_t maximum;
    uint8_t answer;
  };
  for (const Case& c : {Case{kHostSerial, 63, 0x09}, Case{kHostSerial, 64, 0xA0}, Case{kHostSerial, 1024, 0xA0},
                        Case{kHostSerial, 1025, 0x09}, Case{kHostUsb, 256, 0x09}, Case{kHostEthernet, 256, 0x09}}) {
    AdvanceMs(6000);  // the previous host's hold time passes
    Cmd_Check();
    g_channel[kHostEthernet].Take();  // the link-free reports
    EXPECT_EQ(Exchange(Req(kNegotiate, Cat({{kLocal}, kt::Le16(c.maximum)})), c.host), Bytes{c.answer})
        << int(c.host) << " " << c.maximum;
    EXPECT_EQ(CmdLongForm, c.answer == 0xA0 && c.maximum != 64);
    CmdNegotiationOff();
  }
}

TEST_F(CmdFrame, InterByteTimeOutDropsAPartialFrame) {
  struct Case {
    uint16_t sr137;
    int64_t timeout_ms;
  };
  for (const Case& c : {Case{700, 700}, Case{100, 500}}) {
    SrSet(137, c.sr137);
    SrSet(5, 1);
    const Bytes frame = Req(kGetMode, {kLocal});
    g_channel[kHostUsb].Send(Bytes(frame.begin(), frame.begin() + 2));
    Cmd_Check();
    const uint16_t idle = Vcomm_Idle;
    EXPECT_EQ(Vcomm_Lock, 0x01);
    AdvanceMs(c.timeout_ms - 1);
    Cmd_Check();
    EXPECT_EQ(Vcomm_Lock, 0x01) << "still within the time-out";
    AdvanceMs(1);
    Cmd_Check();
    EXPECT_EQ(Vcomm_Lock, 0) << c.sr137;
    EXPECT_EQ(Vcomm_Idle, idle + 1);
    // The receive state started afresh: a new frame is not read as the old one's rest.
    EXPECT_EQ(DataOf(Exchange(frame)), Bytes{1}) << c.sr137;
  }
}

}  // namespace
