// Upload (command 5) and verify (command 3) of program tables.
#include <gtest/gtest.h>

#include <cstring>

#include "cmd_fixture.h"
#include "ground/tablestore.h"
#include "platform/trace.h"

namespace {

using kt::Bytes;
using kt::Cat;
using kt::g_channel;
using kt::Le32;

class Upload : public kt::CmdServerTest {
 protected:
  void SetUp() override {
    kt::CmdServerTest::SetUp();
    ts::ClearTableStore();
    image_ = ts::ProgramImage::Sample();
    image_.Install();
  }
  // The request's answer, then the data frames the tool collects, answering each with
  // 0xA0; the bytes of every frame in order.
  Bytes Collect(const Bytes& request_data) {
    EXPECT_EQ(Exchange(Req(5, Cat({{kLocal}, request_data}))), Bytes{0xA0});
    if (CmdRun != 5) return {};
    AdvanceMs(250);
    Bytes all;
    for (int frames = 0; frames < 10000; ++frames) {
      const Bytes data = DataOf(Run());
      all.insert(all.end(), data.begin(), data.end());
      g_channel[kHostUsb].Send({0xA0});
      Cmd_Check();
      if (data.empty()) break;
    }
    EXPECT_EQ(CmdRun, 255);
    return all;
  }
  ts::ProgramImage image_;
};

TEST_F(Upload, SendsTheTableAfterAPauseInFramesOfTheAgreedSize) {
  image_.logic = ts::Table::Of(Bytes(150, 0x3C));
  image_.Install();
  EXPECT_EQ(Exchange(Req(5, {kLocal, 0})), Bytes{0xA0});
  AdvanceMs(249);
  EXPECT_TRUE(Run().empty()) << "nothing before 250 ms";
  AdvanceMs(1);
  Bytes first = Run();
  ASSERT_EQ(DataOf(first).size(), 64u);
  // 0x0F: the same frame again; 0xA0: the next one.
  g_channel[kHostUsb].Send({0x0F});
  EXPECT_EQ(Run(), first);
  g_channel[kHostUsb].Send({0xA0});
  EXPECT_EQ(DataOf(Run()).size(), 64u);
  g_channel[kHostUsb].Send({0xA0});
  EXPECT_EQ(DataOf(Run()), Bytes(22, 0x3C));
  g_channel[kHostUsb].Send({0xA0});
  EXPECT_EQ(DataOf(Run()), Bytes{}) << "the empty frame ends the table";
  g_channel[kHostUsb].Send({0xA0});
  Cmd_Check();
  EXPECT_EQ(CmdRun, 255);
}

TEST_F(Upload, EveryTableComesBackAsStored) {
  struct Case {
    uint8_t type;
    Bytes expected;
  };
  const Case cases[] = {
      {0, image_.logic.data},    {5, image_.io_config.data}, {7, image_.screens.data},
      {4, image_.security},      {8, image_.strings.data},   {33, image_.mqtt.data},
  };
  for (const Case& c : cases) EXPECT_EQ(Collect({c.type}), c.expected) << int(c.type);
  // Without a type byte: the logic program.
  EXPECT_EQ(Collect({}), image_.logic.data);
}

TEST_F(Upload, TheHeaderFlagSendsTheEightByteHeader) {
  const Bytes header = Collect({7, 1});
  EXPECT_EQ(header, Cat({kt::Le16(image_.screens.crc), kt::Le16(0xFFFF), Le32(uint32_t(image_.screens.data.size()))}));
  EXPECT_EQ(Collect({7, 0}), image_.screens.data);
}

TEST_F(Upload, Bitmaps) {
  // The slot map: the 64 entries, 512 bytes.
  const Bytes map = Collect(Cat({{9}, Le32(0xFFFFFFFF)}));
  EXPECT_EQ(map, Bytes(rom_map_tbl, rom_map_tbl + 512));
  // A slot: the count of the request, never more than the slot holds. The offset's bytes
  // are not the header flag (slot 1's offset has 0x04 in byte 2).
  EXPECT_EQ(Collect(Cat({{9}, Le32(1 * 0x40000), Le32(10)})), Bytes(image_.bitmap_slots[1].begin(),
                                                                     image_.bitmap_slots[1].begin() + 10));
  EXPECT_EQ(Collect(Cat({{9}, Le32(1 * 0x40000), Le32(0xFFFFFFFF)})), image_.bitmap_slots[1]);
  EXPECT_EQ(Collect(Cat({{9}, Le32(63 * 0x40000), Le32(0x40001)})), image_.bitmap_slots[63]);
}

TEST_F(Upload, Refusals) {
  for (const Bytes& request : {Bytes{1}, Bytes{3}, Bytes{34}, Cat({{9}, Le32(64 * 0x40000)}), Cat({{9}, Le32(5)})}) {
    EXPECT_EQ(Exchange(Req(5, Cat({{kLocal}, request}))), Bytes{0x09}) << ::testing::PrintToString(request);
    EXPECT_EQ(CmdRun, 255);
  }
}

TEST_F(Upload, AnyOtherAnswerEndsItAndDropsTheInput) {
  for (uint8_t answer : {uint8_t(0x09), uint8_t(0x55)}) {
    EXPECT_EQ(Exchange(Req(5, {kLocal, 0})), Bytes{0xA0});
    AdvanceMs(250);
    DataOf(Run());
    const int flushes = g_channel[kHostUsb].flushes;
    g_channel[kHostUsb].Send({answer, 0x77});
    Cmd_Check();
    EXPECT_EQ(CmdRun, 255) << int(answer);
    EXPECT_EQ(g_channel[kHostUsb].flushes - flushes, answer == 0x09 ? 0 : 1);
    g_channel[kHostUsb] = {};
  }
}

using Verify = Upload;

TEST_F(Verify, MatchingFramesAreAcknowledgedAndTheFirstDifferenceRefused) {
  const Bytes table = image_.logic.data;
  ASSERT_GT(table.size(), 20u);
  auto Start = [&](uint8_t type) { return Exchange(Req(3, {kLocal, type})); };
  auto Frame = [&](std::size_t from, std::size_t n) {
    return Exchange(Req(0xFF, Bytes(table.begin() + std::ptrdiff_t(from), table.begin() + std::ptrdiff_t(from + n))));
  };
  // Whole and right.
  EXPECT_EQ(Start(0), Bytes{0xA0});
  EXPECT_EQ(Frame(0, 10), Bytes{0xA0});
  EXPECT_EQ(Frame(10, table.size() - 10), Bytes{0xA0});
  EXPECT_EQ(Exchange(Req(0xFF, {})), Bytes{0xA0});
  EXPECT_EQ(CmdRun, 255);
  // A difference in the first byte of a frame.
  EXPECT_EQ(Start(0), Bytes{0xA0});
  EXPECT_EQ(Frame(0, 10), Bytes{0xA0});
  Bytes wrong(table.begin() + 10, table.end());
  wrong[0] ^= 0xFF;
  EXPECT_EQ(Exchange(Req(0xFF, wrong)), Bytes{0x09});
  EXPECT_EQ(CmdRun, 255);
  // A frame that reaches past the stored table.
  EXPECT_EQ(Start(0), Bytes{0xA0});
  Bytes longer = table;
  longer.push_back(0);
  EXPECT_EQ(Exchange(Req(0xFF, longer)), Bytes{0x09});
}

TEST_F(Verify, BitmapSlotAndRefusals) {
  const Bytes& slot = image_.bitmap_slots[1];
  EXPECT_EQ(Exchange(Req(3, Cat({{kLocal, 9}, Le32(0x40000)}))), Bytes{0xA0});
  EXPECT_EQ(Exchange(Req(0xFF, slot, true)), Bytes{0xA0});
  EXPECT_EQ(Exchange(Req(0xFF, {})), Bytes{0xA0});
  for (const Bytes& request : {Bytes{3}, Bytes{17}, Bytes{34}, Cat({{9}, Le32(64 * 0x40000)})})
    EXPECT_EQ(Exchange(Req(3, Cat({{kLocal}, request}))), Bytes{0x09}) << ::testing::PrintToString(request);
}

TEST_F(Verify, LeavesTheDownloadScreen) {
  Cmd_Downloading = 1;
  EXPECT_EQ(Exchange(Req(3, {kLocal, 0})), Bytes{0xA0});
  EXPECT_EQ(Cmd_Downloading, 0);
  EXPECT_EQ(plat::TraceCountOf("AutoSaveRegisters"), 1u) << "the program is saved";
}

}  // namespace
