// One ladder scan of an arithmetic-heavy program against the same logic written in C++
// over the register image: word moves, INT and DINT arithmetic with their overflow
// tests, and compares, each rung ending in a coil that shows its power flow. The counter
// per_instr is the time per ladder instruction (contact, transfer, operator, move or
// coil) in both, so the figures compare directly.
//
// Rung shapes, 31 instructions per group of five (16-bit operand form):
//   A  c = a + b, coil = no overflow        LD x; PUSH a; PUSH b; ADD; PULL c; OUT q
//   B  d = e; h = f + 1000 (DINT)           LD x; MOV d, e; PUSH2 f; PUSH2K 1000; ADDD; PULL2 h; OUT q
//   C  coil = a > 100                       LD x; PUSH a; PUSHK 100; GT; OUT q
//   D  coil = x AND f < g (DINT)            LD x; PUSH2 f; PUSH2 g; LTD; OUT q
//   E  c = a * b / 7, coil = no error       LD x; PUSH a; PUSH b; MUL; PUSHK 7; DIV; PULL c; OUT q
// Each rung is followed by a timer rung on the same contact, 3 instructions more:
//   LD x; TON_10MS_I record, 50; OUT t        (records R2049 on, through the escape 1776)
#include <cstring>
#include <limits>
#include <vector>

#include "ladder_bench.h"

namespace {

using lbench::Bit;
using lbench::On;
using lbench::Write;

enum Op : uint16_t {
  kEnd = 9, kOut = 38, kPush = 80, kPushK = 81, kPull = 82, kPush2 = 83, kPush2K = 84, kPull2 = 85,
  kMov = 90, kAdd = 120, kMul = 122, kDiv = 123, kAddD = 124, kGt = 163, kLtD = 168,
};

constexpr uint32_t kGroups = 218;  // 10,028 instructions
constexpr uint32_t kPerGroup = 31 + 5 * 3;
constexpr uint16_t kTon10ms = 205, kEscape = 1776;
constexpr uint32_t kTimerPreset = 50;

// Register R n: its word reference in the 16-bit form (n <= 2048) and its byte offset.
struct Word {
  uint16_t token;
  uint32_t off;
};
Word R(uint32_t n) { return {uint16_t(32768 + 16 * (n - 1)), reg::kOffR + 2 * (n - 1)}; }
Bit I(uint32_t n) { return lbench::BitOf(uint16_t(8192 + n - 1)); }
Bit M(uint32_t n) { return lbench::BitOf(uint16_t(14336 + n - 1)); }

// The registers of one group: five words a, b, c, d, e and three DINTs f, g, h. The
// 16-bit form reaches R1..R2048 with one word, so groups share registers 170 apart.
struct Group {
  Word a, b, c, d, e, f, g, h;
  Bit x[5], q[5], t[5];
  uint32_t record[5];  // timer records: R number
};
constexpr uint32_t kRegisterSets = 170;
std::vector<Group> Groups() {
  std::vector<Group> gs(kGroups);
  for (uint32_t i = 0; i < kGroups; ++i) {
    const uint32_t w = 1 + 5 * (i % kRegisterSets), d = 1001 + 6 * (i % kRegisterSets);
    gs[i] = {R(w), R(w + 1), R(w + 2), R(w + 3), R(w + 4), R(d), R(d + 2), R(d + 4), {}, {}, {}, {}};
    for (uint32_t s = 0; s < 5; ++s) {
      gs[i].x[s] = I(1 + (i * 5 + s) % 2048);
      gs[i].q[s] = M(1 + (i * 5 + s) % 2048);
      gs[i].t[s] = lbench::BitOf(uint16_t(10240 + (i * 5 + s) % 2048));  // Q bits
      gs[i].record[s] = 2049 + 2 * ((i % kRegisterSets) * 5 + s);
    }
  }
  return gs;
}

// Half the contacts on; values that overflow now and then: a sweeps -20000..20000, b is
// 1..3, f crosses the DINT range.
void Seed() {
  for (uint32_t i = 0; i < 2048; i += 2) plc_reg[I(i + 1).byte] |= I(i + 1).mask;
  const std::vector<Group> gs = Groups();
  for (uint32_t i = 0; i < kRegisterSets; ++i) {
    SetRegWord(gs[i].a.off, uint16_t(int16_t(-20000 + int32_t(i) * 235)));
    SetRegWord(gs[i].b.off, uint16_t(1 + i % 3));
    SetRegWord(gs[i].e.off, uint16_t(i));
    const int32_t f = int32_t(i) * 12600000 - 2147000000, g = int32_t(i) * 13;
    std::memcpy(plc_reg + gs[i].f.off, &f, 4);
    std::memcpy(plc_reg + gs[i].g.off, &g, 4);
  }
}

void Rung(std::vector<uint16_t>& code, const Group& g, uint32_t s, std::initializer_list<uint16_t> words) {
  code.insert(code.end(), words);
  code.insert(code.end(), {g.x[s].token, kTon10ms, kEscape, uint16_t(16 * (g.record[s] - 2049)),
                           uint16_t(kTimerPreset), kOut, g.t[s].token});
}

std::vector<uint16_t> Program() {
  std::vector<uint16_t> code;
  for (const Group& g : Groups()) {
    Rung(code, g, 0, {g.x[0].token, kPush, g.a.token, kPush, g.b.token, kAdd, kPull, g.c.token, kOut, g.q[0].token});
    Rung(code, g, 1, {g.x[1].token, kMov, g.d.token, g.e.token, kPush2, g.f.token, kPush2K, 1000, 0, kAddD, kPull2,
                g.h.token, kOut, g.q[1].token});
    Rung(code, g, 2, {g.x[2].token, kPush, g.a.token, kPushK, 100, kGt, kOut, g.q[2].token});
    Rung(code, g, 3, {g.x[3].token, kPush2, g.f.token, kPush2, g.g.token, kLtD, kOut, g.q[3].token});
    Rung(code, g, 4, {g.x[4].token, kPush, g.a.token, kPush, g.b.token, kMul, kPushK, 7, kDiv, kPull, g.c.token, kOut,
                g.q[4].token});
  }
  code.push_back(kEnd);
  return code;
}

void Install(const std::vector<uint16_t>& code) { lbench::Install(code, Seed); }
void Report(benchmark::State& state, std::size_t instructions) {
  lbench::ReportPer(state, "per_instr", double(instructions));
}

void BM_LadderArithmetic(benchmark::State& state) {
  Install(Program());
  for (auto _ : state) benchmark::DoNotOptimize(LogicUpdate(ladder));
  Report(state, kGroups * kPerGroup);
}
BENCHMARK(BM_LadderArithmetic);

// Decoding: the same program behind a jump that is always taken, so that a scan runs
// four instructions and the rest of the time goes to decoding the whole program (the
// decoder follows the jump's fall-through too). decode_per_10k is the time to decode
// 10,000 instructions.
void BM_DecodeArithmetic(benchmark::State& state) {
  constexpr uint16_t kPowerOn = 33, kJmp = 71;
  const std::vector<uint16_t> body = Program();
  std::vector<uint16_t> code = {uint16_t(32768 + 16 * 2039), kPowerOn, kJmp, uint16_t(body.size() - 1)};
  code.insert(code.end(), body.begin(), body.end());
  Install(code);
  for (auto _ : state) {
    LogicTableChanged();
    benchmark::DoNotOptimize(LogicUpdate(ladder));
  }
  lbench::ReportPer(state, "decode_per_10k", double(kGroups * kPerGroup) / 10000.0);
}
BENCHMARK(BM_DecodeArithmetic);

// --- the same logic in C++ ----------------------------------------------------------------
inline int16_t Get16(const Word& w) { return int16_t(RegWord(w.off)); }
inline void Set16(const Word& w, int32_t v) { SetRegWord(w.off, uint16_t(v)); }
inline int32_t Get32(const Word& w) {
  int32_t v;
  std::memcpy(&v, plc_reg + w.off, 4);
  return v;
}
inline void Set32(const Word& w, int64_t v) {
  const int32_t x = int32_t(v);
  std::memcpy(plc_reg + w.off, &x, 4);
}
inline uint32_t RegRecord(uint32_t n) { return reg::kOffR + 2 * (n - 1); }
inline bool Fits16(int32_t v) { return v >= -32768 && v <= 32767; }

void BM_DirectArithmetic(benchmark::State& state) {
  const std::vector<Group> groups = Groups();
  Install({kEnd});
  for (auto _ : state) {
    const uint16_t tick = uint16_t(FPGA_GetFrt() & 0x3FFF);
    auto timer = [&](const Group& g, uint32_t s) {
      Write(g.t[s], lbench::OnDelay16(RegRecord(g.record[s]), On(g.x[s]), tick, kTimerPreset, 100));
    };
    for (const Group& g : groups) {
      const int32_t sum = Get16(g.a) + Get16(g.b);
      Set16(g.c, sum);
      Write(g.q[0], On(g.x[0]) && Fits16(sum));
      timer(g, 0);

      SetRegWord(g.d.off, RegWord(g.e.off));
      const int64_t dsum = int64_t(Get32(g.f)) + 1000;
      Set32(g.h, dsum);
      Write(g.q[1], On(g.x[1]) && dsum <= std::numeric_limits<int32_t>::max());
      timer(g, 1);

      Write(g.q[2], Get16(g.a) > 100);
      timer(g, 2);

      Write(g.q[3], On(g.x[3]) && Get32(g.f) < Get32(g.g));
      timer(g, 3);

      const int32_t product = Get16(g.a) * Get16(g.b);
      const int16_t wrapped = int16_t(product);
      Set16(g.c, wrapped / 7);
      Write(g.q[4], On(g.x[4]) && Fits16(product));
      timer(g, 4);
    }
    benchmark::ClobberMemory();
  }
  Report(state, kGroups * kPerGroup);
}
BENCHMARK(BM_DirectArithmetic);

}  // namespace
