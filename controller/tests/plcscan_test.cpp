// One scan: its order, the clock bits on the test clock, the slots' I/O at their places,
// forcing, the scan statistics and a logic fault.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "controller/progstore.h"
#include "runctl_fixture.h"
#include "testsupport/ladder_program.h"

namespace rc_test {
namespace {

using Names = std::vector<std::string>;

uint16_t Word(uint32_t byte_offset) { return RegWord(byte_offset); }

// ---- Order ----

TEST_F(RunCtlTest, IdleScanKeepsOnlyClockNetworkAndStatus) {
  Board(0, 0xA00F, "MOD32", 8, 1, 8, 1).inputs[0] = 0xFF;
  WriteIoConfig({{0xA00F, {}}});
  ASSERT_EQ(IoConfig(), 0);
  SrSet(5, 0);
  plat::TraceClear();
  PlcScan();
  EXPECT_EQ(plat::TraceNames(), (Names{"PlcScan", "CANOpenRxMsg", "CANOpenTxMsg", "Etn_UpdateStatus"}));
  EXPECT_EQ(plc_reg[reg::kOffI], 0);
}

TEST_F(RunCtlTest, RunScanOrderWithABoundIecApplication) {
  Board(0, 0xA00F, "MOD32", 8, 1, 8, 1);
  WriteIoConfig({{0xA00F, {}}});
  ASSERT_EQ(IoConfig(), 0);
  SrSet(5, 2);
  SBitSet(12, true);
  OrvanelRuntime = 1;
  orvanel_variables_enumerateded = 1;
  plat::TraceClear();
  PlcScan();
  const Names expected = {"CANOpenRxMsg",
                          "OrvanelUpdateWordSRRegs",
                          "OrvanelUpdateBitSysRegs",
                          "IoGetIs",
                          "IoGetAIs",
                          "OrvanelUpdateBitInputRegs",
                          "OrvanelUpdateWordInputRegs",
                          "_VMThread",
                          "IoPutQs",
                          "IoPutAQs",
                          "IoService",
                          "OrvanelUpdateBitOutputRegs",
                          "OrvanelUpdateWordOutputRegs",
                          "PMGR_Scan",
                          "SMS_Scanner",
                          "LOG_Update",
                          "REPORT_Scanner",
                          "AlarmLogToCF_Scanner",
                          "DLOG_Update",
                          "CANOpenTxMsg",
                          "Etn_UpdateStatus"};
  EXPECT_EQ(TraceOf(expected), expected);
}

TEST_F(RunCtlTest, EmailScannerRunsOnlyForTheEthernetOptionBoardsInSlot1) {
  const uint16_t email[] = {0xDF0F, 0xBF0F, 0x6F0F, 0xEF0F, 0x6E0F, 0xEE0F, 0xAF0F, 0xAE0F};
  for (uint16_t id : {uint16_t(0xDF0F), uint16_t(0xBF0F), uint16_t(0x6F0F), uint16_t(0xEF0F), uint16_t(0x6E0F),
                      uint16_t(0xEE0F), uint16_t(0xAF0F), uint16_t(0xAE0F), uint16_t(0xA00F), uint16_t(0x7F0F),
                      uint16_t(255)}) {
    io_init[1] = id;
    plat::TraceClear();
    PlcScan();
    const bool expected = std::find(std::begin(email), std::end(email), id) != std::end(email);
    EXPECT_EQ(plat::TraceCountOf("EtnEmailScan"), expected ? 1u : 0u) << std::hex << id;
  }
  io_init[1] = 0xDF0F;
  io_init[0] = 255;
  plat::TraceClear();
  PlcScan();
  EXPECT_EQ(Calls("EtnEmailScan")[0].a, 0);
}

TEST_F(RunCtlTest, S9IsHandedToTheIecRuntime) {
  PlcScan();
  EXPECT_EQ(OrvanelS9, 0);
  SBitSet(9, true);
  PlcScan();
  EXPECT_EQ(OrvanelS9, 1);
}

// ---- Clock bits ----

struct Toggles {
  int s3 = 0, s4 = 0, s5 = 0;
};

class ClockBits : public RunCtlTest {
 protected:
  // One scan after ticks; counts which of S3, S4 and S5 changed.
  Toggles Step(int64_t ticks) {
    const bool b3 = SBitGet(3), b4 = SBitGet(4), b5 = SBitGet(5);
    ScanAfter(ticks);
    return {SBitGet(3) != b3, SBitGet(4) != b4, SBitGet(5) != b5};
  }
  Toggles Run(int scans, int64_t interval) {
    Toggles t;
    for (int i = 0; i < scans; ++i) {
      const Toggles s = Step(interval);
      t.s3 += s.s3;
      t.s4 += s.s4;
      t.s5 += s.s5;
    }
    return t;
  }
};

TEST_F(ClockBits, FirstScanSetsAllThree) {
  PlcScan();
  EXPECT_TRUE(SBitGet(3));
  EXPECT_TRUE(SBitGet(4));
  EXPECT_TRUE(SBitGet(5));
}

TEST_F(ClockBits, SquareWavesOfTenMsHundredMsAndOneSecondAcrossTheTickWrap) {
  clock_->AdvanceTicks(65000);  // the tick's low half wraps during the run
  PlcScan();
  const Toggles t = Run(1000, 10);  // one second of 1 ms scans
  EXPECT_EQ(t.s3, 200);
  EXPECT_EQ(t.s4, 20);
  EXPECT_EQ(t.s5, 2);
}

TEST_F(ClockBits, LateScansAreCaughtUp) {
  PlcScan();
  const Toggles t = Run(100, 30);  // 3 ms scans for 300 ms
  EXPECT_EQ(t.s3, 60);
  EXPECT_EQ(t.s4, 6);
}

TEST_F(ClockBits, EightMsScansToggleS3OnEveryScan) {
  PlcScan();
  for (int i = 0; i < 20; ++i) EXPECT_EQ(Step(80).s3, 1) << "scan " << i;
}

TEST_F(ClockBits, AfterALongGapS3AndS4RestartWhileS5CatchesUp) {
  PlcScan();
  Run(100, 10);  // to t = 1000; no whole second yet
  const Toggles gap = Step(35000);
  EXPECT_EQ(gap.s3, 1);
  EXPECT_EQ(gap.s4, 1);
  EXPECT_EQ(gap.s5, 1);
  // The 1 s wave toggles on every scan until its periods have caught up with the gap:
  // seven half periods in all.
  std::vector<int> s5;
  Toggles after;
  for (int i = 0; i < 10; ++i) {
    const Toggles s = Step(10);
    s5.push_back(s.s5);
    after.s3 += s.s3;
    after.s4 += s.s4;
  }
  EXPECT_EQ(s5, (std::vector<int>{1, 1, 1, 1, 1, 1, 0, 0, 0, 0}));
  // S3 restarted at the gap scan: its next toggle is 5 ms later, not at once.
  EXPECT_EQ(after.s3, 2);  // at +50 and +100
  EXPECT_EQ(after.s4, 0);
}

// ---- I/O ----

TEST_F(RunCtlTest, SlotsFollowOneAnotherAndTheBusSlaveUsesItsOwnTokens) {
  auto& b0 = Board(0, 0xA00F, "MOD32", 12, 3, 10, 2);
  auto& b1 = Board(1, 0x8F0F, "AO4", 8, 2, 8, 1);
  auto& b2 = Board(2, 0x9F0F, "BSL100", 8, 1, 8, 1);
  b0.inputs[0] = 0xA1;
  b0.inputs[1] = 0x0B;
  b0.analog_in[0] = 100;
  b0.analog_in[1] = 200;
  b0.analog_in[2] = 300;
  b1.inputs[0] = 0xC3;
  b1.analog_in[0] = 400;
  b1.analog_in[1] = 500;
  b2.inputs[0] = 0x5A;
  b2.analog_in[0] = 777;
  const uint32_t in_bits = reg::BitToken(reg::kTokM, 17), out_bits = reg::BitToken(reg::kTokM, 33);
  const uint32_t in_words = reg::WordToken(reg::kTokR, 10), out_words = reg::WordToken(reg::kTokR, 20);
  WriteIoConfig({{0xA00F, {1, 2, 3}}, {0x8F0F, {}}, {0x9F0F, BusSlaveData(5, in_bits, out_bits, in_words, out_words, 0)}});
  ASSERT_EQ(IoConfig(), 0);
  SrSet(5, 1);
  // Outputs the scan writes.
  plc_reg[reg::kOffQ] = 0x11;
  plc_reg[reg::kOffQ + 1] = 0x22;
  plc_reg[reg::kOffQ + 2] = 0x33;
  SetRegWord(reg::kOffAQ, 1000);
  SetRegWord(reg::kOffAQ + 2, 2000);
  SetRegWord(reg::kOffAQ + 4, 3000);
  plc_reg[reg::kOffM + 4] = 0x3C;
  SetRegWord(reg::kOffR + 2 * 19, 888);
  plat::TraceClear();
  PlcScan();

  // Slot 0: 12 bits take two whole bytes from I1; slot 1 follows at I17.
  EXPECT_EQ(plc_reg[reg::kOffI], 0xA1);
  EXPECT_EQ(plc_reg[reg::kOffI + 1], 0x0B);
  EXPECT_EQ(plc_reg[reg::kOffI + 2], 0xC3);
  EXPECT_EQ(plc_reg[reg::kOffI + 3], 0);
  EXPECT_EQ(Word(reg::kOffAI), 100);
  EXPECT_EQ(Word(reg::kOffAI + 4), 300);
  EXPECT_EQ(Word(reg::kOffAI + 6), 400);  // AI4: slot 1's first word
  EXPECT_EQ(Word(reg::kOffAI + 8), 500);
  EXPECT_EQ(Word(reg::kOffAI + 10), 0);
  EXPECT_EQ(b0.outputs[0], 0x11);
  EXPECT_EQ(b0.outputs[1], 0x22);
  EXPECT_EQ(b1.outputs[0], 0x33);
  EXPECT_EQ(b0.analog_out[0], 1000);
  EXPECT_EQ(b0.analog_out[1], 2000);
  EXPECT_EQ(b1.analog_out[0], 3000);
  // The bus-slave module: at its tokens, taking no room in the sequence.
  EXPECT_EQ(plc_reg[reg::kOffM + 2], 0x5A);
  EXPECT_EQ(Word(reg::kOffR + 2 * 9), 777);
  EXPECT_EQ(b2.outputs[0], 0x3C);
  EXPECT_EQ(b2.analog_out[0], 888);
  const auto serviced = Calls("IoService");
  ASSERT_EQ(serviced.size(), 3u);
  for (int slot = 0; slot < 3; ++slot) EXPECT_EQ(serviced[slot].a, slot);
}

TEST_F(RunCtlTest, BusSlaveTakesPartOnlyWhileItsWholeNodeAddressIs1To125) {
  struct Case {
    const char* what;
    uint32_t node;     // configured value
    uint16_t r1;       // R1, when the value names it
    bool exchanged;
  };
  const uint32_t r1 = reg::WordToken(reg::kTokR, 1);
  const Case cases[] = {
      {"constant 5", 5, 0, true},
      {"constant 125", 125, 0, true},
      {"constant 0", 0, 0, false},
      {"constant 126", 126, 0, false},
      {"constant 1024", 1024, 0, false},
      {"register holding 7", r1, 7, true},
      {"register holding 257", r1, 257, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ResetUnit();
    std::memset(plc_reg + reg::kOffM, 0, 8);
    SetRegWord(reg::kOffR, c.r1);
    Board(0, 0x9F0F, "BSL110", 8, 0, 0, 0).inputs[0] = 0x77;
    WriteIoConfig({{0x9F0F, BusSlaveData(c.node, reg::BitToken(reg::kTokM, 1), 0, 0, 0, 0)}});
    ASSERT_EQ(IoConfig(), 0);
    SrSet(5, 1);
    PlcScan();
    EXPECT_EQ(plc_reg[reg::kOffM], c.exchanged ? 0x77 : 0);
  }
}

TEST_F(RunCtlTest, BusSlaveAreasOutsideTheImageOrOffAWordAreLeftOut) {
  auto& b = Board(0, 0x9F0F, "BSL100", 8, 1, 8, 1);
  b.inputs[0] = 0x66;
  b.analog_in[0] = 4321;
  // Bits past the image's last register; words at a bit token in the middle of a word.
  WriteIoConfig({{0x9F0F, BusSlaveData(5, reg::kTokImageLast + 1, 0, reg::BitToken(reg::kTokM, 9), 0, 0)}});
  ASSERT_EQ(IoConfig(), 0);
  SrSet(5, 1);
  plat::TraceClear();
  PlcScan();
  EXPECT_EQ(plat::TraceCountOf("IoGetIs") + plat::TraceCountOf("IoGetAIs"), 0u);
  EXPECT_EQ(plc_reg[reg::kOffM + 1], 0);
  EXPECT_EQ(plat::TraceCountOf("IoService"), 1u);
}

// The modules are serviced with the output exchange, so neither happens without S6.
TEST_F(RunCtlTest, NeitherExchangeNorModuleServiceWithoutS6) {
  Board(0, 0xA00F, "MOD32", 8, 0, 8, 0).inputs[0] = 0x0F;
  WriteIoConfig({{0xA00F, {}}});
  ASSERT_EQ(IoConfig(), 0);
  SrSet(5, 1);
  for (bool s6 : {false, true}) {
    SCOPED_TRACE(s6 ? "S6 set" : "S6 clear");
    SBitSet(6, s6);
    plc_reg[reg::kOffI] = 0;
    plat::TraceClear();
    PlcScan();
    EXPECT_EQ(plc_reg[reg::kOffI], s6 ? 0x0F : 0);
    EXPECT_EQ(plat::TraceCountOf("IoGetIs"), s6 ? 1u : 0u);
    EXPECT_EQ(plat::TraceCountOf("IoPutQs"), s6 ? 1u : 0u);
    EXPECT_EQ(plat::TraceCountOf("IoService"), s6 ? 1u : 0u);
  }
}

// The force table: u16 input entries, u16 output entries, then {word index, AND, OR}.
void WriteForce(uint16_t inputs, uint16_t outputs, const std::vector<std::array<uint16_t, 3>>& entries) {
  std::memset(io_force, 0, sizeof io_force);
  std::memcpy(io_force, &inputs, 2);
  std::memcpy(io_force + 2, &outputs, 2);
  for (std::size_t i = 0; i < entries.size() && 4 + 6 * i + 6 <= sizeof io_force; ++i)
    std::memcpy(io_force + 4 + 6 * i, entries[i].data(), 6);
}

TEST_F(RunCtlTest, ForcingMasksInputsBeforeTheLogicAndOutputsAfterIt) {
  auto& b = Board(0, 0xA00F, "MOD32", 16, 0, 16, 0);
  b.inputs[0] = 0x34;
  b.inputs[1] = 0x12;
  WriteIoConfig({{0xA00F, {}}});
  ASSERT_EQ(IoConfig(), 0);
  const uint16_t i_word = reg::kOffI / 2, q_word = reg::kOffQ / 2;
  WriteForce(2, 1, {{i_word, 0x00FF, 0x8000}, {0xFFFF, 0, 0xFFFF}, {q_word, 0x0000, 0x0102}});
  // The logic copies I16 (the forced bit) to Q1, which the output entry then overrides.
  ts::LadderProgram p;
  p.Load("LD I16; OUT M1; END");
  SetPlcMode(2);
  for (bool forcing : {false, true}) {
    SCOPED_TRACE(forcing ? "S12 on" : "S12 off");
    SBitSet(12, forcing);
    ScanAfter(10);
    EXPECT_EQ(Word(reg::kOffI), forcing ? 0x8034 : 0x1234);
    EXPECT_EQ(plc_reg[reg::kOffM] & 1, forcing ? 1 : 0) << "the logic saw the forced input";
    EXPECT_EQ(b.outputs[0], forcing ? 0x02 : 0x00);
    EXPECT_EQ(b.outputs[1], forcing ? 0x01 : 0x00);
  }
}

TEST_F(RunCtlTest, AForceTableClaimingMoreEntriesThanItHoldsStopsAt42) {
  std::vector<std::array<uint16_t, 3>> entries;
  for (uint16_t i = 0; i < 42; ++i) entries.push_back({uint16_t(reg::kOffR / 2 + i), 0, uint16_t(i + 1)});
  WriteForce(500, 500, entries);
  SrSet(5, 1);
  SBitSet(12, true);
  PlcScan();
  for (uint16_t i = 0; i < 42; ++i) EXPECT_EQ(Word(reg::kOffR + 2 * i), i + 1) << i;
  EXPECT_EQ(Word(reg::kOffR + 2 * 42), 0);
}

// ---- Modes in the scan ----

TEST_F(RunCtlTest, DoIoExchangesButNeitherRunsTheLogicNorMeasures) {
  auto& b = Board(0, 0xA00F, "MOD32", 8, 0, 8, 0);
  b.inputs[0] = 0x01;
  WriteIoConfig({{0xA00F, {}}});
  ASSERT_EQ(IoConfig(), 0);
  ts::LadderProgram p;
  p.Load("LD I1; OUT Q2; END");
  SetPlcMode(1);
  SrSet(6, 11);
  SrSet(7, 22);
  SrSet(8, 33);
  for (int i = 0; i < 3; ++i) ScanAfter(20);
  EXPECT_EQ(plc_reg[reg::kOffI], 0x01);
  EXPECT_EQ(b.outputs[0], 0x00) << "no logic ran";
  EXPECT_EQ(SrGet(6), 11);
  EXPECT_EQ(SrGet(7), 22);
  EXPECT_EQ(SrGet(8), 33);

  SetPlcMode(2);
  ScanAfter(20);
  EXPECT_EQ(b.outputs[0], 0x02) << "the logic's output went out in the same scan";
}

TEST_F(RunCtlTest, ScanStatisticsSkipTheFirstScanAndAverageOverSixteen) {
  SetPlcMode(2);  // IoStart: S1
  ScanAfter(0);   // S1 set: not measured; the logic clears S1
  EXPECT_EQ(SrGet(6), 0);
  EXPECT_EQ(SrGet(7), 0xFFFF);
  ScanAfter(20);
  EXPECT_EQ(SrGet(6), 20);
  EXPECT_EQ(SrGet(7), 20);
  EXPECT_EQ(SrGet(8), 20);
  ScanAfter(40);  // total 320 + 40 - 20 = 340
  EXPECT_EQ(SrGet(6), 21);
  EXPECT_EQ(SrGet(7), 20);
  EXPECT_EQ(SrGet(8), 40);
  ScanAfter(100000);  // 10 s: longer than the registers hold
  EXPECT_EQ(SrGet(8), 0xFFFF);
  EXPECT_EQ(SrGet(7), 20);

  // Resuming from held run: statistics start again, the first scan is not measured.
  SetPlcMode(4);
  ScanAfter(30);
  SetPlcMode(2);
  EXPECT_TRUE(SBitGet(10));
  EXPECT_EQ(SrGet(7), 0xFFFF);
  ScanAfter(5000);
  EXPECT_EQ(SrGet(8), 0) << "the S10 scan is not measured";
  ScanAfter(15);
  EXPECT_EQ(SrGet(6), 15);
  EXPECT_EQ(SrGet(8), 15);
}

// A host scan is often shorter than one tick: a first measurement of 0 is still the first.
TEST_F(RunCtlTest, AFirstScanOfNoTicksStartsTheAverageAtZero) {
  SetPlcMode(2);
  ScanAfter(0);  // S1: not measured
  ScanAfter(0);
  EXPECT_EQ(SrGet(6), 0);
  ScanAfter(16);  // total 0 + 16 - 0 = 16
  EXPECT_EQ(SrGet(6), 1);
  EXPECT_EQ(SrGet(7), 0);
  EXPECT_EQ(SrGet(8), 16);
}

TEST_F(RunCtlTest, LogicFaultStopsTheController) {
  InstallProgram({0x00, 0x00});  // opcode 0 has no meaning
  SetPlcMode(2);
  SBitSet(6, true);
  plat::TraceClear();
  PlcScan();
  EXPECT_EQ(SrGet(5), 0);
  EXPECT_EQ(SrGet32(53), 1u) << "the error position";
  EXPECT_TRUE(SrGet(4) & kSr4LogicFault);
  EXPECT_EQ(plat::TraceCountOf("IoStop"), 1u);
  EXPECT_EQ(plat::TraceCountOf("PMGR_Scan"), 0u) << "nothing more runs in the faulted scan";
  EXPECT_EQ(plat::TraceCountOf("CANOpenTxMsg"), 1u);

  SetPlcMode(2);
  EXPECT_EQ(SrGet(5), 0) << "held in Idle until the fault bit is cleared";
  SetPlcMode(3);
  EXPECT_EQ(SrGet(5), 3);
}

TEST_F(RunCtlTest, LogicFaultInOnlineProgrammingTakesBackTheStoredProgram) {
  InstallProgram({0x09, 0x00});
  ASSERT_EQ(N4SaveLadderPgm(), 1);  // ladder.pgm holds the good program
  const uint16_t good_crc = ts::Crc16(std::vector<uint8_t>{0x09, 0x00});
  for (uint16_t sr193 : {uint16_t(0x05), uint16_t(0x01)}) {
    SCOPED_TRACE(sr193);
    InstallProgram({0x00, 0x00, 0x00, 0x00});
    SrSet(5, 2);
    SrSet(4, 0);
    OLPMode = 1;
    SrSet(193, sr193);
    PlcScan();
    EXPECT_EQ(SrGet(5), 2) << "online programming does not stop the controller";
    EXPECT_FALSE(SrGet(4) & kSr4LogicFault);
    EXPECT_EQ(SrGet(193), 0x100);
    const bool reloaded = sr193 & 0x4;
    EXPECT_EQ(BlockSize(ladder_bl), reloaded ? 2u : 4u);
    EXPECT_EQ(SrGet32(11), reloaded ? 2u : 4u);
    if (reloaded) {
      EXPECT_EQ(SrGet(23), good_crc);
    }
  }
}

}  // namespace
}  // namespace rc_test
