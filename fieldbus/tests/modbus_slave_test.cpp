#include <gtest/gtest.h>

#include <memory>

#include "modbus_rig.h"

namespace {

using mbt::Bytes;
using mbt::WithCrc;

uint8_t& QByte(int n) { return plc_reg[reg::kOffQ + (n - 1) / 8]; }
bool Q(int n) { return QByte(n) & (1 << ((n - 1) % 8)); }

class ModbusSlave : public ::testing::Test {
 protected:
  void SetUp() override {
    std::memset(plc_reg, 0, reg::kImageSize);
    rig_ = std::make_unique<mbt::Rig>();
  }
  void TearDown() override { rig_.reset(); }
  Bytes Ask(const Bytes& pdu) { return rig_->Exchange(WithCrc(pdu)); }
  std::unique_ptr<mbt::Rig> rig_;
};

TEST_F(ModbusSlave, ReadsAndWritesThroughTheWindows) {
  // Holding 512, 3000 and 10000 all reach R1.
  mbt::SetR(1, 0x1234);
  for (uint16_t a : {512, 3000, 10000}) {
    EXPECT_EQ(Ask({1, 3, uint8_t(a >> 8), uint8_t(a), 0, 1}), WithCrc({1, 3, 2, 0x12, 0x34})) << a;
  }
  // Coils from address 3 for 10 bits: Q4..Q13 in two bytes, the unused bits 0.
  plc_reg[reg::kOffQ] = 0xF8;
  plc_reg[reg::kOffQ + 1] = 0xFF;
  EXPECT_EQ(Ask({1, 1, 0, 3, 0, 10}), WithCrc({1, 1, 2, 0xFF, 0x03}));
  EXPECT_EQ(Ask({1, 5, 0, 20, 0xFF, 0}), WithCrc({1, 5, 0, 20, 0xFF, 0}));
  EXPECT_TRUE(Q(21));
  EXPECT_EQ(Ask({1, 16, 0x02, 0x00, 0, 2, 4, 0xAB, 0xCD, 0x00, 0x01}), WithCrc({1, 16, 2, 0, 0, 2}));
  EXPECT_EQ(mbt::R(1), 0xABCD);
  EXPECT_EQ(mbt::R(2), 1);
  EXPECT_EQ(Ask({1, 22, 0x02, 0x00, 0x00, 0xF2, 0x00, 0x25}), WithCrc({1, 22, 0x02, 0x00, 0x00, 0xF2, 0x00, 0x25}));
  EXPECT_EQ(mbt::R(1), uint16_t((0xABCD & 0xF2) | (0x25 & ~0xF2)));
  EXPECT_EQ(Ask({1, 23, 0x02, 0x01, 0, 1, 0x02, 0x00, 0, 1, 2, 0x55, 0x66}), WithCrc({1, 23, 2, 0, 1}));
  EXPECT_EQ(mbt::R(1), 0x5566);
  // Discrete inputs from S1 and input registers from SR1.
  plc_reg[reg::kOffS] = 0x05;
  EXPECT_EQ(Ask({1, 2, 0x0F, 0xA0, 0, 3}), WithCrc({1, 2, 1, 0x05}));
  SrSet(1, 7);
  EXPECT_EQ(Ask({1, 4, 0x0F, 0xA0, 0, 1}), WithCrc({1, 4, 2, 0, 7}));
  EXPECT_EQ(Ask({1, 7}), WithCrc({1, 7, 0}));
}

TEST_F(ModbusSlave, ExceptionsAndNothingWritten) {
  struct Case {
    const char* what;
    Bytes pdu;
    uint8_t code;
  } cases[] = {
      {"unknown function", {1, 17}, 1},
      {"unknown sub-function", {1, 8, 0, 3, 0, 0}, 2},
      {"126 registers", {1, 3, 0, 0, 0, 126}, 3},
      {"2001 bits", {1, 1, 0, 0, 0x07, 0xD1}, 3},
      {"count 0", {1, 3, 0, 0, 0, 0}, 3},
      {"past AQ512", {1, 3, 0x01, 0xFF, 0, 2}, 3},
      {"16: byte count short of the count", {1, 16, 0x02, 0x00, 0, 10, 2, 0x11, 0x11}, 3},
      {"16: fewer data than the byte count", {1, 16, 0x02, 0x00, 0, 2, 4, 0x11, 0x11}, 3},
      {"15: byte count short of the count", {1, 15, 0, 0, 0, 16, 1, 0xFF}, 3},
      {"23: byte count short of the write count", {1, 23, 0x02, 0, 0, 1, 0x02, 0, 0, 4, 2, 0x11, 0x11}, 3},
      {"16: count 0", {1, 16, 0x02, 0x00, 0, 0, 0}, 3},
  };
  for (const Case& c : cases) {
    const Bytes answer = Ask(c.pdu);
    EXPECT_EQ(answer, WithCrc({1, uint8_t(c.pdu[1] | 0x80), c.code})) << c.what;
    EXPECT_EQ(mbt::R(1), 0) << c.what;
    EXPECT_EQ(mbt::R(2), 0) << c.what;
    EXPECT_EQ(plc_reg[reg::kOffQ], 0) << c.what;
  }
  EXPECT_EQ(ModbusPortCounters(0).exception_errors, std::size(cases));
}

TEST_F(ModbusSlave, CraftedFramesAreDroppedAndTheNextGoodOneIsAnswered) {
  Bytes long_frame = WithCrc({1, 16, 0x02, 0, 0, 1, 2, 0x77, 0x77});
  long_frame.resize(300, 0x77);
  Bytes bad_crc = WithCrc({1, 6, 0x02, 0, 0x77, 0x77});
  bad_crc.back() ^= 1;
  struct Case {
    const char* what;
    Bytes frame;
    int errors;
  } cases[] = {
      {"short", {1, 6, 0x02}, 1},
      {"long", long_frame, 1},
      {"bad CRC", bad_crc, 1},
      {"other unit", WithCrc({2, 6, 0x02, 0, 0x77, 0x77}), 0},
      {"noise byte", {0x77}, 1},
  };
  for (const Case& c : cases) {
    const uint16_t before = ModbusPortCounters(0).comm_errors;
    EXPECT_TRUE(rig_->Exchange(c.frame).empty()) << c.what;
    EXPECT_EQ(ModbusPortCounters(0).comm_errors - before, c.errors) << c.what;
    EXPECT_EQ(mbt::R(1), 0) << c.what;
    EXPECT_EQ(Ask({1, 3, 0x02, 0, 0, 1}), WithCrc({1, 3, 2, 0, 0})) << c.what;
  }
  // A broadcast write is executed and not answered; a broadcast read is neither, and
  // neither is a masked write or a read-and-write.
  EXPECT_TRUE(Ask({0, 6, 0x02, 0, 0x12, 0x34}).empty());
  EXPECT_EQ(mbt::R(1), 0x1234);
  EXPECT_TRUE(Ask({0, 3, 0x02, 0, 0, 1}).empty());
  EXPECT_TRUE(Ask({0, 22, 0x02, 0x00, 0x00, 0x00, 0x00, 0x25}).empty());
  EXPECT_TRUE(Ask({0, 23, 0x02, 0x01, 0, 1, 0x02, 0x00, 0, 1, 2, 0x55, 0x66}).empty());
  EXPECT_EQ(mbt::R(1), 0x1234);
  // A receive error shows once in the status word.
  rig_->Exchange({1, 6});
  EXPECT_TRUE(rig_->status() & 0x80);
  ModbusExecute(0);
  EXPECT_FALSE(rig_->status() & 0x80);
}

TEST_F(ModbusSlave, TrailingNoiseAfterAWholeRequestIsDropped) {
  Bytes frame = WithCrc({1, 3, 0x02, 0, 0, 1});
  frame.push_back(0x00);
  frame.push_back(0xFF);
  EXPECT_EQ(rig_->Exchange(frame), WithCrc({1, 3, 2, 0, 0}));
}

TEST_F(ModbusSlave, SplitFramesJoinAndAByteInTheGapExtendsTheFrame) {
  const Bytes frame = WithCrc({1, 3, 0x02, 0, 0, 1});
  rig_->Send(Bytes(frame.begin(), frame.begin() + 3));
  rig_->Pump(3);  // the gap passes: 3 bytes alone are a broken frame
  EXPECT_EQ(ModbusPortCounters(0).comm_errors, 1);
  rig_->Send(Bytes(frame.begin(), frame.begin() + 3));
  for (int i = 0; i < 200 && Vcomm_Drv[0].count_rx() < 3; ++i) ::usleep(200);
  ModbusExecute(0);
  rig_->clock().AdvanceTicks(200);  // less than the gap
  ModbusExecute(0);
  EXPECT_EQ(rig_->Exchange(Bytes(frame.begin() + 3, frame.end())), WithCrc({1, 3, 2, 0, 0}));
}

TEST_F(ModbusSlave, ListenOnlyAndCounters) {
  EXPECT_TRUE(Ask({1, 8, 0, 4, 0, 0}).empty());
  EXPECT_TRUE(Ask({1, 3, 0x02, 0, 0, 1}).empty());
  EXPECT_EQ(ModbusPortCounters(0).no_response, 1);
  EXPECT_TRUE(Ask({1, 8, 0, 1, 0, 0}).empty());  // leaves listen-only silently
  EXPECT_EQ(Ask({1, 8, 0, 11, 0, 0}), WithCrc({1, 8, 0, 11, 0, 1}));
}

TEST_F(ModbusSlave, WriteInhibitRefusesWritesButNotMaskWrite) {
  rig_->params.extensions = 3;
  rig_->params.write_inhibit = reg::BitToken(reg::kTokM, 1);
  plc_reg[reg::kOffM] = 1;
  ModbusInit(0, rig_->params);
  EXPECT_EQ(Ask({1, 6, 0x02, 0, 0, 5}), WithCrc({1, 0x86, 1}));
  EXPECT_EQ(Ask({1, 22, 0x02, 0, 0, 0, 0, 9}), WithCrc({1, 22, 0x02, 0, 0, 0, 0, 9}));
  EXPECT_EQ(mbt::R(1), 9);
}

TEST_F(ModbusSlave, UnsolicitedMessage) {
  uint8_t* msg = rig_->params.message;
  msg[0] = 0x11;
  msg[1] = 0x22;
  mbt::SetR(1001, 300);
  ModbusExecute(0);
  EXPECT_TRUE(rig_->status() & 0x200);
  EXPECT_TRUE(rig_->Receive(20).empty());
  mbt::SetR(1001, 0);
  ModbusExecute(0);
  EXPECT_EQ(rig_->status() & 0x700, 0);
  mbt::SetR(1001, 2);
  ModbusExecute(0);
  EXPECT_EQ(rig_->Receive(), WithCrc({0x11, 0x22}));
  ModbusExecute(0);
  ModbusExecute(0);
  EXPECT_TRUE(rig_->status() & 0x100);
}

// The message length comes from a register: a message that would run past the register
// image is refused like one that is too long.
TEST_F(ModbusSlave, UnsolicitedMessagePastTheImageIsRefused) {
  rig_->params.message = plc_reg + reg::kImageSize - 10;
  ModbusInit(0, rig_->params);
  mbt::SetR(1001, 100);
  ModbusExecute(0);
  EXPECT_TRUE(rig_->status() & 0x200);
  EXPECT_TRUE(rig_->Receive(10).empty());
}

TEST_F(ModbusSlave, NoRequestAlarmAfterTheTimeout) {
  rig_->params.timeout = 10;
  ModbusInit(0, rig_->params);
  rig_->clock().AdvanceMs(900);
  ModbusExecute(0);
  EXPECT_FALSE(rig_->status() & 1);
  rig_->clock().AdvanceMs(150);
  ModbusExecute(0);
  EXPECT_TRUE(rig_->status() & 1);
  EXPECT_EQ(Ask({1, 3, 0x02, 0, 0, 1}).size(), 7u);
  EXPECT_FALSE(rig_->status() & 1);
}

}  // namespace
