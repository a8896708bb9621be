#include "ground/gentimers.h"

#include "ground/timebase.h"

namespace {

struct GeneralTimer {
  uint32_t start;
  uint32_t period;  // ticks
  uint8_t running;
  uint8_t allocated;
};

GeneralTimer g_timers[kGeneralTimers];
const volatile uint32_t* g_source = &fpga_port;
uint32_t g_rate_us = 100;

bool Valid(uint8_t index) { return index < kGeneralTimers; }

}  // namespace

void Timer_Init(const volatile uint32_t* tick_source, uint32_t rate_us) {
  g_source = tick_source ? tick_source : &fpga_port;
  g_rate_us = rate_us ? rate_us : 100;
  for (auto& t : g_timers) t = {};
}

uint8_t Timer_Allocate(int n) {
  if (n < 1 || n > kGeneralTimers) return kNoTimer;
  for (int first = 0; first + n <= kGeneralTimers; ++first) {
    int free_run = 0;
    while (free_run < n && !g_timers[first + free_run].allocated) ++free_run;
    if (free_run == n) {
      for (int i = first; i < first + n; ++i) g_timers[i].allocated = 1;
      return uint8_t(first);
    }
  }
  return kNoTimer;
}

uint32_t Timer_Start(uint8_t index, uint32_t ms) {
  if (!Valid(index) || !g_timers[index].allocated) return index;
  GeneralTimer& t = g_timers[index];
  if (ms > 0) {
    const uint64_t ticks = uint64_t(ms) * 1000 / g_rate_us;
    t.period = ticks > UINT32_MAX ? UINT32_MAX : uint32_t(ticks);
  }
  if (t.period == 0) return 0;
  t.start = *g_source;
  t.running = 1;
  return t.period;
}

void Timer_Stop(uint8_t index) {
  if (Valid(index)) g_timers[index].running = 0;
}

int Timer_Status(uint8_t index) {
  FPGA_GetFrt();
  if (!Valid(index)) return kTimerBadIndex;
  GeneralTimer& t = g_timers[index];
  if (!t.allocated) return kTimerNotAllocated;
  if (!t.running) return kTimerStopped;
  if (uint32_t(*g_source - t.start) < t.period) return kTimerRunning;
  t.running = 0;
  return kTimerExpired;
}

bool Timer_Running(uint8_t index) {
  FPGA_GetFrt();
  if (!Valid(index)) return false;
  const GeneralTimer& t = g_timers[index];
  return t.allocated && t.running && uint32_t(*g_source - t.start) < t.period;
}

void Timer_Release(uint8_t index) {
  if (Valid(index)) g_timers[index] = {};
}
