// The removable-media stand-in: media as directories in the place of their device
// nodes, mounts as links from the mount point, vfat's case-insensitive names and fixed
// permissions.
#include "platform/media.h"

#include <dirent.h>
#include <ftw.h>
#include <limits.h>
#include <strings.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "media_commands.h"
#include "platform/root.h"

namespace plat {
namespace {

int g_mount_error = 0;

constexpr const char* kMountPoints[] = {"/mnt/USB0", "/mnt/USB1", "/mnt/USB"};

bool IsDirectory(const std::string& host) {
  struct stat st;
  return !host.empty() && ::stat(host.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The medium directory a mount point links to ("" when nothing is mounted there).
std::string MountedDevice(const std::string& host_mount_point) {
  char target[PATH_MAX];
  const ssize_t n = ::readlink(host_mount_point.c_str(), target, sizeof target - 1);
  if (n <= 0) return {};
  return std::string(target, std::size_t(n));
}

int RemoveEntry(const char* path, const struct stat*, int, struct FTW* ftw) {
  if (ftw->level == 0) return 0;  // the medium itself stays
  return ::remove(path);
}

// Length of the host prefix of the medium mount point that unit_path lies on, 0 when it
// lies on none.
std::size_t MediumPrefix(const char* unit_path, const char* host) {
  for (const char* mp : kMountPoints) {
    const std::size_t n = std::strlen(mp);
    if (std::strncmp(unit_path, mp, n) == 0 && (unit_path[n] == '/' || unit_path[n] == '\0')) {
      const std::size_t host_n = std::strlen(host) - std::strlen(unit_path + n);
      return host_n;
    }
  }
  return 0;
}

}  // namespace

int MountMedium(const char* device, const char* mount_point) {
  if (g_mount_error != 0) return g_mount_error;
  const std::string dev = HostPath(device);
  const std::string mp = HostPath(mount_point);
  if (!IsDirectory(dev) || mp.empty()) return ENOENT;
  struct stat st;
  if (::lstat(mp.c_str(), &st) == 0) {
    if (S_ISLNK(st.st_mode)) return EBUSY;
    if (::rmdir(mp.c_str()) != 0) return EBUSY;  // the stand-in mounts on empty points only
  } else if (!MakeUnitDirs(mount_point) || ::rmdir(mp.c_str()) != 0) {
    return ENOENT;
  }
  return ::symlink(dev.c_str(), mp.c_str()) == 0 ? 0 : errno;
}

int UnmountMedium(const char* mount_point) {
  const std::string mp = HostPath(mount_point);
  struct stat st;
  if (mp.empty() || ::lstat(mp.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return EINVAL;
  if (::unlink(mp.c_str()) != 0) return errno;
  ::mkdir(mp.c_str(), 0775);
  return 0;
}

bool IsMediumMounted(const char* mount_point) {
  const std::string mp = HostPath(mount_point);
  struct stat st;
  return !mp.empty() && ::lstat(mp.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

int FormatMedium(const char* device) {
  const std::string dev = HostPath(device);
  if (!IsDirectory(dev)) return ENOENT;
  for (const char* mp : kMountPoints) {
    if (MountedDevice(HostPath(mp)) == dev) return EBUSY;
  }
  return ::nftw(dev.c_str(), RemoveEntry, 16, FTW_DEPTH | FTW_PHYS) == 0 ? 0 : EIO;
}

void SetMediumMountError(int err) { g_mount_error = err; }

bool MapMediaPath(const char* unit_path, char* out, std::size_t out_size) {
  if (!MapPath(unit_path, out, out_size)) return false;
  std::size_t pos = MediumPrefix(unit_path, out);
  if (pos == 0) return true;
  // Each component in turn: kept when it exists as written, else replaced by the entry
  // whose name differs only in case; the first one found in neither form ends the walk.
  while (out[pos] != '\0') {
    while (out[pos] == '/') ++pos;
    if (out[pos] == '\0') break;
    std::size_t end = pos;
    while (out[end] != '\0' && out[end] != '/') ++end;
    const char saved = out[end];
    out[end] = '\0';
    struct stat st;
    bool found = ::lstat(out, &st) == 0;
    if (!found) {
      out[pos - 1] = '\0';
      DIR* dir = ::opendir(pos > 1 ? out : "/");
      out[pos - 1] = '/';
      if (dir != nullptr) {
        while (const dirent* e = ::readdir(dir)) {
          if (std::strlen(e->d_name) == end - pos && ::strcasecmp(e->d_name, out + pos) == 0) {
            std::memcpy(out + pos, e->d_name, end - pos);
            found = true;
            break;
          }
        }
        ::closedir(dir);
      }
    }
    out[end] = saved;
    if (!found) break;
    pos = end;
  }
  return true;
}

int MediaStat(const char* host_path, struct stat* st) {
  if (::stat(host_path, st) != 0) return -1;
  const std::string media = HostPath("/mnt/USB");
  if (!media.empty() && std::strncmp(host_path, media.c_str(), media.size()) == 0) {
    const bool read_only = !S_ISDIR(st->st_mode) && (st->st_mode & S_IWUSR) == 0;
    st->st_mode = (st->st_mode & S_IFMT) | (read_only ? 0555 : 0775);
  }
  return 0;
}

int RunMediaCommand(const std::vector<std::string>& argv) {
  const std::string& prog = argv[0];
  std::vector<std::string> operands;
  std::string options;
  for (std::size_t i = 1; i < argv.size(); ++i) {
    if ((argv[i] == "-o" || argv[i] == "-t") && i + 1 < argv.size()) {
      if (argv[i] == "-o") options = argv[i + 1];
      ++i;
    } else if (!argv[i].empty() && argv[i][0] == '-') {
      continue;
    } else {
      operands.push_back(argv[i]);
    }
  }
  constexpr int kFailed = 32;  // mount's and umount's exit status for a failure
  if (prog == "mount") {
    if (operands.size() != 2) return kFailed;
    if (options.find("remount") != std::string::npos) {
      return IsMediumMounted(operands[1].c_str()) ? 0 : kFailed;
    }
    return MountMedium(operands[0].c_str(), operands[1].c_str()) == 0 ? 0 : kFailed;
  }
  if (prog == "umount") {
    return operands.size() == 1 && UnmountMedium(operands[0].c_str()) == 0 ? 0 : kFailed;
  }
  // mkfs.vfat
  return operands.size() == 1 && FormatMedium(operands[0].c_str()) == 0 ? 0 : 1;
}

bool IsMediaCommand(const std::string& prog) {
  return prog == "mount" || prog == "umount" || prog == "mkfs.vfat";
}

}  // namespace plat
