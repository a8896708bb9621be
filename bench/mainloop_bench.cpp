// Cost of one main-loop pass with nothing configured: no program, no protocol driver,
// Idle (so no slice timer is armed), every unbuilt subsystem a hook with tracing off.
#include <benchmark/benchmark.h>

#include <csignal>
#include <cstring>

#include "controller/mainloop.h"
#include "ground/regimage.h"
#include "controller/runctl.h"
#include "ground/tablestore.h"

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
  // An end-only program, so the scan runs the logic instead of faulting back to Idle.
  ladder[0] = 0x09;
  ladder[1] = 0x00;
  SetBlockSize(ladder_bl, 2);
  SrSet(167, 50);
  SetPlcMode(kModeRun);
  for (auto _ : state) The_Loop();
  if (SrGet(5) != kModeRun) state.SkipWithError("the pass left Run");
  SetPlcMode(kModeIdle);
}
BENCHMARK(BM_TheLoopRun);

}  // namespace
