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

#include "e2e_fixture.h"
#include "ground/regimage.h"
#include "controller/runctl.h"

namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<uint8_t>;

using kt::PanelBinary;
using kt::ProgrammingTool;
using kt::ToolResult;

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
  // By register name, with the register's own width, and as numbers.
  EXPECT_EQ(tool({"read", "R5"}).out, "efbe");
  EXPECT_EQ(tool({"write", "R6", "--int", "1234"}).rc, 0);
  EXPECT_EQ(tool({"read", "R6", "--int"}).out, "1234");
  EXPECT_EQ(tool({"read", std::to_string(reg::WordToken(reg::kTokR, 6)), "16"}).out, "d204");
  const ToolResult unknown = tool({"read", "1", "16"});
  EXPECT_EQ(unknown.rc, 1);
  EXPECT_NE(unknown.out.find("no such register"), std::string::npos) << unknown.out;
  // A frame with a wrong checksum is not acknowledged.
  EXPECT_EQ(tool({"bad-frame"}).out, "nak");
  // A ladder program that drives R1, as the tool would download it.
  const Bytes logic = kt::LogicTable("MOVK R1, 4321; END");
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
  EXPECT_EQ(tool({"set-mode", "run"}).rc, 0);
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

// A downloaded program that loops for ever stops with a logic fault; the unit keeps
// answering and takes a new program.
TEST(CommandServerEndToEnd, AnEndlessLoopFaultsAndTheUnitTakesANewProgram) {
  const std::string binary = PanelBinary();
  ASSERT_EQ(::access(binary.c_str(), X_OK), 0) << "no panel binary at '" << binary << "'";
  ts::TempRoot root;
  ts::ChildProcess panel(binary, {}, {{"PANEL_ROOT", root.path()}});
  ASSERT_TRUE(panel.WaitFor("panel: running", 60s)) << panel.output();
  const ProgrammingTool tool(root, 0);

  root.Write("/tool/loop.bin", kt::LogicTable("top: LD I1; NOT; JMP top; END"));
  ASSERT_EQ(tool({"download", "0", root.Host("/tool/loop.bin")}).rc, 0);
  EXPECT_EQ(tool({"set-mode", "2"}).rc, 0);
  const ToolResult mode = tool({"mode"});
  ASSERT_EQ(mode.rc, 0) << "the unit no longer answers";
  EXPECT_EQ(mode.out, "0") << "stopped by the fault";
  const ToolResult sr4 = tool({"read", std::to_string(reg::SrToken(4)), "16"});
  ASSERT_EQ(sr4.rc, 0);
  EXPECT_TRUE(std::stoul(sr4.out.substr(2, 2) + sr4.out.substr(0, 2), nullptr, 16) & kSr4LogicFault) << "SR4 " << sr4.out;

  root.Write("/tool/good.bin", kt::LogicTable("MOVK R1, 77; END"));
  ASSERT_EQ(tool({"download", "0", root.Host("/tool/good.bin")}).rc, 0);
  // The download clears the logic fault.
  EXPECT_EQ(tool({"set-mode", "2"}).rc, 0);
  EXPECT_EQ(tool({"mode"}).out, "2");
  EXPECT_EQ(tool({"read", std::to_string(reg::WordToken(reg::kTokR, 1)), "16"}).out, "4d00");
  EXPECT_EQ(panel.Stop(SIGTERM, 60s), 0) << panel.output();
}

// A restart as the operator makes it: a program downloaded and run, registers written,
// the unit stopped in order and started again. The unit must come back with its program,
// its mode and its registers.
TEST(CommandServerEndToEnd, ARestartKeepsTheProgramTheModeAndTheRegisters) {
  const std::string binary = PanelBinary();
  ASSERT_EQ(::access(binary.c_str(), X_OK), 0) << "no panel binary at '" << binary << "'";
  ts::TempRoot root;
  const ProgrammingTool tool(root, 0);
  root.Write("/tool/count.bin", kt::LogicTable("MOVK R2, 99; END"));
  {
    ts::ChildProcess panel(binary, {}, {{"PANEL_ROOT", root.path()}});
    ASSERT_TRUE(panel.WaitFor("panel: running", 60s)) << panel.output();
    ASSERT_EQ(tool({"download", "0", root.Host("/tool/count.bin")}).rc, 0);
    ASSERT_EQ(tool({"set-mode", "run"}).rc, 0);
    ASSERT_EQ(tool({"write", "R1", "--int", "4321"}).rc, 0);
    ASSERT_EQ(panel.Stop(SIGTERM, 60s), 0) << panel.output();
  }
  ts::ChildProcess panel(binary, {}, {{"PANEL_ROOT", root.path()}});
  ASSERT_TRUE(panel.WaitFor("panel: running", 60s)) << panel.output();
  EXPECT_EQ(tool({"verify", "0", root.Host("/tool/count.bin")}).out, "same") << "the program";
  EXPECT_EQ(tool({"mode"}).out, "2") << "the mode";
  EXPECT_EQ(tool({"read", "R1", "--int"}).out, "4321") << "a register written before the stop";
  EXPECT_EQ(tool({"read", "R2", "--int"}).out, "99") << "the program runs again";
  EXPECT_EQ(panel.Stop(SIGTERM, 60s), 0) << panel.output();
}

}  // namespace
