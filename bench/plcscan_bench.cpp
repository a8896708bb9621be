// Cost of one PLC scan with an empty program (end of program only) and no I/O module,
// in Run (the logic runs, the scan statistics and the scan-rate services) and in Idle
// (clock bits, clock registers and the network steps only). Unbuilt subsystems are hooks
// with tracing off.
#include <benchmark/benchmark.h>

#include <cstring>

#include "ground/regimage.h"
#include "controller/runctl.h"
#include "ground/tablestore.h"

namespace {

void EmptyProgram() {
  std::memset(plc_reg, 0, sizeof plc_reg);
  ladder[0] = 0x09;  // end of program
  ladder[1] = 0x00;
  SetBlockSize(ladder_bl, 2);
}

void BM_PlcScanRun(benchmark::State& state) {
  EmptyProgram();
  SetPlcMode(kModeRun);
  for (auto _ : state) PlcScan();
  benchmark::DoNotOptimize(plc_reg[0]);
  SetPlcMode(kModeIdle);
}
BENCHMARK(BM_PlcScanRun);

void BM_PlcScanIdle(benchmark::State& state) {
  EmptyProgram();
  for (auto _ : state) PlcScan();
  benchmark::DoNotOptimize(plc_reg[0]);
}
BENCHMARK(BM_PlcScanIdle);

}  // namespace
