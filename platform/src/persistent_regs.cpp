#include "platform/persistent_regs.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <atomic>

#include "platform/root.h"

namespace plat {
namespace {
constexpr char kModelFile[] = "/dev/persistent_regs";
constexpr std::size_t kPage = 4096;

std::atomic<uint32_t> g_regs[kPersistentRegCount];
static_assert(std::atomic<uint32_t>::is_always_lock_free);
// The mapped model file while attached (its first words are the registers).
std::atomic<uint32_t*> g_window{nullptr};

bool Valid(int n) { return n >= 0 && n < kPersistentRegCount; }

std::atomic_ref<uint32_t> Mapped(uint32_t* window, int n) { return std::atomic_ref<uint32_t>(window[n]); }
}  // namespace

uint32_t ReadPersistentReg(int n) {
  if (!Valid(n)) return 0;
  if (uint32_t* w = g_window.load(std::memory_order_acquire)) return Mapped(w, n).load(std::memory_order_relaxed);
  return g_regs[n].load(std::memory_order_relaxed);
}

void WritePersistentReg(int n, uint32_t value) {
  if (!Valid(n)) return;
  if (uint32_t* w = g_window.load(std::memory_order_acquire)) return Mapped(w, n).store(value, std::memory_order_relaxed);
  g_regs[n].store(value, std::memory_order_relaxed);
}

void ResetPersistentRegs() {
  if (uint32_t* w = g_window.exchange(nullptr)) ::munmap(w, kPage);
  for (auto& r : g_regs) r.store(0, std::memory_order_relaxed);
}

bool AttachPersistentRegs() {
  if (g_window.load() != nullptr) return true;
  MakeUnitDirs("/dev");
  char path[1024];
  if (!MapPath(kModelFile, path, sizeof path)) return false;
  const int fd = ::open(path, O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  void* at = MAP_FAILED;
  if (::ftruncate(fd, kPage) == 0) at = ::mmap(nullptr, kPage, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
  ::close(fd);
  if (at == MAP_FAILED) return false;
  g_window.store(static_cast<uint32_t*>(at), std::memory_order_release);
  return true;
}

bool SyncPersistentRegs() {
  uint32_t* w = g_window.load(std::memory_order_acquire);
  return w == nullptr || ::msync(w, kPage, MS_SYNC) == 0;
}

}  // namespace plat
