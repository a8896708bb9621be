// The LREAL instruction and its sub-opcodes.
#include "lreal.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <type_traits>

#include "image_text.h"
#include "text_format.h"
#include "word_stack.h"

namespace logic {

namespace {

using lrealops::Finite;

constexpr double kTwoPi = std::bit_cast<double>(0x401921FB54442491ull);  // 6.283185307177647
constexpr double kRealLimit = 3.4e38;
constexpr std::size_t kFormatBytes = 20;
constexpr std::size_t kPrinted = 21;     // at most 20 characters and the 0 byte

// Two operands popped, the result pushed: A (pushed first) op B. `ok` tells whether the
// power flow stays.
template <class Fn>
uint8_t Binary(Machine& m, uint8_t in, Fn fn) {
  uint16_t* c = TopCells(m, 8);
  if (c == nullptr) return in;
  const double a = LoadCells<double>(c), b = LoadCells<double>(c + 4);
  bool ok = Finite(a) && Finite(b);
  const double r = fn(a, b, ok);
  StoreCells(c, r);
  m.wsp = uint8_t(m.wsp - 4);
  return ok ? in : 0;
}

template <class Fn>
uint8_t Unary(Machine& m, uint8_t in, Fn fn) {
  uint16_t* c = TopCells(m, 4);
  if (c == nullptr) return in;
  const double a = LoadCells<double>(c);
  bool ok = Finite(a);
  StoreCells(c, fn(a, ok));
  return ok ? in : 0;
}

template <class Rel>
uint8_t Compare(Machine& m, uint8_t in, Rel rel) {
  uint16_t* c = TopCells(m, 8);
  if (c == nullptr) return in;
  const bool holds = rel(LoadCells<double>(c), LoadCells<double>(c + 4));
  m.wsp = uint8_t(m.wsp - 8);
  return holds ? in : 0;
}

uint8_t Window(Machine& m) {
  uint16_t* c = TopCells(m, 12);
  if (c == nullptr) return 0;
  const double low = LoadCells<double>(c), high = LoadCells<double>(c + 4), v = LoadCells<double>(c + 8);
  m.wsp = uint8_t(m.wsp - 12);
  if (low <= high) return low <= v && v <= high;
  return v >= low || v <= high;
}

// An LREAL register pushed as a narrower type; the power flow goes off when the value
// (truncated, for the integers) does not fit.
template <class T>
uint8_t PushNarrow(Machine& m, uint8_t in) {
  const uint32_t s = WordOperand(m, 4);
  if (m.Failed()) return in;
  const double v = LoadReg<double>(s);
  bool ok = Finite(v);
  T out{};
  if constexpr (std::is_same_v<T, float>) {
    ok = ok && std::fabs(v) <= kRealLimit;
    out = RoundToReal(v);
  } else {
    const double t = std::trunc(v);
    constexpr double lo = double(std::numeric_limits<T>::min()), hi = double(std::numeric_limits<T>::max());
    ok = ok && t >= lo && t <= hi;
    out = ok ? T(t) : T(0);
  }
  PushValue<T>(m, out);
  return ok ? in : 0;
}

template <class T>
uint8_t PushWide(Machine& m, uint8_t in) {
  const uint32_t s = WordOperand(m, kCellsOf<T>);
  if (m.Failed()) return in;
  const T v = LoadReg<T>(s);
  bool ok = true;
  if constexpr (std::is_same_v<T, float>) {
    ok = logic::Finite(v) && std::fabs(v) <= float(kRealLimit);
  }
  PushValue<double>(m, double(v));
  return ok ? in : 0;
}

uint8_t FromText(Machine& m, uint8_t in) {
  const uint32_t d = WordOperand(m, 4);
  const uint32_t s = ByteOperand(m);
  if (m.Failed()) return in;
  char text[kTextBytes];
  ImageText(s, text);
  StoreReg<double>(d, std::strtod(text, nullptr));
  return in;
}

uint8_t ToText(Machine& m, uint8_t in) {
  const uint32_t d = ByteOperand(m);
  const uint32_t s = WordOperand(m, 4);
  Imm16(m);  // read and not used
  const uint16_t length = Imm16(m);
  // The stream's words hold the text low byte first, as the host does.
  uint16_t words[kFormatBytes / 2];
  for (uint16_t& w : words) w = Imm16(m);
  uint8_t format[kFormatBytes];
  std::memcpy(format, words, sizeof format);
  if (m.Failed()) return in;
  const double v = LoadReg<double>(s);
  if (!Finite(v)) return 0;
  const NumberFormat f = ParseNumberFormat(format, kFormatBytes, true);
  if (!f.valid) return 0;
  char printed[kPrinted] = {};
  const int reported = FormatDouble(f, v, printed, sizeof printed);
  if (reported < 0) return 0;
  std::size_t n = std::size_t(reported);
  const char* text = printed;
  if (n == std::size_t(length) + 1 && printed[0] == '0') {
    ++text;
    --n;
  }
  // What the buffer holds of the text after a leading zero was dropped. A text longer
  // than that is cut like one longer than L, and the power flow tells that it was.
  const std::size_t held = std::strlen(text);
  const std::size_t copy = std::min<std::size_t>({n, held, length});
  if (!InImage(d, copy + 1)) return 0;
  std::memcpy(plc_reg + d, text, copy);
  plc_reg[d + copy] = 0;
  return n > copy ? 0 : in;
}

uint8_t Copy(Machine& m, uint8_t in) {
  const uint32_t d = WordOperand(m, 4);
  const uint32_t s = WordOperand(m, 4);
  if (!m.Failed()) StoreReg<double>(d, LoadReg<double>(s));
  return in;
}

uint8_t Constant(Machine& m, uint8_t in) {
  const uint32_t d = WordOperand(m, 4);
  uint16_t c[4];
  for (uint16_t& w : c) w = Imm16(m);
  if (!m.Failed()) StoreReg<double>(d, LoadCells<double>(c));
  return in;
}

uint8_t Run(Machine& m, uint16_t sub, uint8_t in) {
  switch (sub) {
    case 0: return Compare(m, in, [](double a, double b) { return a == b; });
    case 1: return Compare(m, in, [](double a, double b) { return a != b; });
    case 2: return Compare(m, in, [](double a, double b) { return a > b; });
    case 3: return Compare(m, in, [](double a, double b) { return a < b; });
    case 4: return Compare(m, in, [](double a, double b) { return a >= b; });
    case 5: return Compare(m, in, [](double a, double b) { return a <= b; });
    case 6: return Window(m);
    case 16: return Binary(m, in, lrealops::Add);
    case 17: return Binary(m, in, lrealops::Sub);
    case 18: return Binary(m, in, lrealops::Mul);
    case 19: return Binary(m, in, lrealops::Div);
    case 20:
      return Binary(m, in, [](double a, double b, bool& ok) {
        ok = ok && b != 0.0;
        return std::fmod(a, b);
      });
    case 21: return Unary(m, in, lrealops::Sqrt);
    case 22: return Unary(m, in, lrealops::Abs);
    case 32: return PushWide<int16_t>(m, in);
    case 33: return PushWide<int32_t>(m, in);
    case 34: return PushWide<float>(m, in);
    case 35: return PushNarrow<int16_t>(m, in);
    case 36: return PushNarrow<int32_t>(m, in);
    case 37: return PushNarrow<float>(m, in);
    case 38: return FromText(m, in);
    case 39: return ToText(m, in);
    case 48: return Copy(m, in);
    case 49: return Constant(m, in);
    case 64: return Binary(m, in, [](double a, double b, bool&) { return std::pow(a, b); });
    case 65:
      // A negative argument has no logarithm either: its NaN is reported here.
      return Unary(m, in, [](double a, bool& ok) {
        ok = ok && a > 0.0;
        return std::log10(a);
      });
    case 66:
      return Unary(m, in, [](double a, bool& ok) {
        ok = ok && a <= 88.0;
        return std::exp(a);
      });
    case 67:
      return Unary(m, in, [](double a, bool& ok) {
        ok = ok && a > 0.0;
        return std::log(a);
      });
    case 68: return Unary(m, in, [](double a, bool&) { return std::sin(a); });
    case 69: return Unary(m, in, [](double a, bool&) { return std::cos(a); });
    case 70: return Unary(m, in, [](double a, bool&) { return std::tan(a); });
    case 71:
      return Unary(m, in, [](double a, bool& ok) {
        ok = ok && a >= -1.0 && a <= 1.0;
        return std::asin(a);
      });
    case 72:
      return Unary(m, in, [](double a, bool& ok) {
        ok = ok && a >= -1.0 && a <= 1.0;
        return std::acos(a);
      });
    case 73: return Unary(m, in, [](double a, bool&) { return std::atan(a); });
    case 74: return Unary(m, in, [](double a, bool&) { return a * kTwoPi / 360.0; });
    case 75: return Unary(m, in, [](double a, bool&) { return a * 360.0 / kTwoPi; });
    default: return 0;
  }
}

}  // namespace

void OpLreal(Machine& m, uint16_t) {
  const uint16_t sub = Imm16(m);
  if (m.Failed()) return;
  const uint8_t in = m.Top();
  if (m.Failed()) return;
  const uint8_t out = Run(m, sub, in);
  if (!m.Failed()) m.Top() = out;
}

}  // namespace logic
