#include "ground/timebase.h"

#include <atomic>

#include "platform/clock.h"
#include "ground/power_on.h"

volatile uint32_t fpga_port = 0;

namespace {

constexpr int64_t kNsPerS = 1'000'000'000;
constexpr int64_t kNsPerTick = 100'000;
constexpr int64_t kTicksPerS = kNsPerS / kNsPerTick;
constexpr int64_t kUnset = INT64_MIN;

// Whole seconds of the monotonic clock at the first reading. Atomic, so that the first
// reading may come from any thread or from inside a time slice.
std::atomic<int64_t> g_base_s{kUnset};

// Ticks since the base at the clock reading ns, not truncated.
int64_t Ticks64(int64_t ns) {
  const int64_t s = ns / kNsPerS;
  int64_t base = g_base_s.load(std::memory_order_relaxed);
  if (base == kUnset) {
    g_base_s.compare_exchange_strong(base, s);  // on failure base holds the winner's value
    if (base == kUnset) base = s;
  }
  return (s - base) * kTicksPerS + (ns % kNsPerS) / kNsPerTick;
}

int64_t Ticks64() { return Ticks64(plat::MonotonicNs()); }

void BusyWaitTicks(uint64_t ticks) {
  const uint32_t start = FPGA_GetFrt();
  // The tick cannot measure a wait of 2^32 ticks or more.
  if (ticks > UINT32_MAX) ticks = UINT32_MAX;
  plat::GetClock().WaitingNs(int64_t(ticks) * kNsPerTick);
  while (uint32_t(FPGA_GetFrt() - start) < ticks) {
  }
}

}  // namespace

uint32_t FPGA_GetFrt() {
  const uint32_t tick = uint32_t(Ticks64());
  fpga_port = tick;
  return tick;
}

uint32_t FrtUsUntil(uint32_t tick) {
  const int64_t ns = plat::MonotonicNs();
  const int32_t ahead = int32_t(tick - uint32_t(Ticks64(ns)));
  if (ahead <= 0) return 0;
  // Ticks start at whole multiples of a tick of the clock (the base is whole seconds).
  const int64_t into_tick = ns % kNsPerTick;
  return uint32_t((int64_t(ahead) * kNsPerTick - into_tick + 999) / 1000);
}

void Delay(uint32_t ms) { BusyWaitTicks(uint64_t(ms) * 10); }

void SYS_Wait(uint32_t n) { BusyWaitTicks(uint64_t(n) * 100); }

namespace tx {
uint32_t _tx_time_get() { return uint32_t(Ticks64() / 10); }
}  // namespace tx

void TimebaseRestart() { g_base_s.store(kUnset); }
