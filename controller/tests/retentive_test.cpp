// The register files: the start-up restore over every combination of files that matters,
// the save and its failures, the save interrupted at any point, the power-down save, the
// operator's backup and the MAC provisioning.
#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <cstring>
#include <future>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "ground/bbram.h"
#include "ground/bootstatus.h"
#include "ground/cfg_file.h"
#include "ground/file_info.h"
#include "ground/regimage.h"
#include "controller/retentive.h"
#include "ground/tablestore.h"
#include "platform/persistent_regs.h"
#include "platform/power_controller.h"
#include "platform/trace.h"
#include "question_finger.h"
#include "retentive_internal.h"
#include "storage/crc16.h"
#include "testsupport/file_size_limit.h"
#include "testsupport/recording_runner.h"
#include "testsupport/reg_fixture.h"
#include "testsupport/temp_root.h"

namespace {

using Bytes = std::vector<uint8_t>;

constexpr uint32_t kR1 = reg::kOffR;  // byte offset of R1 in the image

// A register image with a mark in R1 and the given SR5, SR164 and SR180.
struct Image {
  uint16_t r1 = 0, sr5 = 0, sr164 = 0, sr180 = 0;
  Bytes Bytes_() const {
    Bytes image(reg::kImageSize, 0);
    auto put = [&](uint32_t at, uint16_t v) { std::memcpy(image.data() + at, &v, 2); };
    put(kR1, r1);
    put(reg::SrOffset(5), sr5);
    put(reg::SrOffset(164), sr164);
    put(reg::SrOffset(180), sr180);
    qf::PutKernelBuild(image.data());
    return image;
  }
};

enum class Form { kGood, kBadCrc, kShort, kBadLength };

Bytes RegisterFile(const Image& image, Form form = Form::kGood, std::size_t trailer = 0) {
  const Bytes body = image.Bytes_();
  uint16_t crc = crc16(body.data(), body.size());
  if (form == Form::kBadCrc) crc ^= 0x5A5A;
  const uint32_t length = uint32_t(reg::kImageSize) + (form == Form::kBadLength ? 2 : 0);
  Bytes file(8);
  std::memcpy(file.data(), &crc, 2);
  std::memcpy(file.data() + 4, &length, 4);
  file.insert(file.end(), body.begin(), body.end());
  file.resize(file.size() + trailer, 0);
  if (form == Form::kShort) file.resize(file.size() / 2);
  return file;
}

uint16_t R1() {
  uint16_t v;
  std::memcpy(&v, plc_reg + kR1, 2);
  return v;
}

class Retentive : public ts::RegImageTest {
 protected:
  ts::TempRoot root;
  ts::RecordingRunner runner;
  qf::QuestionFinger finger{root};
  void SetUp() override {
    RegImageTest::SetUp();
    plat::ResetPersistentRegs();
    plat::power_model::Reset();
    retentive::ResetRetentive();
    fwload_set_def = 0;
    AutoregFailed = 0;
  }
  void TearDown() override {
    retentive::ResetRetentive();
    plat::power_model::Reset();
    RegImageTest::TearDown();
  }
  static std::vector<int64_t> Questions() { return qf::Asked(); }
};

// ---- The start-up restore ------------------------------------------------------------

struct RestoreCase {
  const char* name;
  bool saved_dat;
  std::optional<Bytes> autoreg;  // nullopt: no file
  std::optional<Bytes> backup;
  uint32_t boot_status;          // before the start
  int answer;                    // every question's answer: 1 a tap on OK, 0 on Cancel
  // What the start finds.
  int result;
  uint16_t r1, sr5;
  bool not_orderly;              // SR4 0x1000 and AutoregFailed
  uint32_t boot_after;           // the boot status word afterwards (SR199 its low half)
  uint32_t resets;               // the reset counter (SR52)
  std::vector<int64_t> questions;
  std::size_t bbram_bytes = kBbramSize;  // what bbram.dta holds
};

const Image kSaved{.r1 = 111, .sr5 = 2, .sr164 = 0, .sr180 = 1};
const Image kSavedQuiet{.r1 = 112, .sr5 = 2, .sr164 = 0, .sr180 = 0};
const Image kAutoAsk{.r1 = 222, .sr5 = 1, .sr164 = 0x10, .sr180 = 1};
const Image kAutoAskNoRun{.r1 = 223, .sr5 = 2, .sr164 = 0, .sr180 = 1};
const Image kAutoQuiet{.r1 = 224, .sr5 = 0, .sr164 = 0, .sr180 = 0};
const Image kBackupRun{.r1 = 333, .sr5 = 0, .sr164 = 0x30, .sr180 = 1};
const Image kBackupIdle{.r1 = 334, .sr5 = 2, .sr164 = 0x20, .sr180 = 0};
const Image kBackupAsk{.r1 = 335, .sr5 = 1, .sr164 = 0, .sr180 = 1};
constexpr uint32_t kOrderly = boot::kOrderlyShutdown;

class RestoreTable : public Retentive, public ::testing::WithParamInterface<RestoreCase> {};

TEST_P(RestoreTable, FindsTheRegistersTheModeAndTheMarks) {
  const RestoreCase& c = GetParam();
  if (c.saved_dat) root.Write("/mnt/cfg/saved.dat", "Saved autoreg.dta");
  if (c.autoreg) root.Write("/mnt/cfg/autoreg.dta", *c.autoreg);
  if (c.backup) root.Write("/mnt/cfg/bkpreg.dta", *c.backup);
  root.Write("/mnt/cfg/bbram.dta", Bytes(c.bbram_bytes, 0x42));
  std::memset(bbram, 0xEE, kBbramSize);  // what the RAM held before the start
  BootStatusSet(c.boot_status);
  for (int64_t id : c.questions) finger.taps.push_back({c.answer == 1 ? qf::Ok(int(id)) : qf::Cancel(int(id))});

  EXPECT_EQ(AutoLoadRegisters(), c.result);
  EXPECT_EQ(R1(), c.r1);
  EXPECT_EQ(SrGet(5), c.sr5);
  EXPECT_EQ((SrGet(4) & 0x1000) != 0, c.not_orderly);
  EXPECT_EQ(AutoregFailed != 0, c.not_orderly);
  EXPECT_EQ(BootStatusGet(), c.boot_after);
  EXPECT_EQ(SrGet(199), uint16_t(c.boot_after | (c.result == 1 ? c.boot_status & kOrderly : 0))) << "before the orderly mark is cleared";
  EXPECT_EQ(ResetCounterGet(), c.resets);
  EXPECT_EQ(SrGet(52), c.resets);
  EXPECT_EQ(Questions(), c.questions);
  EXPECT_FALSE(root.Exists("/mnt/cfg/saved.dat")) << "seen once";
  EXPECT_EQ(Bytes(bbram, bbram + c.bbram_bytes), Bytes(c.bbram_bytes, 0x42));
  EXPECT_EQ(Bytes(bbram + c.bbram_bytes, bbram + kBbramSize), Bytes(kBbramSize - c.bbram_bytes, 0)) << "past a short file";
  EXPECT_EQ(fwload_set_def, 0);
  // A start-up that found no image retries; the retry asks nothing more and counts no
  // second reset.
  if (c.result == 0) {
    AutoLoadRegisters();
    EXPECT_EQ(ResetCounterGet(), c.resets);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Files, RestoreTable,
    ::testing::Values(
        RestoreCase{"OrderlyStop", true, RegisterFile(kSaved), std::nullopt, kOrderly, -1, 1, 111, 2, false, 0, 0, {}},
        RestoreCase{"OrderlyStopWithABackupAsksNothing", true, RegisterFile(kSaved), RegisterFile(kBackupAsk, Form::kGood, 8),
                    kOrderly, -1, 1, 111, 2, false, 0, 0, {}},
        RestoreCase{"OrderlyStopBadCrc", true, RegisterFile(kSaved, Form::kBadCrc), std::nullopt, kOrderly, -1, 0, 0, 0,
                    false, kOrderly | boot::kAutoregBadCrc, 0, {}},
        RestoreCase{"OrderlyStopWrongLengthWord", true, RegisterFile(kSavedQuiet, Form::kBadLength), std::nullopt, kOrderly, -1,
                    0, 0, 0, false, kOrderly | boot::kAutoregBadCrc, 0, {}},
        RestoreCase{"OrderlyStopShortBbram", true, RegisterFile(kSaved), std::nullopt, kOrderly, -1, 1, 111, 2, false, 0, 0,
                    {}, 1000},
        RestoreCase{"OrderlyStopShortFile", true, RegisterFile(kSaved, Form::kShort), std::nullopt, kOrderly, -1, 0, 0, 0,
                    false, kOrderly | boot::kAutoregShortRead, 0, {}},
        RestoreCase{"PowerLostNoQuestionRuns", false, RegisterFile(kAutoQuiet), std::nullopt, 0, -1, 1, 224, 2, true, 0, 1, {}},
        RestoreCase{"PowerLostAutoRunAnsweredOk", false, RegisterFile(kAutoAsk), std::nullopt, 0, 1, 1, 222, 2, true, 0, 1, {11}},
        RestoreCase{"PowerLostAutoRunAnsweredCancel", false, RegisterFile(kAutoAsk), std::nullopt, 0, 0, 1, 222, 0, true, 0, 1,
                    {11}},
        RestoreCase{"PowerLostNoAutoRunAnsweredCancel", false, RegisterFile(kAutoAskNoRun), std::nullopt, 0, 0, 1, 223, 0,
                    true, 0, 1, {12}},
        RestoreCase{"PowerLostBadCrcStartsCold", false, RegisterFile(kAutoQuiet, Form::kBadCrc), std::nullopt, 0, -1, 0, 0,
                    0, true, boot::kAutoregBadCrc, 1, {}},
        RestoreCase{"BackupWithRunOption", false, RegisterFile(kAutoQuiet), RegisterFile(kBackupRun, Form::kGood, 8), 0, -1,
                    1, 333, 2, true, 0, 1, {}},
        RestoreCase{"BackupWithIdleOption", false, RegisterFile(kAutoQuiet), RegisterFile(kBackupIdle, Form::kGood, 8),
                    kOrderly, -1, 1, 334, 0, true, 0, 0, {}},
        RestoreCase{"BackupAskedAndKept", false, RegisterFile(kAutoAsk), RegisterFile(kBackupAsk, Form::kGood, 8), 0, 1, 1,
                    335, 1, true, 0, 1, {10}},
        RestoreCase{"BackupAskedAndRefused", false, RegisterFile(kAutoAskNoRun), RegisterFile(kBackupAsk, Form::kGood, 8), 0,
                    0, 1, 223, 0, true, 0, 1, {10, 12}},
        RestoreCase{"BadBackupFallsToTheSavedImage", false, RegisterFile(kAutoQuiet),
                    RegisterFile(kBackupRun, Form::kBadCrc, 8), 0, -1, 1, 224, 2, true, 0, 1, {}},
        RestoreCase{"RefusedBackupStaysWhenTheSavedImageIsBad", false, RegisterFile(kAutoQuiet, Form::kBadCrc),
                    RegisterFile(kBackupAsk, Form::kGood, 8), 0, 0, 1, 335, 1, true, boot::kAutoregBadCrc, 1, {10}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Retentive, AnEmptyRootIsAFirstStart) {
  BootStatusSet(0);
  EXPECT_EQ(AutoLoadRegisters(), 1);
  EXPECT_EQ(fwload_set_def, 1);
  EXPECT_TRUE(root.Exists("/mnt/cfg/autoreg.dta"));
  EXPECT_TRUE(root.Exists("/mnt/cfg/bbram.dta"));
  EXPECT_EQ(SrGet(4) & 0x1000, 0);
  EXPECT_EQ(ResetCounterGet(), 1u);
  EXPECT_EQ(bbram[0], 0);
  EXPECT_TRUE(Questions().empty());
}

TEST_F(Retentive, AFirstStartTakesTheNodeIdsOfAnErasedProgram) {
  const uint16_t ids[2] = {17, 3};
  root.Write("/mnt/cfg/retnreg.dta", Bytes(reinterpret_cast<const uint8_t*>(ids), reinterpret_cast<const uint8_t*>(ids) + 4));
  EXPECT_EQ(AutoLoadRegisters(), 1);
  EXPECT_EQ(SrGet(29), 17);
  EXPECT_EQ(SrGet(30), 3);
}

// A cold start keeps the program's tables whole: the force table is the empty default.
TEST_F(Retentive, AColdStartLeavesAValidForceTable) {
  root.Write("/mnt/cfg/autoreg.dta", RegisterFile(kAutoQuiet, Form::kBadCrc));
  EXPECT_EQ(AutoLoadRegisters(), 0);
  EXPECT_EQ(FileSize(file_info[2]), 4u);
  EXPECT_EQ(FileCrc(file_info[2]), crc16(Bytes(4, 0).data(), 4));
}

// ---- The save -------------------------------------------------------------------------

TEST_F(Retentive, ASaveAndAnOrderlyRestartGiveTheSameImage) {
  root.Write("/mnt/cfg/autoreg.dta", Bytes{});
  root.Write("/mnt/cfg/bbram.dta", Bytes{});
  for (std::size_t i = 0; i < reg::kImageSize; i += 7) plc_reg[i] = uint8_t(i * 13);
  bbram[5] = 0x99;
  const Bytes before(plc_reg + reg::kOffF, plc_reg + reg::kOffESR);
  EXPECT_EQ(AutoSaveRegisters(), 1);
  CreateSavedFile();
  EXPECT_EQ(root.Read("/mnt/cfg/saved.dat"), Bytes({'S', 'a', 'v', 'e', 'd', ' ', 'a', 'u', 't', 'o', 'r', 'e', 'g', '.', 'd', 't', 'a'}));
  const Bytes file = root.Read("/mnt/cfg/autoreg.dta");
  ASSERT_EQ(file.size(), 8 + reg::kImageSize);
  EXPECT_EQ(file[2] | file[3], 0);
  EXPECT_EQ(root.Read("/mnt/cfg/bbram.dta").size(), kBbramSize);
  EXPECT_FALSE(root.Exists("/mnt/cfg/autoreg.dta.new"));

  std::memset(plc_reg, 0, reg::kImageSize);
  bbram[5] = 0;
  EXPECT_EQ(AutoLoadRegisters(), 1);
  EXPECT_EQ(Bytes(plc_reg + reg::kOffF, plc_reg + reg::kOffESR), before);
  EXPECT_EQ(bbram[5], 0x99);
}

TEST_F(Retentive, ASaveCreatesNoFile) {
  EXPECT_EQ(AutoSaveRegisters(), 0);
  EXPECT_FALSE(root.Exists("/mnt/cfg/autoreg.dta"));
  EXPECT_FALSE(root.Exists("/mnt/cfg/bbram.dta"));
}

// Each file is whole on disk before it replaces the old one, and its new name is on disk
// before the save reports success: write, fsync, rename, then the directory's fsync.
TEST_F(Retentive, ASaveSyncsEachFileBeforeItReplacesTheOld) {
  root.Write("/mnt/cfg/autoreg.dta", Bytes{});
  root.Write("/mnt/cfg/bbram.dta", Bytes{});
  static std::vector<std::pair<CfgStep, std::string>> steps;
  steps.clear();
  CfgObserveSteps([](CfgStep step, const char* target) { steps.emplace_back(step, target); });
  const int saved = AutoSaveRegisters();
  CfgObserveSteps(nullptr);
  EXPECT_EQ(saved, 1);
  const std::string ram = root.Host("/mnt/cfg/bbram.dta"), image = root.Host("/mnt/cfg/autoreg.dta");
  using S = CfgStep;
  EXPECT_EQ(steps, (std::vector<std::pair<CfgStep, std::string>>{{S::kWrite, ram},
                                                                {S::kFsync, ram},
                                                                {S::kRename, ram},
                                                                {S::kDirFsync, ram},
                                                                {S::kWrite, image},
                                                                {S::kFsync, image},
                                                                {S::kRename, image},
                                                                {S::kDirFsync, image}}));
}

// A save on another thread than the loop's (the watchdog monitor) while the loop runs:
// each pass writes a pair of registers and a pair of battery-RAM bytes one after the
// other, so only a copy taken between two passes holds each pair equal.
TEST_F(Retentive, ASaveBesideTheLoopTakesTheImagesBetweenTwoPasses) {
  root.Write("/mnt/cfg/autoreg.dta", Bytes{});
  root.Write("/mnt/cfg/bbram.dta", Bytes{});
  constexpr uint32_t kR2 = kR1 + 2 * 4000;  // R4001, far from R1 in the image
  auto* r1 = reinterpret_cast<volatile uint16_t*>(plc_reg + kR1);
  auto* r2 = reinterpret_cast<volatile uint16_t*>(plc_reg + kR2);
  volatile uint8_t* b1 = bbram;
  volatile uint8_t* b2 = bbram + kBbramSize - 1;
  std::atomic<bool> stop{false};
  std::promise<void> running;
  std::thread loop([&] {
    SetRegisterLoopThread(true);
    running.set_value();
    for (uint16_t n = 1; !stop.load(std::memory_order_relaxed); ++n) {
      *r1 = n;
      *b1 = uint8_t(n);
      *r2 = n;
      *b2 = uint8_t(n);
      ServeRegisterSnapshot();
    }
  });
  running.get_future().wait();
  int torn = 0;
  for (int round = 0; round < 30; ++round) {
    ASSERT_EQ(AutoSaveRegisters(), 1);
    bool short_read = true;
    const uint8_t* image = retentive::ReadRegisterFile("/mnt/cfg/autoreg.dta", short_read);
    ASSERT_NE(image, nullptr) << "round " << round;
    uint16_t a, b;
    std::memcpy(&a, image + kR1, 2);
    std::memcpy(&b, image + kR2, 2);
    const Bytes ram = root.Read("/mnt/cfg/bbram.dta");
    ASSERT_EQ(ram.size(), kBbramSize);
    torn += a != b || ram.front() != ram.back();
  }
  stop = true;
  loop.join();
  EXPECT_EQ(torn, 0) << "of 30 saves";
}

// A loop that never comes back between passes (the reason the watchdog monitor saves)
// does not stop the save: after a while the saver copies the images itself.
TEST_F(Retentive, ASaveBesideAStuckLoopStillSaves) {
  root.Write("/mnt/cfg/autoreg.dta", Bytes{});
  std::promise<void> registered, release;
  std::thread loop([&] {
    SetRegisterLoopThread(true);
    registered.set_value();
    release.get_future().wait();
  });
  registered.get_future().wait();
  plc_reg[kR1] = 0x6B;
  const int saved = AutoSaveRegisters();
  release.set_value();
  loop.join();
  EXPECT_EQ(saved, 1);
  EXPECT_EQ(root.Read("/mnt/cfg/autoreg.dta")[8 + kR1], 0x6B);
}

// A full file system at any point of the save: the result is 0, boot status 0x01, and the
// previous file stays whole.
TEST_F(Retentive, AFullFileSystemKeepsThePreviousFile) {
  const Bytes old = RegisterFile(kAutoQuiet);
  for (std::size_t limit : {std::size_t(0), std::size_t(5), std::size_t(4096), reg::kImageSize}) {
    root.Write("/mnt/cfg/autoreg.dta", old);
    BootStatusSet(0);
    plc_reg[kR1] = 0x77;
    int saved;
    {
      ts::FileSizeLimit full(limit);
      saved = AutoSaveRegisters();
    }
    EXPECT_EQ(saved, 0) << limit;
    EXPECT_EQ(BootStatusGet(), boot::kAutoregWriteFailed) << limit;
    EXPECT_EQ(root.Read("/mnt/cfg/autoreg.dta"), old) << limit;
    EXPECT_FALSE(root.Exists("/mnt/cfg/autoreg.dta.new")) << limit;
  }
}

// A process killed at random points while it saves two images in turn: every start
// afterwards finds one of the two, whole, never a mixture or a file that fails its check.
TEST_F(Retentive, ASaveKilledAnywhereLeavesTheOldOrTheNewImage) {
  root.Write("/mnt/cfg/autoreg.dta", Bytes{});
  root.Write("/mnt/cfg/bbram.dta", Bytes{});
  std::mt19937 random(1234);
  std::set<uint16_t> seen;
  for (int run = 0; run < 16; ++run) {
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      ::close(ready[0]);
      for (uint16_t n = 1;; ++n) {
        const uint16_t mark = uint16_t(run * 1000 + (n % 2) + 1);
        std::memcpy(plc_reg + kR1, &mark, 2);
        for (std::size_t i = kR1 + 2; i < reg::kImageSize; i += 64) plc_reg[i] = uint8_t(mark);
        if (AutoSaveRegisters() != 1) ::_exit(3);
        if (n == 2 && ::write(ready[1], "x", 1) != 1) ::_exit(4);
      }
    }
    ::close(ready[1]);
    char byte;
    ASSERT_EQ(::read(ready[0], &byte, 1), 1);
    ::close(ready[0]);
    ::usleep(std::uniform_int_distribution<useconds_t>(0, 80000)(random));
    ::kill(child, SIGKILL);
    int status;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the saver failed with " << WEXITSTATUS(status);

    bool short_read = true;
    const uint8_t* image = retentive::ReadRegisterFile("/mnt/cfg/autoreg.dta", short_read);
    ASSERT_NE(image, nullptr) << "run " << run << ": the file is " << (short_read ? "short" : "bad");
    uint16_t mark;
    std::memcpy(&mark, image + kR1, 2);
    EXPECT_TRUE(mark == run * 1000 + 1 || mark == run * 1000 + 2) << mark;
    for (std::size_t i = kR1 + 2; i < reg::kImageSize; i += 64) ASSERT_EQ(image[i], uint8_t(mark));
    seen.insert(uint16_t(mark % 1000));
  }
  EXPECT_EQ(seen.size(), 2u) << "both images were found over the runs";
}

// ---- Power-down -----------------------------------------------------------------------

TEST_F(Retentive, PowerDownSavesMarksAndSwitchesOff) {
  root.Write("/mnt/cfg/autoreg.dta", Bytes{});
  plat::power_model::Hold(true);
  BootStatusSet(0x41);
  plc_reg[kR1] = 0x5A;
  PowerDownSignaled(44);
  EXPECT_EQ(PowerdownSignal, 1);
  PowerDown();
  std::vector<std::string> names;
  for (const std::string& n : plat::TraceNames())
    if (n == "StopWatchdog" || n == "AutoSaveRegisters" || n == "CreateSavedFile") names.push_back(n);
  EXPECT_EQ(names, (std::vector<std::string>{"StopWatchdog", "AutoSaveRegisters", "CreateSavedFile"}));
  EXPECT_EQ(BootStatusGet(), 0x41u | boot::kOrderlyShutdown);
  EXPECT_GT(plat::power_model::SwitchOffWrites(), 0u);
  EXPECT_TRUE(root.Exists("/mnt/cfg/saved.dat"));
  std::memset(plc_reg, 0, reg::kImageSize);
  EXPECT_EQ(AutoLoadRegisters(), 1);
  EXPECT_EQ(plc_reg[kR1], 0x5A);
}

TEST_F(Retentive, GpioInitRegistersForThePowerFailSignal) {
  PowerdownSignal = 0;
  GPIOInit();
  EXPECT_EQ(plat::power_model::NoticePid(), ::getpid());
  ::raise(44);
  EXPECT_EQ(PowerdownSignal, 1);
  PowerdownSignal = 0;
  // The boot status word lives in the mapped model file from now on.
  BootStatusSet(0x1234);
  EXPECT_TRUE(plat::SyncPersistentRegs());
  const Bytes regs = root.Read("/dev/persistent_regs");
  ASSERT_GE(regs.size(), 16u);
  uint32_t word;
  std::memcpy(&word, regs.data() + 12, 4);
  EXPECT_EQ(word, 0x1234u);
}

// ---- The operator's backup ------------------------------------------------------------

TEST_F(Retentive, StoreRestoreAndEraseTheBackup) {
  root.Write("/mnt/cfg/autoreg.dta", Bytes{});
  plc_reg[kR1] = 0x21;
  SrSet(164, 0x40 | 0x04);
  SrSet(5, 2);
  EXPECT_EQ(StoreBBRAM(), 1);
  EXPECT_EQ(SrGet(164), 0x08);
  EXPECT_EQ(retentive::crcsize_tbl[retentive::kStoredMark], 90);
  const Bytes file = root.Read("/mnt/cfg/bkpreg.dta");
  ASSERT_EQ(file.size(), 8 + reg::kImageSize + 8);
  EXPECT_EQ(file[8 + kR1], 0x21);

  // The registers change; a restore brings the stored ones back but keeps the mode.
  plc_reg[kR1] = 0x22;
  SrSet(5, 0);
  SrSet(164, 0x08);
  RestoreBBRAM(1);
  EXPECT_EQ(plc_reg[kR1], 0x21);
  EXPECT_EQ(SrGet(5), 0);
  EXPECT_EQ(SrGet(164), 0x08 | 0x04);
  EXPECT_EQ(retentive::crcsize_tbl[retentive::kFileMark], 0);
  EXPECT_EQ(runner.Lines(), (std::vector<std::string>{"sync", "reboot"}));
  EXPECT_EQ(root.Read("/mnt/cfg/autoreg.dta")[8 + kR1], 0x21) << "saved before the restart";

  // A start-up reload of the file finds the same block.
  std::memset(retentive::crcsize_tbl, 0, 16);
  EXPECT_EQ(LoadRegisters(), 1);
  EXPECT_EQ(retentive::crcsize_tbl[8 + kR1], 0x21);

  EXPECT_EQ(EraseBackupData(), 1);
  EXPECT_EQ(SrGet(164) & 0x0C, 0);
  EXPECT_FALSE(root.Exists("/mnt/cfg/bkpreg.dta"));
  EXPECT_EQ(retentive::crcsize_tbl[retentive::kFileMark], 0xFF);
  EXPECT_EQ(LoadRegisters(), 0);
}

TEST_F(Retentive, ARestoreOfABlockThatIsNoImageDoesNothing) {
  plc_reg[kR1] = 0x33;
  StoreBBRAM();
  plc_reg[kR1] = 0x34;
  for (uint32_t length : {uint32_t(reg::kImageSize - 2), 0xFFFFFFFFu}) {
    std::memcpy(retentive::crcsize_tbl + 4, &length, 4);
    RestoreBBRAM(1);
    EXPECT_EQ(plc_reg[kR1], 0x34);
  }
  EXPECT_EQ(plat::TraceCountOf("SYS_WarmReset"), 0u);
}

TEST_F(Retentive, RestoreSrRegMirrorsEveryTable) {
  SetBlockCrc(ladder_bl, 0xBEEF);
  SetBlockSize(ladder_bl, 0x12345);
  SetBlockCrc(vtn_pgm_bl, 0x1111);
  SetBlockSize(vtn_pgm_bl, 77);
  RestoreSRReg();
  EXPECT_EQ(SrGet(23), 0xBEEF);
  EXPECT_EQ(SrGet32(11), 0x12345u);
  EXPECT_EQ(SrGet(125), 0x1111);
  EXPECT_EQ(SrGet32(113), 77u);
}

TEST_F(Retentive, DelAutoRegFileKeepsTheNodeIdsAndMarksAnOrderlyStop) {
  root.Write("/mnt/cfg/autoreg.dta", RegisterFile(kAutoQuiet));
  SrSet(29, 9);
  SrSet(30, 2);
  BootStatusSet(0x41);
  ResetCounterSet(5);
  EXPECT_EQ(DelAutoRegFile(), 1);
  EXPECT_EQ(root.Read("/mnt/cfg/retnreg.dta"), (Bytes{9, 0, 2, 0}));
  EXPECT_EQ(BootStatusGet(), boot::kOrderlyShutdown);
  EXPECT_EQ(ResetCounterGet(), 0u);
  EXPECT_FALSE(root.Exists("/mnt/cfg/autoreg.dta"));
  EXPECT_EQ(DelAutoRegFile(), 0);
}

// ---- MAC provisioning -----------------------------------------------------------------

struct MacCase {
  const char* name;
  std::optional<std::string> list;
  Bytes block_mac;  // what the block holds before
  int result;
  Bytes mac_after;
  std::optional<std::string> list_after;
};

class MacTable : public Retentive, public ::testing::WithParamInterface<MacCase> {};

TEST_P(MacTable, HandsOutTheNextAddress) {
  const MacCase& c = GetParam();
  if (c.list) root.Write("/mnt/USB/MACIDS.TXT", *c.list);
  uint8_t block[kTinyImageCap] = {};
  std::memcpy(block + kTinyMac0, c.block_mac.data(), 6);
  EXPECT_EQ(SaveMACID(block), c.result);
  EXPECT_EQ(Bytes(block + kTinyMac0, block + kTinyMac0 + 6), c.mac_after);
  if (c.list_after) {
    const Bytes text = root.Read("/mnt/USB/MACIDS.TXT");
    EXPECT_EQ(std::string(text.begin(), text.end()), *c.list_after);
  }
  EXPECT_EQ(root.Exists("/mnt/cfg/TINYIMGE.BIN"), c.result == 0);
  if (c.result == 0) {
    EXPECT_EQ(root.Read("/mnt/cfg/TINYIMGE.BIN"), Bytes(block, block + kTinyImageCap));
  }
}

const Bytes kNone(6, 0);

INSTANTIATE_TEST_SUITE_P(
    Lists, MacTable,
    ::testing::Values(
        MacCase{"Next", "02:50:4E:00:00:10\r\n02:50:4E:00:00:20\r\n", kNone, 0, {2, 0x50, 0x4E, 0, 0, 0x10},
                "02:50:4E:00:00:11\r\n02:50:4E:00:00:20\r\n"},
        MacCase{"CarryAndLowerCase", "02-50-4e-00-ff-ff 02-50-4e-01-00-00", kNone, 0, {2, 0x50, 0x4E, 0, 0xFF, 0xFF},
                "02-50-4E-01-00-00 02-50-4e-01-00-00"},
        MacCase{"LastOfTheRange", "02:50:4E:00:00:20\n02:50:4E:00:00:20\n", kNone, 0, {2, 0x50, 0x4E, 0, 0, 0x20},
                "02:50:4E:00:00:21\n02:50:4E:00:00:20\n"},
        MacCase{"Exhausted", "02:50:4E:00:00:21\n02:50:4E:00:00:20\n", kNone, 4, kNone,
                "02:50:4E:00:00:21\n02:50:4E:00:00:20\n"},
        MacCase{"BlockHoldsOneAlready", "02:50:4E:00:00:10\n02:50:4E:00:00:20\n", {2, 0x50, 0x4E, 9, 9, 9}, 0,
                {2, 0x50, 0x4E, 9, 9, 9}, "02:50:4E:00:00:10\n02:50:4E:00:00:20\n"},
        MacCase{"NotHex", "02:50:4E:00:0G:10\n02:50:4E:00:00:20\n", kNone, 2, kNone, std::nullopt},
        MacCase{"NoSeparator", "02504E:00:00:10:\n02:50:4E:00:00:20\n", kNone, 2, kNone, std::nullopt},
        MacCase{"OneAddressOnly", "02:50:4E:00:00:10", kNone, 2, kNone, std::nullopt},
        MacCase{"AnotherMaker", "00:11:22:00:00:10\n00:11:22:00:00:20\n", kNone, 2, kNone, std::nullopt},
        MacCase{"NoList", std::nullopt, kNone, 3, kNone, std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Retentive, AHardwareBlockWithTheMakersAddressIsStoredAndApplied) {
  const uint8_t mac[6] = {2, 0x50, 0x4E, 0x12, 0x34, 0x56};
  std::memcpy(tinyImage + kTinyMac0, mac, 6);
  const Bytes block(tinyImage, tinyImage + kTinyImageCap);
  EXPECT_EQ(SaveAndSetMACID(), 0);
  EXPECT_EQ(SrGet(36), 0x4E12);
  EXPECT_EQ(SrGet(35), 0x3456);
  EXPECT_EQ(root.Read("/mnt/cfg/TINYIMGE.BIN"), block);
  EXPECT_EQ(plat::TraceCountOf("Etn_SetMacId"), 1u);

  tinyImage[kTinyMac0] = 0;
  SrSet(36, 0);
  EXPECT_EQ(SaveAndSetMACID(), 1);
  EXPECT_EQ(SrGet(36), 0);
}

TEST_F(Retentive, AFaultWritesTheBackTrace) {
  root.Write("/mnt/cfg/logfile", "old");
  EXPECT_EQ(GenLogFile(), 1);
  EXPECT_FALSE(root.Read("/mnt/cfg/logfile").empty());
}

}  // namespace
