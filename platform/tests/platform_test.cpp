// The device root, the command runner and the call trace.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/media.h"
#include "platform/root.h"
#include "platform/runner.h"
#include "platform/trace.h"
#include "testsupport/recording_runner.h"
#include "testsupport/temp_root.h"

namespace {

TEST(DeviceRoot, MapsUnitPathsBelowTheRoot) {
  ts::TempRoot root;
  EXPECT_EQ(plat::HostPath("/mnt/cfg/ladder.pgm"), root.path() + "/mnt/cfg/ladder.pgm");
  for (const char* bad : {"mnt/cfg", "/mnt/../etc/passwd", "/..", "/mnt/USB0/.."}) {
    EXPECT_EQ(plat::HostPath(bad), "") << bad;
  }
  EXPECT_NE(plat::HostPath("/mnt/a..b/..c"), "");  // dots inside a name are fine
  char small[8];
  EXPECT_FALSE(plat::MapPath("/mnt/cfg/ladder.pgm", small, sizeof small));
}

TEST(HostRunner, RunsFileCommandsInsideTheRootAndRefusesTheRest) {
  ts::TempRoot root;
  root.Write("/mnt/USB0/EndOfFTP.txt", "x");
  EXPECT_EQ(plat::RunCommand({"rm", "/mnt/USB0/EndOfFTP.txt"}), 0);
  EXPECT_FALSE(root.Exists("/mnt/USB0/EndOfFTP.txt"));
  EXPECT_EQ(plat::RunCommand({"mkdir", "-p", "/mnt/USB0/LOGS"}), 0);
  EXPECT_TRUE(root.Exists("/mnt/USB0/LOGS"));
  for (auto prog : {"reboot", "killall", "sh"}) {
    EXPECT_EQ(plat::RunCommand({prog, "x"}), plat::kCommandRefused) << prog;
  }
  EXPECT_EQ(plat::RunCommand({"rm", "/mnt/../../etc/hostname"}), plat::kCommandRefused);
}

TEST(HostRunner, MountsFormatsAndUnmountsMediaOfTheStandIn) {
  ts::TempRoot root;
  root.Write("/dev/sda1/Old.Txt", "x");
  EXPECT_EQ(plat::RunCommand({"mount", "-t", "vfat", "/dev/sdb1", "/mnt/USB1"}), 32) << "no such medium";
  EXPECT_EQ(plat::RunCommand({"mount", "-o", "remount,rw", "/dev/sda1", "/mnt/USB1"}), 32) << "nothing mounted";
  ASSERT_EQ(plat::RunCommand({"mount", "-t", "vfat", "/dev/sda1", "/mnt/USB1"}), 0);
  EXPECT_TRUE(plat::IsMediumMounted("/mnt/USB1"));
  EXPECT_EQ(plat::MountMedium("/dev/sda1", "/mnt/USB1"), EBUSY);
  char host[4096];
  ASSERT_TRUE(plat::MapMediaPath("/mnt/USB1/old.txt", host, sizeof host));
  EXPECT_EQ(std::string(host), root.Host("/mnt/USB1/Old.Txt"));
  ASSERT_TRUE(plat::MapMediaPath("/mnt/USB1/OLD.TXT/new", host, sizeof host));
  EXPECT_EQ(std::string(host), root.Host("/mnt/USB1/Old.Txt/new"));
  ASSERT_TRUE(plat::MapMediaPath("/mnt/cfg/old.txt", host, sizeof host));
  EXPECT_EQ(std::string(host), root.Host("/mnt/cfg/old.txt")) << "the flash is case-sensitive";
  EXPECT_EQ(plat::RunCommand({"mkfs.vfat", "-I", "/dev/sda1"}), 1) << "mounted";
  EXPECT_EQ(plat::RunCommand({"umount", "/mnt/USB1"}), 0);
  EXPECT_FALSE(plat::IsMediumMounted("/mnt/USB1"));
  EXPECT_EQ(plat::RunCommand({"umount", "/mnt/USB1"}), 32);
  EXPECT_EQ(plat::RunCommand({"mkfs.vfat", "-I", "/dev/sda1"}), 0);
  EXPECT_FALSE(root.Exists("/dev/sda1/Old.Txt"));
  EXPECT_TRUE(root.Exists("/dev/sda1"));
}

// A relative path would name a file of the host's working directory, not of the unit.
TEST(HostRunner, RefusesRelativePaths) {
  ts::TempRoot root;
  root.Write("/victim", "x");
  char previous[4096];
  ASSERT_NE(::getcwd(previous, sizeof previous), nullptr);
  ASSERT_EQ(::chdir(root.path().c_str()), 0);
  const int rm = plat::RunCommand({"rm", "-f", "victim"});
  const int mkdir = plat::RunCommand({"mkdir", "made"});
  const int cp = plat::RunCommand({"cp", "/victim", "copy"});
  ASSERT_EQ(::chdir(previous), 0);
  EXPECT_EQ(rm, plat::kCommandRefused);
  EXPECT_EQ(mkdir, plat::kCommandRefused);
  EXPECT_EQ(cp, plat::kCommandRefused);
  EXPECT_TRUE(root.Exists("/victim"));
  EXPECT_FALSE(root.Exists("/made"));
  EXPECT_FALSE(root.Exists("/copy"));
}

TEST(RecordingRunner, RecordsAndAnswersAsConfigured) {
  ts::RecordingRunner rec;
  rec.SetStatus("mkfs.vfat", 3);
  EXPECT_EQ(plat::RunCommand({"mkfs.vfat", "-I", "/dev/mmcblk0p1"}), 3);
  EXPECT_EQ(plat::RunCommand({"reboot"}), 0);
  EXPECT_EQ(rec.Lines(), (std::vector<std::string>{"mkfs.vfat -I /dev/mmcblk0p1", "reboot"}));
}

TEST(Trace, RecordsOnlyWhileEnabled) {
  plat::TraceClear();
  plat::TraceCall("off");
  plat::TraceEnable(true);
  plat::TraceCall("a", 1, 2);
  plat::TraceCall("b");
  plat::TraceEnable(false);
  EXPECT_EQ(plat::TraceNames(), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(plat::TraceSnapshot()[0].b, 2);
}

}  // namespace
