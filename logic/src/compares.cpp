// Compares and window tests. Each value type is read from its cells and, for the 8-bit
// types, narrowed to the low byte of its cell.
#include "compares.h"

#include <functional>

#include "word_stack.h"

namespace logic::compare {

namespace {

enum class Effect { kSet, kSeries };

// Cell is what the value occupies on the stack, V the type it is compared as.
template <class Cell, class V, class Relation, Effect kEffect>
void Compare(Machine& m) {
  constexpr uint8_t n = kCellsOf<Cell>;
  const uint16_t* c = TopCells(m, 2 * n);
  if (c == nullptr) return;
  const bool holds = Relation{}(V(LoadCells<Cell>(c)), V(LoadCells<Cell>(c + n)));
  m.wsp = uint8_t(m.wsp - 2 * n);
  if constexpr (kEffect == Effect::kSet) {
    m.Top() = holds;
  } else {
    PowerOffUnless(m, holds);
  }
}

// low <= high: in when low <= v <= high (low = high passes that value alone);
// high < low: the window wraps, in unless high < v < low;
// a REAL limit that is a NaN bounds no window.
template <class Cell>
void Window(Machine& m) {
  constexpr uint8_t n = kCellsOf<Cell>;
  const uint16_t* c = TopCells(m, 3 * n);
  if (c == nullptr) return;
  const Cell lo = LoadCells<Cell>(c), hi = LoadCells<Cell>(c + n), v = LoadCells<Cell>(c + 2 * n);
  bool in = false;
  if (lo <= hi) {
    in = lo <= v && v <= hi;
  } else if (hi < lo) {
    in = v >= lo || v <= hi;
  }
  m.wsp = uint8_t(m.wsp - 3 * n);
  m.Top() = in;
}

constexpr Effect kSet = Effect::kSet, kSeries = Effect::kSeries;

}  // namespace

void EqInt(Machine& m, uint16_t) { Compare<int16_t, int16_t, std::equal_to<>, kSet>(m); }
void NeInt(Machine& m, uint16_t) { Compare<int16_t, int16_t, std::not_equal_to<>, kSet>(m); }
void LtInt(Machine& m, uint16_t) { Compare<int16_t, int16_t, std::less<>, kSet>(m); }
void GtInt(Machine& m, uint16_t) { Compare<int16_t, int16_t, std::greater<>, kSet>(m); }
void LeInt(Machine& m, uint16_t) { Compare<int16_t, int16_t, std::less_equal<>, kSet>(m); }
void GeInt(Machine& m, uint16_t) { Compare<int16_t, int16_t, std::greater_equal<>, kSet>(m); }

void EqDint(Machine& m, uint16_t) { Compare<int32_t, int32_t, std::equal_to<>, kSeries>(m); }
void NeDint(Machine& m, uint16_t) { Compare<int32_t, int32_t, std::not_equal_to<>, kSeries>(m); }
void LtDint(Machine& m, uint16_t) { Compare<int32_t, int32_t, std::less<>, kSeries>(m); }
void GtDint(Machine& m, uint16_t) { Compare<int32_t, int32_t, std::greater<>, kSeries>(m); }
void LeDint(Machine& m, uint16_t) { Compare<int32_t, int32_t, std::less_equal<>, kSeries>(m); }
void GeDint(Machine& m, uint16_t) { Compare<int32_t, int32_t, std::greater_equal<>, kSeries>(m); }

void EqReal(Machine& m, uint16_t) { Compare<float, float, std::equal_to<>, kSeries>(m); }
void NeReal(Machine& m, uint16_t) { Compare<float, float, std::not_equal_to<>, kSeries>(m); }
void LtReal(Machine& m, uint16_t) { Compare<float, float, std::less<>, kSeries>(m); }
void GtReal(Machine& m, uint16_t) { Compare<float, float, std::greater<>, kSeries>(m); }
void LeReal(Machine& m, uint16_t) { Compare<float, float, std::less_equal<>, kSeries>(m); }
void GeReal(Machine& m, uint16_t) { Compare<float, float, std::greater_equal<>, kSeries>(m); }

void GtUsint(Machine& m, uint16_t) { Compare<uint16_t, uint8_t, std::greater<>, kSet>(m); }
void GeUsint(Machine& m, uint16_t) { Compare<uint16_t, uint8_t, std::greater_equal<>, kSet>(m); }
void GtUint(Machine& m, uint16_t) { Compare<uint16_t, uint16_t, std::greater<>, kSet>(m); }
void GeUint(Machine& m, uint16_t) { Compare<uint16_t, uint16_t, std::greater_equal<>, kSet>(m); }
void GtUdint(Machine& m, uint16_t) { Compare<uint32_t, uint32_t, std::greater<>, kSeries>(m); }
void GeUdint(Machine& m, uint16_t) { Compare<uint32_t, uint32_t, std::greater_equal<>, kSeries>(m); }
void EqSint(Machine& m, uint16_t) { Compare<uint16_t, int8_t, std::equal_to<>, kSet>(m); }
void GtSint(Machine& m, uint16_t) { Compare<uint16_t, int8_t, std::greater<>, kSet>(m); }
void GeSint(Machine& m, uint16_t) { Compare<uint16_t, int8_t, std::greater_equal<>, kSet>(m); }

void WindowInt(Machine& m, uint16_t) { Window<int16_t>(m); }
void WindowDint(Machine& m, uint16_t) { Window<int32_t>(m); }
void WindowReal(Machine& m, uint16_t) { Window<float>(m); }

}  // namespace logic::compare
