#include "platform/backlight.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "platform/root.h"

namespace plat {
namespace {
constexpr char kDir[] = "/sys/class/backlight/mxs-bl";
constexpr char kFile[] = "/sys/class/backlight/mxs-bl/brightness";

int OpenFile(int flags) {
  char path[1024];
  if (!MapPath(kFile, path, sizeof path)) return -1;
  int fd;
  do fd = ::open(path, flags | O_CLOEXEC, 0644);
  while (fd < 0 && errno == EINTR);
  return fd;
}
}  // namespace

bool BacklightWrite(int level) {
  int fd = OpenFile(O_WRONLY | O_TRUNC);
  if (fd < 0) {
    MakeUnitDirs(kDir);
    fd = OpenFile(O_WRONLY | O_TRUNC | O_CREAT);
  }
  if (fd < 0) return false;
  char text[16];
  const int n = std::snprintf(text, sizeof text, "%d", level);
  ssize_t w;
  do w = ::write(fd, text, std::size_t(n));
  while (w < 0 && errno == EINTR);
  ::close(fd);
  return w == n;
}

int BacklightRead() {
  const int fd = OpenFile(O_RDONLY);
  if (fd < 0) return -1;
  char text[16] = {};
  ssize_t r;
  do r = ::read(fd, text, sizeof text - 1);
  while (r < 0 && errno == EINTR);
  ::close(fd);
  if (r <= 0) return -1;
  char* end = nullptr;
  const long v = std::strtol(text, &end, 10);
  return end == text ? -1 : int(v);
}

}  // namespace plat
