#pragma once
// What the ladder benchmarks share: a bit of the register image with its one-word token,
// the direct C++ access to it that the baselines use, installing a program as the logic
// table, and the per-unit counters that make the ladder and C++ figures comparable.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "controller/progstore.h"
#include "ground/regimage.h"
#include "ground/tablestore.h"
#include "ground/timebase.h"
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

enum class Form { k16, k32 };

// Installs code as the logic table in the given operand form on a zeroed image that seed
// then fills, and runs the first scan, so that the timed scans are ordinary ones (the
// first also decodes the program).
inline void Install(const std::vector<uint16_t>& code, void (*seed)(), Form form = Form::k16) {
  std::memcpy(ladder, code.data(), 2 * code.size());
  SetBlockSize(ladder_bl, uint32_t(2 * code.size()));
  LogicTableChanged();
  NV_EditorFeatures = form == Form::k16 ? 0x8000 : 0;
  std::memset(plc_reg, 0, sizeof plc_reg);
  seed();
  SBitSet(1, true);
  if (LogicUpdate(ladder) != -1) std::abort();
}

// One evaluation of a 16-bit on-delay timer with an immediate preset on its record (value,
// control word: done 0x8000, enabled 0x4000, 14-bit reference tick), as the ladder's
// timers keep it; true when done.
inline bool OnDelay16(uint32_t record, bool in, uint16_t tick, uint32_t preset, uint32_t ticks_per_unit) {
  uint16_t value = RegWord(record);
  uint16_t reference = RegWord(record + 2) & 0x3FFF;
  bool done = false;
  if (!in) {
    value = 0;
    SetRegWord(record + 2, tick);
  } else {
    if (value < preset) {
      const uint32_t elapsed = uint32_t(tick - reference) & 0x3FFF;
      const uint32_t units = elapsed / ticks_per_unit;
      if (units != 0) {
        value = uint16_t(value + units);
        reference = uint16_t(tick - elapsed % ticks_per_unit) & 0x3FFF;
      }
    } else {
      reference = tick;
    }
    done = value >= preset;
    if (done) value = uint16_t(preset);
    SetRegWord(record + 2, uint16_t((done ? 0x8000 : 0) | 0x4000 | reference));
  }
  SetRegWord(record, value);
  return done;
}

// A counter `name` of the time per unit, `count` units per iteration (shown as seconds
// with an SI prefix: "1.5ns").
inline void ReportPer(benchmark::State& state, const char* name, double count) {
  state.counters[name] =
      benchmark::Counter(count, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

}  // namespace lbench
