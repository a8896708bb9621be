// ladder.pgm and config.pgm: what a save writes, what a load restores, and how a load
// treats a truncated or corrupt file.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "ground/bootstatus.h"
#include "controller/progstore.h"
#include "progstore_fixture.h"
#include "testsupport/file_size_limit.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Pattern(std::size_t n, uint8_t seed) {
  Bytes v(n);
  for (std::size_t i = 0; i < n; ++i) v[i] = uint8_t(seed ^ (i * 31 + (i >> 8)));
  return v;
}

// Every table filled, every one of the 64 bitmap slots in use (one of them whole).
ts::ProgramImage FullImage() {
  ts::ProgramImage img = ts::ProgramImage::Sample();
  for (std::size_t i = 0; i < img.bitmap_slots.size(); ++i) img.bitmap_slots[i] = Pattern(1 + i * 37, uint8_t(i));
  img.bitmap_slots[7] = Pattern(kBmpSlotCap, 0x77);
  img.SetBitmapTotals();
  img.network = ts::Table::Of(Pattern(kNetConfigCap - kTableHeader, 0x66));
  return img;
}

// Everything that config.pgm and ladder.pgm carry, as it stands in memory.
Bytes StoreSnapshot() {
  Bytes out;
  auto add = [&](const uint8_t* p, std::size_t n) { out.insert(out.end(), p, p + n); };
  for (const uint8_t* b : {ladder_bl, io_config_bl, vtn_pgm_bl, string_table_bl, text_table_bl, font_table_bl,
                           promgr_table_bl, sms_table_bl, datalog_table, flash_parm_tbl, copendnet_tbl,
                           report_table, recipe_tbl, login_tbl, mqtt_tbl, net_config_bl})
    add(b, kTableHeader + std::min<std::size_t>(BlockSize(b), 1 << 20));
  add(rom_map_tbl, kBmpMapCap);
  for (std::size_t s = 0; s < kBmpSlots; ++s) add(BmpSlot(s), MapEntrySize(rom_map_tbl, s));
  add(plc_reg + reg::kOffSecurity, reg::kSecurityMax);
  for (uint32_t sr : {21u, 22u, 28u}) {
    uint16_t v = SrGet(sr);
    add(reinterpret_cast<const uint8_t*>(&v), 2);
  }
  return out;
}

class ProgramFiles : public ProgStoreTest {};

TEST_F(ProgramFiles, SaveThenLoadRestoresEveryTableByteForByte) {
  ts::ProgramImage img = FullImage();
  img.Install();
  const Bytes before = StoreSnapshot();

  ASSERT_EQ(SaveProgram(), 1);
  // The files are exactly what the builder makes from the same tables.
  EXPECT_TRUE(root_.Read("/mnt/cfg/ladder.pgm") == img.LadderPgm());
  EXPECT_TRUE(root_.Read("/mnt/cfg/config.pgm") == img.ConfigPgm());
  EXPECT_FALSE(root_.Exists("/mnt/cfg/config.pgm.new"));
  EXPECT_EQ(std::filesystem::status(root_.Host("/mnt/cfg/config.pgm")).permissions() &
                std::filesystem::perms::all,
            std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);

  ts::ClearTableStore();
  std::memset(plc_reg, 0, sizeof plc_reg);
  ASSERT_NE(StoreSnapshot(), before);
  ASSERT_EQ(LoadProgram(), 1);
  EXPECT_TRUE(StoreSnapshot() == before);
  EXPECT_EQ(BootStatusGet(), 0u);
}

TEST_F(ProgramFiles, SaveSyncsWithTheWatchdogStoppedThenSavesTheRegisters) {
  ts::ProgramImage::Sample().Install();
  ASSERT_EQ(SaveProgram(), 1);
  std::vector<std::string> seen;
  for (const std::string& n : plat::TraceNames())
    if (n == "StopWatchdog" || n == "StartWatchdog" || n == "AutoSaveRegisters") seen.push_back(n);
  EXPECT_EQ(seen, (std::vector<std::string>{"StopWatchdog", "StartWatchdog", "AutoSaveRegisters"}));
}

TEST_F(ProgramFiles, AFileWithoutTheNetworkItemLoadsTheDefaultNetworkConfiguration) {
  ts::ProgramImage img = ts::ProgramImage::Sample();
  img.network_item = false;
  img.WriteFiles(root_);
  ASSERT_EQ(LoadProgram(), 1);
  ASSERT_EQ(BlockSize(net_config_bl), 34u);
  Bytes net(net_config_bl + kTableHeader, net_config_bl + kTableHeader + 34);
  Bytes want(34, 0);
  want[6] = 0x40;
  EXPECT_EQ(net, want);
  EXPECT_EQ(BlockCrc(net_config_bl), ts::Crc16(want));
  EXPECT_EQ(BlockSize(mqtt_tbl), img.mqtt.size);  // the items before it are all there
}

TEST_F(ProgramFiles, MissingFilesLoadNothingAndSucceed) {
  EXPECT_EQ(LoadProgram(), 1);
  EXPECT_EQ(BlockSize(ladder_bl), 0u);
  EXPECT_EQ(plat::TraceCountOf("IoConfig"), 0u);  // no program was started

  root_.Write("/mnt/cfg/ladder.pgm", ts::ProgramImage::Sample().LadderPgm());
  EXPECT_EQ(LoadProgram(), 1);  // config.pgm still missing
  EXPECT_EQ(BootStatusGet(), 0u);
}

// A truncated or corrupt config.pgm: the load fails with boot status 0x100.
struct Corruption {
  std::string name;
  Bytes file;
};

std::vector<Corruption> CorruptConfigFiles() {
  std::vector<Corruption> out;
  const ts::ProgramImage img = ts::ProgramImage::Sample();
  const Bytes good = img.ConfigPgm();
  for (const ts::ItemRange& it : img.ConfigItems()) {
    // Cut inside the item's head, and one byte before its end.
    out.push_back({it.name + " head cut", Bytes(good.begin(), good.begin() + it.begin + 3)});
    out.push_back({it.name + " data cut", Bytes(good.begin(), good.begin() + it.end - 1)});
  }
  out.push_back({"empty file", {}});

  ts::ProgramImage big = img;
  big.SetSecurity(Pattern(81, 1));
  out.push_back({"security larger than 80", big.ConfigPgm()});

  ts::ProgramImage net = img;
  net.network = ts::Table::Of(Pattern(kNetConfigCap, 2));  // 8 more than the block holds
  out.push_back({"network item larger than its block", net.ConfigPgm()});

  ts::ProgramImage claim = img;
  claim.io_config.WithSize(100000);
  out.push_back({"size beyond the file", claim.ConfigPgm()});

  Bytes slot = good;
  const std::size_t map = img.ConfigItems()[3].begin;
  uint32_t huge = kBmpSlotCap + 1;
  std::memcpy(slot.data() + map + 8 * 2 + 4, &huge, 4);  // slot 2's size
  out.push_back({"bitmap slot larger than 256 KiB", slot});
  return out;
}

TEST_F(ProgramFiles, EveryLengthCheckOfTheConfigFile) {
  const ts::ProgramImage img = ts::ProgramImage::Sample();
  for (const Corruption& c : CorruptConfigFiles()) {
    SCOPED_TRACE(c.name);
    ts::ClearTableStore();
    plat::ResetPersistentRegs();
    root_.Write("/mnt/cfg/ladder.pgm", img.LadderPgm());
    root_.Write("/mnt/cfg/config.pgm", c.file);
    EXPECT_EQ(LoadProgram(), 0);
    EXPECT_EQ(BootStatusGet(), boot::kConfigLoadFailed);
    // Nothing is ever stored past a block.
    EXPECT_LE(BlockSize(net_config_bl), kNetConfigCap - kTableHeader);
    EXPECT_LE(SrGet32(21), reg::kSecurityMax);
  }
}

TEST_F(ProgramFiles, AFailedItemEndsTheLoadAndTheTablesKeepWhatWasRead) {
  ts::ProgramImage img = ts::ProgramImage::Sample();
  Bytes cfg = img.ConfigPgm();
  cfg.resize(img.ConfigItems()[3].begin + 100);  // inside the bitmap item
  root_.Write("/mnt/cfg/ladder.pgm", img.LadderPgm());
  root_.Write("/mnt/cfg/config.pgm", cfg);
  EXPECT_EQ(LoadProgram(), 0);
  EXPECT_EQ(BlockSize(io_config_bl), img.io_config.size);
  EXPECT_EQ(BlockSize(vtn_pgm_bl), img.screens.size);
  EXPECT_EQ(BlockSize(string_table_bl), 0u);  // behind the failure: not read
}

struct LadderCase {
  const char* name;
  Bytes file;
  int result;
  bool loaded;
};

// Every case through the file and through the same bytes in memory. A rejected file
// leaves the program that runs, header and data, as it was.
TEST_F(ProgramFiles, LadderFileLoadsOnlyWhenWholeAndRight) {
  const ts::Table good = ts::Table::Of(Pattern(100, 9));
  const ts::Table running = ts::Table::Of(Pattern(300, 0x5A));
  ts::Table bad = good;
  bad.BadCrc();
  Bytes short_data = good.Block();
  short_data.resize(8 + 50);
  // Whole and with its right CRC: only the size refuses it.
  const Bytes huge = ts::Table::Of(Pattern(kLogicCheckedMax + 1, 3)).Block();
  const LadderCase cases[] = {
      {"right", good.Block(), 1, true},
      {"size 0: no program", ts::Table().Block(), 1, false},  // as saved after the tables were emptied
      {"wrong CRC", bad.Block(), 0, false},
      {"short data", short_data, 0, false},
      {"short header", Bytes{1, 2, 3, 4, 5}, 0, false},
      {"larger than 2 MiB", huge, 0, false},
  };
  for (bool from_memory : {false, true}) {
    for (const LadderCase& c : cases) {
      SCOPED_TRACE(std::string(c.name) + (from_memory ? " (memory)" : " (file)"));
      ts::ClearTableStore();
      const Bytes running_block = running.Block();
      std::memcpy(ladder_bl, running_block.data(), running_block.size());
      plat::ResetPersistentRegs();
      plat::TraceClear();
      int result;
      if (from_memory) {
        result = LoadLadderImage(c.file.data(), c.file.size());
      } else {
        root_.Write("/mnt/cfg/ladder.pgm", c.file);
        result = LoadLadder();
      }
      EXPECT_EQ(result, c.result);
      EXPECT_EQ(BootStatusGet(), c.result ? 0u : boot::kLadderLoadFailed);
      if (c.loaded) {
        EXPECT_EQ(BlockBytes(ladder_bl), good.Block());
        EXPECT_EQ(plat::TraceCountOf("IoConfig"), 1u);  // started as a ladder program
      } else {
        EXPECT_EQ(BlockBytes(ladder_bl), running.Block());
        EXPECT_EQ(std::memcmp(ladder + 300, Bytes(100, 0).data(), 100), 0);  // nothing past it either
        EXPECT_EQ(plat::TraceCountOf("IoConfig"), 0u);
      }
    }
  }
}

TEST_F(ProgramFiles, AFailedLadderLoadLeavesConfigUnread) {
  ts::ProgramImage img = ts::ProgramImage::Sample();
  img.logic.BadCrc();
  img.WriteFiles(root_);
  EXPECT_EQ(LoadProgram(), 0);
  EXPECT_EQ(BootStatusGet(), boot::kLadderLoadFailed);
  EXPECT_EQ(BlockSize(io_config_bl), 0u);
}

TEST_F(ProgramFiles, AFailedSaveKeepsThePreviousFiles) {
  ts::ProgramImage old_img = ts::ProgramImage::Sample();
  old_img.WriteFiles(root_);
  ts::ProgramImage img = FullImage();
  img.Install();

  {  // config.pgm cannot be written whole (a full file system)
    ts::FileSizeLimit full(4096);
    EXPECT_EQ(SaveProgram(), 0);
  }
  EXPECT_EQ(BootStatusGet(), boot::kConfigWriteFailed);
  EXPECT_EQ(root_.Read("/mnt/cfg/config.pgm"), old_img.ConfigPgm());
  EXPECT_FALSE(root_.Exists("/mnt/cfg/config.pgm.new"));
  EXPECT_EQ(root_.Read("/mnt/cfg/ladder.pgm"), img.LadderPgm());  // that one fitted
  EXPECT_EQ(plat::TraceCountOf("AutoSaveRegisters"), 0u);

  // ladder.pgm cannot be created: nothing else is written.
  plat::ResetPersistentRegs();
  old_img.WriteFiles(root_);
  std::filesystem::create_directories(root_.Host("/mnt/cfg/ladder.pgm.new/x"));
  EXPECT_EQ(SaveProgram(), 0);
  EXPECT_EQ(BootStatusGet(), boot::kLadderWriteFailed);
  EXPECT_EQ(root_.Read("/mnt/cfg/ladder.pgm"), old_img.LadderPgm());
  EXPECT_EQ(root_.Read("/mnt/cfg/config.pgm"), old_img.ConfigPgm());
}

TEST_F(ProgramFiles, SavingTheLogicRestartsTheIecSide) {
  ts::ProgramImage::Sample().Install();
  OrvanelRuntime = 1;  // an IEC application was running
  ASSERT_EQ(SaveLadder(), 1);
  auto names = plat::TraceNames();
  auto pos = [&](const char* n) { return std::find(names.begin(), names.end(), n) - names.begin(); };
  EXPECT_LT(pos("OrvanelStop"), pos("DeleteOrvanelProgram"));
  EXPECT_LT(pos("DeleteOrvanelProgram"), pos("IoConfig"));  // then started as the new program says
  EXPECT_EQ(OrvanelRuntime, 0);

  plat::TraceClear();
  ASSERT_EQ(N4SaveLadderPgm(), 1);  // the write alone
  EXPECT_TRUE(plat::TraceNames().empty());
  EXPECT_EQ(root_.Read("/mnt/cfg/ladder.pgm"), ts::ProgramImage::Sample().LadderPgm());
}

TEST_F(ProgramFiles, DeleteRemovesBothFilesAndCountsMissingOnesAsGone) {
  ts::ProgramImage::Sample().WriteFiles(root_);
  EXPECT_EQ(DeleteProgram(), 1);
  EXPECT_FALSE(root_.Exists("/mnt/cfg/ladder.pgm"));
  EXPECT_FALSE(root_.Exists("/mnt/cfg/config.pgm"));
  EXPECT_EQ(DeleteProgram(), 1);
  std::filesystem::create_directories(root_.Host("/mnt/cfg/config.pgm/x"));  // cannot be removed
  EXPECT_EQ(DeleteProgram(), 0);
}

}  // namespace
