// The start-up questions answered by touch: which question a start asks (files present,
// SR180, SR164), the taps that answer it and those that fall just outside a button's
// reach, and question 11's countdown on the test clock.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "ground/regimage.h"
#include "ground/bbram.h"
#include "controller/retentive.h"
#include "platform/persistent_regs.h"
#include "platform/trace.h"
#include "question_finger.h"
#include "retentive_internal.h"
#include "storage/crc16.h"
#include "testsupport/reg_fixture.h"
#include "testsupport/temp_root.h"

namespace {

using Bytes = std::vector<uint8_t>;
using qf::Asked;
using qf::Cancel;
using qf::Ok;
using qf::Tap;

enum class Backup { kNone, kGood, kBadCrc };

// A register file whose image has R1, SR5, SR164 and SR180 set.
Bytes RegisterFile(uint16_t r1, uint16_t sr164, uint16_t sr180, bool good_crc = true) {
  Bytes image(reg::kImageSize, 0);
  auto put = [&](uint32_t at, uint16_t v) { std::memcpy(image.data() + at, &v, 2); };
  put(reg::kOffR, r1);
  put(reg::SrOffset(5), 1);
  put(reg::SrOffset(164), sr164);
  put(reg::SrOffset(180), sr180);
  qf::PutKernelBuild(image.data());
  uint16_t crc = crc16(image.data(), image.size());
  if (!good_crc) crc ^= 1;
  const uint32_t length = uint32_t(reg::kImageSize);
  Bytes file(8);
  std::memcpy(file.data(), &crc, 2);
  std::memcpy(file.data() + 4, &length, 4);
  file.insert(file.end(), image.begin(), image.end());
  return file;
}

constexpr uint16_t kSaved = 222, kBackedUp = 333;

struct QuestionCase {
  const char* name;
  bool saved_dat;
  Backup backup;
  uint16_t sr164, sr180;
  std::vector<std::vector<Tap>> taps;  // per question asked
  std::vector<int64_t> questions;
  uint16_t r1, sr5;
  double waited_s;  // the loop's waiting: at least this, and less than a second more
};

class Questions : public ts::RegImageTest, public ::testing::WithParamInterface<QuestionCase> {
 protected:
  void SetUp() override {
    RegImageTest::SetUp();
    plat::ResetPersistentRegs();
    retentive::ResetRetentive();
  }
  void TearDown() override {
    retentive::ResetRetentive();
    RegImageTest::TearDown();
  }
  ts::TempRoot root;
  qf::QuestionFinger finger{root};
};

TEST_P(Questions, AskedAndAnsweredByTouch) {
  const QuestionCase& c = GetParam();
  root.Write("/mnt/cfg/autoreg.dta", RegisterFile(kSaved, c.sr164, c.sr180));
  root.Write("/mnt/cfg/bbram.dta", Bytes(kBbramSize, 0));
  if (c.saved_dat) root.Write("/mnt/cfg/saved.dat", "Saved autoreg.dta");
  if (c.backup != Backup::kNone) {
    Bytes backup = RegisterFile(kBackedUp, c.sr164, c.sr180, c.backup == Backup::kGood);
    backup.resize(backup.size() + 8, 0);
    root.Write("/mnt/cfg/bkpreg.dta", backup);
  }
  finger.taps = c.taps;

  EXPECT_EQ(AutoLoadRegisters(), 1);
  EXPECT_EQ(Asked(), c.questions);
  uint16_t r1;
  std::memcpy(&r1, plc_reg + reg::kOffR, 2);
  EXPECT_EQ(r1, c.r1);
  EXPECT_EQ(SrGet(5), c.sr5);
  EXPECT_GE(finger.waited_ns, int64_t(c.waited_s * 1e9));
  EXPECT_LT(finger.waited_ns, int64_t((c.waited_s + 1) * 1e9));
}

INSTANTIATE_TEST_SUITE_P(
    Starts, Questions,
    ::testing::Values(
        // Which question a start asks.
        QuestionCase{"AnOrderlyStopAsksNothing", true, Backup::kGood, 0, 1, {}, {}, kSaved, 1, 0},
        QuestionCase{"NoQuestionWithoutSr180", false, Backup::kNone, 0x10, 0, {}, {}, kSaved, 2, 0},
        QuestionCase{"TheBackupOptionAsksNothing", false, Backup::kGood, 0x30, 1, {}, {}, kBackedUp, 2, 0},
        QuestionCase{"BackupKeptByOk", false, Backup::kGood, 0, 1, {{Ok(10)}}, {10}, kBackedUp, 1, 0},
        QuestionCase{"ABadBackupAsksOnlyAboutTheSavedImage", false, Backup::kBadCrc, 0, 1, {{Cancel(12)}}, {12},
                     kSaved, 0, 0},
        // Each question waits for its own answer: Cancel on 10 does not answer 12.
        QuestionCase{"CancelOnTheBackupThenOkOnTheSavedImage", false, Backup::kGood, 0, 1, {{Cancel(10)}, {Ok(12)}},
                     {10, 12}, kSaved, 2, 0},
        QuestionCase{"AutoRunOk", false, Backup::kNone, 0x10, 1, {{Ok(11)}}, {11}, kSaved, 2, 0},
        QuestionCase{"AutoRunCancel", false, Backup::kNone, 0x10, 1, {{Cancel(11)}}, {11}, kSaved, 0, 0},
        // Without a touch question 11 answers yes after 30 s.
        QuestionCase{"AutoRunCountsDownToRun", false, Backup::kNone, 0x10, 1, {}, {11}, kSaved, 2, 30},
        // The reach of the buttons: 20 pixels above, 10 below, nothing beside them.
        QuestionCase{"TwentyAboveOkIsOk", false, Backup::kNone, 0, 1, {{{219, 349}}}, {12}, kSaved, 2, 0},
        QuestionCase{"TwentyOneAboveOkIsNothing", false, Backup::kNone, 0, 1, {{{219, 348}, Cancel(12)}}, {12}, kSaved,
                     0, 0},
        QuestionCase{"TenBelowCancelIsCancel", false, Backup::kNone, 0, 1, {{{511, 422}}}, {12}, kSaved, 0, 0},
        QuestionCase{"ElevenBelowCancelIsNothing", false, Backup::kNone, 0, 1, {{{511, 423}, Ok(12)}}, {12}, kSaved,
                     2, 0},
        QuestionCase{"BesideTheButtonsIsNothing", false, Backup::kNone, 0, 1,
                     {{{218, 390}, {365, 390}, {512, 390}, Cancel(12)}}, {12}, kSaved, 0, 0},
        QuestionCase{"SmallDialogReach", false, Backup::kGood, 0, 1,
                     {{{214, 234}, {506, 309}, {213, 276}, {507, 276}, {214, 235}}}, {10}, kBackedUp, 1, 0},
        QuestionCase{"SmallDialogCancelTenBelow", false, Backup::kGood, 0, 1, {{{506, 308}}, {Ok(12)}}, {10, 12},
                     kSaved, 2, 0}),
    [](const auto& info) { return std::string(info.param.name); });

// Without a display no question can be shown: the start goes on with the answer an
// unattended unit reaches (the backup kept; Idle without auto-run) instead of waiting
// for a touch that cannot come.
TEST_F(Questions, WithoutADisplayTheUnattendedAnswerStands) {
  pDisplayDC = nullptr;
  root.Write("/mnt/cfg/autoreg.dta", RegisterFile(kSaved, 0, 1));
  EXPECT_EQ(AutoLoadRegisters(), 1);
  EXPECT_EQ(Asked(), std::vector<int64_t>{12});
  EXPECT_EQ(SrGet(5), 0);
  EXPECT_EQ(finger.waited_ns, 0);
}

}  // namespace
