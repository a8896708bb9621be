// Cost of one main-loop pass with nothing configured: no program, no protocol driver,
// Idle (so no slice timer is armed), every unbuilt subsystem a hook with tracing off.
#include <benchmark/benchmark.h>

#include <csignal>
#include <cstring>

#include "kernel/mainloop.h"
#include "kernel/regimage.h"

namespace {

void BM_TheLoopIdle(benchmark::State& state) {
  std::memset(plc_reg, 0, sizeof plc_reg);
  for (auto _ : state) The_Loop();
}
BENCHMARK(BM_TheLoopIdle);

// The same pass in Run: the slice timer is armed and disarmed around the two loops.
void BM_TheLoopRun(benchmark::State& state) {
  // Should a pass ever be held up past the slice, the signal must not end the benchmark.
  std::signal(SIGALRM, SIG_IGN);
  std::memset(plc_reg, 0, sizeof plc_reg);
  SrSet(5, 2);
  SrSet(167, 50);
  for (auto _ : state) The_Loop();
  SrSet(5, 0);
}
BENCHMARK(BM_TheLoopRun);

}  // namespace
