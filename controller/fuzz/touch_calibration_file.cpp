// The stored touch calibration (/mnt/cfg/cal.dta) taken by the touch driver's open, then
// touch records through the calibrated reader. Byte 0: settings (bit 7 the pressure
// reader's kernel build, the rest the release mode); byte 1: the file's length (at most
// 64, a missing file for 0xFF); then the file, then the records as the touch device hands
// them out, read in pieces between 10 ms steps.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "controller/poweron.h"
#include "ground/regimage.h"
#include "ground/touch.h"
#include "platform/clock.h"
#include "testsupport/temp_root.h"
#include "touch_state.h"

namespace {
constexpr std::size_t kHead = 2;
constexpr std::size_t kFileMax = 64;
constexpr std::size_t kMaxStream = 4096;  // within one pipe buffer
constexpr char kFile[] = "/mnt/cfg/cal.dta";
int Ignore(int, int, int) { return 0; }
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  if (size < kHead) return 0;
  static ts::TempRoot root;
  static plat::TestClock clock;
  plat::SetClock(&clock);
  KernelPowerOnReset();
  const uint8_t settings = data[0];
  if (settings & 0x80) {  // the pressure reader's kernel build
    SrSet(203, 0x0503);
    SrSet(204, 0x0400);
    SrSet(205, 9);
  }
  const bool missing = data[1] == 0xFF;
  const std::size_t file = missing ? 0 : std::min<std::size_t>({data[1], kFileMax, size - kHead});
  if (missing) {
    ::unlink(root.Host(kFile).c_str());
  } else {
    root.Write(kFile, std::vector<uint8_t>(data + kHead, data + kHead + file));
  }
  TCH_Open(Ignore);
  int32_t none = 0;
  TCH_Ctrl((settings & 0x7F) % 2, &none);  // normal or drag: both keep the calibration
  int fds[2];
  if (::pipe2(fds, O_NONBLOCK | O_CLOEXEC) != 0) return 0;
  if (tch::g.fd >= 0) ::close(tch::g.fd);
  tch::g.fd = fds[0];
  const uint8_t* stream = data + kHead + file;
  const std::size_t n = std::min(size - kHead - file, kMaxStream);
  for (std::size_t at = 0; at < n;) {
    const std::size_t piece = std::min<std::size_t>(n - at, 1 + stream[at] % 64);
    if (::write(fds[1], stream + at, piece) != ssize_t(piece)) break;
    at += piece;
    clock.AdvanceMs(10);
    TimerISR();
  }
  ::close(fds[1]);
  TimerISR();
  KernelPowerOnReset();  // closes the read end
  return 0;
}
