#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "ground/regimage.h"
#include "mainloop_fixture.h"
#include "mainloop_internal.h"
#include "platform/power_controller.h"
#include "platform/trace.h"
#include "screens/objm_bodies.h"

namespace {

using Names = std::vector<std::string>;

const Names kIdlePass = {"Can_Isr",        "TimerISR",         "RctISR",     "PlcScan",
                         "OCB_Update",     "Cmd_Check",        "Dpram_Service", "FxpMain",
                         "Datagram_Check", "CFM_TheLoop",      "PGM_TheLoop",   "SliceTimerDisarm",
                         "EnetMain",       "USBPortMon",       "TickleWatchdogReal", "ModemCycle"};

Names Without(Names names, const Names& drop) {
  std::erase_if(names, [&](const std::string& n) { return std::find(drop.begin(), drop.end(), n) != drop.end(); });
  return names;
}

// What the scan itself calls; the pass's order is the loop's own steps.
const Names kScanCalls = {"CANOpenRxMsg", "PMGR_Scan",   "SMS_Scanner",  "LOG_Update",   "REPORT_Scanner",
                          "AlarmLogToCF_Scanner", "DLOG_Update", "CANOpenTxMsg", "Etn_UpdateStatus"};

// The loop's own steps: what the scan and the screen pass call inside is left out.
Names PassTrace() {
  plat::TraceClear();
  The_Loop();
  Names names = Without(plat::TraceNames(), kScanCalls);
  const auto screen = std::find(names.begin(), names.end(), "PGM_TheLoop");
  if (screen != names.end()) names.erase(screen + 1, std::find(screen, names.end(), "SliceTimerDisarm"));
  return names;
}

// The protocol-driver table: a 32-byte header with the count at byte 8, then one 32-byte
// entry per driver with its version word at byte 12.
void SetDrivers(const std::vector<uint16_t>& versions, uint32_t count, uint32_t stored_size = 0) {
  uint8_t* data = promgr_table_bl + kTableHeader;
  std::memset(data, 0, 32 + 32 * 9);
  std::memcpy(data + 8, &count, 4);
  for (std::size_t i = 0; i < versions.size(); ++i) std::memcpy(data + 32 + 32 * i + 12, &versions[i], 2);
  SetBlockSize(promgr_table_bl, stored_size ? stored_size : uint32_t(32 + 32 * versions.size()));
}

std::vector<int64_t> DriversRun() {
  std::vector<int64_t> out;
  for (const auto& e : plat::TraceSnapshot())
    if (std::string(e.name) == "PMGR_TheLoop") out.push_back(e.a);
  return out;
}

using MainLoop = kt::MainLoopTest;

TEST_F(MainLoop, IdlePassOrder) { EXPECT_EQ(PassTrace(), kIdlePass); }

TEST_F(MainLoop, RunPassArmsTheSliceTimerAroundTheTwoLoops) {
  SrSet(5, 2);
  SrSet(167, 50);
  Names expected = kIdlePass;
  expected.insert(std::find(expected.begin(), expected.end(), "CFM_TheLoop"), "SliceTimerArm");
  EXPECT_EQ(PassTrace(), expected);
  EXPECT_EQ(Calls("SliceTimerArm")[0].a, 50'000);  // microseconds
  EXPECT_EQ(Vint, 0);
}

TEST_F(MainLoop, SliceTimerIsArmedOnlyOutsideIdleAndWhenAllowed) {
  struct Case {
    uint16_t mode;
    uint8_t dont_slice;
    bool armed;
  };
  for (const Case& c : {Case{0, 0, false}, Case{1, 0, true}, Case{2, 0, true}, Case{4, 0, true}, Case{2, 1, false}}) {
    SrSet(5, c.mode);
    SrSet(167, 50);
    DntTmeSlc = c.dont_slice;
    PassTrace();
    EXPECT_EQ(plat::TraceCountOf("SliceTimerArm"), c.armed ? 1u : 0u) << "mode " << c.mode;
    EXPECT_EQ(plat::TraceCountOf("SliceTimerDisarm"), 1u);
  }
}

TEST_F(MainLoop, SlicedPassSkipsExactlyTheCommandPortAndTheTwoLoops) {
  SetDrivers({500}, 1);
  const Names normal = PassTrace();
  Sliced = 1;
  const Names sliced = PassTrace();
  EXPECT_EQ(sliced, Without(normal, {"Cmd_Check", "CFM_TheLoop", "PGM_TheLoop", "SliceTimerDisarm"}));
  EXPECT_EQ(Calls("EnetMain")[0].a, 1);
  EXPECT_EQ(Sliced, 1) << "stays set until the interrupted loops have finished";
  EXPECT_EQ(PassTrace(), sliced);  // still inside the interrupted pass's loops

  // A waiting caller's pass follows the same rules.
  Sliced = 0;
  plat::TraceClear();
  ExecuteSubLoop_Wait();
  EXPECT_EQ(Without(plat::TraceNames(), kScanCalls), sliced);
}

TEST_F(MainLoop, NormalPassClearsSlicedAfterItsLoops) {
  Sliced = 0;
  // As if a slice had run inside the screen pass.
  g_objm_bodies.update = [](DC*) {
    Sliced = 1;
    return 1;
  };
  PassTrace();
  EXPECT_EQ(Sliced, 0);
  EXPECT_EQ(Calls("EnetMain")[0].a, 0);
}

TEST_F(MainLoop, HeldScanAndServices) {
  struct Case {
    const char* what;
    uint8_t recover, auto_load, iec, screens_stopped;
    int bis;
    bool scan, drivers, iec_service, screen_loop;
  };
  const Case cases[] = {
      {"plain", 0, 0, 0, 0, 1, true, true, false, true},
      {"recovery screen", 1, 0, 1, 0, 1, false, false, false, true},
      {"auto-load-run", 0, 1, 0, 0, 1, false, true, false, true},
      {"IEC runtime", 0, 0, 1, 0, 1, true, true, true, true},
      {"IEC runtime in boot mode", 0, 0, 1, 0, 2, true, true, false, true},
      {"screens stopped", 0, 0, 0, 1, 1, true, true, false, false},
  };
  SetDrivers({500}, 1);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    RecoverMode = c.recover;
    Sys_AutoLoad = c.auto_load;
    OrvanelRuntime = c.iec;
    BIS = c.bis;
    PGM_state = c.screens_stopped ? 2 : 5;
    PassTrace();
    EXPECT_EQ(plat::TraceCountOf("PlcScan"), c.scan ? 1u : 0u);
    EXPECT_EQ(plat::TraceCountOf("PMGR_TheLoop"), c.drivers ? 1u : 0u);
    EXPECT_EQ(plat::TraceCountOf("Orvanel_Comm_service"), c.iec_service ? 1u : 0u);
    EXPECT_EQ(plat::TraceCountOf("PGM_TheLoop"), c.screen_loop ? 1u : 0u);
    EXPECT_EQ(plat::TraceCountOf("CFM_TheLoop"), 1u);
  }
}

TEST_F(MainLoop, PowerDownRunsWhenTheSignalHasArrived) {
  PassTrace();
  EXPECT_EQ(plat::TraceCountOf("PowerDown"), 0u);
  PowerdownSignal = 1;
  plat::power_model::Hold(true);  // the switch-off would end the test program
  const Names names = PassTrace();
  EXPECT_NE(std::find(names.begin(), names.end(), "PowerDown"), names.end());
  EXPECT_EQ(names.back(), "CreateSavedFile") << "the pass ends with the power-down save";
  EXPECT_GT(plat::power_model::SwitchOffWrites(), 0u);
}

TEST_F(MainLoop, ProtocolDrivers) {
  struct Case {
    const char* what;
    std::vector<uint16_t> versions;
    uint32_t count;
    uint32_t stored_size;
    uint8_t busy;
    bool sliced;
    std::vector<int64_t> run;
  };
  const Case cases[] = {
      {"all in order", {400, 314, 500}, 3, 0, 0, false, {0, 1, 2}},
      {"slice ends at the first old driver", {400, 314, 500}, 3, 0, 0, true, {0}},
      {"slice runs new drivers", {315, 600}, 2, 0, 0, true, {0, 1}},
      {"busy driver is skipped", {400, 400, 400}, 3, 0, 0x2, false, {0, 2}},
      {"no driver", {}, 0, 32, 0, false, {}},
      {"count above 8", {400, 400}, 9, 0, 0, false, {}},
      {"entries past the stored table", {400, 400, 400}, 3, 32 + 32 * 2, 0, false, {0, 1}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SetDrivers(c.versions, c.count, c.stored_size);
    PmgrBusy = c.busy;
    plat::TraceClear();
    ExecutePMGR_Loop(c.sliced);
    EXPECT_EQ(DriversRun(), c.run);
    EXPECT_EQ(PmgrBusy, c.busy);
  }
}

TEST_F(MainLoop, StatusBits) {
  struct Case {
    uint16_t sr4;
    bool s12;
    uint16_t inputs, outputs;
    bool s2, s6, s11;
  };
  const Case cases[] = {
      {0x0000, false, 0, 0, true, true, false},  {0x0010, false, 0, 0, false, true, false},
      {0x0020, false, 0, 0, false, true, false}, {0x0080, false, 0, 0, false, true, false},
      {0x0040, false, 0, 0, true, false, false}, {0x0100, false, 0, 0, true, true, false},
      {0x0000, true, 0, 0, true, true, false},   {0x0000, true, 1, 0, true, true, true},
      {0x0000, true, 0, 2, true, true, true},    {0x0000, false, 1, 1, true, true, false},
  };
  for (const Case& c : cases) {
    SrSet(4, c.sr4);
    SBitSet(12, c.s12);
    std::memcpy(io_force, &c.inputs, 2);
    std::memcpy(io_force + 2, &c.outputs, 2);
    UpdateStatusBits();
    EXPECT_EQ(SBitGet(2), c.s2) << std::hex << c.sr4;
    EXPECT_EQ(SBitGet(6), c.s6) << std::hex << c.sr4;
    EXPECT_EQ(SBitGet(11), c.s11) << c.inputs << " " << c.outputs;
  }
}

}  // namespace
