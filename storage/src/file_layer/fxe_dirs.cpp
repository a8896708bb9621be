// Directories of the file layer: create, delete, test, list, and the current directory.
#include <dirent.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

#include "fxe.h"
#include "platform/media.h"

namespace {

void FillInfo(const struct stat& st, FxeEntryInfo* info) {
  info->attributes = FxeAttributes(st.st_mode);
  info->size = uint32_t(st.st_size);
  std::tm t{};
  const time_t mtime = st.st_mtime;
  localtime_r(&mtime, &t);
  info->year = t.tm_year + 1900;
  info->month = t.tm_mon + 1;
  info->day = t.tm_mday;
  info->hour = t.tm_hour;
  info->minute = t.tm_min;
  info->second = t.tm_sec;
}

// The host path of the media's current directory.
int CurrentDirectory(CfMedia* media, char* host) {
  // "." names the current directory itself; the mapping puts it after the directory.
  static constexpr const char* kHere[kCfDrives][2] = {{"A:\\", "A:."}, {"B:\\", "B:."}, {"Z:\\", "Z:."}};
  return FxeMapPath(media, kHere[media->drive][media->directory[0] != '\0'], host);
}

void CloseListing(CfMedia* media) {
  if (media->listing != nullptr) ::closedir(media->listing);
  media->listing = nullptr;
}

}  // namespace

int _fxe_directory_create(CfMedia* media, const char* path) {
  char host[PATH_MAX];
  if (FxeMapPath(media, path, host) != kFxeOk) return kFxeNoDrive;
  for (;;) {
    if (::mkdir(host, 0775) == 0) return kFxeOk;
    // An interrupted mkdir may not have made the directory: try again.
    if (errno == EINTR) continue;
    if (errno == EEXIST) return kFxeExists;
    if (errno == EROFS) return kFxeWriteProtected;
    if (errno == EFAULT) return kFxeBadPath;
    return kFxeFailed;
  }
}

int _fxe_directory_delete(CfMedia* media, const char* path) {
  char host[PATH_MAX];
  if (FxeMapPath(media, path, host) != kFxeOk) return kFxeNoDrive;
  if (::rmdir(host) == 0) return kFxeOk;
  if (errno == EFAULT) return kFxeBadPath;
  if (errno == EROFS) return kFxeWriteProtected;
  if (errno == ENOTEMPTY || errno == EEXIST) return kFxeNotEmpty;
  if (errno == ENOTDIR) return kFxeNotDirectory;
  return kFxeFailed;
}

int _fxe_directory_name_test(CfMedia* media, const char* path) {
  char host[PATH_MAX];
  if (FxeMapPath(media, path, host) != kFxeOk) return kFxeNoDrive;
  DIR* dir = ::opendir(host);
  if (dir != nullptr) {
    ::closedir(dir);
    return kFxeOk;
  }
  if (errno == ENOENT) return kFxeNotFound;
  if (errno == ENOTDIR) return kFxeNotDirectory;
  return kFxeFailed;
}

int _fxe_directory_first_full_entry_find(CfMedia* media, char* name, FxeEntryInfo* info) {
  CloseListing(media);
  char host[PATH_MAX];
  if (CurrentDirectory(media, host) != kFxeOk) return kFxeNoDrive;
  media->listing = ::opendir(host);
  if (media->listing == nullptr) {
    if (errno == ENOENT) return kFxeNotFound;
    if (errno == ENOTDIR) return kFxeNotDirectory;
    return kFxeFailed;
  }
  return _fxe_directory_next_full_entry_find(media, name, info);
}

int _fxe_directory_next_full_entry_find(CfMedia* media, char* name, FxeEntryInfo* info) {
  char host[PATH_MAX];
  if (CurrentDirectory(media, host) != kFxeOk) return kFxeNoDrive;
  if (media->listing == nullptr) {
    media->listing = ::opendir(host);
    if (media->listing == nullptr) return kFxeNoMoreEntries;
  }
  errno = 0;
  const dirent* e = ::readdir(media->listing);
  if (e == nullptr) {
    const int err = errno;
    CloseListing(media);
    return err == EBADF ? kFxeNotDirectory : kFxeNoMoreEntries;
  }
  if (std::strlen(media->directory) + 1 + std::strlen(e->d_name) >= kCfPathBytes) return kFxeBadPath;
  const std::string full = std::string(host) + "/" + e->d_name;
  std::snprintf(name, kCfPathBytes, "%s", e->d_name);
  *info = {};
  struct stat st;
  if (plat::MediaStat(full.c_str(), &st) == 0) FillInfo(st, info);
  return kFxeOk;
}

int _fxe_directory_information_get(CfMedia* media, const char* name, FxeEntryInfo* info) {
  char host[PATH_MAX];
  if (FxeMapPath(media, name, host) != kFxeOk) return kFxeNoDrive;
  struct stat st;
  if (plat::MediaStat(host, &st) != 0) return kFxeNotFound;
  FillInfo(st, info);
  return kFxeOk;
}

int _fxe_directory_local_path_set(CfMedia* media, const char* path) {
  char next[kCfPathBytes];
  const bool absolute = path[0] == '\\' || path[0] == '/';
  if (absolute && path[1] == '\0') {
    next[0] = '\0';
  } else {
    std::snprintf(next, sizeof next, "%s%s", absolute ? "" : media->directory, path);
    std::size_t n = std::strlen(next);
    for (std::size_t i = 0; i < n; ++i) {
      if (next[i] == '\\') next[i] = '/';
    }
    if (n > 0 && next[n - 1] != '/') {
      if (n + 1 >= sizeof next) return kFxeBadPath;
      next[n] = '/';
      next[n + 1] = '\0';
    }
  }
  std::memcpy(media->directory, next, sizeof next);
  return kFxeOk;
}

int _fxe_directory_local_path_restore(CfMedia* media) {
  if (media->saved) {
    std::memcpy(media->directory, media->saved_directory, kCfPathBytes);
  } else {
    media->directory[0] = '\0';
  }
  media->saved = false;
  return kFxeOk;
}

int _fxe_directory_local_path_get(CfMedia* media, char* out) {
  std::memcpy(out, media->directory, kCfPathBytes);
  return kFxeOk;
}
