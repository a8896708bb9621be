// The five receive-gap timers. Remaining time is kept per timer and brought up to date
// against a reference tick whenever the table is touched, so one poll costs at most one
// clock reading and an idle table reads none.
#include "fieldbus/gap_timers.h"

#include <array>

#include "fieldbus/services.h"
#include "ground/timebase.h"
#include "platform/trace.h"

namespace {

enum : uint16_t { kFree = 0, kStopped = 1, kRunning = 2 };

struct GapTimer {
  volatile uint16_t state = kFree;
  uint16_t type = kRctBaudTimeout;
  uint32_t remaining = 0;
  uint32_t period = 0;
  uint32_t reference = 0;
  RctCallback callback = nullptr;
};

constexpr int kTimers = 5;
std::array<GapTimer, kTimers> g_timers;
volatile bool g_any_running = false;

// Receive time-out by baud index in microseconds: a long wait at the slow rates, about
// 27 ms from 9600 baud up.
constexpr uint32_t kBaudTimeoutUs[] = {150000, 150000, 150000, 150000, 150000, 26666, 26666, 26666, 26666, 26666};
// The least time a running timer keeps when another one is started.
constexpr uint32_t kLeastLeft = 8;

GapTimer* Timer(int handle) { return handle >= 1 && handle <= kTimers ? &g_timers[handle - 1] : nullptr; }

}  // namespace

void RCT_Init() {
  plat::TraceCall("RCT_Init");
  g_any_running = false;
  for (GapTimer& t : g_timers) t = GapTimer{};
}

int RCT_Allocate(RctCallback callback) {
  for (int i = 0; i < kTimers; ++i) {
    GapTimer& t = g_timers[i];
    if (t.state != kFree) continue;
    t.callback = callback;
    t.state = kStopped;
    return i + 1;
  }
  return 0;
}

void RCT_Release(int handle) {
  if (GapTimer* t = Timer(handle)) t->state = kFree;
}

void RCT_Set(int handle, uint32_t value, int type) {
  GapTimer* t = Timer(handle);
  if (t == nullptr) return;
  if (type == kRctBaudTimeout) {
    // An unknown baud index gets the slow rates' wait rather than a read past the table.
    const uint32_t us = value < std::size(kBaudTimeoutUs) ? kBaudTimeoutUs[value] : kBaudTimeoutUs[0];
    t->type = kStopped;
    t->period = us / 100;
  } else {
    t->type = type == kRctPeriodic ? kRunning : kStopped;
    t->period = value / 100;
  }
}

void RCT_Stop(int handle) {
  if (GapTimer* t = Timer(handle)) t->state = kStopped;
}

void RCT_Start(int handle) {
  GapTimer* started = Timer(handle);
  if (started == nullptr || started->period == 0) return;
  const uint32_t now = FPGA_GetFrt();
  if (g_any_running) {
    // Bring every other running timer up to date, so that all share the one reference.
    for (GapTimer& t : g_timers) {
      if (&t == started || t.state != kRunning) continue;
      const uint32_t elapsed = now - t.reference;
      t.remaining = t.remaining > elapsed ? t.remaining - elapsed : kLeastLeft;
      t.reference = now;
    }
  }
  started->remaining = started->period;
  started->reference = now;
  started->state = kRunning;
  g_any_running = true;
}

void RctISR() {
  plat::TraceCall("RctISR");
  bool running = false;
  bool have_now = false;
  uint32_t now = 0;
  for (GapTimer& t : g_timers) {
    if (t.state != kRunning) continue;
    if (!have_now) {
      now = FPGA_GetFrt();
      have_now = true;
    }
    const uint32_t elapsed = now - t.reference;
    if (t.remaining < elapsed) {
      // A one-shot stops before its callback runs, so the callback may restart it.
      t.remaining = t.period;
      t.reference = now;
      t.state = t.type;
      if (t.callback) t.callback();
    } else {
      t.remaining -= elapsed;
      t.reference = now;
    }
  }
  for (const GapTimer& t : g_timers) running = running || t.state == kRunning;
  g_any_running = running;
}

uint32_t RctTicksToExpiry(int handle) {
  const GapTimer* t = Timer(handle);
  if (t == nullptr || t->state != kRunning) return UINT32_MAX;
  // A poll fires it once more ticks than its remaining ones have passed since the reference.
  const uint32_t elapsed = FPGA_GetFrt() - t->reference;
  return t->remaining < elapsed ? 0 : t->remaining - elapsed + 1;
}

int RctState(int handle) {
  const GapTimer* t = Timer(handle);
  return t ? t->state : 0;
}

uint32_t RctRemaining(int handle) {
  const GapTimer* t = Timer(handle);
  return t ? t->remaining : 0;
}
