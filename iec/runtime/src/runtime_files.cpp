// The runtime's file layers. Every name goes through N4_HostPath, so that the application,
// the programming tool and a peer on the runtime link can only reach the runtime's folder
// and the runtime's own files.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "iec_runtime/memory.h"
#include "platform/root.h"

namespace {

// The runtime's own files, the only absolute names taken.
const char* const kOwnFiles[] = {"/mnt/cfg/n4.cod", "/mnt/cfg/n4.upd", "/mnt/cfg/n4.ret", "/mnt/cfg/n4.hot",
                                 "/mnt/cfg/n4info.txt", "/mnt/cfg/N4_BKP.RET"};

bool HasDotDot(const char* s) {
  for (const char* p = s; *p; ++p) {
    bool start = p == s || p[-1] == '/';
    if (start && p[0] == '.' && p[1] == '.' && (p[2] == '/' || p[2] == '\0')) return true;
  }
  return false;
}

}  // namespace

bool N4_HostPath(const char* name, char* out, std::size_t out_size) {
  if (name == nullptr || *name == '\0') return false;
  char norm[256];
  std::size_t n = std::strlen(name);
  if (n >= sizeof norm) return false;
  for (std::size_t i = 0; i <= n; ++i) norm[i] = name[i] == '\\' ? '/' : name[i];
  if (HasDotDot(norm)) return false;
  if (norm[0] == '/') {
    for (const char* own : kOwnFiles)
      if (std::strcmp(norm, own) == 0) {
        plat::MakeUnitDirs("/mnt/cfg");
        return plat::MapPath(norm, out, out_size);
      }
    return false;
  }
  const char* rel = norm;
  while (rel[0] == '.' && rel[1] == '/') rel += 2;
  if (*rel == '\0') return false;
  char unit[320];
  std::size_t f = std::strlen(kN4Folder), r = std::strlen(rel);
  if (f + r >= sizeof unit) return false;
  std::memcpy(unit, kN4Folder, f);
  std::memcpy(unit + f, rel, r + 1);
  plat::MakeUnitDirs(kN4Folder);
  return plat::MapPath(unit, out, out_size);
}

bool N4_WriteFileAtomic(const char* host_path, const void* const* parts, const uint32_t* sizes, int count) {
  char tmp[4200];
  std::size_t n = std::strlen(host_path);
  if (n + 5 >= sizeof tmp) return false;
  std::memcpy(tmp, host_path, n);
  std::memcpy(tmp + n, ".tmp", 5);
  int fd = ::open(tmp, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  bool ok = true;
  for (int i = 0; ok && i < count; ++i) {
    const uint8_t* p = static_cast<const uint8_t*>(parts[i]);
    uint32_t left = sizes[i];
    while (ok && left > 0) {
      ssize_t w = ::write(fd, p, left > 4096 ? 4096 : left);
      if (w < 0 && errno == EINTR) continue;
      if (w <= 0) ok = false;
      else {
        p += w;
        left -= uint32_t(w);
      }
    }
  }
  if (ok && ::fsync(fd) != 0) ok = false;
  if (::close(fd) != 0) ok = false;
  if (ok && ::rename(tmp, host_path) != 0) ok = false;
  if (!ok) {
    ::unlink(tmp);
    return false;
  }
  // The rename itself must reach the card before the stop is reported done.
  char dir[4200];
  std::memcpy(dir, host_path, n + 1);
  char* slash = std::strrchr(dir, '/');
  if (slash != nullptr) {
    *slash = '\0';
    int dfd = ::open(dir[0] ? dir : "/", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
      ::fsync(dfd);
      ::close(dfd);
    }
  }
  return true;
}

namespace {
FILE* OpenMode(const char* path, const char* mode) {
  char host[4096];
  if (!N4_HostPath(path, host, sizeof host)) return nullptr;
  return std::fopen(host, mode);
}
}  // namespace

FILE* N4File_Open(const char* path, int write) { return OpenMode(path, write ? "wb" : "rb"); }
FILE* N4File_OpenAppend(const char* path) {
  FILE* f = OpenMode(path, "ab");
  return f ? f : OpenMode(path, "wb");
}
void N4File_Close(FILE* file) {
  if (file) std::fclose(file);
}
int N4File_Read(FILE* file, void* buffer, uint32_t length) {
  return file && std::fread(buffer, length, 1, file) == 1 ? 1 : 0;
}
int N4File_Write(FILE* file, const void* data, uint32_t length) {
  return file && std::fwrite(data, length, 1, file) == 1 ? 1 : 0;
}
uint32_t N4File_Fread(FILE* file, uint32_t size, uint32_t count, void* buffer) {
  return file ? uint32_t(std::fread(buffer, size, count, file)) : 0;
}
uint32_t N4File_Fwrite(FILE* file, uint32_t size, uint32_t count, const void* data) {
  return file ? uint32_t(std::fwrite(data, size, count, file)) : 0;
}
int N4File_Fseek(FILE* file, int mode, long offset) {
  if (!file) return 0;
  int whence = mode == 1 ? SEEK_CUR : mode == 2 ? SEEK_END : SEEK_SET;
  return std::fseek(file, offset, whence) == 0 ? 1 : 0;
}
int N4File_Fflush(FILE* file) { return file && std::fflush(file) == 0 ? 1 : 0; }
int N4File_Rename(const char* from, const char* to) {
  char a[4096], b[4096];
  return N4_HostPath(from, a, sizeof a) && N4_HostPath(to, b, sizeof b) && std::rename(a, b) == 0 ? 1 : 0;
}
int N4File_Delete(const char* path) {
  char host[4096];
  return N4_HostPath(path, host, sizeof host) && std::remove(host) == 0 ? 1 : 0;
}
int N4File_Copy(const char* source, const char* target) {
  FILE* in = OpenMode(source, "rb");
  if (!in) return 0;
  FILE* out = OpenMode(target, "wb");
  if (!out) {
    std::fclose(in);
    return 0;
  }
  uint8_t piece[64];
  int ok = 1;
  for (std::size_t got; (got = std::fread(piece, 1, sizeof piece, in)) > 0;)
    if (std::fwrite(piece, 1, got, out) != got) ok = 0;
  std::fclose(in);
  if (std::fclose(out) != 0) ok = 0;
  return ok;
}
uint32_t N4File_GetSize(const char* path) {
  char host[4096];
  struct stat st;
  if (!N4_HostPath(path, host, sizeof host) || ::stat(host, &st) != 0) return 0;
  return uint32_t(st.st_size);
}
int N4File_Exist(const char* path) {
  char host[4096];
  return N4_HostPath(path, host, sizeof host) && ::access(host, F_OK) == 0 ? 1 : 0;
}
int N4File_WriteLine(FILE* file, const char* text) {
  return file && std::fputs(text, file) >= 0 && std::fputc('\n', file) != EOF ? 1 : 0;
}
int N4File_ReadLine(FILE* file, char* buffer, uint32_t size) {
  if (!file || !buffer || size == 0) return 0;
  uint32_t n = 0, read = 0;
  for (int c; read < size - 1 && read < 255 && (c = std::fgetc(file)) != EOF;) {
    ++read;
    if (c == '\n') break;
    if (c != 0) buffer[n++] = char(c);
  }
  buffer[n] = '\0';
  return int(n);
}
int N4File_Eof(FILE* file) { return file ? std::feof(file) != 0 : 1; }

FILE* N4FT_OpenRead(const char* name, uint32_t* size) {
  if (size) *size = N4File_GetSize(name);
  return OpenMode(name, "rb");
}
FILE* N4FT_OpenWrite(const char* name) { return OpenMode(name, "wb"); }
uint16_t N4FT_Read(FILE* file, uint16_t length, void* buffer) {
  return file ? uint16_t(std::fread(buffer, 1, length, file)) : 0;
}
int N4FT_Write(FILE* file, uint16_t length, const void* data) {
  return file && std::fwrite(data, 1, length, file) == length ? 1 : 0;
}
void N4FT_Close(FILE* file) { N4File_Close(file); }
int N4FT_Delete(const char* name) { return N4File_Delete(name); }
int N4FT_OpenDir() { return 0; }
int N4FT_GetDirEntry() { return 0; }
void N4FT_CloseDir() {}
