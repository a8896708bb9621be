// The real firmware on a temporary device root and a programming tool (a Python client
// written from the protocol) on the USB device port's pseudo-terminal: registers, the
// PLC mode, a ladder program downloaded, run, uploaded and verified.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

#include "kernel/regimage.h"
#include "testsupport/child_process.h"
#include "testsupport/ladder_asm.h"
#include "testsupport/program_image.h"
#include "testsupport/temp_root.h"

namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<uint8_t>;

std::string PanelBinary() {
  if (const char* dir = std::getenv("PANEL_BINARY_DIR"); dir && *dir) return std::string(dir) + "/app/panel";
  char self[4096];
  const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
  if (n <= 0) return {};
  const std::string path(self, std::size_t(n));
  return path.substr(0, path.rfind('/')) + "/app/panel";
}

struct ToolResult {
  int rc;
  std::string out;
};

class ProgrammingTool {
 public:
  ProgrammingTool(const ts::TempRoot& root, uint8_t seed) : port_(root.Host("/dev/ttyGS0")), seed_(seed) {}
  ToolResult operator()(std::vector<std::string> args) const {
    std::vector<std::string> all{std::string(PANEL_SOURCE_DIR) + "/testsupport/peers/progtool.py", "--port", port_,
                                 "--seed", std::to_string(seed_)};
    all.insert(all.end(), args.begin(), args.end());
    ts::ChildProcess tool("python3", all);
    const int rc = tool.Wait(30s);
    std::string out = tool.output();
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
    return {rc, out};
  }

 private:
  std::string port_;
  uint8_t seed_;
};


TEST(CommandServerEndToEnd, RegistersModeAndALadderProgramThroughTheUsbPort) {
  const std::string binary = PanelBinary();
  ASSERT_EQ(::access(binary.c_str(), X_OK), 0) << "no panel binary at '" << binary << "'";
  ts::TempRoot root;
  root.Write("/mnt/cfg/oeminfo", Bytes{0x93});  // checksum seed 0x13
  ts::ChildProcess panel(binary, {}, {{"PANEL_ROOT", root.path()}});
  ASSERT_TRUE(panel.started());
  ASSERT_TRUE(panel.WaitFor("panel: running", 60s)) << panel.output();
  const ProgrammingTool tool(root, 0x13);

  // Registers: a word written and read back.
  const uint32_t r5 = reg::WordToken(reg::kTokR, 5);
  EXPECT_EQ(tool({"write", std::to_string(r5), "16", "efbe"}).rc, 0);
  EXPECT_EQ(tool({"read", std::to_string(r5), "16"}).out, "efbe");
  // A frame with a wrong checksum is not acknowledged.
  EXPECT_EQ(tool({"bad-frame"}).out, "nak");
  // A ladder program that drives R1, as the tool would download it.
  ts::LadderAsm assembler;
  const std::vector<uint16_t> code = assembler.Assemble("MOVK R1, 4321; END");
  Bytes code_bytes;
  for (uint16_t w : code) code_bytes.insert(code_bytes.end(), {uint8_t(w), uint8_t(w >> 8)});
  const Bytes logic = ts::LogicWithFeatures(code_bytes, 0x8000);  // 16-bit operand form
  root.Write("/tool/logic.bin", logic);
  const std::string logic_file = root.Host("/tool/logic.bin");
  const ToolResult download = tool({"download", "0", logic_file});
  ASSERT_EQ(download.rc, 0) << download.out;
  EXPECT_EQ(download.out, std::to_string(logic.size()));
  EXPECT_TRUE(root.Exists("/mnt/cfg/ladder.pgm")) << "the program was saved";

  // The PLC mode (a unit without a program stays in Idle; it has one now).
  EXPECT_EQ(tool({"set-mode", "1"}).rc, 0);
  EXPECT_EQ(tool({"mode"}).out, "1");
  // Run: the program writes R1.
  const uint32_t r1 = reg::WordToken(reg::kTokR, 1);
  EXPECT_EQ(tool({"read", std::to_string(r1), "16"}).out, "0000");
  EXPECT_EQ(tool({"set-mode", "2"}).rc, 0);
  EXPECT_EQ(tool({"mode"}).out, "2");
  EXPECT_EQ(tool({"read", std::to_string(r1), "16"}).out, "e110");  // 4321

  // Upload: the same bytes; verify: the same, and a changed copy differs.
  const ToolResult upload = tool({"upload", "0", root.Host("/tool/uploaded.bin")});
  ASSERT_EQ(upload.rc, 0) << upload.out;
  EXPECT_EQ(root.Read("/tool/uploaded.bin"), logic);
  EXPECT_EQ(tool({"verify", "0", logic_file}).out, "same");
  Bytes changed = logic;
  changed[0] ^= 1;
  root.Write("/tool/changed.bin", changed);
  EXPECT_EQ(tool({"verify", "0", root.Host("/tool/changed.bin")}).rc, 1);

  EXPECT_EQ(panel.Stop(SIGTERM, 60s), 0) << panel.output();
}

}  // namespace
