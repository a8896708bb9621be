// Download (command 4): every download type into its table with its CRC, size and mirror
// registers, what each type asks of the unit at the end, the refusals, the bounds of each
// table, the bitmap store, online programming, the communication lock and the abort.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>

#include "cmd_fixture.h"
#include "fieldbus/services.h"
#include "ground/file_info.h"
#include "controller/progstore.h"
#include "ground/tablestore.h"
#include "platform/trace.h"
#include "testsupport/stepping_clock.h"

namespace {

using kt::Bytes;
using kt::Cat;
using kt::Le32;

Bytes Pattern(std::size_t n, uint8_t seed) {
  Bytes b(n);
  for (std::size_t i = 0; i < n; ++i) b[i] = uint8_t(seed + i * 7);
  return b;
}

uint16_t Word(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
uint32_t Dword(const uint8_t* p) { return Word(p) | (uint32_t(Word(p + 2)) << 16); }

// Where each type's table lands and which registers mirror it, written from the table of
// download types.
struct TypeCase {
  uint8_t type;
  uint8_t* block;      // the table block; nullptr for the register-held tables
  uint32_t data_off;   // register-held: byte offset of the data in the register image
  uint16_t crc_sr;     // 0: none (or the slot itself for register-held tables)
  uint16_t size_sr;
  bool screen;         // shows the download screen
};
void PrintTo(const TypeCase& c, std::ostream* os) { *os << "type " << int(c.type); }

const TypeCase kTypes[] = {
    {0, ladder_bl, 0, 23, 11, true},         {2, nullptr, 640, 25, 15, false},
    {4, nullptr, 109088, 28, 21, true},      {5, io_config_bl, 0, 26, 17, true},
    {6, net_config_bl, 0, 27, 19, true},     {7, vtn_pgm_bl, 0, 125, 113, true},
    {8, string_table_bl, 0, 126, 115, true}, {10, text_table_bl, 0, 128, 119, true},
    {11, font_table_bl, 0, 129, 121, true},  {19, tinyImage, 0, 0, 0, true},
    {20, promgr_table_bl, 0, 130, 123, true}, {21, sms_table_bl, 0, 147, 143, true},
    {22, datalog_table, 0, 0, 0, true},      {23, copendnet_tbl, 0, 0, 0, true},
    {24, report_table, 0, 0, 0, true},       {25, recipe_tbl, 0, 0, 0, true},
    {26, ladder_olp, 0, 0, 0, true},         {29, login_tbl, 0, 0, 0, true},
    {33, mqtt_tbl, 0, 0, 0, true},
};

class DnldType : public kt::CmdServerTest, public ::testing::WithParamInterface<TypeCase> {
 protected:
  void SetUp() override {
    kt::CmdServerTest::SetUp();
    ts::ClearTableStore();
  }
};

TEST_P(DnldType, StoresTheTableWithItsCrcSizeAndMirrors) {
  const TypeCase& c = GetParam();
  const Bytes table = Pattern(77, c.type);  // odd: the last frame is padded by the flash write
  EXPECT_EQ(Download(c.type, table), Acks(4));
  const uint8_t* data = c.block ? c.block + 8 : plc_reg + c.data_off;
  EXPECT_EQ(Bytes(data, data + table.size()), table);
  const uint16_t crc = ts::Crc16(table);
  if (c.block) {
    EXPECT_EQ(Word(c.block), crc);
    EXPECT_EQ(Dword(c.block + 4), table.size());
  }
  if (c.crc_sr) {
    EXPECT_EQ(SrGet(c.crc_sr), crc);
    EXPECT_EQ(SrGet32(c.size_sr), table.size());
  }
  EXPECT_EQ(plat::TraceCountOf("PGM_Destroy"), c.screen ? 1u : 0u);
  EXPECT_EQ(Cmd_Downloading, 0);
  // Leaving the download screen saves the program (with the registers) and restarts the
  // screens.
  EXPECT_EQ(plat::TraceCountOf("AutoSaveRegisters"), c.screen ? 1u : 0u);
  EXPECT_EQ(plat::TraceCountOf("PGM_Create"), c.screen ? 1u : 0u);
  EXPECT_TRUE(root_.Exists("/mnt/cfg/config.pgm") == c.screen);
}

INSTANTIATE_TEST_SUITE_P(Types, DnldType, ::testing::ValuesIn(kTypes),
                         [](const auto& info) { return "type" + std::to_string(info.param.type); });

using Dnld = kt::CmdServerTest;

// Time moves by itself: the abort path waits 200 ms for its message.
constexpr int64_t kStepNs = 10'000;

TEST_F(Dnld, EachTypeDoesWhatItAsksOfTheUnitAtTheEnd) {
  struct Case {
    uint8_t type;
    Bytes table;
    std::function<void()> before;
    std::function<void()> check;
  };
  const Bytes logic = ts::LogicWithFeatures(Pattern(10, 1), 0x21);
  const Case cases[] = {
      {0, logic, [] { SrSet(4, 0x104 | 0x08); },
       [] {
         EXPECT_EQ(SrGet(4), 0x08) << "the reset and logic-fault bits are cleared";
         EXPECT_EQ(NV_EditorFeatures, 0x21u);
       }},
      {2, Pattern(20, 2), nullptr, [] { EXPECT_EQ(Bytes(io_force, io_force + 20), Pattern(20, 2)); }},
      {4, Pattern(16, 4), nullptr, [] { EXPECT_EQ(plat::TraceCountOf("Etn_UpdateSecurity"), 1u); }},
      {5, Pattern(12, 5),
       [] {
         SetBlockCrc(net_config_bl, 0x1234);
         SetBlockSize(net_config_bl, 34);
         SrSet(27, 0x1234);
         SrSet32(19, 34);
       },
       [] {
         // The network configuration must come again: it is invalid until it does.
         EXPECT_EQ(BlockCrc(net_config_bl), 0);
         EXPECT_EQ(BlockSize(net_config_bl), 0u);
         EXPECT_EQ(SrGet(27), 0);
         EXPECT_EQ(SrGet32(19), 0u);
         EXPECT_EQ(plat::TraceCountOf("NetConfig"), 0u) << "applied when the lock is released";
       }},
      {6, Pattern(34, 6), nullptr,
       [] { EXPECT_EQ(plat::TraceCountOf("NetConfig"), 1u) << "network and I/O configured again at once"; }},
      {19, Pattern(30, 19), nullptr, [] { EXPECT_EQ(plat::TraceCountOf("SaveAndSetMACID"), 1u); }},
      {23, Pattern(30, 23), nullptr, [] { EXPECT_EQ(CANOpen_dwnld, 0); }},
  };
  for (const Case& c : cases) {
    ts::ClearTableStore();
    if (c.before) c.before();
    AdvanceMs(10'000);
    plat::TraceClear();
    EXPECT_EQ(Download(c.type, c.table), Acks(2 + (c.table.size() + 63) / 64)) << int(c.type);
    SCOPED_TRACE(int(c.type));
    c.check();
  }
}

TEST_F(Dnld, TheCanNetworkIsFlaggedWhileItsTableComes) {
  EXPECT_EQ(Exchange(Req(4, {kLocal, 23})), Bytes{0xA0});
  EXPECT_EQ(CANOpen_dwnld, 1);
  EXPECT_EQ(Exchange(Req(0xFF, {})), Bytes{0xA0});
  EXPECT_EQ(CANOpen_dwnld, 0);
}

TEST_F(Dnld, RefusedTypesAndBitmapOffsets) {
  struct Case {
    Bytes request;  // after the node id
  };
  const Case cases[] = {
      {{1}}, {{3}}, {{12}}, {{17}}, {{18}}, {{27}}, {{34}}, {{200}},
      {Cat({{9}, Le32(1)})},                  // not a slot boundary
      {Cat({{9}, Le32(0x40000 + 0x100)})},
      {Cat({{9}, Le32(64 * 0x40000)})},       // past the 16 MiB store
      {Cat({{9}, Le32(0xFFFFFFFE)})},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Exchange(Req(4, Cat({{kLocal}, c.request}))), Bytes{0x09}) << ::testing::PrintToString(c.request);
    EXPECT_EQ(CmdRun, 255);
    EXPECT_EQ(Cmd_Downloading, 0);
  }
  EXPECT_EQ(plat::TraceCountOf("PGM_Destroy"), 0u);
}

TEST_F(Dnld, NoFrameWritesPastItsTable) {
  ts::SteppingClock stepping(kStepNs);
  struct Case {
    uint8_t type;
    uint32_t argument;
    uint32_t capacity;
    uint8_t* after;  // the first byte behind the table, where it is ours to check
  };
  const Case cases[] = {
      {2, 0, 256, plc_reg + reg::kOffI},
      {4, 0, 80, plc_reg + reg::kOffSecurity + 80},
      {19, 0, 116, nullptr},
      {6, 0, 4088, nullptr},
      {9, 0xFFFFFFFF, 520, nullptr},
      {9, 63 * 0x40000, 0x40000, nullptr},  // the last slot: the end of the store
      {5, 0, 0x7F000, nullptr},             // what the start-up check accepts
      {0, 0, 0x200000, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(int(c.type));
    for (uint32_t size : {c.capacity, c.capacity + 1}) {
      SrSet(5, 0);
      Cmd_Downloading = 0;
      if (c.after) *c.after = 0xAB;
      const Bytes table = Pattern(size, uint8_t(size));
      const Bytes answers = Download(c.type, table, c.argument, {}, 1024);
      const std::size_t frames = (size + 1023) / 1024;
      if (size == c.capacity) {
        EXPECT_EQ(answers, Acks(2 + frames)) << "a table that fills its room";
      } else {
        EXPECT_EQ(answers, Cat({Acks(frames), {0x09}})) << "the frame that passes the end is refused";
        EXPECT_EQ(CmdRun, 255);
        EXPECT_EQ(Cmd_Downloading, 0) << "an interrupted download";
      }
      if (c.after) {
        EXPECT_EQ(*c.after, 0xAB);
      }
      if (c.type != 9) {
        EXPECT_LE(FileSize(file_info[c.type]), c.capacity);
      }
    }
  }
}

TEST_F(Dnld, BitmapSlotsAndTheMapWithItsMask) {
  ts::ProgramImage::Sample().Install();  // slots 0, 1 and 63 hold data
  const Bytes s1 = Pattern(300, 1), s2 = Pattern(70, 2);
  EXPECT_EQ(Download(9, s1, 1 * 0x40000), Acks(2 + 5));
  EXPECT_EQ(Download(9, s2, 2 * 0x40000), Acks(2 + 2));
  EXPECT_EQ(Bytes(BmpSlot(1), BmpSlot(1) + 300), s1);
  EXPECT_EQ(MapEntryCrc(ram_map_tbl, 1), ts::Crc16(s1));
  EXPECT_EQ(MapEntrySize(ram_map_tbl, 2), 70u);
  // The map names slots 1 and 2 (bits 1 and 2 of the first mask word): 0 and 63 are
  // emptied.
  const Bytes map(520, 0xEE);
  EXPECT_EQ(Download(9, map, 0xFFFFFFFF, Le32(0x6)), Acks(2 + 9));
  for (int slot : {0, 63}) {
    EXPECT_EQ(Bytes(BmpSlot(slot), BmpSlot(slot) + 8), Bytes(8, 0)) << slot;
    EXPECT_EQ(MapEntrySize(ram_map_tbl, slot), 8u);
    EXPECT_EQ(MapEntryCrc(ram_map_tbl, slot), ts::Crc16(Bytes(8, 0)));
  }
  EXPECT_EQ(MapEntrySize(ram_map_tbl, 1), 300u) << "kept";
  // The total of the named slots is the bitmap table's size, mirrored in SR117-118.
  EXPECT_EQ(Dword(ram_map_tbl + 516), 370u);
  EXPECT_EQ(SrGet32(117), 370u);
  // The map's own CRC word is the CRC of its 64 entries, also in SR127.
  const uint16_t entries_crc = ts::Crc16(Bytes(ram_map_tbl, ram_map_tbl + 512));
  EXPECT_EQ(Dword(ram_map_tbl + 512), entries_crc);
  EXPECT_EQ(SrGet(127), entries_crc);
  // The working map replaced the 520 bytes received.
  EXPECT_EQ(Bytes(rom_map_tbl, rom_map_tbl + 520), Bytes(ram_map_tbl, ram_map_tbl + 520));
  // And the start-up check agrees with all of it.
  SrSet(4, 0);
  nvram_init(0, 0, 0);
  EXPECT_EQ(SrGet(4) & 0x4000, 0) << "the screen tables were not re-initialised";
  EXPECT_EQ(MapEntrySize(ram_map_tbl, 2), 70u);
}

TEST_F(Dnld, OnlineProgrammingLandsInTheOnlineCopyWithoutTheScreen) {
  ts::ClearTableStore();
  OLPMode = 1;
  SrSet(5, 2);
  const Bytes table = Pattern(40, 9);
  EXPECT_EQ(Download(0, table), Acks(3));
  EXPECT_EQ(Bytes(ladder_olp + 8, ladder_olp + 48), table);
  EXPECT_EQ(BlockSize(ladder_olp), 40u);
  EXPECT_EQ(BlockSize(ladder_bl), 0u) << "the running program is untouched";
  EXPECT_EQ(plat::TraceCountOf("PGM_Destroy"), 0u);
  EXPECT_EQ(Cmd_Downloading, 0);
}

TEST_F(Dnld, UnderTheCommunicationLockTheProgramIsSavedOnceAtTheRelease) {
  ts::ClearTableStore();
  EXPECT_EQ(Exchange(Req(25, {kLocal, 1})), Bytes{0xA0});
  EXPECT_EQ(Download(5, Pattern(12, 5)), Acks(3));
  EXPECT_EQ(Download(7, Pattern(100, 7)), Acks(4));
  EXPECT_EQ(Cmd_Downloading, 1) << "the download screen stays up between tables";
  EXPECT_EQ(plat::TraceCountOf("AutoSaveRegisters"), 0u);
  EXPECT_EQ(plat::TraceCountOf("NetConfig"), 0u);
  EXPECT_EQ(Exchange(Req(25, {kLocal, 0})), Bytes{0xA0});
  EXPECT_EQ(Cmd_Downloading, 0);
  EXPECT_EQ(plat::TraceCountOf("AutoSaveRegisters"), 1u);
  // The I/O configuration changed: network and I/O are configured again.
  EXPECT_EQ(plat::TraceCountOf("NetConfig"), 1u);
  EXPECT_TRUE(root_.Exists("/mnt/cfg/config.pgm"));
}

TEST_F(Dnld, NonDataFramesAreIgnoredWithoutAnAnswer) {
  ts::ClearTableStore();
  EXPECT_EQ(Exchange(Req(4, {kLocal, 24})), Bytes{0xA0});
  EXPECT_TRUE(Exchange(Req(1, {kLocal})).empty());
  EXPECT_EQ(CmdRun, 4);
  EXPECT_EQ(Exchange(Req(0xFF, {1, 2})), Bytes{0xA0});
  EXPECT_EQ(Exchange(Req(0xFF, {})), Bytes{0xA0});
  EXPECT_EQ(BlockSize(report_table), 2u);
}

// A download that stops: the link timer ends it, the unit says so, and the tables come
// back as the start-up check leaves them.
TEST_F(Dnld, AnInterruptedDownloadIsAborted) {
  struct Case {
    uint8_t type;
    uint16_t mode;
    bool logic_reset;
    bool screens_reset;
  };
  // In Run the logic tables are left as the download left them.
  for (const Case& c : {Case{0, 0, true, false}, Case{7, 0, false, true}, Case{0, 2, false, false}}) {
    SCOPED_TRACE(int(c.type) * 10 + c.mode);
    ts::ProgramImage::Sample().Install();
    SrSet(4, 0);
    SrSet(5, c.mode);
    const uint32_t logic_size = BlockSize(ladder_bl);
    const uint32_t screens_size = BlockSize(vtn_pgm_bl);
    AdvanceMs(10'000);
    Cmd_Check();
    plat::TraceClear();
    EXPECT_EQ(Exchange(Req(4, {kLocal, c.type})), Bytes{0xA0});
    EXPECT_EQ(Exchange(Req(0xFF, Pattern(64, 3))), Bytes{0xA0});
    EXPECT_EQ(Cmd_Downloading, 1);
    {
      ts::SteppingClock stepping(kStepNs);
      for (int i = 0; i < 100000 && Cmd_Downloading; ++i) Cmd_Check();
    }
    EXPECT_EQ(Cmd_Downloading, 0);
    EXPECT_EQ(CmdRun, 255);
    EXPECT_EQ(Vcomm_Lock, 0);
    EXPECT_GE(plat::TraceCountOf("IoStop"), 1u);
    EXPECT_EQ(PGM_state, 6) << "DOWNLOAD ABORTED shown";
    EXPECT_EQ(plat::TraceCountOf("PGM_Create"), 1u) << "the screens restart";
    if (c.logic_reset) {
      EXPECT_EQ(BlockSize(ladder_bl), 0u);
    } else if (c.mode != 2) {
      EXPECT_EQ(BlockSize(ladder_bl), logic_size);
    }
    EXPECT_EQ(SrGet(5), c.mode == 2 ? 2 : 0);
    EXPECT_EQ(bool(SrGet(4) & 0x04), c.logic_reset);
    EXPECT_EQ(bool(SrGet(4) & 0x4000), c.screens_reset);
    if (!c.screens_reset) {
      EXPECT_EQ(BlockSize(vtn_pgm_bl), screens_size);
    }
    PGM_state = 5;
  }
}

}  // namespace
