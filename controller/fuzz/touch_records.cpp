// The touch readers on a stream of input records: a settings byte (release filter, raw
// mode, which reader), six i16 calibration values, then the record bytes as the touch
// device hands them out, read in pieces between 10 ms steps.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "controller/poweron.h"
#include "ground/regimage.h"
#include "ground/touch.h"
#include "platform/clock.h"
#include "touch_state.h"

namespace {
constexpr std::size_t kHead = 1 + 12;
constexpr std::size_t kMaxStream = 4096;  // within one pipe buffer
int Ignore(int, int, int) { return 0; }
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  if (size < kHead) return 0;
  static plat::TestClock clock;
  plat::SetClock(&clock);
  KernelPowerOnReset();
  const uint8_t settings = data[0];
  if (settings & 0x80) {  // the pressure reader's kernel build
    SrSet(203, 0x0503);
    SrSet(204, 0x0400);
    SrSet(205, 9);
  }
  SrSet(10, uint16_t(settings & 0x40 ? data[1] : 0));
  int32_t none = 0;
  TCH_Ctrl(settings % 3, &none);  // normal, drag or raw
  static const int kCodes[6] = {4, 5, 6, 7, 17, 18};
  for (int i = 0; i < 6; ++i) {
    int16_t v;
    std::memcpy(&v, data + 1 + 2 * i, 2);
    int32_t value = v;
    TCH_Ctrl(kCodes[i], &value);
  }
  int fds[2];
  if (::pipe2(fds, O_NONBLOCK | O_CLOEXEC) != 0) return 0;
  tch::g.callback = Ignore;
  tch::g.fd = fds[0];
  const std::size_t n = std::min(size - kHead, kMaxStream);
  for (std::size_t at = 0; at < n;) {
    const std::size_t piece = std::min<std::size_t>(n - at, 1 + data[kHead + at] % 64);
    if (::write(fds[1], data + kHead + at, piece) != ssize_t(piece)) break;
    at += piece;
    clock.AdvanceMs(10);
    TimerISR();
  }
  ::close(fds[1]);
  TimerISR();
  KernelPowerOnReset();  // closes the read end
  return 0;
}
