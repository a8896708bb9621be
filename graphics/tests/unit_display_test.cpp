// The real firmware binary on a temporary device root shows its self-test screen on the
// display: the frame it leaves in the display file (its default kernel presents through
// the pixel pipeline, a 32-bit frame) is the screen the console draws for the two lines
// it reports on standard output.
#include <chrono>
#include <csignal>
#include <fstream>
#include <sstream>

#include "display_fixture.h"
#include "kernel/sysmsg.h"
#include "testsupport/child_process.h"

namespace {

using UnitDisplay = gt::Display;

// The last pair of console lines the unit printed: "     line1" then "         line2".
std::pair<std::string, std::string> LastMessage(const std::string& out) {
  std::istringstream in(out);
  std::string line, previous;
  std::pair<std::string, std::string> found;
  while (std::getline(in, line)) {
    if (previous.rfind("     ", 0) == 0 && previous.size() > 5 && previous[5] != ' ' &&
        line.rfind("         ", 0) == 0 && line.size() > 9 && line[9] != ' ')
      found = {previous.substr(5), line.substr(9)};
    previous = line;
  }
  return found;
}

TEST_F(UnitDisplay, SelfTestScreenReachesTheDisplayFrame) {
  ts::TempRoot unit_root;
  ts::ChildProcess panel(std::string(PANEL_BINARY_DIR) + "/app/panel", {}, {{"PANEL_ROOT", unit_root.path()}});
  ASSERT_TRUE(panel.started());
  ASSERT_TRUE(panel.WaitFor("panel: running", std::chrono::seconds(120))) << panel.output();
  const auto [line1, line2] = LastMessage(panel.output());
  ASSERT_FALSE(line1.empty()) << panel.output();

  std::ifstream in(unit_root.Host(plat::kFramebufferDevice), std::ios::binary);
  std::vector<uint32_t> shown(800 * 480);
  ASSERT_TRUE(in.read(reinterpret_cast<char*>(shown.data()), std::streamsize(shown.size() * 4)));
  panel.Stop(SIGTERM, std::chrono::seconds(60));

  // The same message drawn here, on a display that started black as the unit's did.
  Clear(0x0000);
  testing::internal::CaptureStdout();
  SystemMsg(dc, line1.c_str(), line2.c_str());
  testing::internal::GetCapturedStdout();
  const plat::RgbImage want = plat::Rgb565Image(dc->surface, 800, 480, 800);
  std::size_t differ = 0;
  for (std::size_t i = 0; i < shown.size(); ++i) {
    const uint8_t* w = &want.rgb[i * 3];
    const uint32_t p = shown[i];
    if (uint8_t(p >> 16) != w[0] || uint8_t(p >> 8) != w[1] || uint8_t(p) != w[2]) ++differ;
  }
  EXPECT_EQ(differ, 0u) << "\"" << line1 << "\" / \"" << line2 << "\"";
}

}  // namespace
