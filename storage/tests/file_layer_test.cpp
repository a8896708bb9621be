// The file layer: mounting the card and the stick on demand and noticing their removal,
// path mapping, vfat names, the shell mounts, status numbers, and the media-space figures.
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <thread>

#include "fxe.h"
#include "storage_fixture.h"
#include "testsupport/recording_runner.h"

namespace st {
namespace {

namespace fs = std::filesystem;

class FileLayer : public StorageTest {};

int WriteText(const char* path, const std::string& text, int mode = 2) {
  CfFile f{};
  int status = CF_Open(&f, path, mode);
  if (status != kCfOk) return status;
  uint32_t n = 0;
  status = CF_Write(&f, text.data(), uint32_t(text.size()), &n);
  CF_Close(&f);
  return status;
}

std::string ReadText(const char* path) {
  CfFile f{};
  if (CF_Open(&f, path, 0) != kCfOk) return "<missing>";
  std::string out;
  char buf[64];
  uint32_t n = 0;
  while (CF_Read(&f, buf, sizeof buf, &n) == kCfOk) out.append(buf, n);
  CF_Close(&f);
  return out;
}

TEST_F(FileLayer, CardIsMountedWhenInsertedAndUnmountedWhenRemoved) {
  EXPECT_EQ(Cf_Check(0), 0);
  EXPECT_EQ(CF_GetStatus(0), kCfDriveAbsent);
  ts::Insert(root_, ts::kCard);
  EXPECT_EQ(CF_GetStatus(0), kCfOk);
  EXPECT_TRUE(plat::IsMediumMounted("/mnt/USB0"));
  ASSERT_EQ(WriteText("A:\\DATA.CSV", "1,2\r\n"), kCfOk);
  EXPECT_EQ(ReadHost(ts::OnMedium(root_, ts::kCard, "/DATA.CSV")), "1,2\r\n");

  ts::Remove(root_, ts::kCard);
  EXPECT_EQ(WriteText("A:\\DATA.CSV", "x"), kCfDriveAbsent);
  EXPECT_EQ(CfResult, kFxeNoDrive);
  EXPECT_FALSE(plat::IsMediumMounted("/mnt/USB0"));
  EXPECT_EQ(MntDrive[0].mounted, 0);

  ts::Insert(root_, ts::kCard);
  EXPECT_EQ(Cf_Check(0), 3);
  EXPECT_EQ(WriteText("A:\\NEW.TXT", "again"), kCfOk);
}

TEST_F(FileLayer, PathsMapBelowTheirDrivesMountPoint) {
  ts::Insert(root_, ts::kCard);
  ts::Insert(root_, ts::kStick);
  const struct {
    const char* path;
    std::string host;
  } cases[] = {
      {"Z:\\web\\index.htm", root_.Host("/mnt/cfg/web/index.htm")},
      {"A:data.csv", ts::OnMedium(root_, ts::kCard, "/DATA.CSV")},
      {"X.CSV", ts::OnMedium(root_, ts::kCard, "/X.CSV")},
      {"B:\\LOG\\X.CSV", ts::OnMedium(root_, ts::kStick, "/LOG/X.CSV")},
      {"b:y.csv", ts::OnMedium(root_, ts::kStick, "/y.csv")},
      {"B:/LOG/x.csv", ts::OnMedium(root_, ts::kStick, "/LOG/X.CSV")},
  };
  for (const auto& c : cases) {
    fs::create_directories(fs::path(c.host).parent_path());
    WriteHost(c.host, c.host);
  }
  for (const auto& c : cases) EXPECT_EQ(ReadText(c.path), c.host) << c.path;
  EXPECT_EQ(WriteText("C:\\X", "x"), kCfDriveAbsent);
  EXPECT_EQ(CfResult, kFxeNoDrive);
}

TEST_F(FileLayer, BareNameWithLetterIsTakenInThatDrivesCurrentDirectory) {
  ts::Insert(root_, ts::kStick);
  ASSERT_EQ(CF_MakeDir(1, "B:\\LOGS"), kCfOk);
  ASSERT_EQ(CF_ChangeDir(1, "\\LOGS"), kCfOk);
  EXPECT_EQ(WriteText("b:x.csv", "in logs"), kCfOk);
  EXPECT_EQ(ReadHost(ts::OnMedium(root_, ts::kStick, "/LOGS/X.CSV")), "in logs");
}

TEST_F(FileLayer, AppendThroughLowerCasePathFindsTheUpperCaseFile) {
  ts::Insert(root_, ts::kCard);
  ASSERT_EQ(CF_MakeDir(0, "A:\\Log"), kCfOk);
  ASSERT_EQ(WriteText("A:\\Log\\Day.csv", "first\r\n"), kCfOk);
  EXPECT_TRUE(fs::exists(ts::OnMedium(root_, ts::kCard, "/LOG/DAY.CSV")));
  ASSERT_EQ(WriteText("a:\\log\\day.csv", "second\r\n", kCfAppend), kCfOk);
  EXPECT_EQ(ReadText("a:\\LOG\\day.CSV"), "first\r\nsecond\r\n");
  int entries = 0;
  for (auto& e : fs::directory_iterator(ts::OnMedium(root_, ts::kCard, "/LOG"))) entries += e.is_regular_file();
  EXPECT_EQ(entries, 1);
  // Appending to a file that does not exist is refused.
  EXPECT_EQ(WriteText("A:\\LOG\\NONE.CSV", "x", kCfAppend), kCfNotFound);
}

TEST_F(FileLayer, DriveAMountsThroughTheShellForTheFtpGroup) {
  ts::RecordingRunner runner;
  ts::Insert(root_, ts::kCard);
  EXPECT_EQ(Cf_Check(0), 3);
  const auto lines = runner.Lines();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], "umount /mnt/USB0");
  EXPECT_EQ(lines[1].rfind("mount -o umask=002", 0), 0u) << lines[1];
  EXPECT_NE(lines[1].find(" /dev/mmcblk0p1 /mnt/USB0"), std::string::npos) << lines[1];
  EXPECT_EQ(lines[2], "mount -o remount,rw /dev/mmcblk0p1 /mnt/USB0");
}

TEST_F(FileLayer, StickFallbackMountNamesTheFileSystemType) {
  ts::RecordingRunner runner;
  ts::Insert(root_, ts::kStick);
  plat::SetMediumMountError(EBUSY);
  EXPECT_EQ(Cf_Check(1), 3);
  const std::vector<std::string> expected = {"mount -t vfat /dev/sda1 /mnt/USB1",
                                             "mount -o remount,rw /dev/sda1 /mnt/USB1"};
  EXPECT_EQ(runner.Lines(), expected);
}

TEST_F(FileLayer, FailedShellMountLeavesTheDriveUnusable) {
  ts::RecordingRunner runner;
  runner.SetStatus("mount", 32);
  ts::Insert(root_, ts::kStick);
  plat::SetMediumMountError(EROFS);
  EXPECT_EQ(Cf_Check(1), 0);
  EXPECT_EQ(MntDrive[1].mounted, 0);
  // Nothing is written into the bare mount point instead of the stick.
  EXPECT_EQ(WriteText("B:\\X.TXT", "x"), kCfDriveAbsent);
  EXPECT_FALSE(fs::exists(root_.Host("/mnt/USB1/X.TXT")));
}

TEST_F(FileLayer, StickWithoutPartitionTableMountsTheWholeDevice) {
  fs::create_directories(root_.Host("/sys/block/sdb"));
  fs::create_directories(root_.Host("/dev/sdb"));
  EXPECT_EQ(Cf_Check(1), 3);
  EXPECT_STREQ(MntDrive[1].device, "/dev/sdb");
}

TEST_F(FileLayer, EndOfFileAndRenameOntoAnExistingFile) {
  ts::Insert(root_, ts::kCard);
  ASSERT_EQ(WriteText("A:\\A.TXT", "aa"), kCfOk);
  ASSERT_EQ(WriteText("A:\\B.TXT", "bb"), kCfOk);
  CfFile f{};
  ASSERT_EQ(CF_Open(&f, "A:\\A.TXT", 0), kCfOk);
  char buf[8];
  uint32_t n = 99;
  ASSERT_EQ(CF_Read(&f, buf, sizeof buf, &n), kCfOk);
  EXPECT_EQ(_fxe_file_read(&f, buf, sizeof buf, &n), kFxeEndOfFile);
  EXPECT_EQ(n, 0u);
  EXPECT_EQ(CF_Read(&f, buf, sizeof buf, &n), kCfEndOfFile);
  CF_Close(&f);

  const CfRename onto = {"A:\\A.TXT", "A:\\B.TXT"};
  EXPECT_EQ(CF_RenameFile(0, &onto), kCfExists);
  EXPECT_EQ(CfResult, kFxeExists);
  EXPECT_EQ(ReadText("A:\\A.TXT"), "aa");
  EXPECT_EQ(ReadText("A:\\B.TXT"), "bb");
  const CfRename missing = {"A:\\NONE.TXT", "A:\\C.TXT"};
  EXPECT_EQ(CF_RenameFile(0, &missing), kCfNotFound);
  const CfRename across = {"A:\\A.TXT", "Z:\\A.TXT"};
  EXPECT_EQ(CF_RenameFile(0, &across), kCfInvalid);
  const CfRename ok = {"A:\\A.TXT", "A:\\C.TXT"};
  EXPECT_EQ(CF_RenameFile(0, &ok), kCfOk);
  EXPECT_EQ(ReadText("A:\\C.TXT"), "aa");
}

TEST_F(FileLayer, FailuresOfDirectoryCallsAreNotReportedAsSuccess) {
  // A link that points to itself cannot be followed: chmod fails with ELOOP.
  ASSERT_EQ(::symlink("loop", root_.Host("/mnt/cfg/loop").c_str()), 0);
  EXPECT_EQ(_fxe_directory_attributes_set(&Cf_Media3, "Z:\\loop", 0), kFxeFailed);
  EXPECT_EQ(_fxe_directory_attributes_set(&Cf_Media3, "Z:\\none", 0), kFxeBadPath);
  EXPECT_EQ(_fxe_directory_create(&Cf_Media3, "Z:\\loop\\sub"), kFxeFailed);
  EXPECT_EQ(_fxe_directory_create(&Cf_Media3, "Z:\\DIR"), kFxeOk);
  EXPECT_EQ(_fxe_directory_create(&Cf_Media3, "Z:\\DIR"), kFxeExists);
}

TEST_F(FileLayer, MediaSpaceFileShowsZerosForADriveWithNothingMounted) {
  ts::Insert(root_, ts::kCard);
  ASSERT_EQ(Cf_Check(0), 3);
  MediaSpaceWriteOnce();
  const std::string bytes = ReadHost(root_.Host("/dev/shm/read.dat"));
  ASSERT_EQ(bytes.size(), 24u);
  uint32_t v[6];
  std::memcpy(v, bytes.data(), 24);
  EXPECT_GT(v[1], 0u);  // the card's total
  EXPECT_GT(v[2], 0u);
  EXPECT_EQ(v[3], 0u);  // the stick: not mounted
  EXPECT_EQ(v[4], 0u);
  EXPECT_EQ(v[5], 0u);
  EXPECT_FALSE(fs::exists(root_.Host("/dev/shm/read.dat.new")));

  // The first call has no earlier figures for the total; the second has.
  uint32_t total = 1, free = 0;
  EXPECT_EQ(CF_GetFreeSpace(0, &total, &free), kCfOk);
  EXPECT_EQ(total, 0u);
  EXPECT_EQ(free, uint32_t(uint64_t(v[0]) * (v[2] / 1024)));
  EXPECT_EQ(CF_GetFreeSpace(0, &total, &free), kCfOk);
  EXPECT_EQ(total, uint32_t(uint64_t(v[1]) * (v[2] / 1024)));
  EXPECT_EQ(CF_GetFreeSpace(1, &total, &free), kCfRefused);  // no stick: total 0
}

TEST_F(FileLayer, ShortMediaSpaceFileIsNoFigures) {
  root_.Write("/dev/shm/read.dat", std::string(10, '\x7f'));
  uint32_t total = 0, free = 0;
  EXPECT_EQ(CF_GetFreeSpace(0, &total, &free), kCfRefused);
  EXPECT_EQ(free, 0u);
  EXPECT_EQ(Cf_Media.figures_valid, 0);
}

TEST_F(FileLayer, MediaSpaceChildWritesTheFigures) {
  ts::Insert(root_, ts::kCard);
  ASSERT_EQ(Cf_Check(0), 3);
  const pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) BackTsk();
  const std::string file = root_.Host("/dev/shm/read.dat");
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!fs::exists(file) && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  ::kill(pid, SIGKILL);
  ::waitpid(pid, nullptr, 0);
  ASSERT_TRUE(fs::exists(file));
  EXPECT_EQ(fs::file_size(file), 24u);
}

TEST_F(FileLayer, FormatEmptiesTheMediumAndMountsItAgain) {
  ts::Insert(root_, ts::kStick);
  ASSERT_EQ(WriteText("B:\\OLD.TXT", "old"), kCfOk);
  EXPECT_EQ(Cf_Format(0, 1), 3);
  EXPECT_TRUE(plat::IsMediumMounted("/mnt/USB1"));
  EXPECT_FALSE(fs::exists(ts::OnMedium(root_, ts::kStick, "/OLD.TXT")));
  EXPECT_EQ(Cf_Format(0, 0), 0);  // no card
}

}  // namespace
}  // namespace st
