// The real firmware on an empty device root: a first start with its defaults, Run, then
// the power-fail signal and a restart that finds every register, the mode and the reset
// counter as they were; and a start after a stop that was not orderly, which asks the
// operator on the touch screen.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <string>
#include <unistd.h>

#include "e2e_fixture.h"
#include "ground/regimage.h"
#include "ground/sr4.h"
#include "platform/power_controller.h"
#include "storage/crc16.h"
#include "testsupport/touch_writer.h"

namespace {

using namespace std::chrono_literals;
using kt::ProgrammingTool;

uint16_t ReadSr(const ProgrammingTool& tool, uint32_t n) {
  const auto r = tool({"read", std::to_string(reg::SrToken(n)), "16"});
  EXPECT_EQ(r.rc, 0) << r.out;
  if (r.out.size() < 4) return 0xFFFF;
  return uint16_t(std::stoul(r.out.substr(2, 2) + r.out.substr(0, 2), nullptr, 16));
}

TEST(RetentiveEndToEnd, APowerFailKeepsTheRegistersTheModeAndTheResetCount) {
  const std::string binary = kt::PanelBinary();
  ASSERT_EQ(::access(binary.c_str(), X_OK), 0) << "no panel binary at '" << binary << "'";
  ts::TempRoot root;
  const ProgrammingTool tool(root, 0);
  {
    ts::ChildProcess panel(binary, {}, {{"PANEL_ROOT", root.path()}});
    ASSERT_TRUE(panel.WaitFor("panel: running", 60s)) << panel.output();
    // A first start: the tables take their defaults with real CRCs.
    EXPECT_EQ(ReadSr(tool, 4) & (kSr4UserProgram | kSr4UserGraphics), 0) << "SR4";
    EXPECT_EQ(ReadSr(tool, 52), 1) << "the first start counts";
    const uint8_t logic[2] = {0x09, 0x00};
    const uint16_t crc = crc16(logic, 2);
    std::vector<uint8_t> file = root.Read("/mnt/cfg/ladder.pgm");
    ASSERT_EQ(file.size(), 10u);
    file[2] = file[3] = 0;  // the header's unused word
    EXPECT_EQ(file, (std::vector<uint8_t>{uint8_t(crc), uint8_t(crc >> 8), 0, 0, 2, 0, 0, 0, 0x09, 0x00}))
        << "the default logic table, saved";
    // Run on the default program runs END without a fault.
    ASSERT_EQ(tool({"set-mode", "run"}).rc, 0);
    EXPECT_EQ(tool({"mode"}).out, "2");
    EXPECT_EQ(ReadSr(tool, 4) & kSr4LogicFault, 0);
    ASSERT_EQ(tool({"write", "R1", "--int", "4321"}).rc, 0);
    ASSERT_EQ(tool({"write", "R50000", "--int", "7777"}).rc, 0);
    EXPECT_EQ(panel.Stop(44, 60s), plat::kPowerOffExitStatus) << panel.output();
    EXPECT_NE(panel.output().find("panel: power off"), std::string::npos) << panel.output();
  }
  EXPECT_TRUE(root.Exists("/mnt/cfg/saved.dat"));
  ts::ChildProcess panel(binary, {}, {{"PANEL_ROOT", root.path()}});
  ASSERT_TRUE(panel.WaitFor("panel: running", 60s)) << panel.output();
  EXPECT_EQ(tool({"read", "R1", "--int"}).out, "4321");
  EXPECT_EQ(tool({"read", "R50000", "--int"}).out, "7777");
  EXPECT_EQ(tool({"mode"}).out, "2");
  EXPECT_EQ(ReadSr(tool, 52), 1) << "a power-down is an orderly stop: no reset counted";
  EXPECT_FALSE(root.Exists("/mnt/cfg/saved.dat")) << "seen once";
  EXPECT_EQ(panel.Stop(SIGTERM, 60s), 0) << panel.output();
}

// With SR180 set and no orderly-stop mark the unit asks before it runs: question 11
// (auto-run) waits on the touch screen, and Cancel leaves the controller in Idle where the
// options alone would have run it.
TEST(RetentiveEndToEnd, AStartAfterAPowerLossAsksTheOperator) {
  const std::string binary = kt::PanelBinary();
  ASSERT_EQ(::access(binary.c_str(), X_OK), 0) << "no panel binary at '" << binary << "'";
  ts::TempRoot root;
  const ProgrammingTool tool(root, 0);
  {
    ts::ChildProcess panel(binary, {}, {{"PANEL_ROOT", root.path()}});
    ASSERT_TRUE(panel.WaitFor("panel: running", 60s)) << panel.output();
    ASSERT_EQ(tool({"write", std::to_string(reg::SrToken(180)), "16", "0100"}).rc, 0);
    ASSERT_EQ(tool({"write", std::to_string(reg::SrToken(164)), "16", "1000"}).rc, 0);
    ASSERT_EQ(tool({"write", "R1", "--int", "99"}).rc, 0);
    EXPECT_EQ(panel.Stop(SIGTERM, 60s), 0) << panel.output();
  }
  // The registers were saved, but the mark of the orderly stop is lost.
  ASSERT_TRUE(root.Exists("/mnt/cfg/saved.dat"));
  ASSERT_EQ(::unlink(root.Host("/mnt/cfg/saved.dat").c_str()), 0);
  const uint32_t cal[6] = {800, 480, 0, 0, 800, 480};  // raw (x, 480 - y) is the point (x, y)
  root.Write("/mnt/cfg/cal.dta", std::vector<uint8_t>(reinterpret_cast<const uint8_t*>(cal),
                                                      reinterpret_cast<const uint8_t*>(cal) + sizeof cal));

  ts::ChildProcess panel(binary, {}, {{"PANEL_ROOT", root.path()}});
  ts::TouchWriter finger(root.Host("/dev/input/ts0"));
  ASSERT_TRUE(finger.Open(30s)) << panel.output();
  // Tap Cancel (x 378..511, y 369..412) until the unit goes on; a tap while the unit
  // reopens the device finds no reader and is tapped again.
  struct sigaction ignore{}, old{};
  ignore.sa_handler = SIG_IGN;
  ::sigaction(SIGPIPE, &ignore, &old);
  bool running = false;
  for (int i = 0; i < 300 && !running; ++i) {
    finger.Report(444, 480 - 390, 100);
    finger.Report(444, 480 - 390, 100);
    finger.Lift();
    running = panel.WaitFor("panel: running", 200ms);
  }
  ::sigaction(SIGPIPE, &old, nullptr);
  ASSERT_TRUE(running) << panel.output();
  EXPECT_EQ(tool({"mode"}).out, "0") << "Cancel: Idle";
  EXPECT_EQ(tool({"read", "R1", "--int"}).out, "99");
  EXPECT_NE(ReadSr(tool, 4) & 0x1000, 0) << "a stop that was not orderly";
  EXPECT_EQ(panel.Stop(SIGTERM, 60s), 0) << panel.output();
}

}  // namespace
