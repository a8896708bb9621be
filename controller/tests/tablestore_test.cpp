// The table store's flash stand-in (erase, padded writes), the download-type table and
// the program features word.
#include <gtest/gtest.h>

#include <vector>

#include "ground/file_info.h"
#include "controller/progstore.h"
#include "progstore_fixture.h"

namespace {

TEST(BlockErase, TouchesOnlyTheFirstKiB) {
  for (uint32_t length : {0u, 1u, 1023u, 1024u, 1025u, 4u * 1024 * 1024}) {
    std::vector<uint8_t> block(4096, 0x5A);
    SYS_BlockErase(block.data(), length);
    uint32_t erased = length < 1024 ? length : 1024;
    for (uint32_t i = 0; i < block.size(); ++i) {
      ASSERT_EQ(block[i], i < erased ? 0xFF : 0x5A) << "length " << length << " byte " << i;
    }
  }
}

TEST(NvWrite, OddLengthIsPaddedWithOneFFAndTheSourceIsOnlyRead) {
  for (uint32_t length : {0u, 1u, 2u, 5u, 6u}) {
    std::vector<uint8_t> src = {1, 2, 3, 4, 5, 6, 7};
    const std::vector<uint8_t> src_before = src;
    std::vector<uint8_t> dst(10, 0x00);
    nv_write(dst.data(), src.data(), length);
    EXPECT_EQ(src, src_before);
    for (uint32_t i = 0; i < dst.size(); ++i) {
      uint8_t want = i < length ? src[i] : (i == length && (length & 1)) ? 0xFF : 0x00;
      EXPECT_EQ(dst[i], want) << "length " << length << " byte " << i;
    }
  }
}

// The rows as the download-type table gives them: mirrors and erase lengths.
struct Row {
  int type;
  int crc_mirror_sr;   // 0 none
  int size_mirror_sr;  // 0 none
  uint32_t erase_kib;  // 0 no erase
};
constexpr Row kRows[] = {
    {0, 23, 11, 256},  {2, 25, 15, 0},     {4, 28, 21, 0},    {5, 26, 17, 128}, {6, 27, 19, 0},
    {7, 125, 113, 256}, {8, 126, 115, 128}, {9, 127, 117, 256}, {10, 128, 119, 128}, {11, 129, 121, 256},
    {19, 0, 0, 0},     {20, 130, 123, 64}, {21, 147, 143, 64}, {22, 0, 0, 0},     {23, 0, 0, 64},
    {24, 0, 0, 64},    {25, 0, 0, 64},     {26, 0, 0, 64},     {29, 0, 0, 64},    {33, 0, 0, 64},
};

TEST(FileInfo, EveryTypeHasItsRowAndEveryOtherTypeNone) {
  std::vector<bool> listed(kFileTypes, false);
  listed[17] = true;  // the screen saver: its own words serve as slots and mirrors
  for (const Row& r : kRows) {
    listed[r.type] = true;
    const FileInfo& f = file_info[r.type];
    ASSERT_NE(f.data, nullptr) << r.type;
    EXPECT_GT(f.capacity, 0u);
    EXPECT_EQ(f.crc.width, r.type == 9 ? 4 : 2) << r.type;
    EXPECT_EQ(f.size.width, 4) << r.type;
    EXPECT_EQ(f.crc_mirror.at, r.crc_mirror_sr ? plc_reg + reg::SrOffset(r.crc_mirror_sr) : nullptr) << r.type;
    EXPECT_EQ(f.size_mirror.at, r.size_mirror_sr ? plc_reg + reg::SrOffset(r.size_mirror_sr) : nullptr) << r.type;
    EXPECT_EQ(f.flags & kEraseKiBMask, r.erase_kib) << r.type;
    EXPECT_EQ((f.flags & kEraseBeforeDownload) != 0, r.erase_kib != 0) << r.type;
  }
  for (std::size_t t = 0; t < kFileTypes; ++t) {
    if (!listed[t]) {
      EXPECT_EQ(file_info[t].data, nullptr) << t;
    }
  }
  EXPECT_EQ(file_info[17].data, Cmd_SS_Info);
  EXPECT_EQ(file_info[17].crc.at, &ss_info_crc);
}

TEST(FileInfo, BlockTypesKeepCrcAndSizeInTheBlockHeader) {
  const std::pair<int, uint8_t*> blocks[] = {
      {0, ladder_bl},        {5, io_config_bl},   {6, net_config_bl},  {7, vtn_pgm_bl},
      {8, string_table_bl},  {10, text_table_bl}, {11, font_table_bl}, {19, tinyImage},
      {20, promgr_table_bl}, {21, sms_table_bl},  {22, datalog_table}, {23, copendnet_tbl},
      {24, report_table},    {25, recipe_tbl},    {26, ladder_olp},    {29, login_tbl},
      {33, mqtt_tbl}};
  for (const auto& [t, block] : blocks) {
    const FileInfo& f = file_info[t];
    EXPECT_EQ(f.data, block + kTableHeader) << t;
    EXPECT_EQ(f.crc.at, block) << t;
    EXPECT_EQ(f.size.at, block + 4) << t;
  }
  // Slots and mirrors move together; the header keeps its unused word.
  ladder_bl[2] = ladder_bl[3] = 0xFF;
  SetFileCrcSize(file_info[0], 0xBEEF, 0x12345);
  EXPECT_EQ(BlockCrc(ladder_bl), 0xBEEF);
  EXPECT_EQ(BlockSize(ladder_bl), 0x12345u);
  EXPECT_EQ(ladder_bl[2], 0xFF);
  EXPECT_EQ(SrGet(23), 0xBEEF);
  EXPECT_EQ(SrGet32(11), 0x12345u);
  // The bitmap table's words are the working map's trailer.
  SetFileCrcSize(file_info[9], 0x1234, 77);
  EXPECT_EQ(MapEntryCrc(ram_map_tbl, 64), 0x1234u);
  EXPECT_EQ(MapEntrySize(ram_map_tbl, 64), 77u);
  EXPECT_EQ(SrGet32(117), 77u);
}

TEST_F(ProgStoreTest, FeaturesWordSitsNineBytesBeforeTheEnd) {
  const struct {
    std::vector<uint8_t> logic;
    uint32_t features;
  } cases[] = {
      {ts::LogicWithFeatures({1, 2, 3}, 0x000000BF), 0xBF},
      {ts::LogicWithFeatures({}, 0x80008001), 0x80008001},  // exactly 9 bytes
      {{0x09, 0x00}, 0},                                     // the default program: too short
      {{1, 2, 3, 4, 5, 6, 7, 8}, 0},
      {{0xBF, 0, 0, 0, 0, 0, 0, 0, 0xFE}, 0},  // last byte 0xFE: no optional tables
      {{0xBF, 0, 0, 0, 0, 0, 0, 0, 0xFF}, 0},
      {{}, 0},
  };
  for (const auto& c : cases) {
    ts::ProgramImage img;
    img.logic = ts::Table::Of(c.logic);
    img.Install();
    EXPECT_EQ(nv_get_features(), c.features) << c.logic.size();
    EXPECT_EQ(NV_EditorFeatures, c.features);
  }
  // A size word past the block is not believed.
  SetBlockSize(ladder_bl, uint32_t(kLadderCap));
  EXPECT_EQ(nv_get_features(), 0u);
}

}  // namespace
