#include "kernel/timebase.h"

#include "platform/clock.h"

volatile uint32_t fpga_port = 0;

namespace {
bool g_based = false;
int64_t g_base_s = 0;
}  // namespace

uint32_t FPGA_GetFrt() {
  const int64_t ns = plat::MonotonicNs();
  const int64_t s = ns / 1'000'000'000;
  if (!g_based) {
    g_base_s = s;
    g_based = true;
  }
  const uint32_t tick = uint32_t((s - g_base_s) * 10000 + (ns % 1'000'000'000) / 100'000);
  fpga_port = tick;
  return tick;
}
