// The drives: finding the card's and the stick's devices under /sys/block, mounting them
// on demand, noticing their removal, and mapping panel paths below the mount points.
#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <limits.h>
#include <pthread.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

#include "fxe.h"
#include "ground/loop.h"
#include "ground/rtc.h"
#include "ground/timebase.h"
#include "platform/media.h"
#include "platform/root.h"
#include "platform/runner.h"
#include "platform/trace.h"

namespace {
// The card's and the stick's devices are found when they are mounted.
constexpr MntEntry kPowerOnDrives[kCfDrives] = {
    {"", "/mnt/USB0", 0}, {"", "/mnt/USB1", 0}, {"/dev/ubi0_2", "/mnt/cfg", 0}};
}  // namespace

MntEntry MntDrive[kCfDrives] = {kPowerOnDrives[0], kPowerOnDrives[1], kPowerOnDrives[2]};
volatile uint8_t FileMutex = 0;

namespace {

bool UnitAccessible(const char* unit_path) {
  char host[PATH_MAX];
  return plat::MapPath(unit_path, host, sizeof host) && ::access(host, F_OK) == 0;
}

bool DeviceOpens(const char* device) {
  char host[PATH_MAX];
  if (!plat::MapPath(device, host, sizeof host)) return false;
  const int fd = ::open(host, O_RDONLY | O_NONBLOCK);
  if (fd < 0) return false;
  ::close(fd);
  return true;
}

// The first block device (in name order) whose name contains key; "" when none.
std::string FindBlockDevice(const char* key) {
  char host[PATH_MAX];
  if (!plat::MapPath("/sys/block", host, sizeof host)) return {};
  DIR* dir = ::opendir(host);
  if (dir == nullptr) return {};
  std::string best;
  while (const dirent* e = ::readdir(dir)) {
    if (std::strstr(e->d_name, key) != nullptr && (best.empty() || best > e->d_name)) best = e->d_name;
  }
  ::closedir(dir);
  return best;
}

// The partition device of drive 0 or 1, or false when no usable device is there.
bool FindDevice(int drive, char* device) {
  const std::string name = FindBlockDevice(drive == 0 ? "mmcblk" : "sd");
  if (name.empty() || name.size() > 8) return false;
  std::snprintf(device, sizeof MntDrive[0].device, "/dev/%s%s", name.c_str(), drive == 0 ? "p1" : "1");
  if (DeviceOpens(device)) return true;
  if (drive == 0) return false;
  // A stick without a partition table holds its file system on the whole device.
  std::snprintf(device, sizeof MntDrive[0].device, "/dev/%s", name.c_str());
  return DeviceOpens(device);
}

// The mount through the shell: the card readable and writable for the FTP group, the
// stick as plain vfat; both then remounted read-write. True when the mount succeeded.
bool ShellMount(int drive, bool after_mount) {
  MntEntry& m = MntDrive[drive];
  Enable_Interrupt(0);
  int rc;
  if (drive == 0) {
    if (after_mount) plat::RunCommand({"umount", m.mount_point});
    std::string options = "umask=002";
    if (const group* ftp = ::getgrnam("ftp")) options += ",gid=" + std::to_string(ftp->gr_gid);
    rc = plat::RunCommand({"mount", "-o", options, m.device, m.mount_point});
  } else {
    rc = plat::RunCommand({"mount", "-t", "vfat", m.device, m.mount_point});
  }
  if (rc != 0) return false;
  plat::RunCommand({"mount", "-o", "remount,rw", m.device, m.mount_point});
  return true;
}

}  // namespace

void UnmountDrive(const char* mount_point) {
  Enable_Interrupt(0);
  const int err = plat::UnmountMedium(mount_point);
  if (err != 0) {
    errno = err;
    std::perror("umount2");
  }
}

int MountDrive(int drive, const char** mount_point) {
  if (drive < 0 || drive >= kCfDrives) return 0;
  MntEntry& m = MntDrive[drive];
  if (mount_point != nullptr) *mount_point = m.mount_point;
  if (drive == 2) {
    // The internal flash volume is never unmounted here: it holds the program.
    m.mounted = UnitAccessible(m.mount_point) ? 1 : 0;
    return m.mounted;
  }
  if (m.mounted) {
    if (FileMutex) return 1;
    char host[PATH_MAX];
    struct statvfs vfs;
    if (plat::MapPath(m.device, host, sizeof host) && ::statvfs(host, &vfs) == 0) return 1;
    // The medium was removed.
    m.mounted = 0;
    UnmountDrive(m.mount_point);
    return 0;
  }
  if (!FindDevice(drive, m.device)) return 0;
  if (plat::IsMediumMounted(m.mount_point)) UnmountDrive(m.mount_point);
  const int err = plat::MountMedium(m.device, m.mount_point);
  if (err == 0 && drive == 1) {
    m.mounted = 1;
    return 1;
  }
  if (err != 0 && err != EROFS && err != EBUSY) return 0;
  if (!ShellMount(drive, err == 0)) return 0;
  m.mounted = 1;
  return 1;
}

int FxeMapPath(const CfMedia* media, const char* path, char* out, int* drive_out) {
  if (path == nullptr) return kFxeNoDrive;
  int drive = 0;
  const char* rest = path;
  if (path[0] != '\0' && path[1] == ':') {
    switch (path[0]) {
      case 'A': case 'a': drive = 0; break;
      case 'B': case 'b': drive = 1; break;
      case 'Z': case 'z': drive = 2; break;
      default: return kFxeNoDrive;
    }
    rest = path + 2;
  }
  const char* mount_point = nullptr;
  if (!MountDrive(drive, &mount_point)) return kFxeNoDrive;
  // A bare name (letter or not) is taken in the current directory of its drive.
  const bool bare = std::strpbrk(rest, "\\/") == nullptr;
  const CfMedia* cwd = media != nullptr && media->drive == drive ? media : CfMediaOf(drive);
  std::string unit = mount_point;
  std::string tail = bare && cwd != nullptr ? std::string(cwd->directory) + rest : std::string(rest);
  std::replace(tail.begin(), tail.end(), '\\', '/');
  if (tail.empty() || tail[0] != '/') unit += '/';
  unit += tail;
  if (unit.size() > kCfPathBytes - 1) unit.resize(kCfPathBytes - 1);
  if (drive_out != nullptr) *drive_out = drive;
  return plat::MapMediaPath(unit.c_str(), out, PATH_MAX) ? kFxeOk : kFxeNoDrive;
}

void FxeClockNow(struct timespec* now) {
  // The clock is read with the slice signal held off, so that no sliced scan moves it
  // half-way through.
  sigset_t block, old;
  sigemptyset(&block);
  sigaddset(&block, SIGALRM);
  pthread_sigmask(SIG_BLOCK, &block, &old);
  RtcRecord r{};
  const int ok = RtcGet(r);
  pthread_sigmask(SIG_SETMASK, &old, nullptr);
  std::tm t{};
  t.tm_year = r.year - 1900;
  t.tm_mon = r.month - 1;
  t.tm_mday = r.day;
  t.tm_hour = r.hour;
  t.tm_min = r.minute;
  t.tm_sec = r.second;
  t.tm_isdst = -1;
  now->tv_sec = ok ? std::mktime(&t) : std::time(nullptr);
  now->tv_nsec = 0;
}

void FxeDrivesReset() {
  for (int d = 0; d < kCfDrives; ++d) MntDrive[d] = kPowerOnDrives[d];
  FileMutex = 0;
}

int Cf_Check(int drive) {
  plat::TraceCall("Cf_Check", drive);
  return MountDrive(drive, nullptr) ? 3 : 0;
}

int Cf_Format(int, int drive) {
  if (drive < 0 || drive > 1 || !MountDrive(drive, nullptr)) return 0;
  MntEntry& m = MntDrive[drive];
  m.mounted = 0;
  UnmountDrive(m.mount_point);
  Delay(2000);
  const bool formatted = plat::RunCommand({"mkfs.vfat", "-I", m.device}) == 0;
  return formatted && MountDrive(drive, nullptr) ? 3 : 2;
}
