#include "platform/watchdog.h"

#include <atomic>

#include "platform/clock.h"
#include "platform/trace.h"

namespace plat {
namespace {

constexpr int kDefaultTimeoutS = 60;  // the Linux driver's default before a timeout is set

std::atomic<bool> g_open{false};
std::atomic<int> g_timeout_s{kDefaultTimeoutS};
std::atomic<int64_t> g_fed_ns{0};
std::atomic<bool> g_expired{false};

int64_t LeftNs() {
  return int64_t(g_timeout_s.load()) * 1'000'000'000LL - (MonotonicNs() - g_fed_ns.load());
}

}  // namespace

bool WatchdogOpen() {
  bool expected = false;
  if (!g_open.compare_exchange_strong(expected, true)) return false;
  g_fed_ns.store(MonotonicNs());
  TraceCall("WatchdogOpen");
  return true;
}

bool WatchdogIsOpen() { return g_open.load(); }

void WatchdogSetTimeout(int seconds) {
  if (!g_open.load()) return;
  g_timeout_s.store(seconds > 0 ? seconds : 1);
  g_fed_ns.store(MonotonicNs());
  TraceCall("WatchdogSetTimeout", seconds);
}

void WatchdogKeepalive() {
  if (!g_open.load()) return;
  if (LeftNs() <= 0) g_expired.store(true);  // fed too late: the board has reset already
  g_fed_ns.store(MonotonicNs());
}

void WatchdogMagicClose() {
  if (g_open.exchange(false)) TraceCall("WatchdogMagicClose");
}

int32_t WatchdogTimeLeftMs() {
  if (!g_open.load()) return -1;
  const int64_t left = LeftNs();
  if (left <= 0) {
    g_expired.store(true);
    return 0;
  }
  return int32_t(left / 1'000'000);
}

bool WatchdogExpired() {
  if (g_open.load() && LeftNs() <= 0) g_expired.store(true);
  return g_expired.load();
}

void WatchdogReset() {
  g_open.store(false);
  g_timeout_s.store(kDefaultTimeoutS);
  g_expired.store(false);
}

}  // namespace plat
