// A whole program mixing every family the engine runs, against the same logic in C++:
// per group of 36 instructions
//   LD a; OUT q0                                        contact and coil
//   LD a; LD b; AND; LD c; OR; OUT q1                   boolean rung
//   LD x; PUSH r1; PUSH r2; ADD; PULL r3; OUT q2        INT arithmetic
//   LD x; PUSH2 f; PUSH2 g; LTD; OUT q3                 DINT compare
//   LD x; PUSH2 u; PUSH2 v; MULR; PULL2 w; OUT q4       REAL arithmetic
//   LD x; TON_10MS_I record, 50; OUT q5                 timer
//   LD c; CTU_I reset, record, 5; OUT q6                counter
//   LD c; SKIP_IF_OFF coil; LD d; AND; coil: OUT q7     skip
// per_instr is the time per ladder instruction in both versions.
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "ladder_bench.h"

namespace {

using lbench::Bit;
using lbench::On;
using lbench::Write;

enum Op : uint16_t {
  kEnd = 9, kOr = 35, kAnd = 36, kOut = 38, kSkipIfOff = 70, kPush = 80, kPull = 82, kPush2 = 83,
  kPull2 = 85, kAdd = 120, kMulR = 130, kLtD = 168, kTon10msImm = 205, kCtuImm = 201,
};

constexpr uint32_t kGroups = 278;  // 10,008 instructions
constexpr uint32_t kPerGroup = 36;
constexpr uint32_t kSets = 100;     // register sets of 17 words: R1..R1700
constexpr uint32_t kSetWords = 17;

Bit Input(uint32_t i) { return lbench::BitOf(uint16_t(8192 + i % 2048)); }
Bit Output(uint32_t i) { return lbench::BitOf(uint16_t(32768 + 16 * 1800 + i % 4096)); }  // R1801 on
Bit Marker(uint32_t i) { return lbench::BitOf(uint16_t(14336 + i % 2048)); }
uint32_t Off(uint32_t n) { return reg::kOffR + 2 * (n - 1); }
uint16_t Tok(uint32_t n) { return uint16_t(32768 + 16 * (n - 1)); }

struct Group {
  Bit a, b, c, d, x, reset, q[8];
  uint32_t r1, r2, r3, f, g, u, v, w, timer, counter;  // register numbers
};
std::vector<Group> Groups() {
  std::vector<Group> gs(kGroups);
  for (uint32_t i = 0; i < kGroups; ++i) {
    Group& g = gs[i];
    g.a = Input(i * 11);
    g.b = Input(i * 13 + 1);
    g.c = Input(i * 17 + 2);
    g.d = Input(i * 19 + 3);
    g.x = Input(i * 23 + 4);
    g.reset = Marker(i);
    for (uint32_t k = 0; k < 8; ++k) g.q[k] = Output(8 * i + k);
    const uint32_t s = 1 + kSetWords * (i % kSets);
    g.r1 = s, g.r2 = s + 1, g.r3 = s + 2, g.f = s + 3, g.g = s + 5, g.u = s + 7, g.v = s + 9, g.w = s + 11;
    g.timer = s + 13, g.counter = s + 15;
  }
  return gs;
}

void Seed() {
  for (uint32_t i = 0; i < 2048; i += 3) plc_reg[Input(i).byte] |= Input(i).mask;
  for (uint32_t i = 0; i < kSets; ++i) {
    const uint32_t s = 1 + kSetWords * i;
    SetRegWord(Off(s), uint16_t(int16_t(-20000 + int32_t(i) * 400)));
    SetRegWord(Off(s + 1), uint16_t(i * 300));
    const int32_t f = int32_t(int64_t(i) * 40000000 - 2000000000), g = int32_t(i) * 13;
    std::memcpy(plc_reg + Off(s + 3), &f, 4);
    std::memcpy(plc_reg + Off(s + 5), &g, 4);
    const float u = 1.5f * float(i) - 60.0f, v = i % 20 == 0 ? 3.0e38f : 0.5f;
    std::memcpy(plc_reg + Off(s + 7), &u, 4);
    std::memcpy(plc_reg + Off(s + 9), &v, 4);
  }
}

std::vector<uint16_t> Program() {
  std::vector<uint16_t> code;
  for (const Group& g : Groups()) {
    code.insert(code.end(), {g.a.token, kOut, g.q[0].token});
    code.insert(code.end(), {g.a.token, g.b.token, kAnd, g.c.token, kOr, kOut, g.q[1].token});
    code.insert(code.end(), {g.x.token, kPush, Tok(g.r1), kPush, Tok(g.r2), kAdd, kPull, Tok(g.r3), kOut, g.q[2].token});
    code.insert(code.end(), {g.x.token, kPush2, Tok(g.f), kPush2, Tok(g.g), kLtD, kOut, g.q[3].token});
    code.insert(code.end(), {g.x.token, kPush2, Tok(g.u), kPush2, Tok(g.v), kMulR, kPull2, Tok(g.w), kOut, g.q[4].token});
    code.insert(code.end(), {g.x.token, kTon10msImm, Tok(g.timer), 50, kOut, g.q[5].token});
    code.insert(code.end(), {g.c.token, kCtuImm, g.reset.token, Tok(g.counter), 5, kOut, g.q[6].token});
    code.insert(code.end(), {g.c.token, kSkipIfOff, 2, g.d.token, kAnd, kOut, g.q[7].token});
  }
  code.push_back(kEnd);
  return code;
}

void Report(benchmark::State& state) { lbench::ReportPer(state, "per_instr", double(kGroups * kPerGroup)); }

void BM_LadderWholeProgram(benchmark::State& state) {
  lbench::Install(Program(), Seed);
  for (auto _ : state) benchmark::DoNotOptimize(LogicUpdate(ladder));
  Report(state);
}
BENCHMARK(BM_LadderWholeProgram);

bool CountUp(uint32_t record, bool in, bool reset, int32_t preset) {
  int32_t count = int16_t(RegWord(record));
  uint16_t word = RegWord(record + 2);
  if (!in) {
    word &= uint16_t(~0x4000);
  } else if (!(word & 0x4000)) {
    if (count < 32767) ++count;
    word |= 0x4000;
  }
  if (reset) count = 0;
  const bool done = count >= preset;
  SetRegWord(record, uint16_t(count));
  SetRegWord(record + 2, uint16_t((word & ~0x8000) | (done ? 0x8000 : 0)));
  return done;
}

void BM_DirectWholeProgram(benchmark::State& state) {
  const std::vector<Group> groups = Groups();
  lbench::Install({kEnd}, Seed);
  for (auto _ : state) {
    const uint16_t tick = uint16_t(FPGA_GetFrt() & 0x3FFF);
    for (const Group& g : groups) {
      Write(g.q[0], On(g.a));
      Write(g.q[1], (On(g.a) && On(g.b)) || On(g.c));

      const int32_t sum = int16_t(RegWord(Off(g.r1))) + int16_t(RegWord(Off(g.r2)));
      SetRegWord(Off(g.r3), uint16_t(sum));
      Write(g.q[2], On(g.x) && sum >= -32768 && sum <= 32767);

      int32_t f, gg;
      std::memcpy(&f, plc_reg + Off(g.f), 4);
      std::memcpy(&gg, plc_reg + Off(g.g), 4);
      Write(g.q[3], On(g.x) && f < gg);

      float u, v;
      std::memcpy(&u, plc_reg + Off(g.u), 4);
      std::memcpy(&v, plc_reg + Off(g.v), 4);
      const float p = u * v;
      std::memcpy(plc_reg + Off(g.w), &p, 4);
      Write(g.q[4], On(g.x) && std::isfinite(u) && std::isfinite(v) && std::isfinite(p));

      Write(g.q[5], lbench::OnDelay16(Off(g.timer), On(g.x), tick, 50, 100));
      Write(g.q[6], CountUp(Off(g.counter), On(g.c), On(g.reset), 5));
      Write(g.q[7], On(g.c) && On(g.d));
    }
    benchmark::ClobberMemory();
  }
  Report(state);
}
BENCHMARK(BM_DirectWholeProgram);

}  // namespace
