// The PLC mode: what each change starts and stops, in which order, and what it does to
// S1, S10, the scan statistics, online programming, talk sessions, the IEC runtime and
// the logic's media jobs.
#include <gtest/gtest.h>

#include <csignal>
#include <string>
#include <vector>

#include "platform/process.h"
#include "runctl_fixture.h"
#include "testsupport/recording_signaller.h"

namespace rc_test {
namespace {

using Names = std::vector<std::string>;

const Names kServiceCalls = {"AutoSaveRegisters", "PMGR_Start",  "SMS_Start",     "LOG_Start",
                             "REPORT_Start",      "AlarmLogToCF_Start", "IoStop",  "PMGR_Stop",
                             "SMS_Stop",          "LOG_Stop",    "REPORT_Stop",   "AlarmLogToCF_Stop",
                             "IoStart",           "io_driver",   "Talk_ReopenNetwork", "TalkClosed"};

const Names kStarts = {"PMGR_Start", "SMS_Start", "LOG_Start", "REPORT_Start", "AlarmLogToCF_Start"};
const Names kStops = {"IoStop", "PMGR_Stop", "SMS_Stop", "LOG_Stop", "REPORT_Stop", "AlarmLogToCF_Stop"};
const Names kIoStart = {"IoStart", "io_driver", "io_driver"};
const Names kTalkClosed = {"TalkClosed", "TalkClosed", "TalkClosed", "TalkClosed"};

Names Seq(std::initializer_list<Names> parts) {
  Names out;
  for (const Names& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

struct ModeCase {
  const char* what;
  uint16_t from;
  uint8_t to;
  uint16_t sr4;
  uint16_t mode_after;
  Names calls;       // services, in order (the save first when the mode changes)
  bool s1, s10;      // after the change
  bool stats_reset;  // SR7 = 0xFFFF, SR8 = 0 (SR6 = 0 is checked separately)
  bool sr6_cleared;
};

void PrintTo(const ModeCase& c, std::ostream* os) { *os << c.what; }

const Names kSave = {"AutoSaveRegisters"};

class ModeMatrix : public RunCtlTest, public ::testing::WithParamInterface<ModeCase> {};

TEST_P(ModeMatrix, StartsAndStopsItsServicesInOrder) {
  const ModeCase& c = GetParam();
  runctl::g.mode_set_once = true;  // past the first call after start-up: changes save
  SrSet(5, c.from);
  SrSet(4, c.sr4);
  SrSet(6, 123);
  SrSet(7, 77);
  SrSet(8, 99);
  plat::TraceClear();

  SetPlcMode(c.to);

  EXPECT_EQ(SrGet(5), c.mode_after);
  EXPECT_EQ(TraceOf(kServiceCalls), c.calls);
  EXPECT_EQ(SBitGet(1), c.s1);
  EXPECT_EQ(SBitGet(10), c.s10);
  EXPECT_EQ(SrGet(7), c.stats_reset ? 0xFFFF : 77);
  EXPECT_EQ(SrGet(8), c.stats_reset ? 0 : 99);
  EXPECT_EQ(SrGet(6), (c.stats_reset || c.sr6_cleared) ? 0 : 123);
  const auto saves = Calls("AutoSaveRegisters");
  if (!saves.empty()) {
    EXPECT_EQ(saves[0].a, c.mode_after) << "the saved image shows the new mode";
  }
}

INSTANTIATE_TEST_SUITE_P(
    Modes, ModeMatrix,
    ::testing::Values(
        ModeCase{"idle_to_run", 0, 2, 0, 2, Seq({kSave, kStarts, kIoStart}), true, false, true, false},
        ModeCase{"idle_to_run_faulted", 0, 3, 0, 3, Seq({kSave, kStarts, kIoStart}), true, false, true, false},
        ModeCase{"idle_to_do_io", 0, 1, 0, 1, Seq({kSave, kStarts}), false, false, false, false},
        ModeCase{"idle_to_held", 0, 4, 0, 4, Seq({kSave, kStarts}), false, false, false, false},
        ModeCase{"do_io_to_run", 1, 2, 0, 2, Seq({kSave, kIoStart}), true, false, true, false},
        ModeCase{"do_io_to_idle", 1, 0, 0, 0, Seq({kSave, kStops}), false, false, false, false},
        ModeCase{"run_to_idle", 2, 0, 0, 0, Seq({kSave, kStops, kTalkClosed}), false, false, false, true},
        ModeCase{"run_to_do_io", 2, 1, 0, 1, Seq({kSave, kTalkClosed}), false, false, false, true},
        ModeCase{"run_to_run_faulted", 2, 3, 0, 3, Seq({kSave, kIoStart, kTalkClosed}), true, false, true, true},
        ModeCase{"run_to_held", 2, 4, 0, 4, kSave, false, false, false, false},
        ModeCase{"run_faulted_to_run", 3, 2, 0, 2, Seq({kSave, kIoStart, kTalkClosed}), true, false, true, true},
        ModeCase{"held_to_run", 4, 2, 0, 2, kSave, false, true, true, false},
        ModeCase{"held_to_run_faulted", 4, 3, 0, 3, kSave, false, true, true, false},
        ModeCase{"held_to_do_io", 4, 1, 0, 1, Seq({kSave, kTalkClosed}), false, false, false, true},
        ModeCase{"held_to_idle", 4, 0, 0, 0, Seq({kSave, kStops, kTalkClosed}), false, false, false, true},
        ModeCase{"same_mode", 2, 2, 0, 2, {}, false, false, false, false},
        ModeCase{"mode_5_ignored", 2, 5, 0, 2, {}, false, false, false, false},
        // Fault bits: Idle for every mode but 3.
        ModeCase{"program_error_refuses_run", 0, 2, 0x004, 0, {}, false, false, false, false},
        ModeCase{"program_error_accepts_3", 0, 3, 0x004, 3, Seq({kSave, kStarts, kIoStart}), true, false, true, false},
        ModeCase{"logic_fault_stops_a_running_unit", 2, 2, 0x100, 0, Seq({kSave, kStops, kTalkClosed}), false, false, false, true},
        ModeCase{"fault_turns_mode_5_into_idle", 1, 5, 0x800, 0, Seq({kSave, kStops}), false, false, false, false},
        ModeCase{"io_config_error_is_no_fault", 0, 2, 0x040, 2, Seq({kSave, kStarts, kIoStart}), true, false, true, false}));

TEST_F(RunCtlTest, EveryFaultBitButTheOthersHoldsIdle) {
  for (int bit = 0; bit < 16; ++bit) {
    ResetUnit();
    SrSet(5, 0);
    SrSet(4, uint16_t(1u << bit));
    SetPlcMode(2);
    const bool fault = (kSr4IdleFaults >> bit) & 1;
    EXPECT_EQ(SrGet(5), fault ? 0 : 2) << "SR4 bit " << bit;
  }
  EXPECT_EQ(kSr4IdleFaults, 0x001 | 0x002 | 0x004 | 0x008 | 0x100 | 0x800);
}

TEST_F(RunCtlTest, OnlyTheFirstCallAfterStartUpSkipsTheSave) {
  SetPlcMode(5);  // ignored, but it is the first call
  SetPlcMode(2);
  EXPECT_EQ(plat::TraceCountOf("AutoSaveRegisters"), 1u);

  ResetUnit();
  SrSet(5, 0);
  plat::TraceClear();
  SetPlcMode(2);  // start-up re-applies the saved mode
  EXPECT_EQ(SrGet(5), 2);
  EXPECT_EQ(plat::TraceCountOf("AutoSaveRegisters"), 0u);
  SetPlcMode(0);
  SetPlcMode(2);
  EXPECT_EQ(plat::TraceCountOf("AutoSaveRegisters"), 2u);
}

TEST_F(RunCtlTest, IoStartClearsWarmCopiesTheImageAndStartsTheDriver) {
  SrSet(6, 5);
  SrSet(7, 6);
  SrSet(8, 7);
  plc_reg[reg::kOffQ] = 0xAA;  // cleared by the warm clear
  plc_reg[reg::kOffM] = 0x55;  // kept
  IoStart();
  EXPECT_EQ(plc_reg[reg::kOffQ], 0);
  EXPECT_EQ(plc_reg[reg::kOffM], 0x55);
  EXPECT_EQ(old_reg[reg::kOffM], 0x55);
  EXPECT_EQ(SrGet(6), 0);
  EXPECT_EQ(SrGet(7), 0xFFFF);
  EXPECT_EQ(SrGet(8), 0);
  EXPECT_TRUE(SBitGet(1));
  const auto cmds = Calls("io_driver");
  ASSERT_EQ(cmds.size(), 2u);
  EXPECT_EQ(cmds[0].a, 14);
  EXPECT_EQ(cmds[0].b, 0);
  EXPECT_EQ(cmds[1].a, 14);
  EXPECT_EQ(cmds[1].b, 1);
}

TEST_F(RunCtlTest, OnlineProgrammingEndsOnEveryChangeToAModeOtherThanRun) {
  struct Case {
    uint16_t from;
    uint8_t to;
    uint8_t olp_after;
  };
  for (const Case& c : {Case{4, 2, 1}, Case{1, 2, 1}, Case{2, 3, 0}, Case{2, 4, 0}, Case{2, 0, 0}, Case{0, 1, 0}}) {
    SrSet(5, c.from);
    OLPMode = 1;
    SetPlcMode(c.to);
    EXPECT_EQ(OLPMode, c.olp_after) << c.from << " -> " << int(c.to);
  }
}

TEST_F(RunCtlTest, LeavingRunReopensTalkPortsInTheNetworkModeAndFreesTheProgrammingPort) {
  SrSet(5, 2);
  TalkOpenedStandIn[1] = 1;
  TalkOpenedStandIn[3] = 1;
  Cmd_Override = 1;
  SetPlcMode(1);
  EXPECT_EQ(TraceOf({"Talk_ReopenNetwork", "TalkClosed"}),
            (Names{"Talk_ReopenNetwork", "Talk_ReopenNetwork", "TalkClosed", "TalkClosed", "TalkClosed", "TalkClosed"}));
  const auto reopened = Calls("Talk_ReopenNetwork");
  EXPECT_EQ(reopened[0].a, 1);
  EXPECT_EQ(reopened[1].a, 3);
  const auto closed = Calls("TalkClosed");
  for (int port = 0; port < 4; ++port) EXPECT_EQ(closed[port].a, port);
  EXPECT_EQ(Cmd_Override, 0);
}

TEST_F(RunCtlTest, LeavingIdleRestartsTheIecApplicationBeforeTheServices) {
  SrSet(5, 0);
  OrvanelRuntime = 1;
  OrvanelFirstRun = 1;
  SetPlcMode(1);
  const Names seen = TraceOf({"OrvanelStop", "PMGR_Start"});
  EXPECT_EQ(seen, (Names{"OrvanelStop", "PMGR_Start"}));
  EXPECT_EQ(OrvanelFirstRun, 0);
  // Started again from the logic table: the default program carries no IEC application.
  EXPECT_EQ(plat::TraceCountOf("IoConfig"), 1u);
  EXPECT_EQ(OrvanelRuntime, 0);
}

TEST_F(RunCtlTest, GoingIdleTellsABoundIecRuntimeThatTheControllerStopped) {
  for (uint8_t enumerated : {0, 1}) {
    SrSet(5, 2);
    OrvanelRuntime = 1;
    orvanel_variables_enumerateded = enumerated;
    iVmAlive = 1;
    SetPlcMode(0);
    EXPECT_EQ(iVmAlive, enumerated ? 3 : 1);
  }
}

// Media jobs of the logic are stopped through their own child's pid only.
class MediaJobs : public RunCtlTest {
 protected:
  static void Start(MediaJob& job, uint16_t code, pid_t pid) {
    job.code = code;
    job.pid = pid;
    job.result = kMediaJobRunning;
  }
  ts::RecordingSignaller signals_;
};

TEST_F(MediaJobs, GoingIdleStopsTheRunningCopyAndDeleteByTheirPids) {
  Start(RmCopyJob, kMediaJobCopy, 4242);
  Start(RmDeleteJob, kMediaJobDelete, 4343);
  SrSet(5, 2);
  SetPlcMode(0);
  EXPECT_EQ(signals_.sent(), (std::vector<std::pair<pid_t, int>>{{4242, SIGTERM}, {4343, SIGTERM}}));
  for (MediaJob* job : {&RmCopyJob, &RmDeleteJob}) {
    EXPECT_EQ(job->result, kMediaJobStopped);
    EXPECT_EQ(job->pid, 0);
    EXPECT_EQ(job->code, 0);
  }
  // The job's thread sees its command end by the signal: the stop's -4 stays.
  EXPECT_FALSE(MediaJobFinish(RmCopyJob, 5));
  EXPECT_EQ(RmCopyJob.result, kMediaJobStopped);
}

TEST_F(MediaJobs, ADeleteWithoutAChildIsForgottenAndNothingIsSignalled) {
  RmDeleteJob.code = kMediaJobDelete;
  RmDeleteJob.result = 0;
  RmCopyJob.code = kMediaJobCopy;  // recorded, not started
  RmCopyJob.result = 7;
  SrSet(5, 1);
  SetPlcMode(0);
  EXPECT_TRUE(signals_.sent().empty());
  EXPECT_EQ(RmDeleteJob.code, 0);
  EXPECT_EQ(RmDeleteJob.result, 0);
  EXPECT_EQ(RmCopyJob.code, kMediaJobCopy);
  EXPECT_EQ(RmCopyJob.result, 7);
}

TEST_F(MediaJobs, JobsRunOnWhenTheModeChangesToAnythingButIdle) {
  Start(RmCopyJob, kMediaJobCopy, 4242);
  SrSet(5, 2);
  SetPlcMode(1);
  SetPlcMode(4);
  EXPECT_TRUE(signals_.sent().empty());
  EXPECT_TRUE(MediaJobFinish(RmCopyJob, 0));
  EXPECT_EQ(RmCopyJob.result, 0);
  EXPECT_EQ(RmCopyJob.pid, 0);
}

TEST(SignalProcess, NeverNamesAGroupOrEveryProcess) {
  ts::RecordingSignaller signals;
  for (pid_t pid : {0, -1, -4242}) EXPECT_EQ(plat::SignalProcess(pid, SIGTERM), plat::kSignalRefused) << pid;
  EXPECT_TRUE(signals.sent().empty());
  EXPECT_EQ(plat::SignalProcess(4242, SIGTERM), plat::kSignalSent);
  ASSERT_EQ(signals.sent().size(), 1u);
}

}  // namespace
}  // namespace rc_test
