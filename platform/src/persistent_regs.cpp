#include "platform/persistent_regs.h"

#include <atomic>

namespace plat {
namespace {
std::atomic<uint32_t> g_regs[kPersistentRegCount];
static_assert(std::atomic<uint32_t>::is_always_lock_free);
bool Valid(int n) { return n >= 0 && n < kPersistentRegCount; }
}  // namespace

uint32_t ReadPersistentReg(int n) { return Valid(n) ? g_regs[n].load(std::memory_order_relaxed) : 0; }

void WritePersistentReg(int n, uint32_t value) {
  if (Valid(n)) g_regs[n].store(value, std::memory_order_relaxed);
}

void ResetPersistentRegs() {
  for (auto& r : g_regs) r.store(0, std::memory_order_relaxed);
}

}  // namespace plat
