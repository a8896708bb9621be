#include "platform/clock.h"

#include <ctime>

namespace plat {
namespace {

int64_t Read(clockid_t id) {
  timespec ts;
  clock_gettime(id, &ts);
  return static_cast<int64_t>(ts.tv_sec) * 1'000'000'000LL + ts.tv_nsec;
}

class HostClock final : public Clock {
 public:
  int64_t MonotonicNs() override { return Read(CLOCK_MONOTONIC); }
  int64_t WallNs() override { return Read(CLOCK_REALTIME); }
};

HostClock g_host;
std::atomic<Clock*> g_clock{&g_host};

}  // namespace

Clock* SetClock(Clock* clock) { return g_clock.exchange(clock ? clock : &g_host); }

Clock& GetClock() { return *g_clock.load(std::memory_order_acquire); }

}  // namespace plat
