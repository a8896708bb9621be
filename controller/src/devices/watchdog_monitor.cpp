#include "watchdog_monitor.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <mutex>
#include <thread>

#include "controller/retentive.h"
#include "net/services.h"
#include "platform/watchdog.h"

namespace {

constexpr int32_t kSaveFromMs = 400;
constexpr int32_t kSaveToMs = 1000;
constexpr auto kPollPeriod = std::chrono::milliseconds(500);

std::atomic<bool> g_saved{false};
std::thread g_thread;
std::mutex g_mutex;
std::condition_variable g_wake;
bool g_stop = false;

void MonitorThread() {
  std::unique_lock lock(g_mutex);
  while (!g_stop) {
    lock.unlock();
    const WatchdogScanResult r = WatchdogScan();
    lock.lock();
    // After the save the board's watchdog resets the unit; the thread has nothing left
    // to do but wait for it (on a host, for the orderly stop).
    if (r == WatchdogScanResult::kPolled) {
      g_wake.wait_for(lock, kPollPeriod, [] { return g_stop; });
    } else {
      g_wake.wait(lock, [] { return g_stop; });
    }
  }
}

}  // namespace

WatchdogScanResult WatchdogScan() {
  if (g_saved.load()) return WatchdogScanResult::kWaiting;
  const int32_t left = plat::WatchdogTimeLeftMs();  // -1 while the device is closed
  if (left >= kSaveFromMs && left <= kSaveToMs) {
    g_saved.store(true);
    AutoSaveRegisters();
    return WatchdogScanResult::kSaved;
  }
  watchdogStModeStatus();
  return WatchdogScanResult::kPolled;
}

void WatchdogMonitorReset() { g_saved.store(false); }

void StartWatchdogMonitor() {
  if (g_thread.joinable()) return;
  {
    std::lock_guard lock(g_mutex);
    g_stop = false;
  }
  sigset_t blocked, previous;
  sigemptyset(&blocked);
  sigaddset(&blocked, SIGALRM);
  sigaddset(&blocked, SIGINT);
  sigaddset(&blocked, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &blocked, &previous);
  g_thread = std::thread(MonitorThread);
  pthread_sigmask(SIG_SETMASK, &previous, nullptr);
}

void StopWatchdogMonitor() {
  if (!g_thread.joinable()) return;
  {
    std::lock_guard lock(g_mutex);
    g_stop = true;
  }
  g_wake.notify_all();
  g_thread.join();
}
