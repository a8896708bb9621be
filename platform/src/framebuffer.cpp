#include "platform/framebuffer.h"

#include <fcntl.h>
#include <linux/fb.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "platform/root.h"

namespace plat {
namespace {
FbModel g_model;
FbFault g_fault = FbFault::kNone;
}  // namespace

void FbSetModel(const FbModel& model) { g_model = model; }
void FbSetFault(FbFault fault) { g_fault = fault; }
void FbReset() {
  g_model = FbModel{};
  g_fault = FbFault::kNone;
}

int FbOpen(const char* unit_path) {
  if (g_fault == FbFault::kOpen) return -1;
  const std::string path(unit_path);
  const std::size_t slash = path.rfind('/');
  if (slash != std::string::npos && slash > 0) MakeUnitDirs(path.substr(0, slash));
  char host[1024];
  if (!MapPath(unit_path, host, sizeof host)) return -1;
  int fd;
  do fd = ::open(host, O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  while (fd < 0 && errno == EINTR);
  return fd;
}

int FbIoctl(int fd, unsigned long request, void* arg) {
  if (fd < 0 || arg == nullptr) return -1;
  if (request == FBIOGET_FSCREENINFO) {
    if (g_fault == FbFault::kFixedInfo) return -1;
    fb_fix_screeninfo fix{};
    std::memcpy(fix.id, "panel-fb", 8);
    fix.type = FB_TYPE_PACKED_PIXELS;
    fix.visual = g_model.visual;
    fix.line_length = g_model.width * g_model.bits_per_pixel / 8;
    fix.smem_len = fix.line_length * g_model.height;
    std::memcpy(arg, &fix, sizeof fix);
    return 0;
  }
  if (request == FBIOGET_VSCREENINFO) {
    if (g_fault == FbFault::kVariableInfo) return -1;
    fb_var_screeninfo var{};
    var.xres = var.xres_virtual = g_model.width;
    var.yres = var.yres_virtual = g_model.height;
    var.bits_per_pixel = g_model.bits_per_pixel;
    var.red = {11, 5, 0};
    var.green = {5, 6, 0};
    var.blue = {0, 5, 0};
    std::memcpy(arg, &var, sizeof var);
    return 0;
  }
  return -1;
}

void* FbMap(int fd, std::size_t length) {
  if (g_fault == FbFault::kMap || fd < 0 || length == 0) return nullptr;
  struct stat st {};
  if (::fstat(fd, &st) != 0) return nullptr;
  if (std::size_t(st.st_size) < length && ::ftruncate(fd, off_t(length)) != 0) return nullptr;
  void* p = ::mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
  return p == MAP_FAILED ? nullptr : p;
}

void FbUnmap(void* address, std::size_t length) {
  if (address != nullptr && length != 0) ::munmap(address, length);
}

void FbClose(int fd) {
  if (fd >= 0) ::close(fd);
}

}  // namespace plat
