// Cost of one main-loop pass with nothing configured: no program, no protocol driver,
// every unbuilt subsystem a hook with tracing off. The unit is set up as start-up leaves
// it for the loop (an empty device root of its own, the storage service's queues), so that
// a pass does the work of the running unit and nothing else.
#include <benchmark/benchmark.h>

#include <csignal>
#include <cstring>

#include "controller/mainloop.h"
#include "controller/runctl.h"
#include "ground/coop.h"
#include "ground/regimage.h"
#include "ground/tablestore.h"
#include "testsupport/temp_root.h"

namespace {

// Start-up's part that the loop relies on: without the queues the storage loop reports
// its missing queue and waits on every pass.
void SetUpAsStartUp() {
  std::memset(plc_reg, 0, sizeof plc_reg);
  CreateStorageQueues();
}

void BM_TheLoopIdle(benchmark::State& state) {
  const ts::TempRoot root;
  SetUpAsStartUp();
  for (auto _ : state) The_Loop();
}
BENCHMARK(BM_TheLoopIdle);

// The same pass in Run: the slice timer is armed and disarmed around the two loops.
void BM_TheLoopRun(benchmark::State& state) {
  const ts::TempRoot root;
  SetUpAsStartUp();
  // Should a pass ever be held up past the slice, the signal must not end the benchmark.
  std::signal(SIGALRM, SIG_IGN);
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
