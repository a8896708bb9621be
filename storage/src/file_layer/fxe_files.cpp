// Files of the file layer: open, create, read, write, seek, delete, rename, attributes.
// The slice signal interrupts slow calls (its handler does not restart them), so every
// call that can fail with EINTR is repeated.
#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "fxe.h"
#include "platform/media.h"

namespace {

template <typename Call>
auto Retry(Call call) {
  for (;;) {
    auto r = call();
    if (r >= 0 || errno != EINTR) return r;
  }
}

int OpenHost(const char* host, int flags, mode_t mode = 0) {
  return Retry([&] { return ::open(host, flags | O_NONBLOCK | O_CLOEXEC, mode); });
}

void TakeSizes(CfFile* file) {
  struct stat st;
  if (::fstat(file->descriptor, &st) == 0) file->size = uint32_t(st.st_size);
}

void StampDescriptor(int fd) {
  struct timespec t[2];
  FxeClockNow(&t[0]);
  t[1] = t[0];
  ::futimens(fd, t);
}

void StampPath(const char* host) {
  struct timespec t[2];
  FxeClockNow(&t[0]);
  t[1] = t[0];
  ::utimensat(AT_FDCWD, host, t, 0);
}

int ReadWriteStatus(int err) {
  if (err == EBADF) return kFxeNotOpen;
  if (err == EISDIR) return kFxeNotFile;
  return kFxeFailed;
}

int AttributesRead(CfMedia* media, const char* path, uint8_t* attributes) {
  char host[PATH_MAX];
  if (FxeMapPath(media, path, host) != kFxeOk) return kFxeNoDrive;
  struct stat st;
  if (plat::MediaStat(host, &st) != 0) return kFxeBadPath;
  *attributes = FxeAttributes(st.st_mode);
  return kFxeOk;
}

mode_t AttributeMode(uint8_t attributes) {
  if (attributes & kCfAttrSystem) return 0700;
  return (attributes & kCfAttrReadOnly) ? 0444 : 0774;
}

}  // namespace

uint8_t FxeAttributes(unsigned mode) {
  uint8_t a = S_ISDIR(mode) ? kCfAttrDirectory : 0;
  if ((mode & S_IWUSR) == 0) a |= kCfAttrReadOnly;
  if ((mode & S_IXGRP) == 0) a |= kCfAttrSystem;
  return a;
}

int _fxe_file_open(CfMedia* media, CfFile* file, const char* path, int kind) {
  if (file->open) _fxe_file_close(file);
  char host[PATH_MAX];
  if (FxeMapPath(media, path, host) != kFxeOk) return kFxeNoDrive;
  int flags = O_RDWR | O_APPEND;
  if (kind == 0) flags = O_RDONLY;
  if (kind == 1) flags = O_RDWR;
  if (kind == 4) flags = O_RDWR | O_TRUNC;
  int fd = OpenHost(host, flags);
  if (fd < 0) {
    if (errno == EFAULT) return kFxeBadPath;
    if (errno == ENFILE) return kFxeTooManyOpen;
    if (errno == ENOENT) return kFxeNotFound;
    return kFxeFailed;
  }
  if (fd == 0) {
    // Descriptor 0 marks a closed record.
    const int dup = ::fcntl(fd, F_DUPFD_CLOEXEC, 1);
    ::close(fd);
    if (dup < 0) return kFxeFailed;
    fd = dup;
  }
  file->descriptor = fd;
  file->open = 1;
  file->size = 0;
  TakeSizes(file);
  file->size_at_open = file->size;
  return kFxeOk;
}

int _fxe_file_create(CfMedia* media, const char* path) {
  char host[PATH_MAX];
  if (FxeMapPath(media, path, host) != kFxeOk) return kFxeNoDrive;
  const int fd = OpenHost(host, O_WRONLY | O_CREAT | O_TRUNC, 0600);
  if (fd < 0) {
    if (errno == ENOENT || errno == EFAULT) return kFxeBadPath;
    if (errno == ENFILE) return kFxeTooManyOpen;
    return kFxeFailed;
  }
  ::close(fd);
  return kFxeOk;
}

int _fxe_file_close(CfFile* file) {
  const int rc = file->open ? ::close(file->descriptor) : -1;
  file->open = 0;
  file->descriptor = 0;
  return rc == 0 ? kFxeOk : kFxeNotOpen;
}

int _fxe_file_read(CfFile* file, void* buffer, uint32_t size, uint32_t* count) {
  *count = 0;
  if (!file->open) return kFxeNotOpen;
  const ssize_t n = Retry([&] { return ::read(file->descriptor, buffer, size); });
  if (n < 0) return ReadWriteStatus(errno);
  if (n == 0) return kFxeEndOfFile;
  *count = uint32_t(n);
  return kFxeOk;
}

int _fxe_file_write(CfFile* file, const void* data, uint32_t length) {
  if (!file->open) return kFxeNotOpen;
  const auto* p = static_cast<const uint8_t*>(data);
  uint32_t done = 0;
  int status = kFxeOk;
  while (done < length) {
    const ssize_t n = Retry([&] { return ::write(file->descriptor, p + done, length - done); });
    if (n <= 0) {
      // A short write that cannot go on (a full medium) is a failure, not a success.
      status = n < 0 ? ReadWriteStatus(errno) : kFxeFailed;
      break;
    }
    done += uint32_t(n);
  }
  TakeSizes(file);
  StampDescriptor(file->descriptor);
  return status;
}

int _fxe_file_seek(CfFile* file, off_t offset) { return _fxe_file_relative_seek(file, offset, 0); }

int _fxe_file_relative_seek(CfFile* file, off_t offset, int from) {
  if (!file->open) return kFxeNotOpen;
  const int whence = from == 0 ? SEEK_SET : from == 1 ? SEEK_END : SEEK_CUR;
  if (::lseek(file->descriptor, offset, whence) >= 0) return kFxeOk;
  return errno == EBADF ? kFxeNotOpen : kFxeFailed;
}

int _fxe_file_delete(CfMedia* media, const char* path) {
  char host[PATH_MAX];
  if (FxeMapPath(media, path, host) != kFxeOk) return kFxeNoDrive;
  if (::unlink(host) == 0) return kFxeOk;
  if (errno == EFAULT) return kFxeBadPath;
  if (errno == ENOENT) return kFxeNotFound;
  if (errno == EISDIR) return kFxeNotFile;
  return kFxeFailed;
}

namespace {

int RenameHost(const char* from, const char* to) {
  if (::rename(from, to) == 0) return kFxeOk;
  return errno == EEXIST || errno == ENOTEMPTY ? kFxeNotEmpty : kFxeFailed;
}

}  // namespace

int _fxe_file_rename(CfMedia* media, const char* old_path, const char* new_path) {
  char from[PATH_MAX];
  char to[PATH_MAX];
  if (FxeMapPath(media, old_path, from) != kFxeOk || FxeMapPath(media, new_path, to) != kFxeOk) return kFxeNoDrive;
  int fd = OpenHost(from, O_RDONLY);
  if (fd < 0) return kFxeBadPath;
  ::close(fd);
  fd = OpenHost(to, O_RDONLY);
  if (fd >= 0) {
    ::close(fd);
    return kFxeExists;
  }
  const int status = RenameHost(from, to);
  if (status == kFxeOk) StampPath(to);
  return status;
}

int _fxe_directory_rename(CfMedia* media, const char* old_path, const char* new_path) {
  char from[PATH_MAX];
  char to[PATH_MAX];
  if (FxeMapPath(media, old_path, from) != kFxeOk || FxeMapPath(media, new_path, to) != kFxeOk) return kFxeNoDrive;
  return RenameHost(from, to);
}

int _fxe_file_attributes_read(CfMedia* media, const char* path, uint8_t* attributes) {
  const int status = AttributesRead(media, path, attributes);
  return status == kFxeOk && (*attributes & kCfAttrDirectory) ? kFxeNotFile : status;
}

int _fxe_directory_attributes_read(CfMedia* media, const char* path, uint8_t* attributes) {
  return AttributesRead(media, path, attributes);
}

int _fxe_file_attributes_set(CfMedia* media, const char* path, uint8_t attributes) {
  char host[PATH_MAX];
  if (FxeMapPath(media, path, host) != kFxeOk) return kFxeNoDrive;
  return ::chmod(host, AttributeMode(attributes)) == 0 ? kFxeOk : kFxeBadAttribute;
}

int _fxe_directory_attributes_set(CfMedia* media, const char* path, uint8_t attributes) {
  char host[PATH_MAX];
  if (FxeMapPath(media, path, host) != kFxeOk) return kFxeNoDrive;
  if (::chmod(host, AttributeMode(attributes)) == 0) return kFxeOk;
  if (errno == EINVAL) return kFxeBadAttribute;
  if (errno == ENOENT) return kFxeBadPath;
  if (errno == ENOTDIR) return kFxeNotDirectory;
  // Any other failure is one: the attributes were not set.
  return kFxeFailed;
}

int _fxe_media_flush() { return kFxeOk; }
