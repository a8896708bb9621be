// The media-space figures: a child process measures the card and the stick once a second
// and leaves the figures in a file in shared memory, so that the main process never
// waits on a slow card's statvfs. The file is replaced whole (written beside it, then
// renamed), so a reader sees the old figures or the new ones, never a mix; a drive with
// nothing mounted shows zeros, not the figures of the file system under its mount point.
#include <fcntl.h>
#include <limits.h>
#include <sys/prctl.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <csignal>
#include <cstdint>
#include <cstring>

#include "fxe.h"
#include "platform/media.h"
#include "platform/root.h"

namespace {

// One drive's record: free blocks, total blocks, block size in bytes (native order).
struct SpaceRecord {
  uint32_t free_blocks;
  uint32_t total_blocks;
  uint32_t block_bytes;
};
constexpr std::size_t kSpaceFileBytes = 2 * sizeof(SpaceRecord);
static_assert(kSpaceFileBytes == 24);

constexpr const char* kMediaMounts[2] = {"/mnt/USB0", "/mnt/USB1"};
constexpr const char* kMediaSpaceNew = "/dev/shm/read.dat.new";

SpaceRecord Measure(const char* mount_point) {
  SpaceRecord r{};
  char host[PATH_MAX];
  struct statvfs vfs;
  if (plat::IsMediumMounted(mount_point) && plat::MapPath(mount_point, host, sizeof host) &&
      ::statvfs(host, &vfs) == 0) {
    r.free_blocks = uint32_t(vfs.f_bfree);
    r.total_blocks = uint32_t(vfs.f_blocks);
    r.block_bytes = uint32_t(vfs.f_frsize);
  }
  return r;
}

uint32_t FreeKib(uint64_t blocks, uint32_t block_kib) {
  const uint64_t kib = blocks * block_kib;
  return kib > UINT32_MAX ? UINT32_MAX : uint32_t(kib);
}

// The internal flash is fast: it is measured in place.
int FlashSpace(CfMedia* media, uint32_t* free_kib) {
  char host[PATH_MAX];
  struct statvfs vfs;
  if (!plat::MapPath("/mnt/cfg", host, sizeof host) || ::statvfs(host, &vfs) != 0) return kFxeFailed;
  media->block_kib = uint32_t(vfs.f_frsize / 1024);
  media->total_blocks = uint32_t(vfs.f_blocks);
  media->figures_valid = 1;
  *free_kib = FreeKib(vfs.f_bfree, media->block_kib);
  return media->total_blocks == 0 ? kFxeFailed : kFxeOk;
}

}  // namespace

void MediaSpaceWriteOnce() {
  FileMutex = 1;
  const SpaceRecord records[2] = {Measure(kMediaMounts[0]), Measure(kMediaMounts[1])};
  char tmp[PATH_MAX];
  char final_path[PATH_MAX];
  plat::MakeUnitDirs("/dev/shm");
  if (plat::MapPath(kMediaSpaceNew, tmp, sizeof tmp) && plat::MapPath(kMediaSpaceFile, final_path, sizeof final_path)) {
    const int fd = ::open(tmp, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd >= 0) {
      const bool whole = ::write(fd, records, sizeof records) == ssize_t(sizeof records);
      ::close(fd);
      if (!whole || ::rename(tmp, final_path) != 0) ::unlink(tmp);
    }
  }
  FileMutex = 0;
}

void BackTsk() {
  const pid_t parent = ::getppid();
  // The child lives as long as the unit: it ends with its parent, and leaves the
  // parent's stop signals and output alone.
  ::prctl(PR_SET_PDEATHSIG, SIGKILL);
  if (::getppid() != parent) ::_exit(0);
  std::signal(SIGTERM, SIG_DFL);
  std::signal(SIGINT, SIG_DFL);
  std::signal(SIGALRM, SIG_IGN);
  const int null = ::open("/dev/null", O_RDWR);
  if (null >= 0) {
    for (int fd = 0; fd <= 2; ++fd) ::dup2(null, fd);
    if (null > 2) ::close(null);
  }
  for (;;) {
    if (!FileMutex) MediaSpaceWriteOnce();
    ::sleep(1);
  }
}

int _fxe_media_space_available(CfMedia* media, uint32_t* free_kib) {
  *free_kib = 0;
  if (media == nullptr || media->drive < 0 || media->drive >= kCfDrives) return kFxeNoDrive;
  if (media->drive == 2) return FlashSpace(media, free_kib);
  if (FileMutex) return kFxeFailed;
  FileMutex = 1;
  SpaceRecord records[2];
  char host[PATH_MAX];
  int fd = -1;
  ssize_t n = -1;
  if (plat::MapPath(kMediaSpaceFile, host, sizeof host) && (fd = ::open(host, O_RDONLY | O_CLOEXEC)) >= 0) {
    n = ::pread(fd, records, sizeof records, 0);
    ::close(fd);
  }
  FileMutex = 0;
  if (n != ssize_t(kSpaceFileBytes)) return kFxeFailed;
  const SpaceRecord& r = records[media->drive == 0 ? 0 : 1];
  media->total_blocks = r.total_blocks;
  media->block_kib = r.block_bytes / 1024;
  media->figures_valid = 1;
  *free_kib = FreeKib(r.free_blocks, media->block_kib);
  return r.total_blocks == 0 ? kFxeFailed : kFxeOk;
}
