// The dynamic scan list of an opened page, handed to the loaded protocol drivers.
#include "fieldbus/dyn_scan.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "fieldbus/services.h"

namespace {

// Eight 12-byte records, little-endian words, starting one byte into the buffer so that
// the reads are unaligned as they are in a screen program.
struct List {
  std::array<uint8_t, 1 + 96> bytes{};
  List& Port(int port, uint32_t w0, uint32_t count, uint32_t w2) {
    uint8_t* rec = bytes.data() + 1 + 12 * port;
    for (int i = 0; i < 4; ++i) {
      rec[i] = uint8_t(w0 >> 8 * i);
      rec[4 + i] = uint8_t(count >> 8 * i);
      rec[8 + i] = uint8_t(w2 >> 8 * i);
    }
    return *this;
  }
  const uint8_t* data() const { return bytes.data() + 1; }
};

class DynScan : public ::testing::Test {
 protected:
  void SetUp() override {
    DynScanPowerOnReset();
    for (auto& rec : DynScanListInfo) rec = {1, 77, 2};  // the previous page's entries
  }
  void Load(std::vector<uint16_t> ports) {
    PromgrDriversLoaded = uint8_t(ports.size());
    for (std::size_t d = 0; d < ports.size(); ++d) PromgrDriverPort[d] = ports[d];
  }
  void TearDown() override { DynScanPowerOnReset(); }
};

TEST_F(DynScan, WithoutADriverNothingChangesNotEvenTheFlag) {
  List list;
  list.Port(0, 10, 3, 20);
  PMGR_LoadDynamicScanListInfo(list.data());
  EXPECT_EQ(DynScanListInfo[0].count, 77u);
  EXPECT_EQ(NewDynScanList, 0);
}

TEST_F(DynScan, EachLoadedDriversPortTakesItsRecordOrIsCleared) {
  Load({3, 0, 6});
  List list;
  list.Port(0, 0x11223344, 4, 0x55667788).Port(1, 9, 9, 9).Port(3, 5, 0, 6).Port(6, 100, 2, 200);
  PMGR_LoadDynamicScanListInfo(list.data());
  EXPECT_EQ(DynScanListInfo[0].word0, 0x11223344u);
  EXPECT_EQ(DynScanListInfo[0].count, 4u);
  EXPECT_EQ(DynScanListInfo[0].word2, 0x55667788u);
  EXPECT_EQ(DynScanListInfo[1].count, 77u) << "no driver runs on port 1";
  EXPECT_EQ(DynScanListInfo[3].count, 0u) << "a record of count 0 clears the port";
  EXPECT_EQ(DynScanListInfo[3].word0, 1u) << "only the count is cleared";
  EXPECT_EQ(DynScanListInfo[6].count, 2u);
  EXPECT_EQ(DynScanListInfo[6].word2, 200u);
  EXPECT_EQ(NewDynScanList, 1);
}

TEST_F(DynScan, APageWithoutAListDropsEveryLoadedDriversEntries) {
  Load({2, 7});
  PMGR_LoadDynamicScanListInfo(nullptr);
  EXPECT_EQ(DynScanListInfo[2].count, 0u);
  EXPECT_EQ(DynScanListInfo[7].count, 0u);
  EXPECT_EQ(DynScanListInfo[0].count, 77u);
  EXPECT_EQ(NewDynScanList, 1);
}

TEST_F(DynScan, ADriverOnAPortBeyondTheListIsNeverMatched) {
  // An Ethernet virtual port above 7 has no record in the list: nothing outside the eight
  // records is read or written.
  Load({12, 1});
  List list;
  list.Port(1, 1, 8, 1);
  PMGR_LoadDynamicScanListInfo(list.data());
  EXPECT_EQ(DynScanListInfo[1].count, 8u);
  EXPECT_EQ(NewDynScanList, 1);
}

}  // namespace
