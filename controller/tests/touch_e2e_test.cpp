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

using TouchEndToEnd = ::testing::Test;

TEST_F(TouchEndToEnd, TouchesAndSideKeysThroughTheDeviceFifo) {
  const std::string binary = kt::PanelBinary();
  ASSERT_EQ(::access(binary.c_str(), X_OK), 0) << "no panel binary at '" << binary << "'";
  ts::TempRoot root;
  root.Write("/mnt/cfg/oeminfo", Bytes{0x93});  // checksum seed 0x13
  root.Write("/mnt/cfg/cal.dta", ts::FullScaleCalibration());
  ts::ChildProcess panel(binary, {}, {{"PANEL_ROOT", root.path()}});
  ASSERT_TRUE(panel.started());
  ASSERT_TRUE(panel.WaitFor("panel: running", 60s)) << panel.output();
  const kt::ProgrammingTool tool(root, 0x13);
  ts::TouchWriter finger(root.Host("/dev/input/ts0"));
  ASSERT_TRUE(finger.Open(10s));

  // A press at (300, 200), steady on its second report, and its release.
  ASSERT_TRUE(finger.Report(300, 480 - 200, 100));
  ASSERT_TRUE(finger.Report(302, 480 - 201, 100));
  EXPECT_EQ(tool.WaitRegister("SR171", "302"), "302");
  EXPECT_EQ(tool({"read", "SR172", "--int"}).out, "201");
  ASSERT_TRUE(finger.Lift());
  EXPECT_EQ(tool.WaitRegister("SR171", "0"), "0");

  // F1, the second side-key area from the top: its K bit while held, then the release.
  ASSERT_TRUE(finger.Report(760, 480 - 100, 100));
  EXPECT_EQ(tool.WaitRegister("SR56", "1"), "1");
  EXPECT_EQ(tool({"read", "K1"}).out, "01");
  ASSERT_TRUE(finger.Lift());
  EXPECT_EQ(tool.WaitRegister("SR56", "255"), "255");
  EXPECT_EQ(tool({"read", "K1"}).out, "00");

  // The System key, the top area: the System Menu is asked for.
  ASSERT_TRUE(finger.Report(760, 480 - 20, 100));
  EXPECT_EQ(tool.WaitRegister("SR3", "1"), "1");
  ASSERT_TRUE(finger.Lift());

  EXPECT_EQ(panel.Stop(SIGTERM, 60s), 0) << panel.output();
}

}  // namespace
