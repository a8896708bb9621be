#pragma once
// What the ladder benchmarks share: a bit of the register image with its one-word token,
// the direct C++ access to it that the baselines use, installing a program as the logic
// table, and the per-unit counters that make the ladder and C++ figures comparable.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "kernel/progstore.h"
#include "kernel/regimage.h"
#include "kernel/tablestore.h"
#include "logic/engine.h"

namespace lbench {

struct Bit {
  uint32_t byte;
  uint8_t mask;
  uint16_t token;
};

// The bit a one-word contact or coil token (1024 and above) names.
inline Bit BitOf(uint16_t token) { return {uint32_t(token - 1024) / 8, uint8_t(1u << (token % 8)), token}; }

inline bool On(const Bit& b) { return plc_reg[b.byte] & b.mask; }
inline void Write(const Bit& b, bool on) {
  uint8_t& r = plc_reg[b.byte];
  r = on ? uint8_t(r | b.mask) : uint8_t(r & ~b.mask);
}

// Installs code as the logic table in the 16-bit operand form on a zeroed image that
// seed then fills, and runs the first scan, so that the timed scans are ordinary ones.
inline void Install(const std::vector<uint16_t>& code, void (*seed)()) {
  std::memcpy(ladder, code.data(), 2 * code.size());
  SetBlockSize(ladder_bl, uint32_t(2 * code.size()));
  LogicTableChanged();
  NV_EditorFeatures = 0x8000;
  std::memset(plc_reg, 0, sizeof plc_reg);
  seed();
  SBitSet(1, true);
  if (LogicUpdate(ladder) != -1) std::abort();
}

// A counter `name` of the time per unit, `count` units per iteration (shown as seconds
// with an SI prefix: "1.5ns").
inline void ReportPer(benchmark::State& state, const char* name, double count) {
  state.counters[name] =
      benchmark::Counter(count, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

}  // namespace lbench
