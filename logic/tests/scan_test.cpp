// Scan entry and exit: the time base and scan time, the first-scan latches, the screen
// requests applied at the end of the program, and the IEC cycle in place of the ladder.
#include "ground/unaligned.h"
#include "iec_runtime/services.h"
#include "ground/timebase.h"
#include "ladder_fixture.h"
#include "testsupport/fake_iec_db.h"

namespace {

using lt::LadderTest;
using logic::Stop;

TEST_F(LadderTest, EndAsFirstWordClearsFirstScanAndResetBitsAndAlarmScreen) {
  SrSet(2, 7);
  SBitSet(10, true);
  SBitSet(11, true);
  EXPECT_EQ(Run("END"), -1);
  EXPECT_EQ(LastStop(), Stop::kEnd);
  EXPECT_EQ(SrGet(2), 0);
  EXPECT_FALSE(SBitGet(1));
  EXPECT_FALSE(SBitGet(10));
  EXPECT_TRUE(SBitGet(11));
}

TEST_F(LadderTest, ScanEntryStoresTheTimeBase) {
  prog_.Load("END");
  clock_->AdvanceTicks(0x12345);
  ASSERT_EQ(Scan(), -1);
  const uint32_t f = FPGA_GetFrt();
  EXPECT_EQ(SrGet32(149), f);
  EXPECT_EQ(local_frt_100us, f);
  EXPECT_EQ(time_frt_100us, f & 0x3FFF);
}

// The operand form, TalkInit and File_Init belong to the first scan of a program only.
TEST_F(LadderTest, FirstScanLatchesOperandFormAndStartsBlocks) {
  prog_ = ts::LadderProgram(ts::OperandForm::k32);
  prog_.Load("END");
  ASSERT_EQ(Scan(), -1);
  EXPECT_EQ(RegTokLen_16b, 0);
  EXPECT_EQ(Calls("TalkInit").size(), 1u);
  EXPECT_EQ(Calls("File_Init").size(), 1u);

  // A new table without a program start keeps the latched form.
  ts::InstallLadder(ts::LadderAsm().Assemble("END"), 0x8000);
  ASSERT_EQ(Scan(), -1);
  EXPECT_EQ(RegTokLen_16b, 0);
  EXPECT_EQ(Calls("TalkInit").size(), 1u);

  SBitSet(1, true);
  ASSERT_EQ(Scan(), -1);
  EXPECT_EQ(RegTokLen_16b, 1);
  EXPECT_EQ(Calls("TalkInit").size(), 2u);
  EXPECT_EQ(Calls("File_Init").size(), 2u);
}

// An error return runs none of the end-of-program steps.
TEST_F(LadderTest, ErrorReturnKeepsFirstScanAndDropsScreenRequests) {
  SetBit("I3");
  SrSet(1, 4);
  SrSet(2, 9);
  EXPECT_EQ(Run("LD I3; SCREEN 5; LD I3; ALARM_SCREEN 6; OP0; END"), 7);
  EXPECT_TRUE(SBitGet(1));
  EXPECT_EQ(SrGet(1), 4);
  EXPECT_EQ(SrGet(2), 9);
  EXPECT_EQ(old_change_screen, 0);
}

TEST_F(LadderTest, AlarmScreenRequestLastOneWins) {
  SetBits({"I1", "I3"});
  EXPECT_EQ(Run("LD I1; ALARM_SCREEN 3; LD I2; ALARM_SCREEN 8; LD I3; ALARM_SCREEN 5; END"), -1);
  EXPECT_EQ(SrGet(2), 6);
}

// A change is written on the scan in which the request first differs from the last one.
TEST_F(LadderTest, ScreenChangeIsWrittenOnceAndZeroRearmsIt) {
  prog_.Load("LD I1; SCREEN 5; LD I2; SCREEN 0; END");
  struct Step {
    bool five, zero;
    uint16_t sr1_before, sr1_after;
  };
  const Step steps[] = {
      {true, false, 0, 5},   // first request of 5: written
      {true, false, 9, 9},   // the operator moved on; the same request writes nothing
      {true, true, 9, 9},    // 0 re-arms without writing
      {true, false, 9, 5},   // 5 again: written
  };
  for (std::size_t i = 0; i < std::size(steps); ++i) {
    SCOPED_TRACE(i);
    SetBit("I1", steps[i].five);
    SetBit("I2", steps[i].zero);
    SrSet(1, steps[i].sr1_before);
    ASSERT_EQ(Scan(), -1);
    EXPECT_EQ(SrGet(1), steps[i].sr1_after);
  }
}

// 40: is screen n shown? SR3 (system screen) wins; then this scan's alarm-screen request,
// or, before one, SR2 - 1 and SR1 - 1.
TEST_F(LadderTest, ScreenShownQuery) {
  struct Case {
    const char* what;
    uint16_t sr1, sr2, sr3;
    const char* before;  // requests made before the query
    int pushed;
  };
  const Case cases[] = {
      {"system_screen_hides_all", 5, 5, 1, "", 0},
      {"system_screen_hides_request", 0, 0, 1, "LD I3; ALARM_SCREEN 4;", 0},
      {"alarm_screen_shown", 0, 5, 0, "", 0xFF},
      {"user_screen_shown", 5, 0, 0, "", 0xFF},
      {"other_screens", 3, 3, 0, "", 0},
      {"request_answers", 0, 5, 0, "LD I3; ALARM_SCREEN 4;", 0xFF},
      {"request_for_another", 5, 5, 0, "LD I3; ALARM_SCREEN 7;", 0},
  };
  SetBit("I3");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SrSet(1, c.sr1);
    SrSet(2, c.sr2);
    SrSet(3, c.sr3);
    ASSERT_EQ(Run(std::string(c.before) + "SCREEN_SHOWN 4; END"), -1);
    EXPECT_EQ(BitStack(), std::vector<int>{c.pushed});
  }
}

TEST_F(LadderTest, IecApplicationRunsOneCycleInPlaceOfTheLadder) {
  ts::FakeIecDb iec;
  SrSet(2, 9);
  prog_.Load("OP0; END");  // never read
  EXPECT_EQ(Scan(), -1);
  EXPECT_EQ(Calls("_VMThread").size(), 1u);
  // The application is still loaded: the end-of-program steps do not run.
  EXPECT_EQ(SrGet(2), 9);
  EXPECT_TRUE(SBitGet(1));
  EXPECT_EQ(Scan(), -1);
  EXPECT_EQ(Calls("_VMThread").size(), 2u);
}

}  // namespace
