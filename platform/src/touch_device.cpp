#include "platform/touch_device.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>

#include "platform/root.h"

namespace plat {
namespace {

void Put16(uint8_t* p, uint16_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
}
void Put32(uint8_t* p, uint32_t v) {
  Put16(p, uint16_t(v));
  Put16(p + 2, uint16_t(v >> 16));
}
uint16_t Get16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
uint32_t Get32(const uint8_t* p) { return Get16(p) | (uint32_t(Get16(p + 2)) << 16); }

}  // namespace

void EncodeTouchRecord(const TouchRecord& r, uint8_t out[kTouchRecordBytes]) {
  Put32(out, r.seconds);
  Put32(out + 4, r.microseconds);
  Put16(out + 8, r.type);
  Put16(out + 10, r.code);
  Put32(out + 12, uint32_t(r.value));
}

TouchRecord DecodeTouchRecord(const uint8_t in[kTouchRecordBytes]) {
  return {.seconds = Get32(in), .microseconds = Get32(in + 4), .type = Get16(in + 8), .code = Get16(in + 10),
          .value = int32_t(Get32(in + 12))};
}

int TouchOpen() {
  char path[1024];
  if (!MapPath(kTouchDevice, path, sizeof path)) return -1;
  struct stat st {};
  if (::stat(path, &st) != 0) {
    MakeUnitDirs("/dev/input");
    if (::mkfifo(path, 0666) != 0 && errno != EEXIST) return -1;
  }
  int fd;
  do fd = ::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  while (fd < 0 && errno == EINTR);
  return fd;
}

}  // namespace plat
