// The start-up check of the table store: repairs, first-start defaults, the two reset
// forms, and which failures reset which tables.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "ground/file_info.h"
#include "controller/progstore.h"
#include "progstore_fixture.h"

namespace {

using Bytes = std::vector<uint8_t>;

const Bytes kEmpty8 = {0x08, 0, 0, 0, 0, 0, 0, 0};

Bytes Data(const uint8_t* block) { return {block + kTableHeader, block + kTableHeader + BlockSize(block)}; }

class NvramInit : public ProgStoreTest {
 protected:
  // Every table the check looks at, with its header.
  static Bytes TablesSnapshot() {
    Bytes out;
    for (const uint8_t* b : {ladder_bl, io_config_bl, net_config_bl, vtn_pgm_bl, string_table_bl, text_table_bl,
                             font_table_bl, promgr_table_bl, sms_table_bl, datalog_table, copendnet_tbl,
                             report_table, recipe_tbl, login_tbl, mqtt_tbl}) {
      Bytes b2 = BlockBytes(b);
      out.insert(out.end(), b2.begin(), b2.end());
    }
    out.insert(out.end(), rom_map_tbl, rom_map_tbl + kBmpMapCap);
    return out;
  }
  static bool LogicReset() { return (SrGet(4) & 0x04) != 0; }
  static bool ScreensReset() { return (SrGet(4) & 0x4000) != 0; }
};

TEST_F(NvramInit, FirstStartGivesDefaultsThatTheNextStartAccepts) {
  std::memset(plc_reg + reg::kOffSR, 0x5A, 2 * reg::kCountSR);  // whatever the registers held
  SrSet(4, 0);
  SrSet(29, 7), SrSet(61, 1), SrSet(30, 0);
  EXPECT_EQ(nvram_init(1, 0, 0), 1);

  EXPECT_EQ(plat::TraceCountOf("RestoreSRReg"), 1u);
  EXPECT_EQ(plat::TraceCountOf("EraseBackupData"), 1u);
  const std::pair<uint32_t, uint16_t> defaults[] = {
      {169, 0x7FFF}, {170, 0x8000}, {5, 0},   {32, 16}, {33, 0},   {31, 0}, {137, 500}, {173, 0},
      {180, 0},      {183, 1},      {185, 0}, {186, 15}, {152, 0}, {167, 2}, {164, 0},  {163, 0}, {193, 0}};
  for (auto [sr, v] : defaults) EXPECT_EQ(SrGet(sr), v) << "SR" << sr;

  // Logic tables: their defaults with their real CRC and size, mirrored.
  const struct {
    const char* name;
    const uint8_t* block;
    Bytes data;
  } logic[] = {
      {"logic", ladder_bl, {0x09, 0x00}},
      {"I/O configuration", io_config_bl, {0xFF, 0, 0, 0, 0xFF, 0, 0, 0, 0xFF, 0, 0, 0}},
      {"network", net_config_bl, {0, 0, 0, 0, 0, 0, 0x40, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                  0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
      {"protocol drivers", promgr_table_bl, kEmpty8}, {"SMS", sms_table_bl, kEmpty8},
      {"data log", datalog_table, kEmpty8},           {"CAN", copendnet_tbl, kEmpty8},
      {"reports", report_table, kEmpty8},             {"recipes", recipe_tbl, kEmpty8},
      {"logins", login_tbl, kEmpty8},                 {"MQTT", mqtt_tbl, kEmpty8},
  };
  for (const auto& t : logic) {
    EXPECT_EQ(Data(t.block), t.data) << t.name;
    EXPECT_EQ(BlockCrc(t.block), ts::Crc16(t.data)) << t.name;
  }
  EXPECT_EQ(SrGet(23), ts::Crc16(Bytes{0x09, 0x00}));
  EXPECT_EQ(SrGet32(11), 2u);
  EXPECT_EQ(SrGet32(21), 80u);
  EXPECT_EQ(SrGet(28), ts::Crc16(Bytes(80, 0)));
  EXPECT_EQ(SrGet32(15), 4u);
  EXPECT_EQ(SrGet(25), ts::Crc16(Bytes(4, 0)));
  EXPECT_EQ(SrGet(148), uint16_t(~ts::Crc16(kEmpty8)));  // the data log's mirror is inverted
  EXPECT_EQ(SrGet32(145), ~8u);
  EXPECT_EQ(plat::TraceCountOf("Plc_NetInit"), 1u);
  EXPECT_EQ(plat::TraceCountOf("SetPlcMode"), 0u);

  // Screen tables and every bitmap slot: the empty table with its real CRC and size.
  for (const uint8_t* b : {vtn_pgm_bl, string_table_bl, text_table_bl, font_table_bl}) {
    EXPECT_EQ(Data(b), kEmpty8);
    EXPECT_EQ(BlockCrc(b), ts::Crc16(kEmpty8));
  }
  for (std::size_t s = 0; s < kBmpSlots; ++s) {
    EXPECT_EQ(Bytes(BmpSlot(s), BmpSlot(s) + 8), kEmpty8);
    EXPECT_EQ(MapEntryCrc(ram_map_tbl, s), ts::Crc16(kEmpty8));
    EXPECT_EQ(MapEntrySize(ram_map_tbl, s), 8u);
  }
  EXPECT_EQ(std::memcmp(rom_map_tbl, ram_map_tbl, kBmpMapCap), 0);
  EXPECT_EQ(SrGet32(117), 8u);
  EXPECT_FALSE(LogicReset());
  EXPECT_FALSE(ScreensReset());

  const Bytes after_first = TablesSnapshot();
  plat::TraceClear();
  EXPECT_EQ(nvram_init(0, 0, 0), 0);
  EXPECT_EQ(TablesSnapshot(), after_first);
  EXPECT_FALSE(LogicReset());
  EXPECT_FALSE(ScreensReset());
  EXPECT_EQ(plat::TraceCountOf("EraseBackupData"), 0u);
}

TEST_F(NvramInit, TheFirstStartMarkerPromotesAStartAndIsCleared) {
  fwload_set_def = 1;
  SrSet(137, 9999);
  EXPECT_EQ(nvram_init(0, 0, 0), 1);
  EXPECT_EQ(fwload_set_def, 0);
  EXPECT_EQ(SrGet(137), 500);  // the default, not a repair
  EXPECT_EQ(BlockSize(ladder_bl), 2u);
  EXPECT_EQ(plat::TraceCountOf("EraseBackupData"), 0u);  // decided before the marker is seen
}

TEST_F(NvramInit, AnInterruptedDownloadEmptiesTheLogicTablesOutsideRun) {
  ts::ProgramImage::Sample().Install();
  const Bytes screens = BlockBytes(vtn_pgm_bl);
  EXPECT_EQ(nvram_init(0, 1, 0), 0);

  for (const uint8_t* b : {ladder_bl, io_config_bl, net_config_bl, promgr_table_bl, sms_table_bl, datalog_table,
                           report_table, recipe_tbl, login_tbl, mqtt_tbl}) {
    EXPECT_EQ(BlockCrc(b), 0);
    EXPECT_EQ(BlockSize(b), 0u);
  }
  for (uint32_t sr : {11u, 12u, 15u, 16u, 17u, 18u, 19u, 20u, 21u, 22u, 23u, 25u, 26u, 27u, 28u, 123u, 124u, 130u,
                      143u, 144u, 147u})
    EXPECT_EQ(SrGet(sr), 0) << "SR" << sr;
  EXPECT_EQ(SrGet(148), 0xFFFF);
  EXPECT_EQ(SrGet32(145), 0xFFFFFFFFu);
  EXPECT_EQ(BlockSize(copendnet_tbl), 8u);  // the CAN layer always gets a valid table
  EXPECT_EQ(BlockCrc(copendnet_tbl), ts::Crc16(kEmpty8));
  EXPECT_EQ(Data(ladder_bl), (Bytes{}));
  EXPECT_EQ(ladder[0], 0x09);
  EXPECT_TRUE(LogicReset());
  auto mode = Calls("SetPlcMode");
  ASSERT_EQ(mode.size(), 1u);
  EXPECT_EQ(mode[0].a, 0);
  EXPECT_EQ(BlockBytes(vtn_pgm_bl), screens);  // the screen tables were good
  EXPECT_FALSE(ScreensReset());
  EXPECT_EQ(NV_EditorFeatures, 0u);
}

TEST_F(NvramInit, AnInterruptedScreenDownloadEmptiesTheScreenTables) {
  ts::ProgramImage::Sample().Install();
  const Bytes logic = BlockBytes(ladder_bl);
  EXPECT_EQ(nvram_init(0, 0, 1), 0);
  EXPECT_EQ(BlockBytes(ladder_bl), logic);
  EXPECT_TRUE(ScreensReset());
  for (const uint8_t* b : {vtn_pgm_bl, string_table_bl, text_table_bl, font_table_bl}) {
    EXPECT_EQ(BlockSize(b), 0u);
    EXPECT_EQ(BlockCrc(b), 0);
  }
  EXPECT_EQ(SrGet32(113), 0u);
  EXPECT_EQ(MapEntrySize(rom_map_tbl, 64), 0u);  // the bitmap table as a whole
  EXPECT_EQ(MapEntrySize(rom_map_tbl, 63), 8u);  // each slot: the empty table
  EXPECT_EQ(MapEntryCrc(rom_map_tbl, 0), ts::Crc16(kEmpty8));
}

TEST_F(NvramInit, InRunTheLogicTablesAreKept) {
  ts::ProgramImage::Sample().Install();
  SrSet(5, 2);
  const Bytes before = TablesSnapshot();
  nvram_init(0, 1, 0);  // a download that timed out in Run
  EXPECT_EQ(TablesSnapshot(), before);
  EXPECT_FALSE(LogicReset());
  EXPECT_EQ(plat::TraceCountOf("SetPlcMode"), 0u);
}

// Each corruption fails the check of the logic tables.
struct LogicFault {
  const char* name;
  std::function<void()> apply;
};

const LogicFault kLogicFaults[] = {
    {"I/O configuration size 0", [] { SetBlockSize(io_config_bl, 0); }},
    {"I/O configuration above 0x7F000", [] { SetBlockSize(io_config_bl, 0x7F001); }},
    {"logic CRC", [] { SetBlockCrc(ladder_bl, BlockCrc(ladder_bl) ^ 1); }},
    {"logic above 2 MiB", [] { SetBlockSize(ladder_bl, 0x200001); }},
    {"logic size beyond its block", [] { SetBlockSize(ladder_bl, uint32_t(kLadderCap)); }},
    {"force size 0", [] { SrSet32(15, 0); }},
    {"force size above 256", [] { SrSet32(15, 257); }},
    {"force data changed", [] { plc_reg[reg::kOffF] ^= 1; }},
    {"security size 0", [] { SrSet32(21, 0); }},
    {"security size above 80", [] { SrSet32(21, 81); }},
    {"security CRC", [] { plc_reg[reg::kOffSecurity] ^= 1; }},
    {"protocol drivers", [] { promgr_table_bl[kTableHeader] ^= 1; }},
    {"SMS", [] { sms_table_bl[kTableHeader] ^= 1; }},
    {"data log", [] { datalog_table[kTableHeader] ^= 1; }},
    {"CAN", [] { copendnet_tbl[kTableHeader] ^= 1; }},
    {"reports", [] { report_table[kTableHeader] ^= 1; }},
    {"recipes", [] { recipe_tbl[kTableHeader] ^= 1; }},
    {"logins", [] { login_tbl[kTableHeader] ^= 1; }},
    {"MQTT", [] { mqtt_tbl[kTableHeader] ^= 1; }},
    {"logins size 0", [] { SetBlockSize(login_tbl, 0); }},
};

TEST_F(NvramInit, EveryFailedLogicCheckResetsTheLogicTablesUnlessInRun) {
  for (bool run : {false, true}) {
    for (const LogicFault& f : kLogicFaults) {
      SCOPED_TRACE(std::string(f.name) + (run ? " in Run" : ""));
      ts::ClearTableStore();
      SrSet(4, 0);
      ts::ProgramImage::Sample().Install();  // features 0xBF: every optional table checked
      f.apply();
      SrSet(5, run ? 2 : 0);
      const Bytes logic(ladder_bl, ladder_bl + 64);  // header and program
      nvram_init(0, 0, 0);
      EXPECT_EQ(LogicReset(), !run);
      if (run) {
        EXPECT_EQ(Bytes(ladder_bl, ladder_bl + 64), logic);
      } else {
        EXPECT_EQ(BlockSize(ladder_bl), 0u);
      }
    }
  }
  // The force table is checked on its copy.
  EXPECT_EQ(io_force[0], plc_reg[reg::kOffF]);
}

TEST_F(NvramInit, TheFeaturesWordChoosesTheOptionalTablesChecked) {
  const struct {
    const char* name;
    Bytes logic;
    uint8_t* corrupt;
    bool reset;
  } cases[] = {
      {"last byte 0xFE: none", {0x01, 0xBF, 0, 0, 0, 0, 0, 0, 0, 0xFE}, promgr_table_bl, false},
      {"last byte 0xFF: none", {0x01, 0xBF, 0, 0, 0, 0, 0, 0, 0, 0xFF}, mqtt_tbl, false},
      {"short program: none", {0x09, 0x00}, sms_table_bl, false},
      {"reports bit checks MQTT", ts::LogicWithFeatures({1}, 0x10), mqtt_tbl, true},
      {"logins bit checks MQTT", ts::LogicWithFeatures({1}, 0x80), mqtt_tbl, true},
      {"drivers bit leaves MQTT", ts::LogicWithFeatures({1}, 0x01), mqtt_tbl, false},
      {"reports bit leaves logins", ts::LogicWithFeatures({1}, 0x10), login_tbl, false},
      {"data log bit", ts::LogicWithFeatures({1}, 0x04), datalog_table, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ts::ClearTableStore();
    SrSet(4, 0);
    ts::ProgramImage img = ts::ProgramImage::Sample();
    img.logic = ts::Table::Of(c.logic);
    img.Install();
    c.corrupt[kTableHeader] ^= 1;
    nvram_init(0, 0, 0);
    EXPECT_EQ(LogicReset(), c.reset);
  }
}

TEST_F(NvramInit, NetworkIdsAreRepaired) {
  const struct {
    uint16_t ids, local, baud;           // SR61, SR29, SR30
    uint16_t ids2, local2, baud2;
    bool reported;                       // SR4 0x20
  } cases[] = {
      {0, 5, 0, 1, 5, 0, false},      {128, 5, 0, 1, 5, 0, false},  {1, 0, 0, 1, 127, 0, true},
      {1, 128, 0, 1, 127, 0, true},   {1, 127, 4, 1, 127, 4, false}, {10, 119, 5, 10, 118, 0, true},
      {10, 118, 4, 10, 118, 4, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.ids << "/" << c.local << "/" << c.baud);
    SrSet(4, 0);
    SrSet(61, c.ids), SrSet(29, c.local), SrSet(30, c.baud);
    nvram_init(0, 0, 0);
    EXPECT_EQ(SrGet(61), c.ids2);
    EXPECT_EQ(SrGet(29), c.local2);
    EXPECT_EQ(SrGet(30), c.baud2);
    EXPECT_EQ((SrGet(4) & 0x20) != 0, c.reported);
  }
}

TEST_F(NvramInit, SystemRegistersOutOfRangeAreRepaired) {
  const struct {
    uint32_t sr;
    uint16_t value, repaired;
  } cases[] = {
      {5, 3, 0},       {5, 2, 2},       {32, 0, 16},     {32, 41, 16},    {32, 40, 40},  {33, 2, 0},
      {31, 128, 0},    {31, 127, 127},  {137, 499, 500}, {137, 500, 500}, {173, 2, 0},   {180, 3, 0},
      {180, 2, 2},     {183, 2, 1},     {185, 2, 0},     {186, 4, 15},    {186, 5, 5},   {186, 1200, 1200},
      {186, 1201, 15}, {152, 4, 0},     {152, 3, 3},     {167, 1, 2},     {167, 51, 2},  {167, 50, 50},
      {193, 77, 0},    {154, 0xFFFF, 0x3FFF},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "SR" << c.sr << " = " << c.value);
    SrSet(c.sr, c.value);
    nvram_init(0, 0, 0);
    EXPECT_EQ(SrGet(c.sr), c.repaired);
  }
}

struct ScreenFault {
  const char* name;
  std::function<void()> apply;
  bool reset;
};

TEST_F(NvramInit, ScreenChecksAndTheFontRule) {
  auto screen_header = [](uint16_t length, uint32_t font) {
    std::memcpy(vtn_pgm + 8, &length, 2);
    std::memcpy(vtn_pgm + 20, &font, 4);
    SetBlockCrc(vtn_pgm_bl, ts::Crc16({vtn_pgm, BlockSize(vtn_pgm_bl)}));
  };
  auto bad_font = [] { font_table_bl[kTableHeader] ^= 1; };
  const ScreenFault faults[] = {
      {"all good", [] {}, false},
      {"screens CRC", [] { vtn_pgm[0] ^= 1; }, true},
      {"text size 0", [] { SetBlockSize(text_table_bl, 0); }, true},
      {"strings above 0x7F000", [] { SetBlockSize(string_table_bl, 0x7F001); }, true},
      // The limit equals the block's memory; the data area is 8 bytes smaller.
      {"text as large as its whole block", [] { SetBlockSize(text_table_bl, 0x7F000); }, true},
      {"bitmap total 0", [] { SetMapEntry(rom_map_tbl, 64, 0, 0); }, true},
      {"bitmap slot data", [] { BmpSlot(63)[0] ^= 1; }, true},
      {"bitmap slot beyond 256 KiB", [] { SetMapEntry(rom_map_tbl, 5, 0, uint32_t(kBmpSlotCap + 1)); }, true},
      {"font needed and bad", bad_font, true},
      {"header of 23 bytes names no font", [&] { screen_header(23, 0x1234), bad_font(); }, false},
      {"font identity 0", [&] { screen_header(32, 0), bad_font(); }, false},
      {"screen table too short for a header",
       [&] {
         SetBlockSize(vtn_pgm_bl, 20);
         SetBlockCrc(vtn_pgm_bl, ts::Crc16({vtn_pgm, 20}));
         bad_font();
       },
       false},
  };
  for (const ScreenFault& f : faults) {
    SCOPED_TRACE(f.name);
    ts::ClearTableStore();
    SrSet(4, 0);
    SrSet(154, 0xC123);
    ts::ProgramImage::Sample().Install();  // its screen table names font 0x1234
    f.apply();
    const Bytes logic = BlockBytes(ladder_bl);
    nvram_init(0, 0, 0);
    EXPECT_EQ(ScreensReset(), f.reset);
    EXPECT_EQ(SrGet(154), 0x0123);
    EXPECT_EQ(BlockBytes(ladder_bl), logic);
    if (f.reset) {
      EXPECT_EQ(BlockSize(vtn_pgm_bl), 0u);
      EXPECT_EQ(std::memcmp(rom_map_tbl, ram_map_tbl, kBmpMapCap), 0);
      EXPECT_EQ(MapEntrySize(ram_map_tbl, 5), 8u);
    } else {
      EXPECT_GT(BlockSize(vtn_pgm_bl), 0u);
      EXPECT_EQ(std::memcmp(rom_map_tbl, ram_map_tbl, kBmpMapCap), 0);  // the working copy
    }
  }
}

TEST_F(NvramInit, ASavedProgramPassesTheCheckAfterARestart) {
  ts::ProgramImage img = ts::ProgramImage::Sample();
  for (std::size_t s = 0; s < kBmpSlots; ++s) img.bitmap_slots[s] = Bytes(10 + s, uint8_t(s));
  img.SetBitmapTotals();
  img.Install();
  ASSERT_EQ(SaveProgram(), 1);

  // A restart: the tables come back from the files, the registers from their own file.
  ts::ClearTableStore();
  ts::ProgramImage regs;
  regs.force = img.force;
  regs.Install();
  ASSERT_EQ(LoadProgram(), 1);
  nvram_init(0, 0, 0);
  EXPECT_FALSE(LogicReset());
  EXPECT_FALSE(ScreensReset());
  EXPECT_EQ(Bytes(BmpSlot(40), BmpSlot(40) + 50), Bytes(50, 40));
}

TEST_F(NvramInit, TheEmptiedTablesAreSavedAndLoadAgain) {
  ts::ProgramImage::Sample().Install();
  nvram_init(0, 1, 0);
  ASSERT_EQ(SaveProgram(), 1);
  ts::ClearTableStore();
  EXPECT_EQ(LoadProgram(), 1);  // an empty ladder.pgm is no program, not a failure
  EXPECT_EQ(BootStatusGet(), 0u);
}

}  // namespace
