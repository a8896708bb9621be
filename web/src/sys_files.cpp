// File tests of the web server on unit paths (mapped below the device root).
#include <sys/stat.h>

#include "platform/root.h"
#include "web/quorv_util.h"

namespace {

bool Stat(const char* path, struct stat* info) {
  if (!path) return false;
  char host[4096];
  return plat::MapPath(path, host, sizeof host) && stat(host, info) == 0;
}

}  // namespace

bool quorv_sys_is_file(const char* path) {
  struct stat info;
  return Stat(path, &info) && S_ISREG(info.st_mode);
}

bool quorv_sys_is_directory(const char* path) {
  struct stat info;
  return Stat(path, &info) && S_ISDIR(info.st_mode);
}

time_t quorv_sys_get_file_modified_time(const char* path) {
  struct stat info;
  return Stat(path, &info) ? info.st_mtime : 0;
}
