// One ladder scan of 64 PID loops, each sampled on every scan, and one of LREAL
// arithmetic, against the same work in C++ (the PID engine called on each record
// directly; the LREAL formulas with their finiteness tests). per_instr is the time per
// ladder instruction (contact, transfer, operator, PID block or coil).
//
//   PID    LD x; PID k, rec, sp, pv, m, r, l, out; OUT q           3 instructions per loop
//   LREAL  LD x; PUSH4 a; PUSH4 b; ADDL; PUSH4 c; MULL; PULL4 d; OUT q
//          LD x; PUSH4 a; PUSH4 b; DIVL; SQRTL; PULL4 e; OUT q
//          LD x; PUSH4 a; PUSH4 b; GTL; OUT q                      20 instructions per group
#include <bit>
#include <cmath>
#include <cstring>
#include <vector>

#include "ladder_bench.h"
#include "logic/pid.h"
#include "platform/clock.h"

namespace {

using lbench::Bit;

enum Op : uint16_t { kEnd = 9, kOut = 38, kPid = 240, kPush4 = 540, kPull4 = 542, kLreal = 543 };
enum Sub : uint16_t { kGt = 2, kAdd = 16, kDiv = 19, kMul = 18, kSqrt = 21 };

struct Word {
  uint16_t token;
  uint32_t off;
};
Word R(uint32_t n) { return {uint16_t(32768 + 16 * (n - 1)), reg::kOffR + 2 * (n - 1)}; }
Bit M(uint32_t n) { return lbench::BitOf(uint16_t(14336 + n - 1)); }
Bit I(uint32_t n) { return lbench::BitOf(uint16_t(8192 + n - 1)); }

// --- 64 PID loops ----------------------------------------------------------------------
constexpr uint32_t kLoops = 64;
constexpr uint32_t kPidInstructions = 3 * kLoops;

struct Loop {
  Word record, sp, pv, out;
  Bit x, q;
};
Loop LoopOf(uint32_t k) {
  return {R(1 + 16 * k), R(1100 + 3 * k), R(1101 + 3 * k), R(1102 + 3 * k), I(1 + k), M(100 + k)};
}
const Bit kManual = M(1), kRaise = M(2), kLower = M(3);

void SeedPid() {
  for (uint32_t k = 0; k < kLoops; ++k) {
    const Loop l = LoopOf(k);
    lbench::Write(l.x, true);
    const int16_t rec[16] = {1, 0, 0, 150, 20, 800, 0, 10000, -10000, 0, 0, 0, 0, 0, 0, 0};
    std::memcpy(plc_reg + l.record.off, rec, sizeof rec);
    SetRegWord(l.sp.off, uint16_t(1000 + 37 * k));
    SetRegWord(l.pv.off, uint16_t(500 + 11 * k));
  }
}

std::vector<uint16_t> PidProgram() {
  std::vector<uint16_t> code;
  for (uint32_t k = 0; k < kLoops; ++k) {
    const Loop l = LoopOf(k);
    code.insert(code.end(), {l.x.token, kPid, uint16_t(k), l.record.token, l.sp.token, l.pv.token, kManual.token,
                             kRaise.token, kLower.token, l.out.token, kOut, l.q.token});
  }
  code.push_back(kEnd);
  return code;
}

// The plant moves every PV a little each scan, so the loops never rest.
void MovePlant(uint32_t scan) {
  for (uint32_t k = 0; k < kLoops; ++k) SetRegWord(LoopOf(k).pv.off, uint16_t(500 + 11 * k + (scan & 63)));
}

void BM_LadderPid64(benchmark::State& state) {
  plat::ScopedTestClock clock;
  PidResetAll();
  lbench::Install(PidProgram(), SeedPid);
  uint32_t scan = 0;
  for (auto _ : state) {
    clock->AdvanceTicks(100);  // one sample period of every loop
    MovePlant(++scan);
    benchmark::DoNotOptimize(LogicUpdate(ladder));
  }
  lbench::ReportPer(state, "per_instr", kPidInstructions);
}
BENCHMARK(BM_LadderPid64);

void BM_DirectPid64(benchmark::State& state) {
  plat::ScopedTestClock clock;
  PidResetAll();
  lbench::Install({kEnd}, SeedPid);
  std::vector<Loop> loops;
  for (uint32_t k = 0; k < kLoops; ++k) loops.push_back(LoopOf(k));
  PidBlock first;
  uint32_t now = 0, scan = 0;
  for (uint32_t k = 0; k < kLoops; ++k) {  // the first scan, as the ladder's
    int16_t rec[16];
    std::memcpy(rec, plc_reg + loops[k].record.off, sizeof rec);
    rec[10] = int16_t(rec[10] | 0x8004);
    first.loop = uint16_t(k);
    fbk_pid(first, rec);
  }
  for (auto _ : state) {
    now += 100;
    MovePlant(++scan);
    for (uint32_t k = 0; k < kLoops; ++k) {
      const Loop& l = loops[k];
      if (!lbench::On(l.x)) {
        lbench::Write(l.q, false);
        continue;
      }
      int16_t rec[16];
      std::memcpy(rec, plc_reg + l.record.off, sizeof rec);
      uint16_t cfg = uint16_t((rec[10] | 0x0004) & ~0x8080);
      cfg = uint16_t((cfg & ~0x1A) | (lbench::On(kManual) << 1) | (lbench::On(kRaise) << 3) | (lbench::On(kLower) << 4));
      rec[10] = int16_t(cfg);
      rec[12] = int16_t(RegWord(l.sp.off));
      rec[13] = int16_t(RegWord(l.pv.off));
      PidBlock b;
      b.now = now;
      b.loop = uint16_t(k);
      const int32_t r = fbk_pid(b, rec);
      SetRegWord(l.out.off, uint16_t(rec[14]));
      std::memcpy(plc_reg + l.record.off, rec, sizeof rec);
      lbench::Write(l.q, (r & 0xFFFF) == 0);
    }
    benchmark::ClobberMemory();
  }
  lbench::ReportPer(state, "per_instr", kPidInstructions);
}
BENCHMARK(BM_DirectPid64);

// --- LREAL arithmetic --------------------------------------------------------------------
constexpr uint32_t kGroups = 100;
constexpr uint32_t kLrealPerGroup = 20;

struct Group {
  Word a, b, c, d, e;
  Bit x[3], q[3];
};
Group GroupOf(uint32_t i) {
  const uint32_t w = 1 + 20 * i;
  Group g{R(w), R(w + 4), R(w + 8), R(w + 12), R(w + 16), {}, {}};
  for (uint32_t s = 0; s < 3; ++s) {
    g.x[s] = I(1 + 3 * i + s);
    g.q[s] = M(1 + 3 * i + s);
  }
  return g;
}

double GetL(const Word& w) {
  double v;
  std::memcpy(&v, plc_reg + w.off, 8);
  return v;
}
void SetL(const Word& w, double v) { std::memcpy(plc_reg + w.off, &v, 8); }

void SeedLreal() {
  for (uint32_t i = 0; i < kGroups; ++i) {
    const Group g = GroupOf(i);
    for (const Bit& x : g.x) lbench::Write(x, i % 4 != 3);
    SetL(g.a, 1.5 + i);
    SetL(g.b, i % 10 == 0 ? 0.0 : 0.25 * i);
    SetL(g.c, -2.0 / (i + 1));
  }
}

std::vector<uint16_t> LrealProgram() {
  std::vector<uint16_t> code;
  for (uint32_t i = 0; i < kGroups; ++i) {
    const Group g = GroupOf(i);
    code.insert(code.end(), {g.x[0].token, kPush4, g.a.token, kPush4, g.b.token, kLreal, kAdd, kPush4, g.c.token,
                             kLreal, kMul, kPull4, g.d.token, kOut, g.q[0].token});
    code.insert(code.end(), {g.x[1].token, kPush4, g.a.token, kPush4, g.b.token, kLreal, kDiv, kLreal, kSqrt, kPull4,
                             g.e.token, kOut, g.q[1].token});
    code.insert(code.end(), {g.x[2].token, kPush4, g.a.token, kPush4, g.b.token, kLreal, kGt, kOut, g.q[2].token});
  }
  code.push_back(kEnd);
  return code;
}

void BM_LadderLreal(benchmark::State& state) {
  lbench::Install(LrealProgram(), SeedLreal);
  for (auto _ : state) benchmark::DoNotOptimize(LogicUpdate(ladder));
  lbench::ReportPer(state, "per_instr", kGroups * kLrealPerGroup);
}
BENCHMARK(BM_LadderLreal);

bool Finite(double v) { return (std::bit_cast<uint64_t>(v) & 0x7FF0000000000000ull) != 0x7FF0000000000000ull; }

void BM_DirectLreal(benchmark::State& state) {
  lbench::Install({kEnd}, SeedLreal);
  std::vector<Group> groups;
  for (uint32_t i = 0; i < kGroups; ++i) groups.push_back(GroupOf(i));
  for (auto _ : state) {
    for (const Group& g : groups) {
      // Each rung reads its operands from the image, as each rung of the program pushes
      // them: a store of the rung before may have changed them.
      {
        const double a = GetL(g.a), b = GetL(g.b), c = GetL(g.c);
        const double sum = a + b;
        SetL(g.d, sum * c);
        lbench::Write(g.q[0], lbench::On(g.x[0]) && Finite(a) && Finite(b) && Finite(sum) && Finite(c));
      }
      {
        const double a = GetL(g.a), b = GetL(g.b);
        const double q = a / b;
        bool ok = Finite(a) && Finite(b) && b != 0.0;
        double root;
        if (std::signbit(q)) {
          root = std::bit_cast<double>(0x43DFFC0000000000ull);
          ok = false;
        } else {
          root = std::sqrt(q);
          ok = ok && Finite(q);
        }
        SetL(g.e, root);
        lbench::Write(g.q[1], lbench::On(g.x[1]) && ok);
      }
      lbench::Write(g.q[2], lbench::On(g.x[2]) && GetL(g.a) > GetL(g.b));
    }
    benchmark::ClobberMemory();
  }
  lbench::ReportPer(state, "per_instr", kGroups * kLrealPerGroup);
}
BENCHMARK(BM_DirectLreal);

}  // namespace
