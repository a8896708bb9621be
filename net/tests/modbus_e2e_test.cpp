// The real firmware: a ladder program of 16-bit register references downloaded by the
// programming tool, then Run, and at once a libmodbus client on the coils of the T and M
// areas. The map follows the program's token mode from the first pass of that Run period.
#include <gtest/gtest.h>
#include <modbus/modbus.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "testsupport/eth_config.h"
#include "testsupport/free_port.h"
#include "testsupport/unit_e2e.h"

namespace {

using namespace std::chrono_literals;

TEST(ModbusEndToEnd, CoilsOfASixteenBitProgramMapFromTheFirstRunAfterItsDownload) {
  ts::TempRoot root;
  root.Write("/mnt/cfg/oeminfo", std::vector<uint8_t>{0x93});  // checksum seed 0x13
  const int offset = ts::FreeLoopbackPort() - 502;
  ts::ChildProcess panel(ts::PanelBinary(), {}, {{"PANEL_ROOT", root.path()}, {"PANEL_PORT_OFFSET", std::to_string(offset)}});
  ASSERT_TRUE(panel.started());
  ASSERT_TRUE(panel.WaitFor("panel: running", 60s)) << panel.output();
  const ts::ProgrammingTool tool(root, 0x13);
  ASSERT_EQ(tool({"mode"}).out, "0");

  root.Write("/tool/net.bin", ts::EthConfigBuilder(0xC0A80A14, 0xFFFFFF00).Add({}).Modbus(0x40000, {0, 502, 0}).Bytes());
  // M1 and T1 on in every scan; T2049 and M2049 lie past the 16-bit areas.
  root.Write("/tool/logic.bin", ts::LogicTable("LD M2; NOT; OUT M1; LD M2; NOT; OUT T1; END"));
  for (const auto& [type, file] : {std::pair{"6", "/tool/net.bin"}, std::pair{"0", "/tool/logic.bin"}}) {
    const ts::ToolResult r = tool({"download", type, root.Host(file)});
    ASSERT_EQ(r.rc, 0) << r.out;
  }
  // The longest time slice: a sliced pass in the middle of the screen loop would run the
  // first scan before the network pass of the same main-loop pass.
  ASSERT_EQ(tool({"write", "SR167", "--int", "50"}).rc, 0);
  ASSERT_EQ(tool({"set-mode", "run"}).rc, 0);

  modbus_t* ctx = modbus_new_tcp("127.0.0.1", 502 + offset);
  ASSERT_NE(ctx, nullptr);
  modbus_set_response_timeout(ctx, 2, 0);
  modbus_set_slave(ctx, 1);
  // The server listens from the first network pass in Run.
  bool connected = false;
  for (int i = 0; i < 200 && !connected; ++i) {
    connected = modbus_connect(ctx) == 0;
    if (!connected) std::this_thread::sleep_for(20ms);
  }
  ASSERT_TRUE(connected);
  uint8_t m1 = 0, t1 = 0, bit = 0;
  int read_m1 = 0, read_t1 = 0, errno_m = 0, errno_t = 0;
  // The scan sets the bits a few scans after Run begins; the map is wrong or right from
  // the start.
  for (int i = 0; i < 100 && (m1 != 1 || t1 != 1); ++i) {
    read_m1 = modbus_read_bits(ctx, 3000, 1, &m1);
    read_t1 = modbus_read_bits(ctx, 6000, 1, &t1);
    if (m1 != 1 || t1 != 1) std::this_thread::sleep_for(10ms);
  }
  const int past_m = modbus_read_bits(ctx, 5048, 1, &bit);
  errno_m = errno;
  const int past_t = modbus_read_bits(ctx, 8048, 1, &bit);
  errno_t = errno;
  modbus_close(ctx);
  modbus_free(ctx);

  EXPECT_EQ(read_m1, 1);
  EXPECT_EQ(m1, 1) << "coil 3000 is M1";
  EXPECT_EQ(read_t1, 1);
  EXPECT_EQ(t1, 1) << "coil 6000 is T1";
  EXPECT_EQ(past_m, -1);
  EXPECT_EQ(errno_m, EMBXILADD) << "coil 5048 lies past M2048";
  EXPECT_EQ(past_t, -1);
  EXPECT_EQ(errno_t, EMBXILADD) << "coil 8048 lies past T2048";
  EXPECT_EQ(tool({"mode"}).out, "2");
  EXPECT_EQ(panel.Stop(SIGTERM, 60s), 0) << panel.output();
}

}  // namespace
