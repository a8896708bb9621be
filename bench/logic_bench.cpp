// One ladder scan against the same logic compiled directly in C++ over the register
// image: a program of contacts and coils, and one of mixed boolean rungs. The counter
// per_instr is the time per ladder instruction (contact, operator or coil) in both, so
// the two figures compare directly.
#include <vector>

#include "ladder_bench.h"

namespace {

using lbench::Bit;
using lbench::On;
using lbench::Write;

// --- a small program writer (16-bit operand form) ------------------------------------
enum Op : uint16_t {
  kEnd = 9, kOr = 35, kAnd = 36, kNot = 32, kOut = 38, kOutP = 50, kSet = 52, kRst = 53,
  kOutNot = 54, kAndNot = 60, kNand = 62, kOrBranch = 64,
};

// Inputs are the I bits, outputs bits of the R registers: no rung reads what another
// writes, so rung order does not matter to the direct version.
Bit Input(uint32_t i) { return lbench::BitOf(uint16_t(8192 + i % 2048)); }
Bit Output(uint32_t i) { return lbench::BitOf(uint16_t(32768 + i % 32768)); }

// Every third input on.
void Seed() {
  for (uint32_t i = 0; i < 2048; i += 3) plc_reg[Input(i).byte] |= Input(i).mask;
}
void Install(const std::vector<uint16_t>& code) { lbench::Install(code, Seed); }
void Report(benchmark::State& state, std::size_t instructions) {
  lbench::ReportPer(state, "per_instr", double(instructions));
}

// --- 10,000 contacts and coils: 5,000 rungs "contact; coil" ---------------------------
constexpr uint32_t kRungs = 5000;

void BM_LadderContactsCoils(benchmark::State& state) {
  std::vector<uint16_t> code;
  for (uint32_t i = 0; i < kRungs; ++i) code.insert(code.end(), {Input(i * 7).token, kOut, Output(i).token});
  code.push_back(kEnd);
  Install(code);
  for (auto _ : state) benchmark::DoNotOptimize(LogicUpdate(ladder));
  Report(state, 2 * kRungs);
}
BENCHMARK(BM_LadderContactsCoils);

void BM_DirectContactsCoils(benchmark::State& state) {
  struct Rung {
    Bit in, out;
  };
  std::vector<Rung> rungs;
  for (uint32_t i = 0; i < kRungs; ++i) rungs.push_back({Input(i * 7), Output(i)});
  Install({kEnd});
  for (auto _ : state) {
    for (const Rung& r : rungs) Write(r.out, On(r.in));
    benchmark::ClobberMemory();
  }
  Report(state, 2 * kRungs);
}
BENCHMARK(BM_DirectContactsCoils);

// --- mixed boolean rungs ----------------------------------------------------------------
// Five rung shapes, 24 instructions per group of five:
//   A  q = (a AND b) OR c                      LD a; LD b; AND; LD c; OR; OUT q
//   B  set q when a AND NOT b                  LD a; LD b; AND_NOT; SET q
//   C  q = NOT (a OR (b AND c))                LD a; LD b; LD c; OR_BRANCH; OUT_NOT q
//   D  reset q when NOT a OR b                 LD a; NOT; LD b; OR; RST q
//   E  q pulses when NOT (a AND b) rises       LD a; LD b; NAND; OUT_P q
constexpr uint32_t kGroups = 417;  // 10,008 instructions
constexpr uint32_t kPerGroup = 24;

struct Group {
  Bit a[5], b[5], c[2], q[5];
};
std::vector<Group> MixedGroups() {
  std::vector<Group> g(kGroups);
  for (uint32_t i = 0; i < kGroups; ++i) {
    for (uint32_t s = 0; s < 5; ++s) {
      g[i].a[s] = Input(i * 11 + s * 3);
      g[i].b[s] = Input(i * 13 + s * 5 + 1);
      g[i].q[s] = Output(i * 5 + s);
    }
    g[i].c[0] = Input(i * 17 + 2);
    g[i].c[1] = Input(i * 19 + 4);
  }
  return g;
}

void BM_LadderMixedRungs(benchmark::State& state) {
  std::vector<uint16_t> code;
  for (const Group& g : MixedGroups()) {
    code.insert(code.end(), {g.a[0].token, g.b[0].token, kAnd, g.c[0].token, kOr, kOut, g.q[0].token});
    code.insert(code.end(), {g.a[1].token, g.b[1].token, kAndNot, kSet, g.q[1].token});
    code.insert(code.end(), {g.a[2].token, g.b[2].token, g.c[1].token, kOrBranch, kOutNot, g.q[2].token});
    code.insert(code.end(), {g.a[3].token, kNot, g.b[3].token, kOr, kRst, g.q[3].token});
    code.insert(code.end(), {g.a[4].token, g.b[4].token, kNand, kOutP, g.q[4].token});
  }
  code.push_back(kEnd);
  Install(code);
  for (auto _ : state) benchmark::DoNotOptimize(LogicUpdate(ladder));
  Report(state, kGroups * kPerGroup);
}
BENCHMARK(BM_LadderMixedRungs);

void BM_DirectMixedRungs(benchmark::State& state) {
  const std::vector<Group> groups = MixedGroups();
  Install({kEnd});
  for (auto _ : state) {
    for (const Group& g : groups) {
      Write(g.q[0], (On(g.a[0]) && On(g.b[0])) || On(g.c[0]));
      if (On(g.a[1]) && !On(g.b[1])) Write(g.q[1], true);
      Write(g.q[2], !(On(g.a[2]) || (On(g.b[2]) && On(g.c[1]))));
      if (!On(g.a[3]) || On(g.b[3])) Write(g.q[3], false);
      // Positive transition with its edge memory in old_reg.
      const bool v = !(On(g.a[4]) && On(g.b[4]));
      uint8_t& edge = old_reg[g.q[4].byte];
      const bool was = edge & g.q[4].mask;
      Write(g.q[4], v && !was);
      edge = v ? uint8_t(edge | g.q[4].mask) : uint8_t(edge & ~g.q[4].mask);
    }
    benchmark::ClobberMemory();
  }
  Report(state, kGroups * kPerGroup);
}
BENCHMARK(BM_DirectMixedRungs);

}  // namespace
