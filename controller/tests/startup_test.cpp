// Start-up in process: the order of its steps, the three forms of the command line and
// the retried loads, up to the first main-loop pass (which asks for the orderly stop).
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <string>
#include <vector>

#include "testsupport/power_on_state.h"
#include "ground/regimage.h"
#include "controller/startup.h"
#include "ground/tablestore.h"
#include "platform/trace.h"
#include "platform/watchdog.h"
#include "screens/objm_bodies.h"
#include "testsupport/program_image.h"
#include "testsupport/stepping_clock.h"
#include "testsupport/temp_root.h"

namespace {

class StartUp : public ::testing::Test {
 protected:
  void SetUp() override {
    sigaction(SIGINT, nullptr, &saved_int_);
    sigaction(SIGTERM, nullptr, &saved_term_);
    plat::TraceClear();
    plat::TraceEnable(true);
  }
  void TearDown() override {
    plat::TraceEnable(false);
    sigaction(SIGINT, &saved_int_, nullptr);
    sigaction(SIGTERM, &saved_term_, nullptr);
  }
  // Runs the start-up with args (after the program's name) and one main-loop pass.
  int Start(std::vector<std::string> args) {
    args.insert(args.begin(), "panel");
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    g_objm_bodies.update = [](DC*) {
      std::raise(SIGTERM);
      return 1;
    };
    return PanelMain(int(args.size()), argv.data());
  }
  static std::size_t Count(const std::vector<std::string>& names, const std::string& name) {
    return std::size_t(std::count(names.begin(), names.end(), name));
  }

  ts::TempRoot root_;
  ts::SteppingClock clock_{100'000};  // the self-test's waits pass without real time
  struct sigaction saved_int_ {};
  struct sigaction saved_term_ {};
};

// The steps that leave a mark in the call trace, in the order the unit must take them.
TEST_F(StartUp, StepsRunInTheirOrder) {
  ASSERT_EQ(Start({}), 0);
  const auto names = plat::TraceNames();
  const std::vector<std::string> order = {
      "SYS_HardwareCheck", "GDI_Init",       "GPIOInit",        "GDI_CreateDC",     "KEY_Init",
      "LoadProgram",       "AutoLoadRegisters", "VideoPlayStreamInit", "StartWatchdog", "TTY_Allocate",
      "Dpram_Init",        "SYS_Init",       "MENU_CopyPages",  "Vcomm_Init",       "SCI0_Init",
      "SCI2_Init",         "SCI3_Init",      "SCI4_Init",       "SCI1_Init",        "SYS_MenuOption",
      "SYS_MenuOption2",   "PlcInit",        "NetConfig",       "TickleWatchdogReal", "IoConfig",
      "TCH_Beep",          "OCB_Open",       "Cmd_Init",        "OCB_Init",         "KEY_Flush",
      "SYS_ResetRCBs",     "CFM_Open",       "PGM_InitRunCtrl", "RCT_Init",         "PGM_Create",
      "REC_ScreenInit",    "PGM_SetSlice",   "VIDM_Init",       "quorv_init_mutexes",
      "quorv_update_system_screen_details", "Cf_Check",     "PGM_TheLoop",      "StopWatchdog",
  };
  std::size_t at = 0;
  for (const std::string& step : order) {
    const auto it = std::find(names.begin() + std::ptrdiff_t(at), names.end(), step);
    ASSERT_NE(it, names.end()) << step << " missing or out of order";
    at = std::size_t(it - names.begin()) + 1;
  }
}

// No argument: a normal start. One: boot mode (the boot installer screen, no program
// loaded, node 254; the watchdog is opened). Two or more: a normal start with the watchdog left closed.
TEST_F(StartUp, TheThreeFormsOfTheCommandLine) {
  struct Case {
    const char* what;
    std::vector<std::string> args;
    bool boot;
    bool watchdog_opened;
  };
  const Case cases[] = {
      {"no argument", {}, false, true},
      {"one argument", {"boot"}, true, true},
      {"two arguments", {"a", "b"}, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ts::ResetPowerOnState();
    plat::TraceEnable(true);
    ts::ProgramImage img = ts::ProgramImage::Sample();
    img.WriteFiles(root_);
    ASSERT_EQ(Start(c.args), 0);
    const auto names = plat::TraceNames();
    EXPECT_EQ(BootMode, c.boot ? 1 : 0);
    EXPECT_EQ(Count(names, "LoadProgram"), c.boot ? 0u : 1u);
    EXPECT_EQ(Count(names, "AutoLoadRegisters"), c.boot ? 0u : 1u);
    const auto trace = plat::TraceSnapshot();
    const bool boot_screen = std::any_of(trace.begin(), trace.end(), [](const plat::TraceEntry& e) {
      return std::string(e.name) == "SYS_WriteSys" && e.a == 3 && e.b == 22;
    });
    EXPECT_EQ(boot_screen, c.boot) << "SR3 = 22 through SYS_WriteSys";
    EXPECT_EQ(SrGet(29) == 254, c.boot);
    EXPECT_EQ(Count(names, "WatchdogOpen") != 0, c.watchdog_opened);
  }
}

// A program file that does not load is tried ten times, then the unit starts without it.
TEST_F(StartUp, AFailingLoadIsTriedTenTimes) {
  ts::ProgramImage img = ts::ProgramImage::Sample();
  img.logic.BadCrc();
  img.WriteFiles(root_);
  ASSERT_EQ(Start({}), 0);
  EXPECT_EQ(Count(plat::TraceNames(), "LoadProgram"), 10u);
}

}  // namespace
