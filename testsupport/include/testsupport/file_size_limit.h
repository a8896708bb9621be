#pragma once
// Makes writes fail as on a full file system: while alive, no file of this process can
// grow past `bytes` (RLIMIT_FSIZE); a write across the limit is short, then fails with
// EFBIG. SIGXFSZ is ignored meanwhile. Process-wide: use in single-threaded tests only.

#include <csignal>
#include <cstddef>
#include <sys/resource.h>

namespace ts {

class FileSizeLimit {
 public:
  explicit FileSizeLimit(std::size_t bytes) {
    ::getrlimit(RLIMIT_FSIZE, &saved_);
    old_handler_ = std::signal(SIGXFSZ, SIG_IGN);
    rlimit lim = saved_;
    lim.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &lim);
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &saved_);
    std::signal(SIGXFSZ, old_handler_);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  rlimit saved_{};
  void (*old_handler_)(int) = nullptr;
};

}  // namespace ts
