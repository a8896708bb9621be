#include "platform/power_controller.h"

#include <unistd.h>

#include <atomic>

namespace plat {
namespace {
std::atomic<bool> g_hold{false};
std::atomic<unsigned> g_writes{0};
std::atomic<pid_t> g_notice{0};
}  // namespace

void PowerControllerWrite(uint32_t value) {
  if (value != kPowerOffWord) return;
  g_writes.fetch_add(1, std::memory_order_relaxed);
  if (g_hold.load(std::memory_order_relaxed)) return;
  static constexpr char kLine[] = "panel: power off\n";
  const ssize_t n = ::write(STDOUT_FILENO, kLine, sizeof kLine - 1);
  (void)n;
  ::_exit(kPowerOffExitStatus);
}

void RegisterPowerDownNotice(pid_t pid) { g_notice.store(pid, std::memory_order_relaxed); }

namespace power_model {
void Hold(bool on) { g_hold.store(on); }
unsigned SwitchOffWrites() { return g_writes.load(); }
pid_t NoticePid() { return g_notice.load(); }
void Reset() {
  g_hold.store(false);
  g_writes.store(0);
  g_notice.store(0);
}
}  // namespace power_model

}  // namespace plat
