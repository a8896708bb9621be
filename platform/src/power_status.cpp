#include "platform/power_status.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "platform/root.h"

namespace plat {
namespace {
constexpr char kFile[] = "/proc/powerdown";
constexpr int kBytes = 2 * kPowerStatusWords;
}  // namespace

bool ReadPowerStatus(uint16_t words[kPowerStatusWords]) {
  char path[1024];
  if (!MapPath(kFile, path, sizeof path)) return false;
  const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  uint8_t bytes[kBytes];
  ssize_t r;
  do r = ::read(fd, bytes, sizeof bytes);
  while (r < 0 && errno == EINTR);
  ::close(fd);
  if (r != kBytes) return false;
  for (int i = 0; i < kPowerStatusWords; ++i) words[i] = uint16_t(bytes[2 * i] | (bytes[2 * i + 1] << 8));
  return true;
}

bool WritePowerStatus(const uint16_t words[kPowerStatusWords]) {
  MakeUnitDirs("/proc");
  char path[1024];
  if (!MapPath(kFile, path, sizeof path)) return false;
  const int fd = ::open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  uint8_t bytes[kBytes];
  for (int i = 0; i < kPowerStatusWords; ++i) {
    bytes[2 * i] = uint8_t(words[i]);
    bytes[2 * i + 1] = uint8_t(words[i] >> 8);
  }
  ssize_t w;
  do w = ::write(fd, bytes, sizeof bytes);
  while (w < 0 && errno == EINTR);
  ::close(fd);
  return w == kBytes;
}

}  // namespace plat
