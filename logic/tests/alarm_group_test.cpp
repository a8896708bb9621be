// The alarm group: status words at R100.., time stamps at R200.., inputs M1 next,
// M2 previous, M3 clear, M4 acknowledge; I1 is the power flow.
#include <cstring>

#include "ladder_fixture.h"

namespace {

constexpr uint16_t kCond = 0x100, kActive = 0x200, kAcked = 0x400;

class AlarmGroup : public lt::LadderTest {
 protected:
  // Loads the group with N entries, number base K and time-stamp selector T.
  void Load(int n, int k, int t) {
    prog_.Load("LD I1; ALARM_GROUP " + std::to_string(n) + ", " + std::to_string(k) + ", " + std::to_string(t) +
               ", R100, R200, M1, M2, M3, M4; END");
  }
  void Exec(bool power, bool next = false, bool previous = false, bool clear = false, bool ack = false) {
    SetBit("I1", power);
    SetBit("M1", next);
    SetBit("M2", previous);
    SetBit("M3", clear);
    SetBit("M4", ack);
    ASSERT_EQ(Scan(), -1);
  }
  static uint16_t Entry(int i) { return Word("R" + std::to_string(100 + i)); }
  static void SetEntry(int i, uint16_t v) { SetWord("R" + std::to_string(100 + i), v); }
  static int Selected() { return alarm_status & 0x1FF; }
  static bool SelectionValid() { return alarm_status & 0x8000; }
};

TEST_F(AlarmGroup, PowerOffStillActivatesCountsAndStamps) {
  Load(3, 1, 2);
  for (int n = 44; n <= 49; ++n) SrSet(uint32_t(n), uint16_t(n * 10));  // second .. year
  SetEntry(1, kCond | 4);
  alarm_status = 0x8000 | 0;
  Exec(false);
  EXPECT_EQ(Entry(1), kCond | kActive | 5);
  EXPECT_FALSE(SelectionValid());
  // Twelve bytes per entry: entry 1's slot holds SR44..SR49, the others are untouched.
  const uint8_t* stamps = plc_reg + (ts::RegisterToken("R200") - 1024) / 8;
  EXPECT_EQ(0, std::memcmp(stamps + 12, plc_reg + reg::SrOffset(44), 12));
  EXPECT_EQ(stamps[0], 0);
  EXPECT_EQ(stamps[24], 0);
  // The summary takes an entry before its activation: it shows from the next execution.
  EXPECT_EQ(Entry(0) & 0xC000, 0);
  Exec(false);
  EXPECT_EQ(Entry(0) & 0xC000, 0xC000);
  EXPECT_EQ(Entry(1), kCond | kActive | 5);  // an active entry counts no further
  // The next execution with power selects the first active entry.
  Exec(true);
  EXPECT_TRUE(SelectionValid());
  EXPECT_EQ(Selected(), 1);  // K + 1 - 1
}

TEST_F(AlarmGroup, SixByteStampsAndCountStopsAt255) {
  Load(2, 1, 1);
  SrSet(44, 0x1111);
  SrSet(45, 0x2222);
  SrSet(46, 0x3333);
  SrSet(47, 0x4444);
  SetEntry(1, kCond | 255);
  Exec(false);
  EXPECT_EQ(Entry(1), kCond | kActive | 255);
  const uint8_t* stamps = plc_reg + (ts::RegisterToken("R200") - 1024) / 8;
  EXPECT_EQ(0, std::memcmp(stamps + 6, plc_reg + reg::SrOffset(44), 6));
  EXPECT_EQ(stamps[12], 0);  // SR47 is not part of a six-byte stamp
}

// Stamps placed over the clock registers they copy: the stamp is the clock as it was.
TEST_F(AlarmGroup, StampsOverlappingTheClockRegisters) {
  prog_.Load("LD I1; ALARM_GROUP 1, 1, 2, R100, SR45, M1, M2, M3, M4; END");
  for (int n = 44; n <= 50; ++n) SrSet(uint32_t(n), uint16_t(n * 10));
  SetEntry(0, kCond);
  Exec(false);
  EXPECT_EQ(Entry(0) & (kCond | kActive), kCond | kActive);
  for (int n = 45; n <= 50; ++n) EXPECT_EQ(SrGet(uint32_t(n)), (n - 1) * 10) << "SR" << n;
}

TEST_F(AlarmGroup, NextAndPreviousMoveOnRisingInputs) {
  Load(6, 1, 0);
  SetEntry(0, kActive);
  SetEntry(3, kActive);
  SetEntry(4, kActive);
  Exec(true);
  EXPECT_EQ(Selected(), 0);
  Exec(true, /*next=*/true);
  EXPECT_EQ(Selected(), 3);
  Exec(true, true);  // held: no further move
  EXPECT_EQ(Selected(), 3);
  Exec(true, true, /*previous=*/true);
  EXPECT_EQ(Selected(), 0);
  Exec(true, false, true);  // held
  EXPECT_EQ(Selected(), 0);
  Exec(true);
  Exec(true, true);
  EXPECT_EQ(Selected(), 3);
  Exec(true);
  Exec(true, true);  // each rise of next moves one active entry on
  EXPECT_EQ(Selected(), 4);
}

TEST_F(AlarmGroup, ClearWaitsForAcknowledge) {
  Load(4, 1, 0);
  SetEntry(1, kActive);
  SetEntry(2, kActive);
  Exec(true);
  ASSERT_EQ(Selected(), 1);
  Exec(true, false, false, /*clear=*/true);
  EXPECT_EQ(Entry(1), kActive);  // not acknowledged: kept
  EXPECT_EQ(Selected(), 1);
  EXPECT_EQ(Entry(0) & 0xC000, 0xC000);
  Exec(true, false, false, true, /*ack=*/true);
  EXPECT_EQ(Entry(1), 0);  // acknowledged and cleared together
  EXPECT_EQ(Selected(), 2);
  // A clear input held over an acknowledged entry clears nothing more.
  Exec(true, false, false, true, true);
  EXPECT_EQ(Entry(2), kActive);
  // Acknowledging the last one alone leaves it active; the summary drops bit 14.
  Exec(true);
  Exec(true, false, false, false, true);
  EXPECT_EQ(Entry(2), kActive | kAcked);
  Exec(true);
  EXPECT_EQ(Entry(0) & 0xC000, 0x8000);
}

// An entry whose condition is still set becomes active again at once, with a new count.
TEST_F(AlarmGroup, ClearedConditionReactivates) {
  Load(2, 1, 0);
  SetEntry(0, kCond | kActive | kAcked | 1);
  Exec(true);
  Exec(true, false, false, true);
  EXPECT_EQ(Entry(0) & 0x7FF, kCond | kActive | 2);
}

TEST_F(AlarmGroup, NoEntriesStillClearTheSummary) {
  Load(0, 1, 2);
  SetEntry(0, 0xC000 | kActive);
  SetEntry(1, 0xFFFF);
  alarm_status = 0;
  Exec(true, true, true, true, true);
  EXPECT_EQ(Entry(0), kActive);
  EXPECT_EQ(Entry(1), 0xFFFF);
  EXPECT_FALSE(SelectionValid());
}

// One state serves every alarm group; a selection made by another group that names no
// entry of this one is dropped, and nothing past the group's status words is touched.
TEST_F(AlarmGroup, ForeignSelectionIsDropped) {
  Load(4, 1, 0);
  SetEntry(2, kActive);
  SetEntry(50, 0x1234);
  alarm_status = 0x8000 | 50;
  Exec(true, false, false, false, true);
  EXPECT_EQ(Selected(), 2);
  EXPECT_EQ(Entry(2), kActive | kAcked);
  EXPECT_EQ(Entry(50), 0x1234);
}

// A selected entry that is no longer active is dropped for the first active one.
TEST_F(AlarmGroup, InactiveSelectionMovesToFirstActive) {
  Load(4, 10, 0);
  SetEntry(1, kActive);
  SetEntry(3, kActive);
  Exec(true, true);
  EXPECT_EQ(Selected(), 12);  // moved to index 3
  SetEntry(3, 0);
  Exec(true, true);
  EXPECT_EQ(Selected(), 10);
}

}  // namespace
