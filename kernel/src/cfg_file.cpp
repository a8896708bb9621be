#include "cfg_file.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

#include "platform/root.h"

CfgReader::CfgReader(const char* unit_path) {
  std::string host = plat::HostPath(unit_path);
  if (host.empty()) return;
  do fd_ = ::open(host.c_str(), O_RDONLY | O_CLOEXEC);
  while (fd_ < 0 && errno == EINTR);
  missing_ = fd_ < 0 && errno == ENOENT;
}

CfgReader::~CfgReader() {
  if (fd_ >= 0) ::close(fd_);
}

std::size_t CfgReader::Read(void* destination, std::size_t n) {
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

CfgWriter::CfgWriter(const char* unit_path) : target_(plat::HostPath(unit_path)) {
  if (target_.empty()) return;
  temp_ = target_ + ".new";
  std::string dir = unit_path;
  if (auto slash = dir.rfind('/'); slash != std::string::npos && slash > 0) {
    plat::MakeUnitDirs(dir.substr(0, slash));
  }
  do fd_ = ::open(temp_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  while (fd_ < 0 && errno == EINTR);
}

CfgWriter::~CfgWriter() {
  if (fd_ >= 0) {
    ::close(fd_);
    ::unlink(temp_.c_str());
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
  return done;
}

bool CfgWriter::Sync() { return fd_ >= 0 && ::fsync(fd_) == 0; }

bool CfgWriter::Commit(bool sync) {
  if (fd_ < 0) return false;
  int fd = fd_;
  fd_ = -1;
  if (::close(fd) != 0 || ::rename(temp_.c_str(), target_.c_str()) != 0) {
    ::unlink(temp_.c_str());
    return false;
  }
  if (sync) {
    std::string dir = target_.substr(0, target_.rfind('/'));
    int dfd = ::open(dir.empty() ? "/" : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
      ::fsync(dfd);
      ::close(dfd);
    }
  }
  return true;
}

bool CfgRemove(const char* unit_path) {
  std::string host = plat::HostPath(unit_path);
  if (host.empty()) return false;
  return ::unlink(host.c_str()) == 0 || errno == ENOENT;
}
