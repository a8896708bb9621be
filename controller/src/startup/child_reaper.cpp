#include "child_reaper.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <sys/wait.h>

namespace {

constexpr int kSlots = 8;
std::atomic<pid_t> g_watched[kSlots];

// Async-signal-safe: atomics and waitpid only.
void ReapWatched() {
  const int saved = errno;
  for (auto& slot : g_watched) {
    pid_t pid = slot.load();
    if (pid > 0 && ::waitpid(pid, nullptr, WNOHANG) == pid) slot.compare_exchange_strong(pid, 0);
  }
  errno = saved;
}

void OnChild(int) { ReapWatched(); }

}  // namespace

void InstallChildReaper() {
  static std::atomic<bool> installed{false};
  if (installed.exchange(true)) return;
  struct sigaction sa {};
  sa.sa_handler = OnChild;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_RESTART | SA_NOCLDSTOP;
  ::sigaction(SIGCHLD, &sa, nullptr);
}

void WatchChild(pid_t pid) {
  if (pid <= 0) return;
  for (auto& slot : g_watched) {
    pid_t free_slot = 0;
    if (slot.compare_exchange_strong(free_slot, pid)) break;
  }
  // It may have ended before it was watched, and its SIGCHLD found nothing to reap.
  ReapWatched();
}
