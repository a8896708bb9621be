// Online program changes: the scan's answers to SR193, the swap of a new ladder program,
// and the swap of a new IEC application into the IEC container.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "controller/progstore.h"
#include "runctl_fixture.h"

namespace rc_test {
namespace {

using Bytes = std::vector<uint8_t>;

const Bytes kStored = {0x09, 0x00};                    // in ladder.pgm
const Bytes kRunning = {0x09, 0x00, 0x09, 0x00, 0x09, 0x00};  // in the ladder table
const Bytes kNew = {0x09, 0x00, 0x09, 0x00};           // in the online buffer

void InstallOnline(const Bytes& data) {
  std::memcpy(ladder_olp + kTableHeader, data.data(), data.size());
  SetBlockSize(ladder_olp, uint32_t(data.size()));
  SetBlockCrc(ladder_olp, ts::Crc16(data));
}

Bytes LadderData() { return {ladder, ladder + BlockSize(ladder_bl)}; }

Bytes Pattern(std::size_t n, uint8_t seed) {
  Bytes v(n);
  for (std::size_t i = 0; i < n; ++i) v[i] = uint8_t(seed + 31 * i + i / 251);
  return v;
}

class OnlineChange : public RunCtlTest {
 protected:
  void SetUp() override {
    RunCtlTest::SetUp();
    InstallProgram(kStored);
    ASSERT_EQ(N4SaveLadderPgm(), 1);
    InstallProgram(kRunning);
    InstallOnline(kNew);
    SrSet(5, 2);
  }
};

enum class Effect { kNone, kSwap, kReload, kSave };

struct Sr193Case {
  bool online;
  uint16_t before, after;
  Effect effect;
};

TEST_F(OnlineChange, EachStateOfSr193GetsItsAnswer) {
  const Sr193Case cases[] = {
      {true, 0x0003, 0x000B, Effect::kNone},    // one scan passes
      {true, 0x000B, 0x0017, Effect::kSwap},    // the new program goes in
      {true, 0x0017, 0x0005, Effect::kNone},    // step done
      {true, 0x0021, 0x0029, Effect::kNone},    // revert: one scan passes
      {true, 0x002D, 0x0031, Effect::kReload},  // the stored program comes back
      {true, 0x0031, 0x0000, Effect::kNone},    // revert done
      {false, 0x0005, 0x0000, Effect::kSave},   // online programming ended: the new program is kept
      {false, 0x4205, 0x4200, Effect::kSave},   // only the low byte is cleared
      {false, 0x000B, 0x000B, Effect::kNone},   // the change steps need online programming
      {true, 0x0005, 0x0005, Effect::kNone},    // the save waits for its end
      {true, 0x0000, 0x0000, Effect::kNone},
  };
  const Bytes stored_file = root_.Read("/mnt/cfg/ladder.pgm");
  for (const Sr193Case& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << "SR193 0x" << c.before << (c.online ? " online" : ""));
    InstallProgram(kRunning);
    SrSet(193, c.before);
    OLPMode = c.online;
    PlcScan();
    EXPECT_EQ(SrGet(193), c.after);
    const Bytes expected = c.effect == Effect::kSwap ? kNew : c.effect == Effect::kReload ? kStored : kRunning;
    EXPECT_EQ(LadderData(), expected);
    if (c.effect == Effect::kSwap || c.effect == Effect::kReload) {
      EXPECT_EQ(SrGet32(11), expected.size());
      EXPECT_EQ(SrGet(23), ts::Crc16(expected));
    }
    const Bytes file = root_.Read("/mnt/cfg/ladder.pgm");
    EXPECT_EQ(file != stored_file, c.effect == Effect::kSave) << "ladder.pgm saved";
    if (c.effect == Effect::kSave) {
      ASSERT_EQ(LoadLadder(), 1);
      EXPECT_EQ(LadderData(), kRunning);
      InstallProgram(kStored);
      ASSERT_EQ(N4SaveLadderPgm(), 1);  // back to the stored program for the next case
    }
  }
}

// A revert to a stored program that no longer loads keeps the program that runs, header
// and data: the scan never runs the file's bytes under the old header.
TEST_F(OnlineChange, ARevertToACorruptStoredProgramKeepsTheRunningOne) {
  Bytes file = root_.Read("/mnt/cfg/ladder.pgm");
  file[0] ^= 0xFF;  // the CRC word
  root_.Write("/mnt/cfg/ladder.pgm", file);
  const Bytes running = {66, 0x00, 0x09, 0x00, 0x01, 0x02};  // a no-op, then the end
  InstallProgram(running);
  SrSet(193, 0x002D);
  OLPMode = 1;
  PlcScan();
  EXPECT_EQ(LadderData(), running);
  EXPECT_EQ(BlockCrc(ladder_bl), ts::Crc16(running));
}

// Past what the next start would load, or past the table itself.
TEST_F(OnlineChange, AnOnlineBufferLargerThanAStartLoadsIsRefused) {
  for (uint32_t size : {uint32_t(kLogicCheckedMax + 1), uint32_t(kLadderOlpCap)}) {
    SCOPED_TRACE(size);
    SetBlockSize(ladder_olp, size);
    SrSet(193, 0x000B);
    OLPMode = 1;
    PlcScan();
    EXPECT_EQ(LadderData(), kRunning);
    EXPECT_EQ(SrGet(193), 0x100);
    EXPECT_EQ(SrGet32(11), kRunning.size());
  }
}

// The IEC container: the ladder table holds the code image and the I/O binding table;
// the online buffer holds a new binding table, a u32 flag and further data, and the new
// code image waits in /mnt/cfg/n4.upd.
class IecSwap : public OnlineChange {
 protected:
  static constexpr std::size_t kBinding = 25856;
  void SetUp() override {
    OnlineChange::SetUp();
    InstallProgram(ts::IecLogic(Pattern(40, 0x10)));
    running_ = LadderData();
    binding_ = Pattern(kBinding, 0x20);
    rest_ = Pattern(100, 0x30);
    code_ = Pattern(333, 0x40);
    Bytes online = binding_;
    online.insert(online.end(), {0, 0, 0, 0});
    online.insert(online.end(), rest_.begin(), rest_.end());
    InstallOnline(online);
    OrvanelRuntime = 1;
    orvanel_variables_enumerateded = 1;
    OLPMode = 1;
    SrSet(193, 0x010B);
  }
  Bytes running_, binding_, rest_, code_;
};

TEST_F(IecSwap, NewCodeImageBindingTableAndDataReplaceTheContainerContent) {
  root_.Write("/mnt/cfg/n4.upd", code_);
  PlcScan();

  Bytes expected(running_.begin(), running_.begin() + 16);
  expected[8] = 333 & 0xFF;  // code length, low half then high half
  expected[9] = 333 >> 8;
  expected[10] = expected[11] = 0;
  expected.insert(expected.end(), code_.begin(), code_.end());
  expected.insert(expected.end(), binding_.begin(), binding_.end());
  expected.insert(expected.end(), rest_.begin(), rest_.end());
  ASSERT_EQ(expected.size(), kBinding + 4 + 100 + 333 + 12);
  EXPECT_EQ(LadderData() == expected, true);
  EXPECT_EQ(BlockCrc(ladder_bl), ts::Crc16(expected));
  EXPECT_EQ(SrGet(23), ts::Crc16(expected));
  EXPECT_EQ(SrGet32(11), expected.size());

  // The online buffer's flag is set and its CRC follows.
  const uint8_t* online = ladder_olp + kTableHeader;
  uint32_t flag;
  std::memcpy(&flag, online + kBinding, 4);
  EXPECT_EQ(flag, 1u);
  EXPECT_EQ(BlockSize(ladder_olp), kBinding + 4 + 100);
  EXPECT_EQ(BlockCrc(ladder_olp), ts::Crc16({online, online + BlockSize(ladder_olp)}));

  EXPECT_EQ(root_.Read("/mnt/cfg/n4.cod"), code_);
  EXPECT_EQ(OrvanelI0_VarLoc, ladder + 16 + 333);
  EXPECT_EQ(OLPMode, 0);
  EXPECT_EQ(SrGet(193), 0x0100) << "the low byte is cleared";
  ASSERT_EQ(LoadLadder(), 1);  // ladder.pgm holds the new container
  EXPECT_EQ(LadderData() == expected, true);
}

TEST_F(IecSwap, ASwapThatCannotBeMadeLeavesTheRunningApplication) {
  struct Case {
    const char* what;
    bool update_file;
    std::size_t update_bytes;  // 0: the room the table leaves, plus one
    std::size_t online_bytes;  // 0: as set up
  };
  const std::size_t online = kBinding + 4 + 100;
  // The table may grow only as far as the next start loads.
  const std::size_t room = kLogicCheckedMax - 12 - online;
  const Case cases[] = {
      {"no n4.upd", false, 0, 0},
      {"n4.upd larger than the table leaves room for", true, room + 1, 0},
      {"online data without its flag word", true, 333, kBinding + 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    InstallProgram(running_);
    if (c.online_bytes) SetBlockSize(ladder_olp, uint32_t(c.online_bytes));
    if (c.update_file) root_.Write("/mnt/cfg/n4.upd", Pattern(c.update_bytes, 0x50));
    OLPMode = 1;
    SrSet(193, 0x000B);
    PlcScan();
    EXPECT_EQ(LadderData() == running_, true);
    EXPECT_FALSE(root_.Exists("/mnt/cfg/n4.cod"));
    EXPECT_EQ(SrGet(193), 0x100);
    EXPECT_EQ(SrGet32(11), running_.size());
  }
  // A room-sized code image just fits.
  InstallProgram(running_);
  SetBlockSize(ladder_olp, uint32_t(online));
  root_.Write("/mnt/cfg/n4.upd", Pattern(room, 0x50));
  SrSet(193, 0x000B);
  PlcScan();
  EXPECT_EQ(BlockSize(ladder_bl), kLogicCheckedMax);
  EXPECT_EQ(root_.Read("/mnt/cfg/n4.cod").size(), room);
  // The saved ladder.pgm is one the next start loads.
  const Bytes swapped = LadderData();
  std::memset(ladder_bl, 0, kTableHeader);
  ASSERT_EQ(LoadLadder(), 1);
  EXPECT_EQ(LadderData() == swapped, true);
}

TEST_F(IecSwap, ALadderTableThatIsNoContainerIsLeftAlone) {
  root_.Write("/mnt/cfg/n4.upd", code_);
  InstallProgram(kRunning);
  PlcScan();
  EXPECT_EQ(LadderData(), kRunning);
  EXPECT_EQ(SrGet(193), 0x0117);
  EXPECT_FALSE(root_.Exists("/mnt/cfg/n4.cod"));
}

}  // namespace
}  // namespace rc_test
