#pragma once
// The real firmware binary and the programming tool (testsupport/peers/progtool.py) on
// its USB device port, for end-to-end tests. Test programs define PANEL_SOURCE_DIR.
#include <chrono>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

#include "testsupport/child_process.h"
#include "testsupport/ladder_asm.h"
#include "testsupport/program_image.h"
#include "testsupport/temp_root.h"

namespace ts {

// The binary from the build directory CTest names, else from the build directory that
// holds this test program.
inline std::string PanelBinary() {
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
  ProgrammingTool(const TempRoot& root, uint8_t seed) : port_(root.Host("/dev/ttyGS0")), seed_(seed) {}
  ToolResult operator()(std::vector<std::string> args) const {
    std::vector<std::string> all{std::string(PANEL_SOURCE_DIR) + "/testsupport/peers/progtool.py", "--port", port_,
                                 "--seed", std::to_string(seed_)};
    all.insert(all.end(), args.begin(), args.end());
    ChildProcess tool("python3", all);
    const int rc = tool.Wait(std::chrono::seconds(30));
    std::string out = tool.output();
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
    return {rc, out};
  }
  // Reads a register as a number until it equals want or the limit passes; the last
  // value read.
  std::string WaitRegister(const std::string& reg, const std::string& want,
                           std::chrono::seconds limit = std::chrono::seconds(10)) const {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    std::string got;
    do {
      got = (*this)({"read", reg, "--int"}).out;
    } while (got != want && std::chrono::steady_clock::now() < deadline);
    return got;
  }

 private:
  std::string port_;
  uint8_t seed_;
};

// cal.dta: x full-scale, y full-scale, x offset, y offset, x scale, y scale (u32 each).
// Full-scale 800 x 480 keeps x and turns raw y into 480 - y.
inline std::vector<uint8_t> FullScaleCalibration() {
  std::vector<uint8_t> out;
  for (uint32_t v : {800u, 480u, 0u, 0u, 800u, 480u})
    for (int i = 0; i < 4; ++i) out.push_back(uint8_t(v >> (8 * i)));
  return out;
}

// A ladder program's logic table as the tool downloads it (16-bit operand form).
inline std::vector<uint8_t> LogicTable(const std::string& source) {
  LadderAsm assembler;
  std::vector<uint8_t> bytes;
  for (uint16_t w : assembler.Assemble(source)) bytes.insert(bytes.end(), {uint8_t(w), uint8_t(w >> 8)});
  return LogicWithFeatures(bytes, 0x8000);
}

}  // namespace ts
