// The ladder PID loop against a plant simulated here: a first-order lag with a dead
// time, PV' = (gain x output - PV) / tau, scanned every 10 ms by the test clock. The
// loop samples every 100 ms.
#include <cmath>
#include <cstring>
#include <deque>

#include "ladder_fixture.h"
#include "logic/pid.h"

namespace {

using lt::LadderTest;

// Record words.
enum { kPeriod, kDeadHigh, kDeadLow, kKp, kKd, kKi, kBias, kHigh, kLow, kSlew, kConfig, kManual, kSp, kPv, kOut, kCycle };

struct Plant {
  double gain = 1.0;
  double tau_s = 2.0;
  double dead_s = 0.0;
  double pv = 0.0;
  std::deque<double> pipe;  // outputs on their way through the dead time

  // One step of dt seconds with the output u.
  void Step(double u, double dt) {
    pipe.push_back(u);
    const std::size_t delay = std::size_t(std::lround(dead_s / dt)) + 1;
    double in = pipe.front();
    if (pipe.size() >= delay) {
      in = pipe.front();
      pipe.pop_front();
    } else {
      in = 0.0;
    }
    pv += (gain * in - pv) * dt / tau_s;
  }
};

class PidLoop : public LadderTest {
 protected:
  void SetUp() override {
    LadderTest::SetUp();
    PidResetAll();
    Rec(kPeriod, 10);
    Rec(kKp, 200);
    Rec(kKi, 1000);
    Rec(kHigh, 10000);
    Rec(kLow, 0);
  }
  static int16_t RecWord(int w) { return int16_t(RegWord(RecOffset() + 2 * w)); }
  static void Rec(int w, int v) { SetRegWord(RecOffset() + 2 * w, uint16_t(int16_t(v))); }
  static uint32_t RecOffset() { return (ts::RegisterToken("R100") - 1024) / 8; }
  static int16_t Out() { return int16_t(Word("R3")); }
  static uint32_t R50Offset() { return (ts::RegisterToken("R50") - 1024) / 8; }
  // R50, the pointer operand of the P forms, holds the byte offset `at` as a DINT.
  static void PointR50At(uint32_t at) {
    SetRegWord(R50Offset(), uint16_t(at));
    SetRegWord(R50Offset() + 2, uint16_t(at >> 16));
  }

  void Load(const std::string& pid, ts::OperandForm form = ts::OperandForm::k16) {
    SetBit("I1");
    prog_ = ts::LadderProgram(form);
    prog_.Load("LD I1; " + pid + "; OUT Q1; END");
  }
  // Runs seconds of scans: each scan reads PV from the plant and feeds the output back.
  void RunFor(double seconds) {
    const int scans = int(std::lround(seconds * 100));
    for (int i = 0; i < scans; ++i) {
      SetWord("R2", uint16_t(int16_t(std::lround(plant_.pv))));
      ASSERT_EQ(Scan(), -1);
      plant_.Step(Out(), 0.01);
      clock_->AdvanceTicks(100);
    }
  }
  // Largest |PV - SP| over the next seconds.
  double WorstError(double seconds) {
    double worst = 0;
    for (int i = 0; i < int(seconds * 10); ++i) {
      RunFor(0.1);
      worst = std::max(worst, std::fabs(plant_.pv - int16_t(Word("R1"))));
    }
    return worst;
  }

  Plant plant_;
  static constexpr const char* kPid = "PID 0, R100, R1, R2, M1, M2, M3, R3";
};

TEST_F(PidLoop, SettlesOnTheSetpointInBothForms) {
  struct Row {
    const char* op;
    const char* record;  // R50 points at R100 for the P forms
    bool isa;
  };
  const Row rows[] = {
      {"PID", "R100", false}, {"PID_ISA", "R100", true}, {"PIDP", "R50", false}, {"PIDP_ISA", "R50", true}};
  for (ts::OperandForm form : {ts::OperandForm::k16, ts::OperandForm::k32}) {
    for (const Row& row : rows) {
      SCOPED_TRACE(row.op);
      PidResetAll();
      plant_ = {};
      Rec(kKp, 200);
      Rec(kKi, 1000);
      PointR50At(RecOffset());
      SetWord("R1", 5000);
      Load(std::string(row.op) + " 0, " + row.record + ", R1, R2, M1, M2, M3, R3", form);
      RunFor(15);
      // Within 1 % of the setpoint after 15 s, and it stays there.
      EXPECT_LT(WorstError(5), 50) << "PV " << plant_.pv;
      EXPECT_TRUE(Bit("Q1"));
      EXPECT_EQ(uint16_t(RecWord(kConfig)) & 0x84, row.isa ? 0x84 : 0x04);
    }
  }
}

TEST_F(PidLoop, ComputesOncePerSamplePeriod) {
  SetWord("R1", 1000);
  Rec(kKi, 0);
  Load(kPid);
  RunFor(0.01);  // first scan: no sample, the power flow off
  EXPECT_FALSE(Bit("Q1"));
  EXPECT_EQ(Out(), 0);
  // The output follows P = 2 x error at each sample; between samples it stays.
  SetWord("R2", 0);
  clock_->AdvanceTicks(899);  // 100 ticks have passed already
  ASSERT_EQ(Scan(), -1);
  EXPECT_EQ(Out(), 0) << "99.9 ms is not yet a sample period";
  clock_->AdvanceTicks(1);
  ASSERT_EQ(Scan(), -1);
  EXPECT_EQ(Out(), 2000);
  SetWord("R2", 500);
  clock_->AdvanceTicks(500);
  ASSERT_EQ(Scan(), -1);
  EXPECT_EQ(Out(), 2000);
  clock_->AdvanceTicks(500);
  ASSERT_EQ(Scan(), -1);
  EXPECT_EQ(Out(), 1000);
  // Never more often than every 10 ms, even with a period of 0.
  Rec(kPeriod, 0);
  SetWord("R2", 0);
  clock_->AdvanceTicks(99);
  ASSERT_EQ(Scan(), -1);
  EXPECT_EQ(Out(), 1000);
  clock_->AdvanceTicks(1);
  ASSERT_EQ(Scan(), -1);
  EXPECT_EQ(Out(), 2000);
}

// SP beyond what the plant reaches holds the output at a clamp; when the SP comes back,
// the output leaves the clamp on the next sample (no wound-up integral to unwind).
TEST_F(PidLoop, AntiWindupAtBothClamps) {
  for (int freeze : {0, 1}) {
    SCOPED_TRACE(freeze ? "frozen integral" : "back-calculated integral");
    PidResetAll();
    plant_ = {};
    plant_.gain = 0.5;
    Rec(kConfig, freeze << 12);
    SetWord("R1", 8000);
    Load(kPid);
    RunFor(20);
    EXPECT_EQ(Out(), 10000);
    SetWord("R1", 2000);
    RunFor(0.11);
    EXPECT_LT(Out(), 10000 - 2000) << "the output stayed wound up at the upper clamp";
    RunFor(20);
    EXPECT_LT(std::fabs(plant_.pv - 2000), 40);
    // The lower clamp.
    SetWord("R1", uint16_t(int16_t(-3000)));
    RunFor(20);
    EXPECT_EQ(Out(), 0);
    SetWord("R1", 3000);
    RunFor(0.11);
    EXPECT_GT(Out(), 2000) << "the output stayed wound up at the lower clamp";
  }
}

TEST_F(PidLoop, ManualToAutomaticIsBumpless) {
  // The setpoint stays where the operator left it; PV settles there in manual.
  SetWord("R1", 4000);
  SetBit("M1");
  Rec(kManual, 4000);
  Load(kPid);
  RunFor(20);
  EXPECT_EQ(Out(), 4000);
  EXPECT_NEAR(plant_.pv, 4000, 20);
  // Raise moves the manual command by one count per sample.
  SetBit("M2");
  RunFor(1);
  SetBit("M2", false);
  EXPECT_EQ(RecWord(kManual), 4010);
  // Automatic: the first automatic output is the manual one.
  SetBit("M1", false);
  RunFor(0.1);
  EXPECT_NEAR(Out(), 4010, 25);
  RunFor(0.2);
  EXPECT_NEAR(Out(), 4010, 50);
  // In automatic the manual command tracks the output.
  EXPECT_EQ(RecWord(kManual), Out());
}

TEST_F(PidLoop, RecordAndLoopChecks) {
  struct Case {
    const char* what;
    std::string pid;
    int word;
    int value;
  };
  const Case cases[] = {
      {"bad deadband", kPid, kDeadLow, 5},
      {"bad clamps", kPid, kLow, 20000},
      {"loop 64", "PID 64, R100, R1, R2, M1, M2, M3, R3", kPeriod, 10},
      // The record through a pointer: R50 holds a byte offset 30 bytes before the end.
      {"record past the registers", "PIDP 0, R50, R1, R2, M1, M2, M3, R3", kPeriod, 10},
      {"ISA record past the registers", "PIDP_ISA 0, R50, R1, R2, M1, M2, M3, R3", kPeriod, 10},
      {"tuning record past the registers", "PIDP_AT 0, R50, R1, R2, M1, M2, M3, M4, 0, R3, M5", kPeriod, 10},
      {"ISA tuning record past the registers", "PIDP_ISA_AT 0, R50, R1, R2, M1, M2, M3, M4, 0, R3, M5", kPeriod, 10},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    PidResetAll();
    std::memset(plc_reg + RecOffset(), 0, 32);
    Rec(kHigh, 100);
    Rec(c.word, c.value);
    PointR50At(109056 - 30);
    Load(c.pid);
    RunFor(0.5);
    EXPECT_FALSE(Bit("Q1"));
  }
  // The same pointer form on a record inside the registers works.
  PidResetAll();
  PointR50At(RecOffset());
  Rec(kDeadLow, 0);
  Rec(kLow, 0);
  Rec(kPeriod, 10);
  Rec(kKp, 100);
  Rec(kKi, 0);
  SetWord("R1", 300);
  Load("PIDP 0, R50, R1, R2, M1, M2, M3, R3");
  plant_ = {};
  plant_.gain = 0;
  RunFor(0.5);
  EXPECT_TRUE(Bit("Q1"));
  EXPECT_EQ(Out(), 100) << "P = 300 clamped at 100";
}

TEST_F(PidLoop, NegatedOutputOfMinus32768) {
  Rec(kLow, -32768);
  Rec(kHigh, 0);
  Rec(kKi, 0);
  Rec(kKp, 10000);
  Rec(kConfig, 1 << 9);
  SetWord("R1", uint16_t(int16_t(-30000)));
  Load(kPid);
  RunFor(0.5);
  EXPECT_EQ(Out(), 32767);
}

// The time-proportioning output: the power flow is on for the output's share of the
// span between the clamps in each cycle.
TEST_F(PidLoop, TimeProportioningDutyCycle) {
  for (int manual : {0, 2500, 5000, 10000}) {
    SCOPED_TRACE(manual);
    PidResetAll();
    Rec(kConfig, 1 << 14);
    Rec(kCycle, 1);
    Rec(kManual, manual);
    SetBit("M1");
    Load(kPid);
    RunFor(1);
    int on = 0;
    for (int i = 0; i < 1000; ++i) {
      RunFor(0.01);
      on += Bit("Q1");
    }
    EXPECT_NEAR(on / 1000.0, manual / 10000.0, 0.03);
  }
}

// Both clamps written to one value between samples, above the output, while the
// time-proportioning output runs: there is no span to share the cycle by, so the output
// counts as at the lower clamp and gets no on time.
TEST_F(PidLoop, TimeProportioningWithBothClampsOnOneValue) {
  Rec(kConfig, 1 << 14);
  Rec(kCycle, 1);
  Rec(kManual, 5000);
  SetBit("M1");
  Load(kPid);
  RunFor(1);
  // Well inside the cycle's on share, past its first scans.
  for (int i = 0, on = 0; i < 200 && on < 3; ++i) {
    RunFor(0.01);
    on = Bit("Q1") ? on + 1 : 0;
  }
  ASSERT_TRUE(Bit("Q1"));
  Rec(kPeriod, 30000);  // no sample to clamp the output before the next cycles
  Rec(kHigh, 8000);
  Rec(kLow, 8000);
  // Off through three cycles, but for the two scans where the next cycle starts.
  int on = 0;
  for (int i = 0; i < 300; ++i) {
    RunFor(0.01);
    on += Bit("Q1");
  }
  EXPECT_LE(on, 2);
}

// Without power flow the block does nothing; its first sample afterwards integrates
// over the whole time it was unpowered.
TEST_F(PidLoop, FirstSampleAfterAnUnpoweredSpell) {
  Rec(kKp, 0);
  Rec(kKi, 1000);  // one repeat per second
  Rec(kLow, -10000);
  plant_.gain = 0;
  SetWord("R1", 1000);
  Load(kPid);
  RunFor(0.05);  // the first scan
  SetBit("I1", false);
  ASSERT_EQ(Scan(), -1);
  EXPECT_EQ(Out(), 0);
  clock_->AdvanceTicks(50000);  // 5 s
  SetWord("R3", 77);
  ASSERT_EQ(Scan(), -1);
  EXPECT_EQ(Out(), 77) << "an unpowered block writes nothing";
  SetBit("I1");
  ASSERT_EQ(Scan(), -1);
  EXPECT_NEAR(Out(), 5000, 60) << "1000 counts of error for about 5 s at one repeat per second";
}

// A block left unpowered for 2^32 - 1 ticks (about five days): the derivative of the
// first sample is divided by the whole spell, however the tick count wrapped.
TEST_F(PidLoop, DerivativeAfterTheLongestUnpoweredSpell) {
  Rec(kPeriod, 0);
  Rec(kKp, 100);
  Rec(kKi, 0);
  Rec(kKd, 32767);
  Rec(kLow, -10000);
  plant_.gain = 0;
  SetWord("R1", 10000);
  Load(kPid);
  RunFor(0.5);  // a sample at every scan; the last one 100 ticks ago
  EXPECT_EQ(Out(), 10000);
  SetBit("I1", false);
  ASSERT_EQ(Scan(), -1);
  clock_->AdvanceTicks(0xFFFFFFFFll - 100);
  SetBit("I1");
  SetWord("R2", 30000);  // the error swings by -30000: the largest negative derivative
  ASSERT_EQ(Scan(), -1);
  EXPECT_TRUE(Bit("Q1"));
  EXPECT_EQ(Out(), -10000) << "P = -20000 at the lower clamp; D over five days is 0";
}

// Ki = 3 integrates like Ki = 2. (The lower clamp is out of the way: an output resting
// exactly on a clamp counts as clamped and back-calculates the integral.)
TEST_F(PidLoop, OddIntegralGainActsLikeTheEvenOneBelow) {
  int16_t out[2];
  for (int i = 0; i < 2; ++i) {
    PidResetAll();
    Rec(kLow, -10000);
    Rec(kKp, 0);
    Rec(kKi, i == 0 ? 2 : 3);
    SetWord("R1", 1000);
    Load(kPid);
    RunFor(3);
    out[i] = Out();
  }
  EXPECT_GT(out[0], 0);
  EXPECT_EQ(out[0], out[1]);
}

// The relay auto-tuner on a plant with a dead time: it runs to completion, sets the done
// bit, writes gains that settle the plant, and starts over when its request drops midway.
class PidTune : public PidLoop {
 protected:
  static constexpr const char* kTunePid = "PID_AT 3, R100, R1, R2, M1, M2, M3, M4, 0, R3, M5";
  void SetUp() override {
    PidLoop::SetUp();
    plant_.dead_s = 0.5;
    Rec(kKp, 0);
    Rec(kKi, 0);
    SetWord("R1", 4000);
    Load(kTunePid);
  }
  // Runs until the done bit or the time limit; the seconds it took. `rises` counts the
  // times the output went up to the upper clamp.
  double TuneUntilDone(double limit, int* rises = nullptr) {
    for (double t = 0; t < limit; t += 0.1) {
      const bool was_up = Out() == 10000;
      RunFor(0.1);
      if (rises != nullptr && !was_up && Out() == 10000) ++*rises;
      if (Bit("M5")) return t;
    }
    return -1;
  }
};

TEST_F(PidTune, RunsToCompletionAndItsGainsSettleThePlant) {
  for (const char* op : {"PID_AT", "PID_ISA_AT", "PIDP_AT", "PIDP_ISA_AT"}) {
    SCOPED_TRACE(op);
    PidResetAll();
    plant_ = {};
    plant_.dead_s = 0.5;
    Rec(kKp, 0);
    Rec(kKi, 0);
    Rec(kKd, 0);
    PointR50At(RecOffset());
    SetWord("R1", 4000);
    SetBit("M4");
    Load(std::string(op) + " 3, " + (op[3] == 'P' ? "R50" : "R100") + ", R1, R2, M1, M2, M3, M4, 0, R3, M5");
    const double took = TuneUntilDone(120);
    ASSERT_GE(took, 0) << "the tuner did not finish";
    EXPECT_GT(RecWord(kKp), 0);
    EXPECT_GT(uint16_t(RecWord(kKi)), 0);
    EXPECT_GT(RecWord(kKd), 0);
    // Done stays on while requested; dropping the request clears it and hands over to
    // the loop with the new gains.
    RunFor(1);
    EXPECT_TRUE(Bit("M5"));
    SetBit("M4", false);
    RunFor(0.1);
    EXPECT_FALSE(Bit("M5"));
    SetWord("R1", 3000);
    RunFor(40);
    EXPECT_LT(WorstError(5), 60) << "Kp " << RecWord(kKp) << " Ki " << RecWord(kKi) << " Kd " << RecWord(kKd);
  }
}

// A restart begins again from the first step: the output goes back to the lower clamp,
// and the warm-up cycle comes again before the measured one (three rises to the upper
// clamp in all, as in a run from the start).
TEST_F(PidTune, RestartMidway) {
  Rec(kBias, 3000);  // the loop's own output while the request is down
  SetBit("M4");
  int rises = 0;
  EXPECT_LT(TuneUntilDone(6, &rises), 0);
  ASSERT_GE(rises, 2) << "midway: past the warm-up";
  EXPECT_EQ(RecWord(kKi), 0) << "Ki is held at 0 while the tuner measures";
  SetBit("M4", false);
  RunFor(0.5);
  EXPECT_EQ(Out(), 3000);
  SetBit("M4");
  RunFor(0.1);
  EXPECT_EQ(Out(), 0) << "the tuner starts with the output at the lower clamp";
  rises = 0;
  ASSERT_GE(TuneUntilDone(120, &rises), 0);
  EXPECT_EQ(rises, 3);
  EXPECT_GT(RecWord(kKp), 0);
}

TEST_F(PidTune, FlatPlantNeverFinishes) {
  plant_.gain = 0;  // no oscillation to measure
  SetBit("M4");
  EXPECT_LT(TuneUntilDone(30), 0);
  EXPECT_EQ(RecWord(kKp), 0);
}

// A PV that crosses the whole noise band at every sample leaves no sample inside either
// half-cycle to measure the amplitude by: the tuner hands back the saved manual command
// and starts over, with the output at the lower clamp, instead of computing gains.
TEST_F(PidTune, NoMeasurableAmplitudeStartsOver) {
  Rec(kManual, 777);
  SetBit("M4");
  ASSERT_EQ(Scan(), -1);  // the first scan
  int16_t prev = Out();
  int handed_back = 0, restarted = 0;
  for (int i = 0; i < 40; ++i) {
    SetWord("R2", i % 2 ? 8000 : 0);  // 4000 counts either side of the setpoint
    clock_->AdvanceTicks(1000);       // one sample period
    ASSERT_EQ(Scan(), -1);
    handed_back += prev != 777 && Out() == 777;
    restarted += prev == 777 && Out() == 0;
    prev = Out();
  }
  EXPECT_FALSE(Bit("M5"));
  EXPECT_EQ(RecWord(kKp), 0);
  EXPECT_GE(handed_back, 3);
  EXPECT_GE(restarted, 3);
}

}  // namespace
