#include <algorithm>
#include "ground/cfg_file.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

#include "platform/root.h"

namespace {
constexpr std::size_t kPathMax = 1024;

int OpenRetry(const char* path, int flags, mode_t mode = 0) {
  int fd;
  do fd = ::open(path, flags, mode);
  while (fd < 0 && errno == EINTR);
  return fd;
}

std::atomic<CfgStepObserver> g_observer{nullptr};

void Observe(CfgStep step, const char* target) {
  if (CfgStepObserver observer = g_observer.load(std::memory_order_acquire)) observer(step, target);
}
}  // namespace

void CfgObserveSteps(CfgStepObserver observer) { g_observer.store(observer, std::memory_order_release); }

CfgReader::CfgReader(const char* unit_path) {
  char host[kPathMax];
  if (!plat::MapPath(unit_path, host, sizeof host)) return;
  fd_ = OpenRetry(host, O_RDONLY | O_CLOEXEC);
  missing_ = fd_ < 0 && errno == ENOENT;
}

CfgReader::~CfgReader() {
  if (fd_ >= 0) ::close(fd_);
}

std::size_t CfgReader::Read(void* destination, std::size_t n) {
  if (data_ != nullptr) {
    const std::size_t take = std::min(n, size_ - at_);
    if (take != 0) std::memcpy(destination, data_ + at_, take);
    at_ += take;
    return take;
  }
  if (fd_ < 0) return 0;
  auto* d = static_cast<uint8_t*>(destination);
  std::size_t done = 0;
  while (done < n) {
    ssize_t r = ::read(fd_, d + done, n - done);
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) break;
    done += std::size_t(r);
  }
  return done;
}

CfgWriter::CfgWriter(const char* unit_path) {
  static constexpr char kSuffix[] = ".new";
  if (!plat::MapPath(unit_path, target_, sizeof target_)) return;
  std::size_t n = std::strlen(target_);
  if (n + sizeof kSuffix > sizeof temp_) return;
  std::memcpy(temp_, target_, n);
  std::memcpy(temp_ + n, kSuffix, sizeof kSuffix);
  constexpr int kFlags = O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC;
  fd_ = OpenRetry(temp_, kFlags, 0600);
  if (fd_ < 0 && errno == ENOENT) {
    // The directory is missing: only on a fresh device root of the host.
    const char* slash = std::strrchr(unit_path, '/');
    if (slash && slash != unit_path && plat::MakeUnitDirs(std::string_view(unit_path, slash - unit_path))) {
      fd_ = OpenRetry(temp_, kFlags, 0600);
    }
  }
}

CfgWriter::~CfgWriter() {
  if (fd_ >= 0) {
    ::close(fd_);
    ::unlink(temp_);
  }
}

std::size_t CfgWriter::Write(const void* source, std::size_t n) {
  if (fd_ < 0) return 0;
  const auto* s = static_cast<const uint8_t*>(source);
  std::size_t done = 0;
  while (done < n) {
    ssize_t r = ::write(fd_, s + done, n - done);
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) break;
    done += std::size_t(r);
  }
  if (done != 0) Observe(CfgStep::kWrite, target_);
  return done;
}

bool CfgWriter::Sync() {
  if (fd_ < 0 || ::fsync(fd_) != 0) return false;
  Observe(CfgStep::kFsync, target_);
  return true;
}

bool CfgWriter::Commit(bool sync) {
  if (fd_ < 0) return false;
  int fd = fd_;
  fd_ = -1;
  if (::close(fd) != 0 || ::rename(temp_, target_) != 0) {
    ::unlink(temp_);
    return false;
  }
  Observe(CfgStep::kRename, target_);
  if (sync) {
    // The directory of the target: its path up to the last '/'.
    char dir[kPathMax];
    std::memcpy(dir, target_, sizeof dir);
    char* slash = std::strrchr(dir, '/');
    if (slash == dir) slash[1] = '\0';
    else if (slash) *slash = '\0';
    int dfd = OpenRetry(dir, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
      if (::fsync(dfd) == 0) Observe(CfgStep::kDirFsync, target_);
      ::close(dfd);
    }
  }
  return true;
}

bool CfgRemove(const char* unit_path) {
  char host[kPathMax];
  if (!plat::MapPath(unit_path, host, sizeof host)) return false;
  return ::unlink(host) == 0 || errno == ENOENT;
}
