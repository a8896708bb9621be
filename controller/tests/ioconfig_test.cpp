// The I/O slot configuration: installed against configured modules, the slot marks and
// texts, the walk of the configuration table, the bus-slave node address, SR4 bit 0x40,
// S6 and the slot report in SR64..SR112.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "runctl_fixture.h"

namespace rc_test {
namespace {

std::string Text(const IoSlotRecord& r) { return std::string(1, r.mark) + std::string(r.text, sizeof r.text); }

struct StatusCase {
  const char* what;
  uint16_t installed;  // 255: none
  uint16_t configured; // 0xFFFF: nothing configured
  bool unsupported, setup_fails, unconfigured;
  uint8_t status;
  std::string text;    // mark and text
  bool configured_call;  // the driver received the configuration
};

void PrintTo(const StatusCase& c, std::ostream* os) { *os << c.what; }

class SlotStatus : public RunCtlTest, public ::testing::WithParamInterface<StatusCase> {};

TEST_P(SlotStatus, MarksAndReportsTheSlot) {
  const StatusCase& c = GetParam();
  plat::IoBoardModel& b = Board(0, c.installed, "MOD32");
  b.unsupported = c.unsupported;
  b.setup_fails = c.setup_fails;
  b.reports_unconfigured = c.unconfigured;
  WriteIoConfig({{c.configured, {}}, {255, {}}, {255, {}}});
  const bool error = !(c.status == 1 || (c.status == 2 && c.text[0] == ' '));
  SrSet(4, error ? 0 : kSr4IoConfig);
  SBitSet(6, error);

  EXPECT_EQ(IoConfig(), error ? 1 : 0);
  EXPECT_EQ(io_cfg[0].status, c.status);
  EXPECT_EQ(Text(io_cfg[0]), c.text);
  EXPECT_EQ(plat::TraceCountOf("IoCfg"), c.configured_call ? 1u : 0u);
  EXPECT_EQ(bool(SrGet(4) & kSr4IoConfig), error);
  EXPECT_EQ(SBitGet(6), !error);
  EXPECT_EQ(plat::TraceCountOf("IoStop"), error ? 1u : 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Statuses, SlotStatus,
    ::testing::Values(
        StatusCase{"empty", 255, 0xFFFF, false, false, false, 1, " I/O: Empty ", false},
        StatusCase{"empty_by_id_255", 255, 255, false, false, false, 1, " I/O: Empty ", false},
        StatusCase{"configured", 0xA00F, 0xA00F, false, false, false, 2, " I/O: MOD32 ", true},
        StatusCase{"setup_failed", 0xA00F, 0xA00F, false, true, false, 2, "fI/O: MOD32 ", true},
        StatusCase{"module_not_configured", 0xA00F, 0xA00F, false, false, true, 2, "cI/O: MOD32 ", true},
        StatusCase{"missing", 255, 0xA00F, false, false, false, 3, "-I/O Missing", false},
        StatusCase{"wrong_module", 0xA20F, 0xA00F, false, false, false, 4, "?I/O: MOD32 ", true},
        StatusCase{"not_in_configuration", 0xA00F, 0xFFFF, false, false, false, 5, "+I/O: MOD32 ", true},
        StatusCase{"unsupported", 0x1234, 0x1234, true, false, false, 6, "*Unsupported", false},
        // Variants 0xF800 + 0x200 v: (installed, configured)
        StatusCase{"variant_0_for_2", 0xF800, 0xFC00, false, false, false, 2, " I/O: MOD32 ", true},
        StatusCase{"variant_0_for_3", 0xF800, 0xFE00, false, false, false, 2, " I/O: MOD32 ", true},
        StatusCase{"variant_3_for_2", 0xFE00, 0xFC00, false, false, false, 2, " I/O: MOD32 ", true},
        StatusCase{"variant_2_for_0", 0xFC00, 0xF800, false, false, false, 4, "?I/O: MOD32 ", true},
        StatusCase{"variant_1_for_0", 0xFA00, 0xF800, false, false, false, 4, "?I/O: MOD32 ", true},
        StatusCase{"variant_0_for_1", 0xF800, 0xFA00, false, false, false, 4, "?I/O: MOD32 ", true},
        StatusCase{"not_a_variant", 0xF900, 0xF800, false, false, false, 4, "?I/O: MOD32 ", true}));

TEST_F(RunCtlTest, VariantCompatibilityIsExactlyTheEightPairs) {
  const bool allowed[4][4] = {{1, 0, 1, 1}, {0, 1, 0, 0}, {0, 0, 1, 1}, {0, 0, 1, 1}};
  for (int vi = 0; vi < 4; ++vi) {
    for (int vc = 0; vc < 4; ++vc) {
      ResetUnit();
      Board(0, uint16_t(0xF800 + 0x200 * vi), "MOD32");
      WriteIoConfig({{uint16_t(0xF800 + 0x200 * vc), {}}});
      IoConfig();
      EXPECT_EQ(io_cfg[0].status, allowed[vi][vc] ? 2 : 4) << vi << "," << vc;
    }
  }
}

TEST_F(RunCtlTest, TheConfigurationTableIsWalkedRecordByRecord) {
  Board(0, 0xA00F, "MOD32");
  Board(1, 0x8F0F, "AO4");
  Board(2, 0x0F0F, "AO2");
  // Data of 6 bytes padded to 8; then a record without data.
  WriteIoConfig({{0xA00F, {1, 2, 3, 4, 5, 6}}, {0x8F0F, {}}, {0x0F0F, {7}}});
  EXPECT_EQ(IoConfig(), 0);
  EXPECT_EQ(io_cfg[0].config, 4u);
  EXPECT_EQ(io_cfg[0].config_length, 6);
  EXPECT_EQ(std::vector<uint8_t>(IoSlotConfigData(io_cfg[0]).begin(), IoSlotConfigData(io_cfg[0]).end()),
            (std::vector<uint8_t>{1, 2, 3, 4, 5, 6}));
  EXPECT_EQ(io_cfg[1].config, 16u);
  EXPECT_EQ(io_cfg[1].config_length, 0);
  EXPECT_EQ(io_cfg[2].config, 20u);
  EXPECT_EQ(IoSlotConfigData(io_cfg[2]).size(), 1u);
  for (int slot = 0; slot < 3; ++slot) EXPECT_EQ(io_cfg[slot].status, 2) << slot;
}

TEST_F(RunCtlTest, NothingConfiguredHoldsTheWalkAndShortTablesConfigureNothing) {
  struct Case {
    const char* what;
    std::vector<uint8_t> table;
    std::array<uint8_t, 3> statuses;  // with a board in every slot
  };
  const Case cases[] = {
      // 0xFFFF is read again for every later slot.
      {"0xFFFF first", {0xFF, 0xFF, 0, 0, 0x0F, 0xA0, 0, 0}, {5, 5, 5}},
      {"one record", {0x0F, 0xA0, 0, 0}, {2, 5, 5}},
      {"data longer than the table", {0x0F, 0xA0, 0, 0, 0x0F, 0xA0, 200, 0, 1, 2}, {2, 5, 5}},
      {"a half header", {0x0F, 0xA0, 0, 0, 0x0F}, {2, 5, 5}},
      {"last record unpadded", {0x0F, 0xA0, 1, 0, 9}, {2, 5, 5}},
      {"empty table", {}, {5, 5, 5}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ResetUnit();
    for (int slot = 0; slot < 3; ++slot) Board(slot, 0xA00F, "MOD32");
    std::copy(c.table.begin(), c.table.end(), io_config_bl + kTableHeader);
    SetBlockSize(io_config_bl, uint32_t(c.table.size()));
    IoConfig();
    for (int slot = 0; slot < 3; ++slot) EXPECT_EQ(io_cfg[slot].status, c.statuses[slot]) << "slot " << slot;
  }
  // A size word beyond the block is bounded by it.
  ResetUnit();
  std::memset(io_config_bl + kTableHeader, 0xFF, 4);
  SetBlockSize(io_config_bl, 0xFFFFFFFF);
  IoConfig();
  EXPECT_EQ(io_cfg[0].status, 1);
}

TEST_F(RunCtlTest, ModulesAreProbedOnlyOnTheFirstCall) {
  Board(0, 0xA00F, "MOD32");
  WriteIoConfig({{0xA00F, {}}});
  IoConfig();
  EXPECT_EQ(io_init[0], 0xA00F);
  EXPECT_EQ(io_init[1], 255);
  Board(1, 0x8F0F, "AO4");  // plugged in later: not seen until a restart
  IoConfig();
  EXPECT_EQ(io_init[1], 255);
  EXPECT_EQ(io_cfg[1].status, 1);
}

TEST_F(RunCtlTest, SlotReportInSr64ToSr112) {
  Board(0, 0xA00F, "MOD32");
  WriteIoConfig({{0xA00F, {}}, {0x8F0F, {}}});
  SrSet(113, 0x7777);
  IoConfig();
  const uint8_t* sr = plc_reg + reg::SrOffset(64);
  EXPECT_EQ(SrGet(64), 4) << "four records follow";
  struct Expected {
    uint16_t id;
    const char* text;  // mark and text
  };
  const Expected expected[4] = {{0xA00F, " I/O: MOD32 "}, {255, "-I/O Missing"}, {255, " I/O: Empty "}, {255, " I/O: Empty "}};
  for (int i = 0; i < 4; ++i) {
    const uint8_t* rec = sr + 2 + 24 * i;
    uint16_t id;
    std::memcpy(&id, rec, 2);
    EXPECT_EQ(id, expected[i].id) << i;
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(rec + 2), 12), expected[i].text) << i;
    uint32_t config, clock;
    std::memcpy(&config, rec + 2 + 12, 4);
    std::memcpy(&clock, rec + 2 + 16, 4);
    EXPECT_EQ(clock, reg::SrOffset(44)) << i;
    EXPECT_EQ(config, i < 2 ? uint32_t(4 + 4 * i) : kNoSlotConfig) << i;
    EXPECT_EQ(rec[2 + 20], i == 0 ? 'M' : 0) << "the name's first character";
    EXPECT_EQ(rec[23], 0);
  }
  EXPECT_EQ(SrGet(113), 0x7777) << "the report ends at SR112";
}

TEST_F(RunCtlTest, BusSlaveNodeAddressGoesToTheModuleOrARefusalToItsStatusRegister) {
  struct Case {
    const char* what;
    uint32_t node;   // configured value
    uint16_t r1;     // R1 when the value names it
    uint32_t status_token;
    int written;     // node address in the module's memory; -1 none
    uint16_t status; // the status register afterwards
  };
  const uint32_t r1 = reg::WordToken(reg::kTokR, 1);
  const uint32_t r2 = reg::WordToken(reg::kTokR, 2);
  const Case cases[] = {
      {"constant", 5, 0, r2, 5, 0},
      {"register", r1, 99, r2, 99, 0},
      {"constant 0", 0, 0, r2, -1, 0xFEFE},
      {"constant 126", 126, 0, r2, -1, 0xFEFE},
      {"constant 1024", 1024, 0, r2, -1, 0xFEFE},
      // The whole word counts: 257 is not node 1.
      {"register holding 257", r1, 257, r2, -1, 0xFEFE},
      {"refused without a status register", 200, 0, 0, -1, 0},
      {"token outside the image", 0x0FFFFFFF, 0, r2, -1, 0xFEFE},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ResetUnit();
    SetRegWord(reg::kOffR, c.r1);
    SetRegWord(reg::kOffR + 2, 0);
    plat::IoBoardModel& b = Board(1, 0x9F0F, "BSL100");
    WriteIoConfig({{255, {}}, {0x9F0F, BusSlaveData(c.node, 0, 0, 0, 0, c.status_token)}});
    plat::TraceClear();
    EXPECT_EQ(IoConfig(), 0);
    const auto writes = Calls("write_io_eeprom");
    ASSERT_EQ(writes.size(), c.written >= 0 ? 1u : 0u);
    if (c.written >= 0) {
      EXPECT_EQ(writes[0].a, 1) << "slot";
      EXPECT_EQ(writes[0].b, 252) << "address";
      EXPECT_EQ(b.memory[252], c.written);
    }
    EXPECT_EQ(RegWord(reg::kOffR + 2), c.status);
  }
}

TEST_F(RunCtlTest, OtherModulesGetNoNodeAddress) {
  Board(0, 0xA00F, "BSL10");  // a name that only starts like a bus-slave model
  WriteIoConfig({{0xA00F, BusSlaveData(5, 0, 0, 0, 0, 0)}});
  IoConfig();
  EXPECT_EQ(plat::TraceCountOf("write_io_eeprom"), 0u);
}

}  // namespace
}  // namespace rc_test
