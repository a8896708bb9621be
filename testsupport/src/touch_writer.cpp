#include "testsupport/touch_writer.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>

namespace ts {

TouchWriter::~TouchWriter() {
  if (fd_ >= 0) ::close(fd_);
}

bool TouchWriter::Open(std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (fd_ < 0) {
    // Without a reader a non-blocking open for writing fails (ENXIO); so does a FIFO the
    // unit has not made yet (ENOENT).
    fd_ = ::open(path_.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd_ >= 0) break;
    if (std::chrono::steady_clock::now() > deadline) return false;
    ::poll(nullptr, 0, 10);
  }
  return true;
}

bool TouchWriter::WriteBytes(const uint8_t* bytes, std::size_t n) {
  if (fd_ < 0) return false;
  std::size_t done = 0;
  while (done < n) {
    const ssize_t w = ::write(fd_, bytes + done, n - done);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) return false;
    done += std::size_t(w);
  }
  return true;
}

bool TouchWriter::Write(const std::vector<plat::TouchRecord>& records) {
  std::vector<uint8_t> bytes(records.size() * plat::kTouchRecordBytes);
  for (std::size_t i = 0; i < records.size(); ++i)
    plat::EncodeTouchRecord(records[i], bytes.data() + i * plat::kTouchRecordBytes);
  return WriteBytes(bytes.data(), bytes.size());
}

}  // namespace ts
