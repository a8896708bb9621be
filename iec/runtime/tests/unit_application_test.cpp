// The real firmware runs an IEC application downloaded by the programming tool: Run
// starts it, its bound registers carry values both ways every scan, Idle stops it.
#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <string>
#include <vector>

#include "testsupport/child_process.h"
#include "testsupport/iec_asm.h"
#include "testsupport/iec_image.h"
#include "testsupport/program_image.h"
#include "testsupport/temp_root.h"
#include "testsupport/unit_e2e.h"

namespace {

using namespace std::chrono_literals;

using ts::PanelBinary;

// The programming tool on the unit's USB device port.
struct Tool {
  std::string port;
  std::pair<int, std::string> operator()(std::vector<std::string> args) const {
    std::vector<std::string> all{std::string(PANEL_SOURCE_DIR) + "/testsupport/peers/progtool.py", "--port", port};
    all.insert(all.end(), args.begin(), args.end());
    ts::ChildProcess tool("python3", all);
    const int rc = tool.Wait(30s);
    std::string out = tool.output();
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
    return {rc, out};
  }
  std::string Read(uint32_t token) const { return (*this)({"read", std::to_string(token), "16"}).second; }
};

// The register words bound here: AIG1 (token 2048) is an input of the application,
// AQG1 (token 2560) an output.
constexpr uint32_t kAig1 = 2048, kAqg1 = 2560;

TEST(UnitApplication, RunsBoundToItsRegistersUntilIdle) {
  const std::string binary = PanelBinary();
  ASSERT_EQ(::access(binary.c_str(), X_OK), 0) << "no panel binary at '" << binary << "'";
  ts::TempRoot root;
  // AQG1 := 2 x AIG1 + 1, and a cycle counter in the DINT d1.
  ts::IecImage app;
  app.d16_max = 4;
  app.init16 = {{3, 1}};
  app.init32 = {{2, 1}};
  app.code = {ts::IecAssemble("ADD.I 2, 1, 1|ADD.I 2, 2, 3|ADD.D 1, 1, 2|RET")};
  const std::vector<uint8_t> logic =
      ts::IecLogicBound(app.Build(), {{1024, ts::IecToken(1, 1)}, {1056, ts::IecToken(1, 2)}});
  root.Write("/tool/iec.bin", logic);

  ts::ChildProcess panel(binary, {}, {{"PANEL_ROOT", root.path()}});
  ASSERT_TRUE(panel.started());
  ASSERT_TRUE(panel.WaitFor("panel: running", 60s)) << panel.output();
  const Tool tool{root.Host("/dev/ttyGS0")};

  const auto download = tool({"download", "0", root.Host("/tool/iec.bin")});
  ASSERT_EQ(download.first, 0) << download.second;
  EXPECT_EQ(tool({"write", std::to_string(kAig1), "16", "1500"}).first, 0);  // 21
  EXPECT_EQ(tool({"set-mode", "run"}).first, 0);
  ASSERT_TRUE(panel.WaitFor("N4_main_loop_start", 30s)) << panel.output();
  EXPECT_TRUE(root.Exists("/mnt/cfg/n4.cod"));
  // The register reached the application and its result came back.
  EXPECT_EQ(tool.Read(kAqg1), "2b00");  // 43
  EXPECT_EQ(tool({"write", std::to_string(kAig1), "16", "6400"}).first, 0);  // 100
  EXPECT_EQ(tool.Read(kAqg1), "c900");  // 201

  // Idle stops the application: the output keeps its last value.
  EXPECT_EQ(tool({"set-mode", "idle"}).first, 0);
  EXPECT_EQ(tool({"write", std::to_string(kAig1), "16", "0500"}).first, 0);
  EXPECT_EQ(tool.Read(kAqg1), "c900");
  // Run again: it starts again and follows the input.
  EXPECT_EQ(tool({"set-mode", "run"}).first, 0);
  EXPECT_EQ(tool.Read(kAqg1), "0b00");  // 11

  EXPECT_EQ(panel.Stop(SIGTERM, 60s), 0) << panel.output();
  EXPECT_EQ(panel.output().find("N4ERROR"), std::string::npos);
}

}  // namespace
