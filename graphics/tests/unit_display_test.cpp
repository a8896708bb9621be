// The real firmware binary on a temporary device root shows its console messages on the
// display: the frame it leaves in the display file (its default kernel presents through
// the pixel pipeline, a 32-bit frame) is the screen the console draws for the last two
// lines it reports on standard output (without a screen program, the screen loop's
// fault display after the self-test).
#include <chrono>
#include <csignal>
#include <fstream>
#include <sstream>

#include "display_fixture.h"
#include "ground/sysmsg.h"
#include "testsupport/child_process.h"

namespace {

using UnitDisplay = gt::Display;

// The last pair of console lines the unit printed: "     line1" then "         line2"
// (line2 may be empty).
std::pair<std::string, std::string> LastMessage(const std::string& out) {
  std::istringstream in(out);
  std::string line, previous;
  std::pair<std::string, std::string> found;
  while (std::getline(in, line)) {
    if (previous.rfind("     ", 0) == 0 && previous.size() > 5 && previous[5] != ' ' &&
        line.rfind("         ", 0) == 0 && (line.size() == 9 || line[9] != ' '))
      found = {previous.substr(5), line.substr(9)};
    previous = line;
  }
  return found;
}

// The RGB triple of every pixel the unit shows: the 32-bit frame of the pixel pipeline
// (the board's kernel), or the 16-bit page of a direct-page kernel.
std::vector<uint8_t> ShownRgb(const std::string& frame_file, bool pipeline) {
  std::ifstream in(frame_file, std::ios::binary);
  std::vector<uint8_t> rgb;
  if (pipeline) {
    std::vector<uint32_t> px(800 * 480);
    if (!in.read(reinterpret_cast<char*>(px.data()), std::streamsize(px.size() * 4))) return {};
    for (uint32_t p : px) rgb.insert(rgb.end(), {uint8_t(p >> 16), uint8_t(p >> 8), uint8_t(p)});
    return rgb;
  }
  std::vector<uint16_t> px(800 * 480);
  if (!in.read(reinterpret_cast<char*>(px.data()), std::streamsize(px.size() * 2))) return {};
  return plat::Rgb565Image(px.data(), 800, 480, 800).rgb;
}

TEST_F(UnitDisplay, TheLastConsoleScreenReachesTheDisplayFrame) {
  struct Case {
    const char* uname;  // nullptr: the board's kernel
    bool pipeline;
  };
  const Case kCases[] = {
      {nullptr, true},
      {"Linux panel 2.6.35.3-3524 #1 PREEMPT Thu Mar 7 10:12:44 CET 2019 armv5tejl GNU/Linux", false},
  };
  for (const Case& k : kCases) {
    ts::TempRoot unit_root;
    std::vector<std::pair<std::string, std::string>> env = {{"PANEL_ROOT", unit_root.path()}};
    if (k.uname != nullptr) env.emplace_back("PANEL_UNAME", k.uname);
    ts::ChildProcess panel(std::string(PANEL_BINARY_DIR) + "/app/panel", {}, env);
    ASSERT_TRUE(panel.started());
    ASSERT_TRUE(panel.WaitFor("panel: running", std::chrono::seconds(120))) << panel.output();
    // The screen loop's first pass shows that there is no screen program.
    ASSERT_TRUE(panel.WaitFor("No User Screens to Display\n         \n", std::chrono::seconds(60)))
        << panel.output();
    const auto [line1, line2] = LastMessage(panel.output());
    ASSERT_FALSE(line1.empty()) << panel.output();
    const std::vector<uint8_t> shown = ShownRgb(unit_root.Host(plat::kFramebufferDevice), k.pipeline);
    panel.Stop(SIGTERM, std::chrono::seconds(60));
    ASSERT_EQ(shown.size(), 800u * 480 * 3) << k.pipeline;

    // The same message drawn here, on a display that started black as the unit's did.
    Clear(0x0000);
    testing::internal::CaptureStdout();
    SystemMsg(dc, line1.c_str(), line2.c_str());
    testing::internal::GetCapturedStdout();
    const plat::RgbImage want = plat::Rgb565Image(dc->surface, 800, 480, 800);
    std::size_t differ = 0;
    for (std::size_t i = 0; i < shown.size(); ++i) differ += shown[i] != want.rgb[i] ? 1 : 0;
    EXPECT_EQ(differ, 0u) << "\"" << line1 << "\" / \"" << line2 << "\", pipeline " << k.pipeline;
  }
}

}  // namespace
