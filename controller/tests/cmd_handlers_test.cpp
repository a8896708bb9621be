// The simple commands: mode, identity, registers, calibration, global data, CAN
// talk-through, the programming port (baud rate, IEC debugger) and the serial host.
#include <gtest/gtest.h>

#include <cstring>

#include "ground/cfg_file.h"
#include "cmd_fixture.h"
#include "cmd_handlers.h"
#include "cmd_host_usb.h"
#include "drivers/services.h"
#include "iec_runtime/services.h"
#include "ground/regaccess.h"
#include "platform/trace.h"
#include "testsupport/stepping_clock.h"

namespace {

using kt::Bytes;
using kt::Cat;
using kt::g_channel;
using kt::Le16;
using kt::Le32;
using CmdHandlers = kt::CmdServerTest;

constexpr uint32_t kR1 = reg::WordToken(reg::kTokR, 1);

TEST_F(CmdHandlers, ModeAndOnlineProgramming) {
  SrSet(5, 2);
  EXPECT_EQ(DataOf(Exchange(Req(1, {kLocal}))), Bytes{2});
  // Mode 3 is online programming: the controller keeps its mode.
  EXPECT_EQ(Exchange(Req(2, {kLocal, 3})), Bytes{0xA0});
  EXPECT_EQ(OLPMode, 1);
  EXPECT_EQ(plat::TraceCountOf("SetPlcMode"), 0u);
  EXPECT_EQ(DataOf(Exchange(Req(1, {kLocal}))), Bytes{3});
  // So reads the mode register.
  EXPECT_EQ(DataOf(Exchange(Req(22, Cat({{kLocal, 16}, Le16(reg::SrToken(5))})))), Cat({Le16(3)}));
  // Any other mode ends it and goes to run control.
  EXPECT_EQ(Exchange(Req(2, {kLocal, 1})), Bytes{0xA0});
  EXPECT_EQ(OLPMode, 0);
  ASSERT_EQ(Calls("SetPlcMode").size(), 1u);
  EXPECT_EQ(Calls("SetPlcMode")[0].a, 1);
}

TEST_F(CmdHandlers, RunDuringADownloadSavesTheProgramFirst) {
  Cmd_Downloading = 1;
  EXPECT_EQ(Exchange(Req(2, {kLocal, 2})), Bytes{0xA0});
  const auto names = plat::TraceNames();
  const auto save = std::find(names.begin(), names.end(), "AutoSaveRegisters");
  const auto mode = std::find(names.begin(), names.end(), "SetPlcMode");
  ASSERT_NE(save, names.end());
  EXPECT_LT(save, mode);
}

// The end of a download saves the program, except in Run: the scan must not wait for the
// flash.
TEST_F(CmdHandlers, TheEndOfADownloadSavesTheProgramExceptInRun) {
  for (uint16_t mode : {uint16_t(0), uint16_t(1), uint16_t(2)}) {
    SCOPED_TRACE(mode);
    CmdPanel(0, 0);
    SrSet(5, mode);
    CfgRemove("/mnt/cfg/ladder.pgm");
    CmdPanel(1, 0);
    EXPECT_EQ(root_.Exists("/mnt/cfg/ladder.pgm"), mode != 2);
    EXPECT_EQ(Cmd_Downloading, 0);
  }
}

TEST_F(CmdHandlers, Version) {
  struct Case {
    uint16_t sr37, sr38;
    Bytes reply;
  };
  for (const Case& c : {Case{12, 1234, {12, 12, 34}}, Case{254, 99, {254, 0, 99}},
                        Case{0x1234, 507, {0xFF, 5, 7, 0x34, 0x12}}}) {
    SrSet(37, c.sr37);
    SrSet(38, c.sr38);
    EXPECT_EQ(DataOf(Exchange(Req(8, {kLocal}))), c.reply) << c.sr37;
  }
}

TEST_F(CmdHandlers, LocalIdTakesOnlyANewIdOneTo127AndAlwaysAcknowledges) {
  SrSet(61, 1);
  struct Case {
    uint8_t id;
    uint16_t sr29_after;
  };
  for (const Case& c : {Case{0, 1}, Case{128, 1}, Case{200, 1}, Case{1, 1}, Case{127, 127}, Case{5, 5}}) {
    EXPECT_EQ(Exchange(Req(10, {c.id})), Bytes{0xA0}) << int(c.id);
    EXPECT_EQ(SrGet(29), c.sr29_after) << int(c.id);
    EXPECT_EQ(DataOf(Exchange(Req(9, {0}))), Bytes{uint8_t(c.sr29_after)});
  }
  EXPECT_EQ(Vcomm_ConnectId, 5) << "the link is claimed again with the new id";
}

TEST_F(CmdHandlers, RegisterReadsByTokenForm) {
  struct Case {
    const char* what;
    Bytes address;  // bits, then the token fields
    uint32_t token;
    uint32_t bits;
  };
  const Case cases[] = {
      {"word", Cat({{16}, Le16(kR1)}), kR1, 16},
      {"two words", Cat({{32}, Le16(kR1)}), kR1, 32},
      {"window 1776", Cat({{16}, Le16(1776), Le16(0x20)}), 0x10020, 16},
      {"window 1777", Cat({{16}, Le16(1777), Le16(0x40)}), 0x20040, 16},
      {"full token", Cat({{16}, Le16(0), Le32(reg::SrToken(300))}), reg::SrToken(300), 16},
  };
  for (const Case& c : cases) {
    const Bytes value{0x5A, 0xC3, 0x11, 0x22};
    std::memcpy(PlcReg_Ptr(c.token, c.bits), value.data(), c.bits / 8);
    EXPECT_EQ(DataOf(Exchange(Req(22, Cat({{kLocal}, c.address})))), Bytes(value.begin(), value.begin() + c.bits / 8))
        << c.what;
  }
  // One bit: one byte, 0 or 1.
  const uint32_t q3 = reg::BitToken(reg::kTokQ, 3);
  EXPECT_EQ(SetBit(q3, 1), 1);
  EXPECT_EQ(DataOf(Exchange(Req(22, Cat({{kLocal, 1}, Le16(q3)})))), Bytes{1});
  // A token the image does not have: not readable.
  EXPECT_EQ(Exchange(Req(22, Cat({{kLocal, 16}, Le16(0), Le32(0x0FFFFFFF)}))), Bytes{0x0F});
  EXPECT_EQ(Exchange(Req(22, Cat({{kLocal, 16}, Le16(100)}))), Bytes{0x0F});
}

TEST_F(CmdHandlers, RegisterWritesByTokenForm) {
  struct Case {
    const char* what;
    Bytes request;  // after the node id
    uint32_t token;
  };
  const Case cases[] = {
      {"word at 4", Cat({{16}, Le16(kR1), Le16(0xBEEF)}), kR1},
      {"window at 6", Cat({{16}, Le16(1776), Le16(0x30), Le16(0xBEEF)}), 0x10030},
      {"full token at 8", Cat({{16}, Le16(0), Le32(reg::SrToken(301)), Le16(0xBEEF)}), reg::SrToken(301)},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Exchange(Req(24, Cat({{kLocal}, c.request}))), Bytes{0xA0}) << c.what;
    EXPECT_EQ(Get16(c.token), 0xBEEF) << c.what;
  }
  // A write that does not carry its value, or that the image refuses: 0x09.
  EXPECT_EQ(Exchange(Req(24, Cat({{kLocal, 32}, Le16(kR1), Le16(1)}))), Bytes{0x09});
  EXPECT_EQ(Exchange(Req(24, Cat({{kLocal, 16}, Le16(100), Le16(1)}))), Bytes{0x09});
  // Twelve bits take two value bytes: one is not enough, whatever an earlier frame left.
  EXPECT_EQ(Exchange(Req(24, Cat({{kLocal, 12}, Le16(reg::SrToken(32)), {5}}))), Bytes{0x09});
  EXPECT_EQ(Exchange(Req(24, Cat({{kLocal, 12}, Le16(kR1), {0x05}}))), Bytes{0x09});
  EXPECT_EQ(Exchange(Req(24, Cat({{kLocal, 12}, Le16(kR1), Le16(5)}))), Bytes{0xA0});
  EXPECT_EQ(Get16(kR1) & 0xFF, 5);
  // A system register takes no such count: it would store fewer bits than it checked.
  EXPECT_EQ(Exchange(Req(24, Cat({{kLocal, 12}, Le16(reg::SrToken(32)), Le16(5)}))), Bytes{0x09});
  EXPECT_NE(SrGet(32), 5);
  // One wide write from AQG30 would store SR1..SR5 (SR5 = 514) past their check.
  Bytes wide = Cat({{kLocal, 128}, Le16(reg::WordToken(reg::kTokAQG, 30))});
  wide.resize(wide.size() + 16, 2);
  EXPECT_EQ(Exchange(Req(24, wide)), Bytes{0x09});
  EXPECT_EQ(SrGet(5), 0);
  // Bit count 0 clears the register image.
  EXPECT_EQ(Exchange(Req(24, Cat({{kLocal, 0}, Le16(kR1)}))), Bytes{0xA0});
  EXPECT_EQ(Get16(kR1), 0);
}

TEST_F(CmdHandlers, TheIecRetainBackupThroughItsToken) {
  OrvanelRuntime = 1;
  orvanel_variables_enumerateded = 1;
  const Bytes address = Cat({{16}, Le16(0), Le32(0xC0000000)});
  EXPECT_EQ(Exchange(Req(22, Cat({{kLocal}, address}))), Bytes{0xA0});
  EXPECT_EQ(plat::TraceCountOf("n4_reg_store_backup"), 1u);
  EXPECT_EQ(Exchange(Req(24, Cat({{kLocal}, address, Le16(0)}))), Bytes{0xA0});
  EXPECT_EQ(plat::TraceCountOf("n4_reg_load_backup"), 1u);
  OrvanelRuntime = 0;
  orvanel_variables_enumerateded = 0;
}

TEST_F(CmdHandlers, CalibrationGlobalDataAndTalkThrough) {
  // The calibration service gets a length byte and the bytes after the node id, and its
  // buffer comes back as the reply.
  EXPECT_EQ(DataOf(Exchange(Req(23, {kLocal, 4, 5, 6}))), (Bytes{4, 5, 6}));
  EXPECT_EQ(plat::TraceCountOf("IoCal"), 1u);
  // Nothing in the panel offers global data.
  for (const Bytes& request : {Bytes{0, 1, 2, 1}, Bytes{0, 2, 1, 1}}) EXPECT_EQ(Exchange(Req(11, request)), Bytes{0x09});
  // The talk-through command's failure, and a receive that waits only as long as the link.
  EXPECT_EQ(Exchange(Req(37, {kLocal, 3, 1, 2})), Bytes{0x0F});
  EXPECT_EQ(Calls("CAN_TalkthruCMD")[0].a, 3);
  EXPECT_TRUE(Exchange(Req(36, {kLocal, 1})).empty());
  EXPECT_EQ(CmdRun, 36);
  AdvanceMs(500);
  Cmd_Check();
  EXPECT_EQ(CmdRun, 255);
}

// With the fixture's test clock, which moves only when told: the restart's wait moves it.
TEST_F(CmdHandlers, ResetAcknowledgesThenRestarts) {
  EXPECT_EQ(Exchange(Req(20, {kLocal})), Bytes{0xA0});
  EXPECT_EQ(plat::TraceCountOf("SYS_WarmReset"), 1u);
}

// The programming serial port: a driver row of the fake channel 0.
struct FakePort {
  static inline uint8_t mode[6] = {5, 0, 3, 0, 0, 1};
  static inline std::vector<std::vector<uint8_t>> opened;  // every mode record applied
  static inline std::size_t acks_before_open = 0;
  static int Open(const uint8_t* m) {
    opened.emplace_back(m, m + 6);
    acks_before_open = g_channel[kHostSerial].out.size();
    std::memcpy(mode, m, 6);
    return 1;
  }
  static int EmptyTx() { return 1; }
};

class CmdSerialPort : public kt::CmdServerTest {
 protected:
  void SetUp() override {
    kt::CmdServerTest::SetUp();
    const uint8_t programming[6] = {5, 0, 3, 0, 0, 1};
    std::memcpy(FakePort::mode, programming, 6);
    FakePort::opened.clear();
    saved_ = Vcomm_Drv[0];
    ProgrammingPort = 0;
    using Ops = kt::FakeHostOps<kHostSerial>;
    Vcomm_Drv[0] = {.mode = FakePort::mode, .check = Ops::Check, .get = Ops::Get, .flush = Ops::Flush,
                    .put = Ops::Put, .put_n = Ops::PutN, .open = FakePort::Open, .empty_tx = FakePort::EmptyTx};
    Cmd_SetHost(kHostSerial, CmdSerialHost());
  }
  void TearDown() override {
    Vcomm_Drv[0] = saved_;
    kt::CmdServerTest::TearDown();
  }
  VcommDriver saved_{};
};

TEST_F(CmdSerialPort, ServesOnlyInTheProtocolFramingAndWhenNotOverridden) {
  const Bytes request = Req(9, {0});
  EXPECT_EQ(DataOf(Exchange(request, kHostSerial)), Bytes{kLocal});
  FakePort::mode[5] = 0x30;  // framing 0: a plain byte stream
  EXPECT_TRUE(Exchange(request, kHostSerial).empty());
  g_channel[kHostSerial] = {};
  FakePort::mode[5] = 0x01;
  Cmd_Override = 1;
  EXPECT_TRUE(Exchange(request, kHostSerial).empty());
  Cmd_Override = 0;
  EXPECT_EQ(DataOf(Run(kHostSerial)), Bytes{kLocal}) << "the waiting request is served once the port is free";
}

TEST_F(CmdSerialPort, BaudRateAndItsTimerBackToTheDefault) {
  EXPECT_EQ(DataOf(Exchange(Req(26, {kLocal}), kHostSerial)), Bytes{5});
  SrSet(34, 1);
  EXPECT_EQ(Exchange(Req(27, {kLocal, 8}), kHostSerial), Bytes{0xA0});
  ASSERT_EQ(FakePort::opened.size(), 1u);
  EXPECT_EQ(FakePort::opened[0], (std::vector<uint8_t>{8, 0, 3, 0, 0, 1}));
  EXPECT_EQ(FakePort::acks_before_open, 1u) << "acknowledged at the old rate";
  // The baud timer (max(SR136, 9000) ms) brings the default back; a good frame restarts it.
  AdvanceMs(8000);
  EXPECT_EQ(DataOf(Exchange(Req(26, {kLocal}), kHostSerial)), Bytes{8});
  AdvanceMs(8999);
  Cmd_Check();
  EXPECT_EQ(FakePort::opened.size(), 1u);
  AdvanceMs(1);
  Cmd_Check();
  ASSERT_EQ(FakePort::opened.size(), 2u);
  EXPECT_EQ(FakePort::opened[1], (std::vector<uint8_t>{5, 0, 3, 0, 0, 1}));
  // The default rate needs no timer; the USB port has no rate.
  EXPECT_EQ(Exchange(Req(27, {kLocal, 5}), kHostSerial), Bytes{0xA0});
  AdvanceMs(20'000);
  Cmd_Check();
  EXPECT_EQ(FakePort::opened.size(), 3u);
  EXPECT_EQ(Exchange(Req(27, {kLocal, 7})), Bytes{0xA0});
  EXPECT_EQ(FakePort::opened.size(), 3u);
}

// The baud timer can expire after the command check looked at it and before a frame or a
// lock command of the same pass restarts it: the expiry still brings the default back.
TEST_F(CmdSerialPort, AnExpiryMetByAFrameOrALockIsNotLost) {
  SrSet(34, 1);
  for (const char* who : {"frame", "lock"}) {
    SCOPED_TRACE(who);
    FakePort::opened.clear();
    EXPECT_EQ(Exchange(Req(27, {kLocal, 8}), kHostSerial), Bytes{0xA0});
    ASSERT_EQ(FakePort::opened.size(), 1u);
    AdvanceMs(9000);
    if (std::strcmp(who, "frame") == 0) {
      CmdRestartBaudTimer();
    } else {
      do_comm_lock();
    }
    Cmd_Check();
    ASSERT_EQ(FakePort::opened.size(), 2u);
    EXPECT_EQ(FakePort::opened[1][0], 5) << "back at the default rate";
  }
}

TEST_F(CmdSerialPort, PortInitReopensInTheDefaultModeOrRestarts) {
  Cmd_PortInit(1);
  ASSERT_EQ(FakePort::opened.size(), 1u);
  EXPECT_EQ(FakePort::opened[0], (std::vector<uint8_t>{5, 0, 3, 0, 0, 1}));
  Cmd_PortInit(2);
  EXPECT_EQ(FakePort::opened.size(), 1u);
  Cmd_PortInit(0);
  EXPECT_EQ(plat::TraceCountOf("SYS_WarmReset"), 1u);
}

TEST_F(CmdSerialPort, TheIecDebuggerTakesTheLinkOfItsHost) {
  EXPECT_EQ(Exchange(Req(38, {kLocal}), kHostSerial), Bytes{0xA0});
  EXPECT_EQ(FakePort::mode[5] & 0x0F, 6) << "the port leaves the programming protocol";
  EXPECT_EQ(plat::TraceCountOf("N4_Connect_Serial"), 1u);
  AdvanceMs(10'000);
  Cmd_Check();
  EXPECT_EQ(Exchange(Req(38, {kLocal}), kHostUsb), Bytes{0xA0});
  EXPECT_EQ(plat::TraceCountOf("N4_Connect_Serial"), 2u);
  AdvanceMs(10'000);
  Cmd_Check();
  g_channel[kHostEthernet].Take();
  EXPECT_EQ(Exchange(Req(38, {kLocal}), kHostEthernet), Bytes{0xA0});
  EXPECT_EQ(plat::TraceCountOf("N4_Connect_Ethernet"), 1u);
}

}  // namespace
