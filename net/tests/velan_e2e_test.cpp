// The real firmware and the programming tool over TCP: registers, the PLC mode, a ladder
// program downloaded in segmented messages, uploaded and verified, and a login.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <string>
#include <vector>

#include "ground/regimage.h"
#include "testsupport/child_process.h"
#include "testsupport/free_port.h"
#include "testsupport/ladder_asm.h"
#include "testsupport/program_image.h"
#include "testsupport/temp_root.h"

namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<uint8_t>;

std::string PanelBinary() { return std::string(PANEL_BINARY_DIR) + "/app/panel"; }

struct Tool {
  std::string address;
  struct Result {
    int rc;
    std::string out;
  };
  Result operator()(std::vector<std::string> args, std::vector<std::string> options = {}) const {
    std::vector<std::string> all{std::string(PANEL_SOURCE_DIR) + "/testsupport/peers/progtool.py", "--tcp", address,
                                 "--seed", "0x13"};
    all.insert(all.end(), options.begin(), options.end());
    all.insert(all.end(), args.begin(), args.end());
    ts::ChildProcess tool("/usr/bin/python3", all);
    const int rc = tool.Wait(30s);
    std::string out = tool.output();
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
    return {rc, out};
  }
};

Bytes LogicTable(const std::string& source) {
  ts::LadderAsm assembler;
  Bytes bytes;
  for (uint16_t w : assembler.Assemble(source)) bytes.insert(bytes.end(), {uint8_t(w), uint8_t(w >> 8)});
  return ts::LogicWithFeatures(bytes, 0x8000);
}

TEST(ProgrammingLinkEndToEnd, TheToolOverTcpReachesTheCommandProcessor) {
  ts::TempRoot root;
  root.Write("/mnt/cfg/oeminfo", Bytes{0x93});  // checksum seed 0x13
  const int offset = ts::FreeLoopbackPort() - 18501;  // board port 18501 on a free port
  ts::ChildProcess panel(PanelBinary(), {}, {{"PANEL_ROOT", root.path()}, {"PANEL_PORT_OFFSET", std::to_string(offset)}});
  ASSERT_TRUE(panel.started());
  ASSERT_TRUE(panel.WaitFor("panel: running", 60s)) << panel.output();
  const Tool tool{"127.0.0.1:" + std::to_string(18501 + offset)};
  // The link listens from the first network pass; the first tool may come before it.
  Tool::Result first{1, ""};
  for (int i = 0; i < 100 && first.rc != 0; ++i) {
    first = tool({"write", "R5", "--int", "1234"});
    if (first.rc != 0) ::usleep(50000);
  }
  ASSERT_EQ(first.rc, 0) << first.out;
  EXPECT_EQ(tool({"read", "R5", "--int"}).out, "1234");
  EXPECT_EQ(tool({"bad-frame"}).out, "nak");
  EXPECT_EQ(tool({"read", "R5", "--int"}, {"--login"}).out, "1234");

  // A program of several segmented messages (over 1024 bytes: two segmented messages), then back.
  std::string source;
  for (int i = 0; i < 300; ++i) source += "MOVK R" + std::to_string(10 + i % 50) + ", " + std::to_string(i) + "; ";
  const Bytes logic = LogicTable(source + "MOVK R1, 4321; END");
  ASSERT_GT(logic.size(), 1024u);
  root.Write("/tool/logic.bin", logic);
  const Tool::Result download = tool({"download", "0", root.Host("/tool/logic.bin")});
  ASSERT_EQ(download.rc, 0) << download.out;
  EXPECT_EQ(download.out, std::to_string(logic.size()));
  EXPECT_EQ(tool({"set-mode", "run"}).rc, 0);
  EXPECT_EQ(tool({"mode"}).out, "2");
  EXPECT_EQ(tool({"read", "R1", "--int"}).out, "4321");
  const Tool::Result upload = tool({"upload", "0", root.Host("/tool/uploaded.bin")});
  ASSERT_EQ(upload.rc, 0) << upload.out;
  EXPECT_EQ(root.Read("/tool/uploaded.bin"), logic);
  EXPECT_EQ(tool({"verify", "0", root.Host("/tool/logic.bin")}).out, "same");

  EXPECT_EQ(panel.Stop(SIGTERM, 60s), 0) << panel.output();
}

}  // namespace
