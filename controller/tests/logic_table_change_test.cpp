// Every way the logic table is written makes the next scan run the new program, also
// when the new program has the size and the CRC of the old one (so that nothing but the
// write path's own notice can tell the ladder engine that its decoded form is stale).
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "cmd_fixture.h"
#include "controller/progstore.h"
#include "logic/engine.h"
#include "runctl_fixture.h"
#include "table_defaults.h"

namespace {

using Bytes = std::vector<uint8_t>;

constexpr uint16_t kI1 = 8192, kQ1 = 10240, kQ2 = 10241;

Bytes Code(uint16_t coil, uint16_t filler) {
  const uint16_t words[] = {kI1, 38, coil, 9, filler};
  Bytes b;
  for (uint16_t w : words) {
    b.push_back(uint8_t(w));
    b.push_back(uint8_t(w >> 8));
  }
  return ts::LogicWithFeatures(b, 0x8000);  // 16-bit operand form
}

// "LD I1; OUT Q1; END" and "LD I1; OUT Q2; END", of one size and one CRC.
Bytes First() { return Code(kQ1, 0); }
Bytes Second() {
  const uint16_t crc = ts::Crc16(First());
  for (uint32_t f = 0; f <= 0xFFFF; ++f) {
    Bytes b = Code(kQ2, uint16_t(f));
    if (ts::Crc16(b) == crc) return b;
  }
  ADD_FAILURE() << "no filler gives the CRC";
  return {};
}

void Put(const Bytes& data) {
  std::memcpy(ladder, data.data(), data.size());
  SetBlockSize(ladder_bl, uint32_t(data.size()));
  SetBlockCrc(ladder_bl, ts::Crc16(data));
  LogicTableChanged();
  nv_get_features();
}

bool Bit(uint16_t token) { return plc_reg[(token - 1024) / 8] & (1u << (token % 8)); }

// A scan with I1 on and both coils off before it; which coil it turned on.
uint16_t ScanCoil() {
  plc_reg[(kI1 - 1024) / 8] |= 1;
  plc_reg[(kQ1 - 1024) / 8] &= uint8_t(~3u);
  EXPECT_EQ(LogicUpdate(ladder), -1);
  return Bit(kQ1) ? kQ1 : Bit(kQ2) ? kQ2 : 0;
}

// The first program installed and decoded by a first scan.
void StartFirst() {
  Put(First());
  SBitSet(1, true);
  ASSERT_EQ(ScanCoil(), kQ1);
}

class LogicTableWrites : public rc_test::RunCtlTest {};

TEST_F(LogicTableWrites, TheSecondProgramHasTheFirstOnesSizeAndCrc) {
  EXPECT_EQ(First().size(), Second().size());
  EXPECT_EQ(ts::Crc16(First()), ts::Crc16(Second()));
  EXPECT_NE(First(), Second());
}

TEST_F(LogicTableWrites, DefaultTables) {
  StartFirst();
  tables::ResetLogicTables(true);
  EXPECT_EQ(ScanCoil(), 0);  // the default program is END alone
}

TEST_F(LogicTableWrites, LoadFromTheProgramFile) {
  StartFirst();
  root_.Write("/mnt/cfg/ladder.pgm", ts::Table::Of(Second()).Block());
  ASSERT_EQ(LoadLadder(), 1);
  EXPECT_EQ(ScanCoil(), kQ2);
}

TEST_F(LogicTableWrites, OnlineSwap) {
  StartFirst();
  const Bytes second = Second();
  std::memcpy(ladder_olp + kTableHeader, second.data(), second.size());
  SetBlockSize(ladder_olp, uint32_t(second.size()));
  SetBlockCrc(ladder_olp, ts::Crc16(second));
  SrSet(5, 2);
  SrSet(193, 0x000B);
  OLPMode = 1;
  PlcScan();
  OLPMode = 0;
  ASSERT_EQ(SrGet(193), 0x0017);
  EXPECT_EQ(ScanCoil(), kQ2);
}

class LogicTableDownload : public kt::CmdServerTest {};

TEST_F(LogicTableDownload, DownloadOfTheLogicTable) {
  StartFirst();
  ASSERT_EQ(Download(0, Second()), Acks(3));  // the request, one data frame, the end
  EXPECT_EQ(ScanCoil(), kQ2);
}

}  // namespace
