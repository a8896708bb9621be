// Ladder scans of the instruction families the other benchmarks leave out, each against
// the same logic written in C++ over the register image: contacts and coils in the
// 32-bit operand form, jumps, skips and calls, REAL arithmetic, and counters. per_instr
// is the time per ladder instruction of the program (a subroutine's instructions count
// once, like the rest), in both versions.
#include <cmath>
#include <cstring>
#include <vector>

#include "ladder_bench.h"

namespace {

using lbench::Bit;
using lbench::On;
using lbench::Write;

enum Op : uint16_t {
  kEnd = 9, kAnd = 36, kOut = 38, kJmp = 71, kSkipIfOff = 70, kCall = 73, kRet = 74,
  kPush2 = 83, kPull2 = 85, kAddR = 128, kMulR = 130, kCtuImm = 201,
};

Bit Input(uint32_t i) { return lbench::BitOf(uint16_t(8192 + i % 2048)); }
Bit Output(uint32_t i) { return lbench::BitOf(uint16_t(32768 + i % 32768)); }
Bit Marker(uint32_t i) { return lbench::BitOf(uint16_t(14336 + i % 2048)); }
uint32_t RegOff(uint32_t n) { return reg::kOffR + 2 * (n - 1); }
uint16_t RegToken(uint32_t n) { return uint16_t(32768 + 16 * (n - 1)); }

void SeedInputs() {
  for (uint32_t i = 0; i < 2048; i += 3) plc_reg[Input(i).byte] |= Input(i).mask;
  plc_reg[Marker(0).byte] |= Marker(0).mask;  // always on
}
void Report(benchmark::State& state, std::size_t instructions) {
  lbench::ReportPer(state, "per_instr", double(instructions));
}

// --- contacts and coils, 32-bit operand form: 5,000 rungs "contact; coil" -------------
constexpr uint32_t kRungs = 5000;

void BM_LadderContactsCoils32(benchmark::State& state) {
  std::vector<uint16_t> code;
  for (uint32_t i = 0; i < kRungs; ++i) code.insert(code.end(), {Input(i * 7).token, kOut, Output(i).token, 0});
  code.push_back(kEnd);
  lbench::Install(code, SeedInputs, lbench::Form::k32);
  for (auto _ : state) benchmark::DoNotOptimize(LogicUpdate(ladder));
  Report(state, 2 * kRungs);
}
BENCHMARK(BM_LadderContactsCoils32);

void BM_DirectContactsCoils32(benchmark::State& state) {
  struct Rung {
    Bit in, out;
  };
  std::vector<Rung> rungs;
  for (uint32_t i = 0; i < kRungs; ++i) rungs.push_back({Input(i * 7), Output(i)});
  lbench::Install({kEnd}, SeedInputs);
  for (auto _ : state) {
    for (const Rung& r : rungs) Write(r.out, On(r.in));
    benchmark::ClobberMemory();
  }
  Report(state, 2 * kRungs);
}
BENCHMARK(BM_DirectContactsCoils32);

// --- jumps, skips and calls ----------------------------------------------------------
// Per group, 15 instructions:
//   LD a; JMP over; LD b; OUT q1; over:          q1 = b unless a
//   LD c; SKIP_IF_OFF to_coil; LD d; AND; to_coil: OUT q2     q2 = c AND d
//   LD e; CALL sub                               when e: q3 = f
// and after the program's end, per group:  sub: LD f; OUT q3; LD on; RET
constexpr uint32_t kFlowGroups = 667;  // 10,005 instructions

struct FlowGroup {
  Bit a, b, c, d, e, f, q1, q2, q3;
};
std::vector<FlowGroup> FlowGroups() {
  std::vector<FlowGroup> g(kFlowGroups);
  for (uint32_t i = 0; i < kFlowGroups; ++i)
    g[i] = {Input(i * 11), Input(i * 13 + 1), Input(i * 17 + 2), Input(i * 19 + 3), Input(i * 23 + 4),
            Input(i * 29 + 5), Output(3 * i), Output(3 * i + 1), Output(3 * i + 2)};
  return g;
}

void BM_LadderFlow(benchmark::State& state) {
  const std::vector<FlowGroup> groups = FlowGroups();
  std::vector<uint16_t> code;
  std::vector<uint32_t> calls;  // positions of the call offsets
  for (const FlowGroup& g : groups) {
    code.insert(code.end(), {g.a.token, kJmp, 3, g.b.token, kOut, g.q1.token});
    code.insert(code.end(), {g.c.token, kSkipIfOff, 2, g.d.token, kAnd, kOut, g.q2.token});
    code.insert(code.end(), {g.e.token, kCall, 0});
    calls.push_back(uint32_t(code.size() - 1));
  }
  code.push_back(kEnd);
  for (std::size_t i = 0; i < groups.size(); ++i) {
    code[calls[i]] = uint16_t(int32_t(code.size()) - int32_t(calls[i] + 1));
    code.insert(code.end(), {groups[i].f.token, kOut, groups[i].q3.token, Marker(0).token, kRet});
  }
  lbench::Install(code, SeedInputs);
  for (auto _ : state) benchmark::DoNotOptimize(LogicUpdate(ladder));
  Report(state, 15 * kFlowGroups);
}
BENCHMARK(BM_LadderFlow);

void BM_DirectFlow(benchmark::State& state) {
  const std::vector<FlowGroup> groups = FlowGroups();
  lbench::Install({kEnd}, SeedInputs);
  for (auto _ : state) {
    for (const FlowGroup& g : groups) {
      if (!On(g.a)) Write(g.q1, On(g.b));
      Write(g.q2, On(g.c) && On(g.d));
      if (On(g.e)) Write(g.q3, On(g.f));
    }
    benchmark::ClobberMemory();
  }
  Report(state, 15 * kFlowGroups);
}
BENCHMARK(BM_DirectFlow);

// --- REAL arithmetic: d = (a + b) * c, the coil shows that both results are finite ------
// Per rung, 8 instructions: LD x; PUSH2 a; PUSH2 b; ADDR; PUSH2 c; MULR; PULL2 d; OUT q
constexpr uint32_t kRealRungs = 1250;  // 10,000 instructions
constexpr uint32_t kRealSets = 250;    // four REALs each: R1..R2000

struct RealRung {
  Bit x, q;
  uint32_t a, b, c, d;  // register numbers
};
std::vector<RealRung> RealRungs() {
  std::vector<RealRung> r(kRealRungs);
  for (uint32_t i = 0; i < kRealRungs; ++i) {
    const uint32_t s = 1 + 8 * (i % kRealSets);
    r[i] = {Input(i * 7), Output(i), s, s + 2, s + 4, s + 6};
  }
  return r;
}
float GetReal(uint32_t n) {
  float f;
  std::memcpy(&f, plc_reg + RegOff(n), 4);
  return f;
}
void SetReal(uint32_t n, float f) { std::memcpy(plc_reg + RegOff(n), &f, 4); }
// Values that overflow now and then.
void SeedReals() {
  SeedInputs();
  for (uint32_t i = 0; i < kRealSets; ++i) {
    const uint32_t s = 1 + 8 * i;
    SetReal(s, 1.5f * float(i) - 100.0f);
    SetReal(s + 2, i % 50 == 0 ? 3.0e38f : 0.25f);
    SetReal(s + 4, i % 7 == 0 ? 1.0e10f : -2.0f);
  }
}
bool Finite(float f) { return std::isfinite(f); }

void BM_LadderRealArithmetic(benchmark::State& state) {
  std::vector<uint16_t> code;
  for (const RealRung& r : RealRungs())
    code.insert(code.end(), {r.x.token, kPush2, RegToken(r.a), kPush2, RegToken(r.b), kAddR, kPush2, RegToken(r.c),
                             kMulR, kPull2, RegToken(r.d), kOut, r.q.token});
  code.push_back(kEnd);
  lbench::Install(code, SeedReals);
  for (auto _ : state) benchmark::DoNotOptimize(LogicUpdate(ladder));
  Report(state, 8 * kRealRungs);
}
BENCHMARK(BM_LadderRealArithmetic);

void BM_DirectRealArithmetic(benchmark::State& state) {
  const std::vector<RealRung> rungs = RealRungs();
  lbench::Install({kEnd}, SeedReals);
  for (auto _ : state) {
    for (const RealRung& r : rungs) {
      const float a = GetReal(r.a), b = GetReal(r.b), c = GetReal(r.c);
      const float sum = a + b, product = sum * c;
      const bool ok = Finite(a) && Finite(b) && Finite(sum) && Finite(c) && Finite(product);
      SetReal(r.d, product);
      Write(r.q, On(r.x) && ok);
    }
    benchmark::ClobberMemory();
  }
  Report(state, 8 * kRealRungs);
}
BENCHMARK(BM_DirectRealArithmetic);

// --- 16-bit up counters with a reset bit, immediate preset 5 -------------------------
// Per rung, 3 instructions: LD in; CTU_I reset, record, 5; OUT q. The inputs flip at
// every scan, so the counts rise, reach the preset and stop at the top of the range.
constexpr uint32_t kCounterRungs = 640;
constexpr int16_t kCounterPreset = 5;

void FlipInputs() {
  for (uint32_t i = 0; i < 256; ++i) plc_reg[reg::kOffI + i] ^= 0xFF;
}

void BM_LadderCounters(benchmark::State& state) {
  std::vector<uint16_t> code;
  for (uint32_t i = 0; i < kCounterRungs; ++i)
    code.insert(code.end(), {Input(i * 7).token, kCtuImm, Marker(1 + i).token, RegToken(1 + 2 * i),
                             uint16_t(kCounterPreset), kOut, Output(i).token});
  code.push_back(kEnd);
  lbench::Install(code, SeedInputs);
  for (auto _ : state) {
    FlipInputs();
    benchmark::DoNotOptimize(LogicUpdate(ladder));
  }
  Report(state, 3 * kCounterRungs);
}
BENCHMARK(BM_LadderCounters);

void BM_DirectCounters(benchmark::State& state) {
  struct Rung {
    Bit in, reset, out;
    uint32_t record;
  };
  std::vector<Rung> rungs;
  for (uint32_t i = 0; i < kCounterRungs; ++i)
    rungs.push_back({Input(i * 7), Marker(1 + i), Output(i), RegOff(1 + 2 * i)});
  lbench::Install({kEnd}, SeedInputs);
  for (auto _ : state) {
    FlipInputs();
    for (const Rung& r : rungs) {
      int32_t count = int16_t(RegWord(r.record));
      uint16_t word = RegWord(r.record + 2);
      if (!On(r.in)) {
        word &= uint16_t(~0x4000);
      } else if (!(word & 0x4000)) {
        if (count < 32767) ++count;
        word |= 0x4000;
      }
      if (On(r.reset)) count = 0;
      const bool done = count >= kCounterPreset;
      SetRegWord(r.record, uint16_t(count));
      SetRegWord(r.record + 2, uint16_t((word & ~0x8000) | (done ? 0x8000 : 0)));
      Write(r.out, done);
    }
    benchmark::ClobberMemory();
  }
  Report(state, 3 * kCounterRungs);
}
BENCHMARK(BM_DirectCounters);

}  // namespace
