// Cost of one register read or write through the token interface.
#include <benchmark/benchmark.h>

#include "ground/regaccess.h"
#include "ground/regimage.h"

namespace {

const uint32_t kWord = reg::WordToken(reg::kTokR, 100);
const uint32_t kBit = reg::BitToken(reg::kTokM, 77);

void BM_Get16(benchmark::State& state) {
  uint16_t v = 0;
  for (auto _ : state) {
    PlcReg_Get(&v, kWord, 16);
    benchmark::DoNotOptimize(v);
  }
}
BENCHMARK(BM_Get16);

void BM_Set16(benchmark::State& state) {
  uint16_t v = 0;
  for (auto _ : state) {
    ++v;
    benchmark::DoNotOptimize(PlcReg_Set(kWord, &v, 16));
  }
}
BENCHMARK(BM_Set16);

void BM_GetBit(benchmark::State& state) {
  uint8_t v = 0;
  for (auto _ : state) {
    PlcReg_Get(&v, kBit, 1);
    benchmark::DoNotOptimize(v);
  }
}
BENCHMARK(BM_GetBit);

void BM_SetBit(benchmark::State& state) {
  uint8_t v = 0;
  for (auto _ : state) {
    v ^= 1;
    benchmark::DoNotOptimize(PlcReg_Set(kBit, &v, 1));
  }
}
BENCHMARK(BM_SetBit);

// A checked system-register write (limit table, side-effect lookup).
void BM_SetSr16(benchmark::State& state) {
  uint16_t v = 0;
  const uint32_t tok = reg::SrToken(58);
  for (auto _ : state) {
    ++v;
    benchmark::DoNotOptimize(PlcReg_Set(tok, &v, 16));
  }
}
BENCHMARK(BM_SetSr16);

}  // namespace
