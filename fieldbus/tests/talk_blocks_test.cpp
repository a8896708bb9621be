#include <gtest/gtest.h>

#include <memory>

#include "fieldbus/services.h"
#include "ground/sysservices.h"
#include "modbus_link.h"
#include "modbus_rig.h"
#include "testsupport/ladder_program.h"

namespace {

using mbt::Bytes;
using mbt::WithCrc;

bool Bit(uint32_t offset, int bit) { return plc_reg[offset] & (1 << bit); }

class TalkBlocks : public ::testing::Test {
 protected:
  void SetUp() override {
    std::memset(plc_reg, 0, reg::kImageSize);
    rig_ = std::make_unique<mbt::Rig>(0, 0);  // port 0 in the power-up stream framing
    Vcomm_Lock = 0;
    TalkInit();
    for (int p = 0; p < 4; ++p) Talk_Release(p);
  }
  void TearDown() override {
    rig_.reset();
    TalkInit();
  }
  // I1 opens port 0 for RTU at 115200 (Q1 shows it), I2 runs the Modbus slave 5 (Q2).
  void LoadSlave(ts::OperandForm form = ts::OperandForm::k16) {
    prog_ = ts::LadderProgram(form);
    prog_.Load(R"(
        LD I1
        TALKOPEN 0, 0x0009, 0x0003, 0x3300
        OUT Q1
        LD I2
        MODBUS 0, @5, @0, R1001, R1010, R1000
        OUT Q2
        END)");
  }
  int32_t Scan() {
    const int32_t r = prog_.Scan();
    plc_reg[reg::kOffS] &= uint8_t(~1);  // the first scan is over
    return r;
  }
  static void Set(int i, bool on) {
    plc_reg[reg::kOffI] = uint8_t(on ? plc_reg[reg::kOffI] | (1 << (i - 1)) : plc_reg[reg::kOffI] & ~(1 << (i - 1)));
  }
  std::unique_ptr<mbt::Rig> rig_;
  ts::LadderProgram prog_;
};

TEST_F(TalkBlocks, OpenThenModbusSlaveAnswers) {
  for (ts::OperandForm form : {ts::OperandForm::k16, ts::OperandForm::k32}) {
    LoadSlave(form);
    Set(1, true);
    Set(2, true);
    EXPECT_EQ(Scan(), -1);
    EXPECT_TRUE(Bit(reg::kOffQ, 0));
    EXPECT_EQ(Vcomm_Drv[0].mode[5], 0x33);
    EXPECT_EQ(Vcomm_Drv[0].mode[0], 9);
    EXPECT_TRUE(TalkOpened(0));
    Scan();  // the Modbus block starts the slave
    mbt::SetR(1, 0x4321);
    rig_->Send(WithCrc({5, 3, 0x02, 0, 0, 1}));
    for (int i = 0; i < 200 && Vcomm_Drv[0].count_rx() < 8; ++i) ::usleep(200);
    Scan();
    rig_->clock().AdvanceTicks(300);
    Scan();
    EXPECT_EQ(rig_->Receive(), WithCrc({5, 3, 2, 0x43, 0x21}));
    EXPECT_TRUE(Bit(reg::kOffQ, 1));
    // Modbus off, then the port back to the programming protocol.
    Set(2, false);
    Scan();
    EXPECT_FALSE(Bit(reg::kOffQ, 1));
    rig_->Send(WithCrc({5, 3, 0x02, 0, 0, 1}));
    for (int i = 0; i < 200 && Vcomm_Drv[0].count_rx() < 8; ++i) ::usleep(200);
    rig_->clock().AdvanceTicks(300);
    Scan();
    EXPECT_TRUE(rig_->Receive(10).empty());
    Set(1, false);
    Scan();
    TalkInit();
    Talk_ReopenNetwork(0);
  }
}

TEST_F(TalkBlocks, ModbusOnAPortNotOpenedForItDoesNothing) {
  prog_.Load("LD I2; MODBUS 0, @5, @0, R1001, R1010, R1000; OUT Q2; END");
  Set(2, true);
  Scan();
  Scan();
  EXPECT_FALSE(Bit(reg::kOffQ, 1));
  rig_->Send(WithCrc({5, 3, 0x02, 0, 0, 1}));
  rig_->clock().AdvanceTicks(300);
  Scan();
  EXPECT_TRUE(rig_->Receive(10).empty());
}

TEST_F(TalkBlocks, ClaimedPortAndSecondRoleAreRefused) {
  prog_.Load(R"(
      LD I1; TALKOPEN 0, 0x0009, 0x0003, 0x3300; OUT Q1
      LD I2; MODBUS 0, @5, @0, R1001, R1010, R1000; OUT Q2
      LD I3; MODBUS 0, @0, @10, R1001, R1010, R1002; OUT Q3
      END)");
  Set(1, true);
  Set(2, true);
  Scan();
  Scan();
  Set(3, true);
  mbt::SetR(1001, 1);
  Scan();
  EXPECT_FALSE(Bit(reg::kOffQ, 2));  // the master is refused while the slave runs
  EXPECT_EQ(mbt::R(1002), 0);
  TalkInit();
  Vcomm_Drv[0].open(velan_mode);
  ASSERT_EQ(Talk_Override(0), 1);
  EXPECT_EQ(Talk_Override(0), 0);
  Scan();
  EXPECT_FALSE(Bit(reg::kOffQ, 0));
  EXPECT_EQ(Vcomm_Drv[0].mode[5] & 15, 1);
}

TEST_F(TalkBlocks, BadSetupRegisterFailsAndLeavesThePort) {
  prog_.Load("LD I1; TALKOPEN_REG 0x4000, R100; OUT Q1; END");
  const uint16_t setup[8] = {0, 13, 3, 0, 0, 0, 3, 3};  // baud index 13
  for (int i = 0; i < 8; ++i) mbt::SetR(100 + i, setup[i]);
  Set(1, true);
  Scan();
  EXPECT_FALSE(Bit(reg::kOffQ, 0));
  EXPECT_EQ(Vcomm_Drv[0].mode[5] & 15, 0);
  mbt::SetR(101, 6);
  Scan();
  Set(1, false);
  Scan();
  Set(1, true);
  Scan();
  EXPECT_TRUE(Bit(reg::kOffQ, 0));
  EXPECT_EQ(Vcomm_Drv[0].mode[0], 6);
  EXPECT_EQ(Vcomm_Drv[0].mode[5], 0x33);
}

// Modbus TCP framing belongs to port 0; a close block on another port leaves it on.
TEST_F(TalkBlocks, ClosingAnotherPortKeepsModbusTcpOnPortZero) {
  prog_.Load(R"(
      LD I1; TALKOPEN 0x8000, 0x0009, 0x0003, 0x3300; OUT Q1
      LD I2; TALKCLOSE 1; OUT Q2
      LD I3; TALKCLOSE 0; OUT Q3
      END)");
  Set(1, true);
  Scan();
  ASSERT_TRUE(Bit(reg::kOffQ, 0));
  EXPECT_TRUE(mb::ModbusTCP_St.flags & 1);
  Set(2, true);
  Scan();
  EXPECT_TRUE(mb::ModbusTCP_St.flags & 1);
  Set(1, false);
  Set(3, true);
  Scan();
  EXPECT_TRUE(Bit(reg::kOffQ, 2));
  EXPECT_FALSE(mb::ModbusTCP_St.flags & 1);
  TalkInit();
}

}  // namespace
