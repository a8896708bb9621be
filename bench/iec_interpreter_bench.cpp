// One run of a loop-heavy IEC program against the same program written in C++ over the
// same data: for every element of three DINT arrays, c[i] += a[i] * b[i] and a count of
// the elements above a limit. The counter per_instr is the time per IEC instruction in
// both (the C++ run divided by the same instruction count), so the figures compare
// directly; their quotient is the interpreter's cost.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "iec_runtime/interpreter.h"
#include "iec_runtime/vm_db.h"
#include "testsupport/iec_asm.h"
#include "testsupport/iec_image.h"

namespace {

constexpr uint32_t kN = 1000;
constexpr uint32_t kA = 100, kB = kA + kN, kC = kB + kN;  // array bases in the 32-bit area

// Variables: d1 index, d3 limit, d4 count, d5 one, d6 n, d10..d13 temporaries; b1, b2.
constexpr const char* kProgram =
    "      IMM.D 1, 0\n"
    "TOP:  LDX.D 10, 100, 1\n"
    "      LDX.D 11, 1100, 1\n"
    "      MUL.D 12, 10, 11\n"
    "      LDX.D 13, 2100, 1\n"
    "      ADD.D 13, 13, 12\n"
    "      STX.D 2100, 1, 13\n"
    "      GT.D 1, 13, 3\n"
    "      JF 1, SKIP\n"
    "      ADD.D 4, 4, 5\n"
    "SKIP: ADD.D 1, 1, 5\n"
    "      GT.D 2, 6, 1\n"
    "      JT 2, TOP\n"
    "      RET\n";

struct App {
  std::vector<uint8_t> code, db;
  App() {
    ts::IecImage img;
    img.d8_max = 4;
    img.d32_max = uint16_t(kC + kN);
    img.code = {ts::IecAssemble(kProgram)};
    code = img.Build();
    DbAreaDesc table[kDbAreas];
    N4VM_GetDBSize(code.data(), uint32_t(code.size()), table);
    db.assign(N4VM_GetTotalDBSize(table), 0);
    std::memcpy(db.data(), table, sizeof table);
    N4VM_BuildDBMainLinks(db.data());
    N4VM_Build(code.data(), uint32_t(code.size()), db.data());
    for (uint32_t i = 0; i < kN; ++i) {
      Set(kA + i, int32_t(i % 97) - 40);
      Set(kB + i, int32_t(i % 13) + 1);
    }
    Set(3, 5000);
    Set(5, 1);
    Set(6, int32_t(kN));
  }
  uint8_t* D(uint32_t i) { return N4VM_Item(db.data(), kArData32, i); }
  void Set(uint32_t i, int32_t v) { std::memcpy(D(i), &v, 4); }
  int32_t Get(uint32_t i) {
    int32_t v;
    std::memcpy(&v, D(i), 4);
    return v;
  }
};

// Instructions of one run: IMM, RET, and per element 12, one more when counted.
uint64_t Instructions(App& app) {
  uint64_t n = 2 + 12ull * kN;
  for (uint32_t i = 0; i < kN; ++i) n += app.Get(kC + i) > app.Get(3);
  return n;
}

void BM_IecLoopInterpreter(benchmark::State& state) {
  App app;
  uint64_t instructions = 0;
  for (auto _ : state) {
    N4VMTic_Run(app.db.data(), app.code.data(), uint32_t(app.code.size()), 1);
    state.PauseTiming();
    instructions += Instructions(app);
    state.ResumeTiming();
  }
  state.counters["per_instr"] =
      benchmark::Counter(double(instructions), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_IecLoopInterpreter);

// The same program in C++, over the same little-endian variables of the database.
void RunNative(App& app) {
  uint8_t* d = N4VM_AreaPtr(app.db.data(), kArData32);
  auto ld = [&](uint32_t i) {
    int32_t v;
    std::memcpy(&v, d + 4 * i, 4);
    return v;
  };
  auto st = [&](uint32_t i, int32_t v) { std::memcpy(d + 4 * i, &v, 4); };
  const int32_t limit = ld(3), n = ld(6), one = ld(5);
  int32_t count = ld(4);
  for (int32_t i = 0; i < n; i += one) {
    int32_t z = ld(kC + uint32_t(i)) + int32_t(uint32_t(ld(kA + uint32_t(i))) * uint32_t(ld(kB + uint32_t(i))));
    st(kC + uint32_t(i), z);
    if (z > limit) count += one;
  }
  st(4, count);
}

void BM_IecLoopNative(benchmark::State& state) {
  App app;
  uint64_t instructions = 0;
  for (auto _ : state) {
    RunNative(app);
    benchmark::ClobberMemory();
    state.PauseTiming();
    instructions += Instructions(app);
    state.ResumeTiming();
  }
  state.counters["per_instr"] =
      benchmark::Counter(double(instructions), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_IecLoopNative);

}  // namespace
