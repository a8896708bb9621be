// The network set-up: SR31, SR61 and the network parameters from the network
// configuration, and the record the network layer is handed.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "runctl_fixture.h"

namespace rc_test {
namespace {

struct NetCase {
  const char* what;
  bool table;
  std::vector<uint8_t> data;
  uint16_t sr31, sr61;
  bool started;         // the network layer was set up
  uint8_t config_baud;  // the baud entry it was handed
};

void PrintTo(const NetCase& c, std::ostream* os) { *os << c.what; }

std::vector<uint8_t> WithParameters(uint8_t first, uint8_t second, uint8_t baud) {
  std::vector<uint8_t> d = {first, second, baud, 9, 9, 9, 9, 9, 9, 9, 9, 9};
  return d;
}

class NetConfigTable : public RunCtlTest, public ::testing::WithParamInterface<NetCase> {};

TEST_P(NetConfigTable, TakesFlagsSpanAndParameters) {
  const NetCase& c = GetParam();
  std::memcpy(net_config_bl + kTableHeader, c.data.data(), c.data.size());
  SrSet32(19, c.table ? uint32_t(c.data.size()) : 0);
  SrSet(31, 0x55);
  SrSet(61, 0x55);
  NetConfig();
  EXPECT_EQ(SrGet(31), c.sr31);
  EXPECT_EQ(SrGet(61), c.sr61);
  EXPECT_EQ(plat::TraceCountOf("CANOpenInit"), c.started ? 1u : 0u);
  if (c.started) {
    EXPECT_EQ(CANOpenSetupStandIn.config_baud, c.config_baud);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Net, NetConfigTable,
    ::testing::Values(
        NetCase{"no_table", false, {0x83, 0x05}, 0, 1, true, 3},
        NetCase{"flags_only", true, {0x05, 0x00}, 5, 1, true, 3},
        NetCase{"span_from_second_byte", true, {0x03, 0x04}, 3, 4, true, 3},
        NetCase{"one_byte_table", true, {0x02}, 2, 1, true, 3},
        NetCase{"parameters", true, WithParameters(0x83, 0x02, 7), 3, 2, true, 7},
        NetCase{"parameters_with_baud_0_start_nothing", true, WithParameters(0x81, 0x00, 0), 1, 1, false, 0},
        NetCase{"parameters_announced_but_missing", true, {0x81, 0x00, 7, 7}, 1, 1, true, 3}));

TEST_F(RunCtlTest, TheNetworkLayerGetsItsSetUpRecord) {
  SrSet(29, 12);
  SrSet(30, 2);
  SrSet(31, 0x02);
  SrSet(61, 3);
  NodeId_Flag = 1;
  CANOpen_ClearStats = 0;
  Plc_NetInit();
  const CanNetSetup& s = CANOpenSetupStandIn;
  EXPECT_EQ(s.tick, &fpga_port);
  EXPECT_EQ(s.tick_rate, 100);
  EXPECT_EQ(s.baud, 2);
  EXPECT_EQ(s.fixed_2, 2);
  EXPECT_EQ(s.fixed_3, 3);
  EXPECT_EQ(s.node_id, 12);
  EXPECT_EQ(s.node_span, 3);
  EXPECT_EQ(s.option, 1);
  EXPECT_EQ(NodeId_Flag, 0);
  EXPECT_EQ(CANOpen_ClearStats, 1);
  EXPECT_EQ(TraceOf({"CANOpenInit", "_Can_SetEvent"}), (std::vector<std::string>{"CANOpenInit", "_Can_SetEvent"}));
  SrSet(31, 0x05);
  Plc_NetInit();
  EXPECT_EQ(CANOpenSetupStandIn.option, 0);
}

}  // namespace
}  // namespace rc_test
