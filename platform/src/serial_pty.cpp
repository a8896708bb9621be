#include "platform/serial_pty.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include "platform/clock.h"
#include "platform/root.h"

namespace plat {

namespace {

void CloseFd(int& fd) {
  if (fd >= 0) ::close(fd);
  fd = -1;
}

// The directory part of a unit path ("/dev" of "/dev/ttyGS0").
bool UnitDir(const char* unit_path, char* out, std::size_t size) {
  const char* slash = std::strrchr(unit_path, '/');
  if (slash == nullptr || slash == unit_path) return false;
  const std::size_t n = std::size_t(slash - unit_path);
  if (n + 1 > size) return false;
  std::memcpy(out, unit_path, n);
  out[n] = '\0';
  return true;
}

// Waits up to this long watch the clock rather than sleep.
constexpr uint32_t kSpinUs = 2000;

}  // namespace

bool PtyPort::Open(const char* unit_path) {
  Close();
  char dir[256];
  if (unit_path == nullptr || !UnitDir(unit_path, dir, sizeof dir) || !MakeUnitDirs(dir) ||
      !MapPath(unit_path, link_, sizeof link_)) {
    link_[0] = '\0';
    return false;
  }
  master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0 ||
      ::ptsname_r(master_, slave_path_, sizeof slave_path_) != 0) {
    Close();
    return false;
  }
  slave_ = ::open(slave_path_, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  termios t{};
  if (slave_ < 0 || ::tcgetattr(slave_, &t) != 0) {
    Close();
    return false;
  }
  ::cfmakeraw(&t);
  t.c_cc[VMIN] = 1;
  t.c_cc[VTIME] = 0;
  if (::tcsetattr(slave_, TCSANOW, &t) != 0) {
    Close();
    return false;
  }
  ::unlink(link_);
  if (::symlink(slave_path_, link_) != 0) {
    std::fprintf(stderr, "serial stand-in: link %s: %s\n", link_, std::strerror(errno));
    link_[0] = '\0';
    Close();
    return false;
  }
  return true;
}

void PtyPort::Close() {
  rx_at_ = rx_end_ = 0;
  if (link_[0] != '\0') {
    char target[sizeof slave_path_] = {};
    // Remove the link only while it still names this pair's slave.
    const ssize_t n = ::readlink(link_, target, sizeof target - 1);
    if (n > 0 && std::strcmp(target, slave_path_) == 0) ::unlink(link_);
    link_[0] = '\0';
  }
  CloseFd(slave_);
  CloseFd(master_);
  slave_path_[0] = '\0';
}

int PtyPort::Available() const {
  int n = 0;
  if (master_ < 0 || ::ioctl(master_, FIONREAD, &n) != 0) n = 0;
  return n + (rx_end_ - rx_at_);
}

int PtyPort::Read() {
  if (master_ < 0) return -1;
  while (rx_at_ == rx_end_) {
    const ssize_t n = ::read(master_, rx_, sizeof rx_);
    if (n > 0) {
      rx_at_ = 0;
      rx_end_ = uint16_t(n);
    } else if (!(n < 0 && errno == EINTR)) {
      return -1;
    }
  }
  // The gap is measured from the byte's being taken, as when bytes were read one by one.
  frame_open_ = true;
  last_byte_ns_ = MonotonicNs();
  return rx_[rx_at_++];
}

void PtyPort::FlushInput() {
  rx_at_ = rx_end_ = 0;
  if (master_ < 0) return;
  uint8_t sink[256];
  // Bounded: a peer that keeps writing cannot hold the caller here.
  for (int i = 0; i < 64; ++i) {
    const ssize_t n = ::read(master_, sink, sizeof sink);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
  }
}

bool PtyPort::Write(const uint8_t* bytes, std::size_t count) {
  if (master_ < 0) return false;
  std::size_t done = 0;
  while (done < count) {
    const ssize_t n = ::write(master_, bytes + done, count - done);
    if (n > 0) {
      done += std::size_t(n);
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else {
      return false;  // the peer's queue is full: the rest is lost, as on a wire
    }
  }
  return true;
}

bool PtyPort::Writable() const {
  if (master_ < 0) return false;
  pollfd p{master_, POLLOUT, 0};
  return ::poll(&p, 1, 0) == 1 && (p.revents & POLLOUT);
}

void PtyPort::RecordMode(const uint8_t mode[6]) {
  if (mode) std::memcpy(mode_, mode, sizeof mode_);
}

bool PtyPort::ApplyLine(const termios& line) {
  if (fail_line_) return false;
  line_ = line;
  ++line_applications_;
  return true;
}

uint32_t PtyPort::FrameEndDueUs() const {
  if (frame_gap_us_ == 0 || !frame_open_ || HasInput()) return UINT32_MAX;
  const int64_t left_ns = int64_t(frame_gap_us_) * 1000 - (MonotonicNs() - last_byte_ns_);
  if (left_ns <= 0) return 0;
  // Rounded up: a wait of the time left must not end just short of the gap.
  return uint32_t((left_ns + 999) / 1000);
}

bool PtyPort::WaitInput(uint32_t timeout_us) {
  if (master_ < 0) return false;
  if (HasInput()) return true;
  if (timeout_us == 0) return false;
  if (timeout_us <= kSpinUs) {
    // A short wait (a frame's gap at the fast rates) is watched on the clock: a sleep's
    // wake-up on a busy host comes late by more than the whole gap.
    const int64_t end = MonotonicNs() + int64_t(timeout_us) * 1000;
    GetClock().WaitingNs(int64_t(timeout_us) * 1000);
    while (MonotonicNs() < end) {
      if (HasInput()) return true;
    }
    return HasInput();
  }
  pollfd p{master_, POLLIN, 0};
  const timespec limit{time_t(timeout_us / 1000000), long(timeout_us % 1000000) * 1000};
  const int n = ::ppoll(&p, 1, &limit, nullptr);
  if (n > 0 && (p.revents & POLLIN)) return HasInput();
  // Interrupted (a time slice) or out of time: the caller looks again either way.
  if (n == 0) GetClock().WaitingNs(int64_t(timeout_us) * 1000);
  return false;
}

int PtyPort::FrameEnd() {
  if (frame_gap_us_ == 0 || !frame_open_ || HasInput()) return 0;
  if (MonotonicNs() - last_byte_ns_ < int64_t(frame_gap_us_) * 1000) return 0;
  frame_open_ = false;
  return 1;
}

}  // namespace plat
