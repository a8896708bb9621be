// The real firmware with a finger on its touch device: input records written into the
// FIFO of the running unit reach the touch registers, the function keys and the System
// Menu, as the programming tool reads them back over the USB device port.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <string>
#include <unistd.h>
#include <vector>

#include "e2e_fixture.h"
#include "testsupport/touch_writer.h"

namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<uint8_t>;

// cal.dta: x full-scale, y full-scale, x offset, y offset, x scale, y scale (u32 each).
// Full-scale 800 x 480 keeps x and turns raw y into 480 - y.
Bytes Calibration() {
  Bytes out;
  for (uint32_t v : {800u, 480u, 0u, 0u, 800u, 480u})
    for (int i = 0; i < 4; ++i) out.push_back(uint8_t(v >> (8 * i)));
  return out;
}

class TouchEndToEnd : public ::testing::Test {
 protected:
  // Reads a register as a number until it equals want or the deadline passes; the last
  // value read.
  std::string WaitRegister(const kt::ProgrammingTool& tool, const std::string& reg, const std::string& want) {
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    std::string got;
    do {
      got = tool({"read", reg, "--int"}).out;
    } while (got != want && std::chrono::steady_clock::now() < deadline);
    return got;
  }
};

TEST_F(TouchEndToEnd, TouchesAndSideKeysThroughTheDeviceFifo) {
  const std::string binary = kt::PanelBinary();
  ASSERT_EQ(::access(binary.c_str(), X_OK), 0) << "no panel binary at '" << binary << "'";
  ts::TempRoot root;
  root.Write("/mnt/cfg/oeminfo", Bytes{0x93});  // checksum seed 0x13
  root.Write("/mnt/cfg/cal.dta", Calibration());
  ts::ChildProcess panel(binary, {}, {{"PANEL_ROOT", root.path()}});
  ASSERT_TRUE(panel.started());
  ASSERT_TRUE(panel.WaitFor("panel: running", 60s)) << panel.output();
  const kt::ProgrammingTool tool(root, 0x13);
  ts::TouchWriter finger(root.Host("/dev/input/ts0"));
  ASSERT_TRUE(finger.Open(10s));

  // A press at (300, 200), steady on its second report, and its release.
  ASSERT_TRUE(finger.Report(300, 480 - 200, 100));
  ASSERT_TRUE(finger.Report(302, 480 - 201, 100));
  EXPECT_EQ(WaitRegister(tool, "SR171", "302"), "302");
  EXPECT_EQ(tool({"read", "SR172", "--int"}).out, "201");
  ASSERT_TRUE(finger.Lift());
  EXPECT_EQ(WaitRegister(tool, "SR171", "0"), "0");

  // F1, the second side-key area from the top: its K bit while held, then the release.
  ASSERT_TRUE(finger.Report(760, 480 - 100, 100));
  EXPECT_EQ(WaitRegister(tool, "SR56", "1"), "1");
  EXPECT_EQ(tool({"read", "K1"}).out, "01");
  ASSERT_TRUE(finger.Lift());
  EXPECT_EQ(WaitRegister(tool, "SR56", "255"), "255");
  EXPECT_EQ(tool({"read", "K1"}).out, "00");

  // The System key, the top area: the System Menu is asked for.
  ASSERT_TRUE(finger.Report(760, 480 - 20, 100));
  EXPECT_EQ(WaitRegister(tool, "SR3", "1"), "1");
  ASSERT_TRUE(finger.Lift());

  EXPECT_EQ(panel.Stop(SIGTERM, 60s), 0) << panel.output();
}

}  // namespace
