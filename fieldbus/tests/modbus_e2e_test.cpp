// The real firmware as a Modbus RTU slave: a ladder program that opens port 1 and runs
// the slave is downloaded through the programming link and run; libmodbus then reads and
// writes registers through the port's pseudo-terminal. The unit is stopped, started
// again and configured the same way.
#include <gtest/gtest.h>
#include <modbus/modbus.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

#include "ground/regimage.h"
#include "testsupport/child_process.h"
#include "testsupport/ladder_asm.h"
#include "testsupport/program_image.h"
#include "testsupport/temp_root.h"
#include "testsupport/unit_e2e.h"

namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<uint8_t>;

using ts::PanelBinary;

class Tool {
 public:
  explicit Tool(const ts::TempRoot& root) : port_(root.Host("/dev/ttyGS0")) {}
  std::pair<int, std::string> operator()(std::vector<std::string> args) const {
    std::vector<std::string> all{std::string(PANEL_SOURCE_DIR) + "/testsupport/peers/progtool.py", "--port", port_};
    all.insert(all.end(), args.begin(), args.end());
    ts::ChildProcess tool("python3", all);
    const int rc = tool.Wait(30s);
    std::string out = tool.output();
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
    return {rc, out};
  }

 private:
  std::string port_;
};

// Reads R1..R2 through the holding window at 512 until the slave answers (the unit may
// still be entering Run).
int ReadHolding(const std::string& link, uint16_t out[2]) {
  modbus_t* ctx = modbus_new_rtu(link.c_str(), 115200, 'N', 8, 1);
  modbus_set_slave(ctx, 3);
  modbus_set_response_timeout(ctx, 0, 500000);
  int n = -1;
  if (modbus_connect(ctx) == 0) {
    const uint16_t values[2] = {0x1234, 0x5678};
    for (int i = 0; i < 20 && n < 0; ++i) n = modbus_write_registers(ctx, 513, 1, values + 1);
    if (n == 1) n = modbus_read_registers(ctx, 512, 2, out);
  }
  modbus_close(ctx);
  modbus_free(ctx);
  return n;
}

// Port 1 serves Modbus; port 3 greets a peer, receives four bytes into R50.. and, once
// it has them all, sends them back.
TEST(ModbusEndToEnd, DownloadedLadderRunsTheSlaveAndAnEchoAcrossARestart) {
  const std::string binary = PanelBinary();
  ASSERT_EQ(::access(binary.c_str(), X_OK), 0) << "no panel binary at '" << binary << "'";
  ts::TempRoot root;
  ts::LadderAsm assembler;
  const std::vector<uint16_t> code = assembler.Assemble(R"(
      LD M1
      TALKOPEN 1, 0x0009, 0x0003, 0x3300
      OUT Q1
      LD Q1
      MODBUS 1, @3, @0, R1001, R1010, R1000
      OUT Q2
      LD M1; TALKOPEN 3, 0x0009, 0x0003, 0x0100; OUT Q11
      LD Q11; TALKSEND 3, @2, R40, R39; OUT Q12
      LD Q12; TALKRECV 3, @4, R50, R49; OUT Q13
      LD Q13; TALKSEND 3, @4, R50, R59; OUT Q14
      END)");
  Bytes code_bytes;
  for (uint16_t w : code) code_bytes.insert(code_bytes.end(), {uint8_t(w), uint8_t(w >> 8)});
  root.Write("/tool/logic.bin", ts::LogicWithFeatures(code_bytes, 0x8000));
  const std::string link = root.Host("/dev/ttySP3");
  const uint32_t r1 = reg::WordToken(reg::kTokR, 1);
  const uint32_t m1 = reg::BitToken(reg::kTokM, 1);

  for (int start = 0; start < 2; ++start) {
    SCOPED_TRACE(start ? "after the restart" : "first start");
    ts::ChildProcess panel(binary, {}, {{"PANEL_ROOT", root.path()}});
    ASSERT_TRUE(panel.WaitFor("panel: running", 60s)) << panel.output();
    const Tool tool(root);
    // A bare logic table does not survive the restart as a whole program (the unit
    // reports a memory error), so the tool downloads it again.
    ASSERT_EQ(tool({"download", "0", root.Host("/tool/logic.bin")}).first, 0);
    ASSERT_EQ(tool({"write", std::to_string(r1), "16", "2143"}).first, 0);
    ASSERT_EQ(tool({"write", std::to_string(m1), "1", "01"}).first, 0);
    ASSERT_EQ(tool({"write", std::to_string(reg::WordToken(reg::kTokR, 40)), "16", "6869"}).first, 0);  // "hi"
    // The echo's peer listens before the program runs, so the greeting finds it; its reads
    // wait long enough for a unit slowed by a loaded machine to reach Run.
    ts::ChildProcess peer("/usr/bin/python3", {PANEL_SOURCE_DIR "/testsupport/peers/serial_peer.py", "--port",
                                               root.Host("/dev/ttySP4"), "--timeout", "60", "read:2", "write:70696e67",
                                               "read:4"});
    ASSERT_TRUE(peer.WaitFor("ready", 30s)) << peer.output();
    ASSERT_EQ(tool({"set-mode", "2"}).first, 0);
    uint16_t regs[2] = {};
    ASSERT_EQ(ReadHolding(link, regs), 2) << modbus_strerror(errno) << " mode " << tool({"mode"}).second;
    EXPECT_EQ(regs[0], 0x4321);
    EXPECT_EQ(regs[1], 0x5678);
    EXPECT_EQ(tool({"read", std::to_string(reg::WordToken(reg::kTokR, 2)), "16"}).second, "7856");
    EXPECT_EQ(peer.Wait(30s), 0) << peer.output();
    EXPECT_NE(peer.output().find("got 6869\nsent\ngot 70696e67"), std::string::npos) << peer.output();
    EXPECT_EQ(tool({"read", std::to_string(reg::WordToken(reg::kTokR, 59)), "16"}).second, "0400");
    EXPECT_EQ(panel.Stop(SIGTERM, 60s), 0) << panel.output();
  }
}

}  // namespace
