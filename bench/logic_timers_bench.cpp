// Ladder scans of rungs with a timer each ("contact; timer; coil") against the same
// logic written directly in C++ over the register image. per_instr is the time per
// ladder instruction (contact, timer or coil), per_timer the time per rung; both figures
// compare directly between the two versions.
#include <cstring>
#include <vector>

#include "ground/unaligned.h"
#include "ground/timebase.h"
#include "ladder_bench.h"

namespace {

using lbench::Bit;
using lbench::On;
using lbench::Write;

constexpr uint16_t kEnd = 9;
constexpr uint16_t kOut = 38;
constexpr uint16_t kOnDelay10ms = 205;      // 16-bit, 0.01 s, immediate preset
constexpr uint16_t kAccumulating1ms = 467;  // 32-bit, 0.001 s, immediate preset
constexpr uint32_t kRungs = 640;  // three-word records R1..R1920, in reach of one-word references
constexpr uint32_t kPreset = 30000;  // not reached while the benchmark runs
constexpr uint32_t kPresetDone = 1;  // reached after 0.01 s (0.001 s for the 1 ms timers)

// Two inputs in three are on, so both the timing and the idle path run.
Bit Input(uint32_t i) { return lbench::BitOf(uint16_t(8192 + i % 2048)); }
Bit Output(uint32_t i) { return lbench::BitOf(uint16_t(10240 + i % 2048)); }
// Reset bits are M bits, all off.
Bit Reset(uint32_t i) { return lbench::BitOf(uint16_t(14336 + i % 2048)); }
// Records of three words each from R1; a 16-bit record uses the first two.
uint32_t Record(uint32_t i) { return reg::kOffR + 6 * i; }
uint16_t RecordToken(uint32_t i) { return uint16_t(32768 + 16 * 3 * i); }

void Seed() {
  for (uint32_t i = 0; i < 2048; ++i)
    if (i % 3 != 0) plc_reg[Input(i).byte] |= Input(i).mask;
}
void Install(const std::vector<uint16_t>& code) { lbench::Install(code, Seed); }

void Report(benchmark::State& state) {
  lbench::ReportPer(state, "per_instr", 3 * kRungs);
  lbench::ReportPer(state, "per_timer", kRungs);
}

// --- 16-bit on-delay timers, 0.01 s ---------------------------------------------------
void LadderOnDelay16(benchmark::State& state, uint32_t preset) {
  std::vector<uint16_t> code;
  for (uint32_t i = 0; i < kRungs; ++i)
    code.insert(code.end(), {Input(i * 7).token, kOnDelay10ms, RecordToken(i), uint16_t(preset), kOut,
                             Output(i).token});
  code.push_back(kEnd);
  Install(code);
  for (auto _ : state) benchmark::DoNotOptimize(LogicUpdate(ladder));
  Report(state);
}
void BM_LadderOnDelay16(benchmark::State& state) { LadderOnDelay16(state, kPreset); }
BENCHMARK(BM_LadderOnDelay16);

void DirectOnDelay16(benchmark::State& state, uint32_t preset) {
  struct Rung {
    Bit in, out;
    uint32_t record;
  };
  std::vector<Rung> rungs;
  for (uint32_t i = 0; i < kRungs; ++i) rungs.push_back({Input(i * 7), Output(i), Record(i)});
  Install({kEnd});
  for (auto _ : state) {
    const uint16_t tick = uint16_t(FPGA_GetFrt() & 0x3FFF);
    for (const Rung& r : rungs) {
      uint16_t value = RegWord(r.record);
      uint16_t reference = RegWord(r.record + 2) & 0x3FFF;
      bool done = false;
      if (!On(r.in)) {
        value = 0;
        reference = tick;
        SetRegWord(r.record + 2, tick);
      } else {
        if (value < preset) {
          const uint32_t elapsed = uint32_t(tick - reference) & 0x3FFF;
          const uint32_t units = elapsed / 100;
          if (units != 0) {
            value = uint16_t(value + units);
            reference = uint16_t(tick - elapsed % 100) & 0x3FFF;
          }
        } else {
          reference = tick;
        }
        done = value >= preset;
        if (done) value = preset;
        SetRegWord(r.record + 2, uint16_t((done ? 0x8000 : 0) | 0x4000 | reference));
      }
      SetRegWord(r.record, value);
      Write(r.out, done);
    }
    benchmark::ClobberMemory();
  }
  Report(state);
}
void BM_DirectOnDelay16(benchmark::State& state) { DirectOnDelay16(state, kPreset); }
BENCHMARK(BM_DirectOnDelay16);

// The same with timers that reach their preset and stay done.
void BM_LadderOnDelay16Done(benchmark::State& state) { LadderOnDelay16(state, kPresetDone); }
BENCHMARK(BM_LadderOnDelay16Done);
void BM_DirectOnDelay16Done(benchmark::State& state) { DirectOnDelay16(state, kPresetDone); }
BENCHMARK(BM_DirectOnDelay16Done);

// --- 32-bit accumulating timers with a reset bit, 0.001 s ---------------------------
void LadderAccumulating32(benchmark::State& state, uint32_t preset) {
  std::vector<uint16_t> code;
  for (uint32_t i = 0; i < kRungs; ++i)
    code.insert(code.end(), {Input(i * 7).token, kAccumulating1ms, Reset(i).token, RecordToken(i),
                             uint16_t(preset), 0, kOut, Output(i).token});
  code.push_back(kEnd);
  Install(code);
  for (auto _ : state) benchmark::DoNotOptimize(LogicUpdate(ladder));
  Report(state);
}
void BM_LadderAccumulating32(benchmark::State& state) { LadderAccumulating32(state, kPreset); }
BENCHMARK(BM_LadderAccumulating32);

void DirectAccumulating32(benchmark::State& state, uint32_t preset) {
  struct Rung {
    Bit in, reset, out;
    uint32_t record;
  };
  std::vector<Rung> rungs;
  for (uint32_t i = 0; i < kRungs; ++i) rungs.push_back({Input(i * 7), Reset(i), Output(i), Record(i)});
  Install({kEnd});
  for (auto _ : state) {
    const uint16_t tick = uint16_t(FPGA_GetFrt() & 0x3FFF);
    for (const Rung& r : rungs) {
      bool done = false;
      if (On(r.reset)) {
        UTIL_PutDword(plc_reg + r.record, 0);
        SetRegWord(r.record + 4, tick);
      } else if (!On(r.in)) {
        SetRegWord(r.record + 4, tick);
      } else {
        int64_t value = int32_t(UTIL_GetDword(plc_reg + r.record));
        uint16_t reference = RegWord(r.record + 4) & 0x3FFF;
        if (value < preset) {
          const uint32_t elapsed = uint32_t(tick - reference) & 0x3FFF;
          const uint32_t units = elapsed / 10;
          if (units != 0) {
            value += units;
            reference = uint16_t(tick - elapsed % 10) & 0x3FFF;
          }
        } else {
          reference = tick;
        }
        done = value >= preset;
        if (done) value = preset;
        UTIL_PutDword(plc_reg + r.record, uint32_t(value));
        SetRegWord(r.record + 4, uint16_t((done ? 0x8000 : 0) | 0x4000 | reference));
      }
      Write(r.out, done);
    }
    benchmark::ClobberMemory();
  }
  Report(state);
}
void BM_DirectAccumulating32(benchmark::State& state) { DirectAccumulating32(state, kPreset); }
BENCHMARK(BM_DirectAccumulating32);

void BM_LadderAccumulating32Done(benchmark::State& state) { LadderAccumulating32(state, kPresetDone); }
BENCHMARK(BM_LadderAccumulating32Done);
void BM_DirectAccumulating32Done(benchmark::State& state) { DirectAccumulating32(state, kPresetDone); }
BENCHMARK(BM_DirectAccumulating32Done);

}  // namespace
