// The runner of the threaded form. Each record checks what its careful handler would
// check at run time (a stack depth, a call depth) before it changes anything; where a
// check fails, the careful handler runs the instruction instead and reports the fault
// with its own position and state. A joined record whose case it cannot run falls
// through to the records of its parts.
#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <iterator>

#include "boolean.h"
#include "ground/unaligned.h"
#include "interpreter.h"
#include "lreal.h"
#include "ground/regimage.h"
#include "opcode_table.h"
#include "real_math.h"
#include "scan_state.h"
#include "timers.h"
#include "word_stack.h"
#include "threaded_arena.h"

namespace logic {

namespace {

using arena::records;

// The record for the machine's position, the careful interpreter stepping on where no
// record can be had; nullptr when the machine stopped.
const Threaded* Resume(Machine& m) {
  for (;;) {
    if (m.Failed()) return nullptr;
    if (m.ip <= arena::words) {
      const uint32_t i = arena::index[m.ip] != 0 ? arena::index[m.ip] : DecodeAt(m.ip);
      if (i != 0) return &records[i - 1];
    }
    if (!StepCareful(m)) return nullptr;
  }
}

constexpr uint32_t kJoinedParts = 2;  // a contact and its coil

// An INT operator of the joined push-push-operate-pull shape: a op b into r, false for
// a numeric error (the power flow goes off), as the careful operators decide it.
inline bool IntOp(uint16_t op, int16_t a, int16_t b, int16_t& r) {
  int32_t exact;
  switch (op) {
    case 120: exact = int32_t(a) + b; break;
    case 121: exact = int32_t(a) - b; break;
    case 122: exact = int32_t(a) * b; break;
    default:  // 123
      if (b == 0 || (a == -32768 && b == -1)) {
        r = a;
        return false;
      }
      r = int16_t(a / b);
      return true;
  }
  r = int16_t(exact);
  return exact >= -32768 && exact <= 32767;
}

inline bool IntCompare(uint16_t op, int16_t a, int16_t b) {
  switch (op) {
    case 160: return a == b;
    case 161: return a != b;
    case 162: return a < b;
    case 163: return a > b;
    case 164: return a <= b;
    default: return a >= b;  // 165
  }
}

inline bool DintHolds(uint16_t op, int32_t a, int32_t b) {
  switch (op) {
    case 166: return a == b;
    case 167: return a != b;
    case 168: return a < b;
    case 169: return a > b;
    case 170: return a <= b;
    default: return a >= b;  // 171
  }
}
inline bool RealHolds(uint16_t op, float a, float b) {
  switch (op) {
    case 172: return a == b;
    case 173: return a != b;
    case 174: return a < b;
    case 175: return a > b;
    case 176: return a <= b;
    default: return a >= b;  // 177
  }
}
inline bool LrealHolds(uint32_t sub, double a, double b) {
  switch (sub) {
    case 0: return a == b;
    case 1: return a != b;
    case 2: return a > b;
    case 3: return a < b;
    case 4: return a >= b;
    default: return a <= b;  // 5
  }
}

// The DINT result of an exact sum, difference or product, wrapped; false when it overflowed.
inline bool StoreDint(int32_t& a, int64_t exact) {
  a = int32_t(exact);
  return exact >= INT32_MIN && exact <= INT32_MAX;
}
// The two slots an operator that reads one or two entries leaves over two contacts'
// power flows (0 or 0xFF each), by operator and (first on | second on << 1): the lower
// slot in the low byte.
consteval std::array<std::array<uint16_t, 4>, std::size(kStackOperators)> ContactPairs() {
  std::array<std::array<uint16_t, 4>, std::size(kStackOperators)> t{};
  for (std::size_t i = 0; i < t.size(); ++i) {
    const StackOperator& o = kStackOperators[i];
    if (o.reads == 0 || o.reads > 2) continue;
    for (uint32_t k = 0; k < 4; ++k) {
      uint8_t slots[2] = {uint8_t(k & 1 ? 0xFF : 0), uint8_t(k & 2 ? 0xFF : 0)};
      o.apply(slots + 2 - o.reads);
      t[i][k] = uint16_t(slots[0] | slots[1] << 8);
    }
  }
  return t;
}
constexpr auto kContactPairs = ContactPairs();

// The operators of the joined numeric shapes, in the order of their kinds: the result
// in a, false for a numeric error.
template <uint16_t kOp>
bool IntOpFn(int16_t& a, int16_t b) {
  int16_t v;
  const bool ok = IntOp(kOp, a, b, v);
  a = v;
  return ok;
}
bool AddDintFn(int32_t& a, int32_t b) { return StoreDint(a, int64_t(a) + b); }
bool SubDintFn(int32_t& a, int32_t b) { return StoreDint(a, int64_t(a) - b); }
bool MulDintFn(int32_t& a, int32_t b) { return StoreDint(a, int64_t(a) * b); }
template <double (*F)(double, double, bool&)>
bool LrealFn(double& a, double b) {
  bool ok = lrealops::Finite(a) && lrealops::Finite(b);
  a = F(a, b, ok);
  return ok;
}

enum class Shape { kPushPushOp, kPushPushOpPull, kPushOpPull };

// The second operand of a joined shape: a register, or an immediate when d & 1 (never
// for an LREAL).
template <class T>
inline T SecondOperand(const Threaded& r) {
  T v;
  if (sizeof(T) < 8 && (r.d & 1)) {
    if constexpr (sizeof(T) == 2) {
      v = std::bit_cast<T>(uint16_t(r.b));
    } else if constexpr (sizeof(T) == 4) {
      v = std::bit_cast<T>(r.b);
    }
  } else {
    std::memcpy(&v, plc_reg + r.b, sizeof(T));
  }
  return v;
}

// The coil J of the boolean family's table on bit `mask` of image byte `byte`, as it writes.
template <uint32_t J>
inline void CoilAt(uint32_t byte, uint8_t mask, uint8_t power) {
  static_assert(J < std::size(kCoilWrites));
  uint8_t& q = plc_reg[byte];
  const uint8_t on = uint8_t(mask & OnMask(power));
  if constexpr (J == 0) q = uint8_t((q & ~mask) | on);           // 38
  if constexpr (J == 3) q = uint8_t(q | on);                     // 52
  if constexpr (J == 4) q = uint8_t(q & ~on);                    // 53
  if constexpr (J == 5) q = uint8_t((q & ~mask) | (mask ^ on));  // 54
  if constexpr (J == 1 || J == 2) {                              // 50, 51: the edge memory in old_reg
    uint8_t& old = old_reg[byte];
    const uint8_t was = uint8_t(old & mask);
    q = uint8_t((q & ~mask) | (J == 1 ? on & ~was : (mask ^ on) & was));
    old = uint8_t((old & ~mask) | on);
  }
}
// The same on the bit byte << 8 | mask.
template <uint32_t J>
inline void CoilAt(uint32_t bit, uint8_t power) {
  CoilAt<J>(bit >> 8, uint8_t(bit), power);
}

// A bit of a joined boolean rung (mask << 24 | byte): the mask read as the field's last
// byte, so that a contact tests it straight from the record.
inline uint8_t RungMask(const uint32_t& bit) {
  static_assert(std::endian::native == std::endian::little);
  uint8_t mask;
  std::memcpy(&mask, reinterpret_cast<const uint8_t*>(&bit) + 3, 1);
  return mask;
}
inline uint32_t RungOn(const uint32_t& bit) { return (plc_reg[bit & kRungByte] & RungMask(bit)) != 0; }

// The end of a joined LREAL rung: the two cells its last operator leaves (its result
// over its second operand), the result pulled to `dest`, and the power flow off on an
// error.
inline void LrealRungEnd(uint16_t* cells, double result, double second, uint32_t dest, bool ok, uint8_t& flow) {
  std::memcpy(cells, &result, 8);
  std::memcpy(cells + 4, &second, 8);
  std::memcpy(plc_reg + dest, &result, 8);
  if (!ok) flow = 0;
}

// The fields a record keeps beside the stream.
inline const Extra& ExtraOf(const Threaded& r) { return arena::extra[&r - records]; }

// A joined numeric shape, leaving the stacks (their cells above the top included) and
// the image as its parts would; false, having changed nothing, for a case the parts must
// run (a stack too full or too shallow, no power flow to turn off).
template <class T, bool (*Op)(T&, T), Shape kShape>
inline bool NumJoin(const Threaded& r, uint16_t* words, uint32_t& wsp, uint8_t* bits, uint32_t bsp) {
  constexpr uint32_t n = sizeof(T) / 2;
  if (bsp == 0) return false;
  T a;
  uint16_t* c;  // a's cells
  if constexpr (kShape == Shape::kPushOpPull) {
    if (wsp < n || wsp + n > kWordStackSize) return false;
    c = words + wsp - n;
    std::memcpy(&a, c, sizeof(T));
  } else {
    if (wsp + 2 * n > kWordStackSize) return false;
    c = words + wsp;
    std::memcpy(&a, plc_reg + r.a, sizeof(T));
  }
  const T b = SecondOperand<T>(r);
  const bool ok = Op(a, b);
  std::memcpy(c, &a, sizeof(T));
  std::memcpy(c + n, &b, sizeof(T));
  if constexpr (kShape == Shape::kPushPushOp) wsp += n;
  if constexpr (kShape == Shape::kPushOpPull) wsp -= n;
  if constexpr (kShape != Shape::kPushPushOp) std::memcpy(plc_reg + r.c, &a, sizeof(T));
  if (!ok) bits[bsp - 1] = 0;
  return true;
}

// Where a lies from b, as a bit of a relation's mask: 1 below, 2 equal, 4 above, 8
// unordered (a NaN).
template <class T>
inline uint32_t Order(T a, T b) {
  const uint32_t lt = a < b, eq = a == b, gt = a > b;
  return 1u << (eq | gt << 1 | (3 & (0u - (1 ^ (lt | eq | gt)))));
}

// Two pushes and a compare of type kType whose relation is the mask r.c (0 INT: the
// relation replaces the power flow; 1 DINT, 2 REAL, 3 LREAL: it turns the power flow off
// when it does not hold).
template <class T, int kType>
inline bool CompareJoin(const Threaded& r, uint16_t* words, uint32_t wsp, uint8_t* bits, uint32_t bsp) {
  constexpr uint32_t n = sizeof(T) / 2;
  if (bsp == 0 || wsp + 2 * n > kWordStackSize) return false;
  T a, b;
  std::memcpy(&a, plc_reg + r.a, sizeof(T));
  b = SecondOperand<T>(r);
  std::memcpy(words + wsp, &a, sizeof(T));
  std::memcpy(words + wsp + n, &b, sizeof(T));
  const uint8_t holds = (r.c & Order(a, b)) != 0;
  if constexpr (kType == 0) {
    bits[bsp - 1] = holds;
  } else {
    bits[bsp - 1] = uint8_t(bits[bsp - 1] & (0u - holds));
  }
  return true;
}

// The 16-bit counter with an immediate preset, as the counter family evaluates it, with
// its record, preset and reset bit resolved.
inline uint8_t Counter16(const Threaded& r, bool down, uint8_t power) {
  const uint32_t control = r.a + 2;
  const int64_t preset = r.b;
  int64_t count = int16_t(RegWord(r.a));
  uint16_t word = RegWord(control);
  if (power == 0) {
    word &= uint16_t(~kRecordEnabled);
  } else if (!(word & kRecordEnabled)) {
    if (down && count > -32768) --count;
    if (!down && count < 32767) ++count;
    word |= kRecordEnabled;
  }
  if (BitIsSet(plc_reg, BitRef{r.c >> 3, uint8_t(r.c & 7)})) count = down ? std::min<int64_t>(preset, 32767) : 0;
  const bool output = down ? count <= 0 : count >= preset;
  SetRegWord(r.a, uint16_t(count));
  SetRegWord(control, uint16_t((word & ~kRecordOutput) | (output ? kRecordOutput : 0)));
  return output ? 1 : 0;
}

// A timer of the row kRow of the timer family, evaluated as the family does, with its
// record, preset and reset bit resolved and its width, kind and unit constants.
template <uint32_t kRow>
inline uint8_t Timer(const Threaded& r, uint8_t power) {
  constexpr TimerRow kT = kTimerKinds[kRow];
  constexpr bool kWide = kT.wide, kAccumulating = kT.kind == TimerKind::kAccumulating;
  constexpr bool kOffDelay = kT.kind == TimerKind::kOffDelay;
  constexpr uint32_t kUnit = kT.unit_ticks;
  const uint32_t control = r.a + (kWide ? 4 : 2);
  const auto set_value = [&](int64_t v) {
    if constexpr (kWide) {
      UTIL_PutDword(plc_reg + r.a, uint32_t(v));
    } else {
      SetRegWord(r.a, uint16_t(v));
    }
  };
  const uint16_t tick = time_frt_100us & kRecordTickMask;
  if constexpr (kAccumulating) {
    if (BitIsSet(plc_reg, BitRef{r.c >> 3, uint8_t(r.c & 7)})) {
      set_value(0);
      SetRegWord(control, tick);
      return 0;
    }
  }
  int64_t preset;
  if (r.opcode & 1) {
    preset = kWide ? int64_t(int32_t(r.b)) : int64_t(r.b);
  } else {
    preset = kWide ? int64_t(int32_t(UTIL_GetDword(plc_reg + r.b))) : int64_t(int16_t(RegWord(r.b)));
  }
  const bool first_scan = SBitGet(1);
  if (!kWide && kOffDelay && first_scan) set_value(preset);
  const bool input = kOffDelay ? power == 0 : power != 0;
  if (!input) {
    if (!kAccumulating) set_value(0);
    SetRegWord(control, uint16_t(tick | (kOffDelay ? kRecordOutput : 0)));
    return kOffDelay ? 1 : 0;
  }
  int64_t value = kWide ? int64_t(int32_t(UTIL_GetDword(plc_reg + r.a))) : int64_t(RegWord(r.a));
  uint16_t reference = RegWord(control) & kRecordTickMask;
  if (value < preset && !first_scan) {
    const uint32_t elapsed = uint32_t(tick - reference) & kRecordTickMask;
    const uint32_t units = elapsed / kUnit;
    if (units != 0) {
      value += units;
      reference = uint16_t(tick - elapsed % kUnit) & kRecordTickMask;
    }
  } else {
    reference = tick;
  }
  const bool done = value >= preset;
  if (done) value = preset;
  set_value(value);
  const bool output = kOffDelay ? !done : done;
  SetRegWord(control, uint16_t((output ? kRecordOutput : 0) | (kOffDelay ? 0 : kRecordEnabled) | reference));
  return output ? 1 : 0;
}

}  // namespace

// GCC would merge the handlers' copies of the dispatch into one shared indirect jump,
// which is predicted worse.
#if defined(__GNUC__) && !defined(__clang__)
#define KEEP_DISPATCH_COPIES __attribute__((optimize("no-crossjumping")))
#else
#define KEEP_DISPATCH_COPIES
#endif

// Direct threading: each record's code ends in its own dispatch to the next record's
// kind through a table of label addresses (a GCC extension), so that every dispatch is
// predicted from the kind it follows. The stack depths live in locals and go back to
// the machine before anything else sees it.
KEEP_DISPATCH_COPIES void RunDecoded(Machine& m) {
  static const void* const kLabels[uint16_t(Rec::kKinds)] = {
      &&careful, &&handler, &&handler_operands, &&contact, &&careful /* generic operator */, &&careful /* generic coil */,
      &&careful /* generic contact-coil */, &&push_word, &&push_double, &&push_imm, &&push_imm32,
      &&pull_word, &&pull_double, &&move_word, &&move_imm, &&jump, &&skip_if_off, &&call, &&ret,
      &&end, &&go, &&careful, &&int_compare_coil, &&careful /* generic timer */, &&add_dint, &&sub_dint,
      &&mul_dint, &&add_real, &&sub_real, &&mul_real, &&div_real, &&compare_dint,
      // operators
      &&op0, &&op1, &&op2, &&op3, &&op4, &&op5, &&op6, &&op7, &&op8, &&op9, &&op10, &&op11, &&op12,
      &&careful /* generic contact-operator */, &&counter16, &&careful,
      // coils
      &&coil0, &&coil1, &&coil2, &&coil3, &&coil4, &&coil5, &&careful, &&careful,
      // contacts with their coils
      &&cc0, &&cc1, &&cc2, &&cc3, &&cc4, &&cc5, &&careful, &&careful,
      // contacts with the operator after them
      &&co0, &&co1, &&co2, &&co3, &&co4, &&co5, &&co6, &&co7, &&co8, &&co9, &&co10, &&co11, &&co12,
      &&careful, &&careful, &&careful,
      // timers
      &&tm0, &&tm1, &&tm2, &&tm3, &&tm4, &&tm5, &&tm6, &&tm7, &&tm8, &&tm9, &&tm10, &&tm11, &&tm12,
      &&tm13, &&tm14, &&tm15, &&tm16, &&tm17, &&tm18, &&tm19, &&tm20, &&tm21, &&tm22, &&tm23,
      &&push_quad, &&pull_quad, &&lreal_compare, &&lreal_add, &&lreal_sub, &&lreal_mul, &&lreal_div,
      &&lreal_sqrt, &&lreal_abs, &&add_int, &&sub_int, &&mul_int, &&div_int, &&compare_int, &&compare_real,
      &&push_imm64, &&careful, &&careful, &&careful, &&careful, &&careful, &&careful, &&careful, &&careful,
#define NUM_LABELS(shape)                                                                                  \
  &&shape##0, &&shape##1, &&shape##2, &&shape##3, &&shape##4, &&shape##5, &&shape##6, &&shape##7, &&shape##8, \
      &&shape##9, &&shape##10, &&shape##11, &&shape##12, &&shape##13, &&shape##14,
      NUM_LABELS(ppo) NUM_LABELS(ppop) NUM_LABELS(pop)
#undef NUM_LABELS
      &&ppc0, &&ppc1, &&ppc2, &&ppc3,
      &&cco0, &&cco1, &&cco2, &&cco3, &&cco4, &&cco5, &&cco6, &&cco7, &&cco8, &&cco9, &&cco10, &&cco11, &&cco12,
#define COIL_LABELS(prefix, I) \
  &&prefix##I##_0, &&prefix##I##_1, &&prefix##I##_2, &&prefix##I##_3, &&prefix##I##_4, &&prefix##I##_5,
#define OPERATOR_COIL_LABELS(prefix)                                                                    \
  COIL_LABELS(prefix, 0) COIL_LABELS(prefix, 1) COIL_LABELS(prefix, 2) COIL_LABELS(prefix, 3)           \
  COIL_LABELS(prefix, 4) COIL_LABELS(prefix, 5) COIL_LABELS(prefix, 6) COIL_LABELS(prefix, 7)           \
  COIL_LABELS(prefix, 8) COIL_LABELS(prefix, 9) COIL_LABELS(prefix, 10) COIL_LABELS(prefix, 11)         \
  COIL_LABELS(prefix, 12)
      OPERATOR_COIL_LABELS(coc) OPERATOR_COIL_LABELS(ccoc)
#undef OPERATOR_COIL_LABELS
#undef COIL_LABELS
      &&c_jump, &&c_skip, &&c_call, &&c_ret,
      &&ct0, &&ct1, &&ct2, &&ct3, &&ct4, &&ct5, &&ct6, &&ct7, &&ct8, &&ct9, &&ct10, &&ct11, &&ct12,
      &&ct13, &&ct14, &&ct15, &&ct16, &&ct17, &&ct18, &&ct19, &&ct20, &&ct21, &&ct22, &&ct23,
      &&c_counter,
#define NUM_LABELS(shape)                                                                                  \
  &&shape##0, &&shape##1, &&shape##2, &&shape##3, &&shape##4, &&shape##5, &&shape##6, &&shape##7, &&shape##8, \
      &&shape##9, &&shape##10, &&shape##11, &&shape##12, &&shape##13, &&shape##14,
      NUM_LABELS(ppopc) NUM_LABELS(popc)
#undef NUM_LABELS
      &&ppcc0, &&ppcc1, &&ppcc2, &&ppcc3,
      &&ctc0, &&ctc1, &&ctc2, &&ctc3, &&ctc4, &&ctc5, &&ctc6, &&ctc7, &&ctc8, &&ctc9, &&ctc10, &&ctc11, &&ctc12,
      &&ctc13, &&ctc14, &&ctc15, &&ctc16, &&ctc17, &&ctc18, &&ctc19, &&ctc20, &&ctc21, &&ctc22, &&ctc23,
      &&sqrt_pull, &&abs_pull, &&sqrt_pull_coil, &&abs_pull_coil,
      &&jump_over_coil, &&careful, &&careful, &&careful, &&skip_to_coil3, &&skip_to_coil4, &&careful, &&careful,
      &&skip_to_coil7, &&skip_to_coil8, &&skip_to_coil9, &&skip_to_coil10, &&careful, &&careful,
#define RUNG_LABELS(N, S) \
  &&rung##N##_##S##_0, &&rung##N##_##S##_1, &&rung##N##_##S##_2, &&rung##N##_##S##_3, &&rung##N##_##S##_4, &&rung##N##_##S##_5,
#define RUNG_COUNT_LABELS(N) RUNG_LABELS(N, 0) RUNG_LABELS(N, 1) RUNG_LABELS(N, 2)
      RUNG_COUNT_LABELS(6) RUNG_COUNT_LABELS(7) RUNG_COUNT_LABELS(8) RUNG_COUNT_LABELS(9) RUNG_COUNT_LABELS(10)
#undef RUNG_COUNT_LABELS
#undef RUNG_LABELS
#define NUM_LABELS(shape)                                                                                  \
  &&shape##0, &&shape##1, &&shape##2, &&shape##3, &&shape##4, &&shape##5, &&shape##6, &&shape##7, &&shape##8, \
      &&shape##9, &&shape##10, &&shape##11, &&shape##12, &&shape##13, &&shape##14,
      NUM_LABELS(cppo) NUM_LABELS(cppop) NUM_LABELS(cppopc)
#undef NUM_LABELS
      &&cppcc0, &&cppcc1, &&cppcc2, &&cppcc3,
      &&cuop0, &&cuop1, &&cuop2, &&cuop3, &&cuop4, &&cuop5, &&cuop6, &&cuop7,
      &&ctwo0, &&ctwo1, &&ctwo2, &&ctwo3, &&ctwo4, &&ctwo5, &&ctwo6, &&ctwo7, &&ctwo8, &&ctwo9, &&ctwo10,
      &&ctwo11, &&ctwo12, &&ctwo13, &&ctwo14, &&ctwo15,
  };
  static_assert(uint16_t(Rec::kIntCompareCoil) == 22 && uint16_t(Rec::kCompareDint) == 31 &&
                uint16_t(Rec::kOperatorBase) == 32);
  static_assert(std::size(kStackOperators) == 13 && std::size(kCoilWrites) == 6);
  static_assert(uint16_t(Rec::kContactOperator) == 45 && uint16_t(Rec::kCounter16) == 46);
  static_assert(uint16_t(Rec::kTimerBase) == 80 && std::size(kTimerKinds) == 24 && uint16_t(Rec::kPushQuad) == 104);
  static_assert(uint16_t(Rec::kPushImm64) == 119 && uint16_t(Rec::kPushPushOpBase) == 128);
  static_assert(uint16_t(Rec::kPushPushCompareBase) == 128 + 3 * kNumOps && uint16_t(Rec::kContactContactOpBase) == 177);
  static_assert(uint16_t(Rec::kContactOpCoilBase) == 177 + 13 && uint16_t(Rec::kContactContactOpCoilBase) == 190 + 78);
  static_assert(uint16_t(Rec::kContactJump) == 268 + 78 && uint16_t(Rec::kContactTimerBase) == 350);
  static_assert(uint16_t(Rec::kContactCounter) == 374 && uint16_t(Rec::kPushPushOpPullCoilBase) == 375);
  static_assert(uint16_t(Rec::kPushPushCompareCoilBase) == 375 + 2 * kNumOps &&
                uint16_t(Rec::kContactTimerCoilBase) == 409 && uint16_t(Rec::kUnaryPullBase) == 409 + 24);
  static_assert(uint16_t(Rec::kJumpOverCoil) == 433 + 4 && uint16_t(Rec::kSkipToCoilBase) == 437 + 1 &&
                uint16_t(Rec::kRungBase) == 438 + 13 && uint16_t(Rec::kContactNumBase) == 451 + 18 * 5 &&
                uint16_t(Rec::kContactUnaryBase) == uint16_t(Rec::kContactNumBase) + 3 * kNumOps + 4 &&
                uint16_t(Rec::kContactTwoOpBase) == uint16_t(Rec::kContactUnaryBase) + 8 &&
                uint16_t(Rec::kKinds) == uint16_t(Rec::kContactTwoOpBase) + 16);

  const Threaded* r = Resume(m);
  if (r == nullptr) return;
  uint32_t bsp = m.bsp, wsp = m.wsp;
  uint8_t* const bits = m.bits;
  uint16_t* const words = m.words;
  uint32_t rung_records = 0;  // the record count of a joined boolean rung, set by its entry

#define NEXT() goto* kLabels[uint16_t(r->kind)]
#define SYNC() (m.bsp = uint8_t(bsp), m.wsp = uint8_t(wsp))
#define LOAD() (bsp = m.bsp, wsp = m.wsp)
  // Back to the caller: straight to the record of the return position when it has one.
#define RETURN()                                                                      \
  do {                                                                                \
    const uint32_t back = m.calls[--m.depth];                                         \
    const uint32_t i = back <= arena::words ? arena::index[back] : 0;                 \
    if (i != 0) {                                                                     \
      r = &records[i - 1];                                                            \
      NEXT();                                                                         \
    }                                                                                 \
    SYNC();                                                                           \
    m.ip = back;                                                                      \
    if ((r = Resume(m)) == nullptr) return;                                           \
    LOAD();                                                                           \
    NEXT();                                                                           \
  } while (false)
  NEXT();

careful:
  SYNC();
  m.ip = r->ip;
  if (!StepCareful(m) || (r = Resume(m)) == nullptr) return;
  LOAD();
  NEXT();

handler:
  SYNC();
  m.ip = r->ip + 1;
  kOpcodeHandlers[r->opcode](m, r->opcode);
  if (m.Failed()) return;
  if (m.ip == r->ip + 1) {
    ++r;
  } else if ((r = Resume(m)) == nullptr) {
    return;
  }
  LOAD();
  NEXT();

handler_operands:
  SYNC();
  m.ip = r->ip + 1;
  kOpcodeHandlers[r->opcode](m, r->opcode);
  if (m.Failed()) return;
  if (m.ip == r->d) {
    ++r;
  } else if ((r = Resume(m)) == nullptr) {
    return;
  }
  LOAD();
  NEXT();

contact:
  if (bsp == kBitStackSize) goto careful;
  bits[bsp++] = OnMask(plc_reg[r->a] & r->b);
  ++r;
  NEXT();

#define OPERATOR(I)                                                                     \
  op##I : {                                                                             \
    constexpr StackOperator o = kStackOperators[I];                                     \
    if (bsp < o.reads || (o.depth_change > 0 && bsp + o.depth_change > kBitStackSize)) \
      goto careful;                                                                     \
    o.apply(bits + bsp - o.reads);                                                      \
    bsp += o.depth_change;                                                              \
    ++r;                                                                                \
    NEXT();                                                                             \
  }
  OPERATOR(0)
  OPERATOR(1)
  OPERATOR(2)
  OPERATOR(3)
  OPERATOR(4)
  OPERATOR(5)
  OPERATOR(6)
  OPERATOR(7)
  OPERATOR(8)
  OPERATOR(9)
  OPERATOR(10)
  OPERATOR(11)
  OPERATOR(12)
#undef OPERATOR

#define COIL(I)                                                 \
  coil##I : {                                                   \
    if (bsp == 0) goto careful;                                 \
    kCoilWrites[I].apply(BitRef{r->a, uint8_t(r->b)}, bits[--bsp]); \
    ++r;                                                        \
    NEXT();                                                     \
  }
  COIL(0)
  COIL(1)
  COIL(2)
  COIL(3)
  COIL(4)
  COIL(5)
#undef COIL

  // The coil pops the contact's entry; its slot keeps it, as a push and a pop leave it.
  // On a full stack the contact's own record reports the overflow.
#define CONTACT_COIL(I)                                            \
  cc##I : {                                                        \
    if (bsp == kBitStackSize) {                                    \
      ++r;                                                         \
      NEXT();                                                      \
    }                                                              \
    const uint8_t flow = OnMask(plc_reg[r->a] & r->b);             \
    bits[bsp] = flow;                                              \
    CoilAt<I>(r->c, flow);                                         \
    r += 1 + kJoinedParts;                                         \
    NEXT();                                                        \
  }
  CONTACT_COIL(0)
  CONTACT_COIL(1)
  CONTACT_COIL(2)
  CONTACT_COIL(3)
  CONTACT_COIL(4)
  CONTACT_COIL(5)
#undef CONTACT_COIL

  // A contact and the operator after it: the same as the two records, one dispatch fewer.
  // A case either of them would leave to the careful handler falls through to them.
#define CONTACT_OPERATOR(I)                                                                  \
  co##I : {                                                                                  \
    constexpr StackOperator o = kStackOperators[I];                                          \
    if (bsp == kBitStackSize || bsp + 1 < o.reads ||                                         \
        (o.depth_change > 0 && bsp + 1 + o.depth_change > kBitStackSize)) {                  \
      ++r;                                                                                   \
      NEXT();                                                                                \
    }                                                                                        \
    bits[bsp++] = OnMask(plc_reg[r->a] & r->b);                                              \
    o.apply(bits + bsp - o.reads);                                                           \
    bsp += o.depth_change;                                                                   \
    r += 1 + kJoinedParts;                                                                   \
    NEXT();                                                                                  \
  }
  CONTACT_OPERATOR(0)
  CONTACT_OPERATOR(1)
  CONTACT_OPERATOR(2)
  CONTACT_OPERATOR(3)
  CONTACT_OPERATOR(4)
  CONTACT_OPERATOR(5)
  CONTACT_OPERATOR(6)
  CONTACT_OPERATOR(7)
  CONTACT_OPERATOR(8)
  CONTACT_OPERATOR(9)
  CONTACT_OPERATOR(10)
  CONTACT_OPERATOR(11)
  CONTACT_OPERATOR(12)
#undef CONTACT_OPERATOR

push_word:
  if (wsp == kWordStackSize) goto careful;
  words[wsp++] = RegWord(r->a);
  ++r;
  NEXT();
push_double:
  // One 32-bit copy, not two 16-bit ones: the operator after it loads both cells at once,
  // and a load that spans two smaller stores waits for them to reach the cache.
  if (wsp + 2 > kWordStackSize) goto careful;
  std::memcpy(words + wsp, plc_reg + r->a, 4);
  wsp += 2;
  ++r;
  NEXT();
push_imm:
  if (wsp == kWordStackSize) goto careful;
  words[wsp++] = uint16_t(r->a);
  ++r;
  NEXT();
push_imm32:
  if (wsp + 2 > kWordStackSize) goto careful;
  std::memcpy(words + wsp, &r->a, 4);  // little-endian: the low word in the lower cell
  wsp += 2;
  ++r;
  NEXT();
pull_word:
  if (wsp == 0) goto careful;
  SetRegWord(r->a, words[--wsp]);
  ++r;
  NEXT();
pull_double:
  if (wsp < 2) goto careful;
  wsp -= 2;
  SetRegWord(r->a, words[wsp]);
  SetRegWord(r->a + 2, words[wsp + 1]);
  ++r;
  NEXT();
move_word:
  SetRegWord(r->a, RegWord(r->b));
  ++r;
  NEXT();
move_imm:
  SetRegWord(r->a, uint16_t(r->b));
  ++r;
  NEXT();
jump:
  if (bsp == 0) goto careful;
  if (bits[bsp - 1] == 0) {
    --bsp;
    ++r;
    NEXT();
  }
  // A taken jump backward counts toward the scan's loop bound; the careful path reports
  // the fault at this jump once the bound is passed.
  if (r->a != 0 && m.BackwardJumpPastBound()) goto careful;
  --bsp;
  r = &records[r->c];
  NEXT();
skip_if_off:
  if (bsp == 0) goto careful;
  r = bits[bsp - 1] == 0 ? &records[r->c] : r + 1;
  NEXT();
call:
  if (bsp == 0) goto careful;
  if (bits[bsp - 1] == 0) {
    --bsp;
    ++r;
    NEXT();
  }
  if (m.depth == kCallDepth) goto careful;
  --bsp;
  m.calls[m.depth++] = r->d;
  r = &records[r->c];
  NEXT();
ret:
  if (bsp == 0) goto careful;
  if (bits[bsp - 1] == 0) {
    --bsp;
    ++r;
    NEXT();
  }
  if (m.depth == 0) goto careful;
  --bsp;
  RETURN();
end:
  SYNC();
  m.ip = r->ip + 1;
  m.Fail(Stop::kEnd);
  return;
go:
  r = &records[r->c];
  NEXT();
int_compare_coil : {
  if (wsp + 2 > kWordStackSize || bsp == 0) {
    ++r;
    NEXT();
  }
  const int16_t a = int16_t(RegWord(r->a));
  const int16_t b = int16_t(r->d & 1 ? uint16_t(r->b) : RegWord(r->b));
  const uint8_t holds = IntCompare(r->opcode, a, b);
  words[wsp] = uint16_t(a);
  words[wsp + 1] = uint16_t(b);
  bits[--bsp] = holds;
  kBooleanEntries[r->d >> 1].coil(BitRef{r->c >> 3, uint8_t(r->c & 7)}, holds);
  r += 5;
  NEXT();
}
  // A binary operator of two-cell values: a (lower) op b (top) into a's cells, b popped;
  // a numeric error turns the power flow off. A stack too shallow, or no power flow to
  // turn off, is the careful handler's case.
#define BINARY32(label, T, expr)                      \
  label : {                                           \
    if (wsp < 4 || bsp == 0) goto careful;            \
    uint16_t* const c = words + wsp - 4;              \
    T a = LoadCells<T>(c);                            \
    const T b = LoadCells<T>(c + 2);                  \
    const bool ok = (expr);                           \
    StoreCells(c, a);                                 \
    wsp -= 2;                                         \
    if (!ok) bits[bsp - 1] = 0;                       \
    ++r;                                              \
    NEXT();                                           \
  }
  BINARY32(add_dint, int32_t, StoreDint(a, int64_t(a) + b))
  BINARY32(sub_dint, int32_t, StoreDint(a, int64_t(a) - b))
  BINARY32(mul_dint, int32_t, StoreDint(a, int64_t(a) * b))
  BINARY32(add_real, float, realmath::AddOp(a, b))
  BINARY32(sub_real, float, realmath::SubOp(a, b))
  BINARY32(mul_real, float, realmath::MulOp(a, b))
  BINARY32(div_real, float, realmath::DivOp(a, b))
#undef BINARY32
compare_dint : {
  if (wsp < 4 || bsp == 0) goto careful;
  wsp -= 4;
  if (!DintHolds(r->opcode, LoadCells<int32_t>(words + wsp), LoadCells<int32_t>(words + wsp + 2))) bits[bsp - 1] = 0;
  ++r;
  NEXT();
}
counter16 : {
  if (bsp == 0) goto careful;
  uint8_t& top = bits[bsp - 1];
  top = Counter16(*r, r->opcode >= 202, top);
  ++r;
  NEXT();
}
push_quad:
  if (wsp + 4 > kWordStackSize) goto careful;
  std::memcpy(words + wsp, plc_reg + r->a, 8);
  wsp += 4;
  ++r;
  NEXT();
push_imm64:
  if (wsp + 4 > kWordStackSize) goto careful;
  std::memcpy(words + wsp, &r->a, 4);  // little-endian: the lowest word in the lowest cell
  std::memcpy(words + wsp + 2, &r->b, 4);
  wsp += 4;
  ++r;
  NEXT();
pull_quad:
  if (wsp < 4) goto careful;
  wsp -= 4;
  std::memcpy(plc_reg + r->a, words + wsp, 8);
  ++r;
  NEXT();
  // LREAL operators: A (lower) op B (top) into A's cells, B popped; a numeric error turns
  // the power flow off.
#define LREAL_BINARY(label, fn)                                          \
  label : {                                                              \
    if (wsp < 8 || bsp == 0) goto careful;                               \
    uint16_t* const c = words + wsp - 8;                                 \
    const double a = LoadCells<double>(c), b = LoadCells<double>(c + 4); \
    bool ok = lrealops::Finite(a) && lrealops::Finite(b);                \
    StoreCells(c, fn(a, b, ok));                                         \
    wsp -= 4;                                                            \
    if (!ok) bits[bsp - 1] = 0;                                          \
    ++r;                                                                 \
    NEXT();                                                              \
  }
  LREAL_BINARY(lreal_add, lrealops::Add)
  LREAL_BINARY(lreal_sub, lrealops::Sub)
  LREAL_BINARY(lreal_mul, lrealops::Mul)
  LREAL_BINARY(lreal_div, lrealops::Div)
#undef LREAL_BINARY
#define LREAL_UNARY(label, fn)             \
  label : {                                \
    if (wsp < 4 || bsp == 0) goto careful; \
    uint16_t* const c = words + wsp - 4;   \
    const double a = LoadCells<double>(c); \
    bool ok = lrealops::Finite(a);         \
    StoreCells(c, fn(a, ok));              \
    if (!ok) bits[bsp - 1] = 0;            \
    ++r;                                   \
    NEXT();                                \
  }
  LREAL_UNARY(lreal_sqrt, lrealops::Sqrt)
  LREAL_UNARY(lreal_abs, lrealops::Abs)
#undef LREAL_UNARY
lreal_compare : {
  if (wsp < 8 || bsp == 0) goto careful;
  wsp -= 8;
  if (!LrealHolds(r->b, LoadCells<double>(words + wsp), LoadCells<double>(words + wsp + 4))) bits[bsp - 1] = 0;
  ++r;
  NEXT();
}
  // INT operators: a (lower) op b (top) into a's cell, b popped.
#define BINARY16(label, op)                                       \
  label : {                                                       \
    if (wsp < 2 || bsp == 0) goto careful;                        \
    uint16_t* const c = words + wsp - 2;                          \
    int16_t v;                                                    \
    const bool ok = IntOp(op, int16_t(c[0]), int16_t(c[1]), v);   \
    c[0] = uint16_t(v);                                           \
    wsp -= 1;                                                     \
    if (!ok) bits[bsp - 1] = 0;                                   \
    ++r;                                                          \
    NEXT();                                                       \
  }
  BINARY16(add_int, 120)
  BINARY16(sub_int, 121)
  BINARY16(mul_int, 122)
  BINARY16(div_int, 123)
#undef BINARY16
compare_int : {
  if (wsp < 2 || bsp == 0) goto careful;
  wsp -= 2;
  bits[bsp - 1] = IntCompare(r->opcode, int16_t(words[wsp]), int16_t(words[wsp + 1]));
  ++r;
  NEXT();
}
compare_real : {
  if (wsp < 4 || bsp == 0) goto careful;
  wsp -= 4;
  if (!RealHolds(r->opcode, LoadCells<float>(words + wsp), LoadCells<float>(words + wsp + 2))) bits[bsp - 1] = 0;
  ++r;
  NEXT();
}
  // The joined numeric shapes; a case the joined record cannot run falls through to its
  // parts.
#define PLAIN_COIL(coil) \
  if (coil) CoilAt<0>(r->d >> 1, bits[--bsp]);
#define NUM_JOIN(label, T, fn, shape, parts, coil)                  \
  label : {                                                         \
    if (NumJoin<T, fn, Shape::shape>(*r, words, wsp, bits, bsp)) {  \
      PLAIN_COIL(coil)                                              \
      r += 1 + parts + coil;                                        \
    } else {                                                        \
      ++r;                                                          \
    }                                                               \
    NEXT();                                                         \
  }
#define NUM_SHAPE(JOIN, prefix, shape, parts, coil)                                       \
  JOIN(prefix##0, int16_t, IntOpFn<120>, shape, parts, coil)                   \
  JOIN(prefix##1, int16_t, IntOpFn<121>, shape, parts, coil)                   \
  JOIN(prefix##2, int16_t, IntOpFn<122>, shape, parts, coil)                   \
  JOIN(prefix##3, int16_t, IntOpFn<123>, shape, parts, coil)                   \
  JOIN(prefix##4, int32_t, AddDintFn, shape, parts, coil)                      \
  JOIN(prefix##5, int32_t, SubDintFn, shape, parts, coil)                      \
  JOIN(prefix##6, int32_t, MulDintFn, shape, parts, coil)                      \
  JOIN(prefix##7, float, realmath::AddOp, shape, parts, coil)                  \
  JOIN(prefix##8, float, realmath::SubOp, shape, parts, coil)                  \
  JOIN(prefix##9, float, realmath::MulOp, shape, parts, coil)                  \
  JOIN(prefix##10, float, realmath::DivOp, shape, parts, coil)                 \
  JOIN(prefix##11, double, LrealFn<lrealops::Add>, shape, parts, coil)         \
  JOIN(prefix##12, double, LrealFn<lrealops::Sub>, shape, parts, coil)         \
  JOIN(prefix##13, double, LrealFn<lrealops::Mul>, shape, parts, coil)         \
  JOIN(prefix##14, double, LrealFn<lrealops::Div>, shape, parts, coil)
  NUM_SHAPE(NUM_JOIN, ppo, kPushPushOp, 3, 0)
  NUM_SHAPE(NUM_JOIN, ppop, kPushPushOpPull, 4, 0)
  NUM_SHAPE(NUM_JOIN, pop, kPushOpPull, 3, 0)
  NUM_SHAPE(NUM_JOIN, ppopc, kPushPushOpPull, 4, 1)
  NUM_SHAPE(NUM_JOIN, popc, kPushOpPull, 3, 1)
  // The same shapes after a contact, its bit (byte << 8 | mask) in the record's ip: the
  // contact's push comes first, where both stacks have room for the shape.
#define CONTACT_PUSH(T)                                                                  \
  if (bsp == kBitStackSize || wsp + sizeof(T) > kWordStackSize) {                        \
    ++r;                                                                                 \
    NEXT();                                                                              \
  }                                                                                      \
  {                                                                                      \
    const uint32_t contact = r->ip;                                                      \
    bits[bsp++] = OnMask(plc_reg[contact >> 8] & contact);                               \
  }
#define CONTACT_NUM_JOIN(label, T, fn, shape, parts, coil)        \
  label : {                                                       \
    CONTACT_PUSH(T)                                               \
    (void)NumJoin<T, fn, Shape::shape>(*r, words, wsp, bits, bsp); \
    PLAIN_COIL(coil)                                              \
    r += 2 + parts + coil;                                        \
    NEXT();                                                       \
  }
  NUM_SHAPE(CONTACT_NUM_JOIN, cppo, kPushPushOp, 3, 0)
  NUM_SHAPE(CONTACT_NUM_JOIN, cppop, kPushPushOpPull, 4, 0)
  NUM_SHAPE(CONTACT_NUM_JOIN, cppopc, kPushPushOpPull, 4, 1)
#undef CONTACT_NUM_JOIN
#undef NUM_SHAPE
#undef NUM_JOIN
#define COMPARE_JOIN(label, T, type, coil)                       \
  label : {                                                      \
    if (CompareJoin<T, type>(*r, words, wsp, bits, bsp)) {       \
      PLAIN_COIL(coil)                                           \
      r += 4 + coil;                                             \
    } else {                                                     \
      ++r;                                                       \
    }                                                            \
    NEXT();                                                      \
  }
  COMPARE_JOIN(ppc0, int16_t, 0, 0)
  COMPARE_JOIN(ppc1, int32_t, 1, 0)
  COMPARE_JOIN(ppc2, float, 2, 0)
  COMPARE_JOIN(ppc3, double, 3, 0)
  COMPARE_JOIN(ppcc0, int16_t, 0, 1)
  COMPARE_JOIN(ppcc1, int32_t, 1, 1)
  COMPARE_JOIN(ppcc2, float, 2, 1)
  COMPARE_JOIN(ppcc3, double, 3, 1)
#undef COMPARE_JOIN
#define CONTACT_COMPARE_JOIN(label, T, type)                \
  label : {                                                 \
    CONTACT_PUSH(T)                                         \
    (void)CompareJoin<T, type>(*r, words, wsp, bits, bsp);  \
    PLAIN_COIL(1)                                           \
    r += 6;                                                 \
    NEXT();                                                 \
  }
  CONTACT_COMPARE_JOIN(cppcc0, int16_t, 0)
  CONTACT_COMPARE_JOIN(cppcc1, int32_t, 1)
  CONTACT_COMPARE_JOIN(cppcc2, float, 2)
  CONTACT_COMPARE_JOIN(cppcc3, double, 3)
#undef CONTACT_COMPARE_JOIN
  // The result goes straight on to the square root or absolute value; the cells keep
  // what the parts leave (the final value over the second operand).
#define CONTACT_UNARY(label, fn, unary)                                 \
  label : {                                                            \
    CONTACT_PUSH(double)                                               \
    uint16_t* const cells = words + wsp;                               \
    double a, b;                                                       \
    std::memcpy(&a, plc_reg + r->a, 8);                                \
    std::memcpy(&b, plc_reg + r->b, 8);                                \
    const bool first = LrealFn<fn>(a, b);                              \
    bool ok = lrealops::Finite(a);                                     \
    const double v = unary(a, ok);                                     \
    LrealRungEnd(cells, v, b, r->c, ok && first, bits[--bsp]);         \
    CoilAt<0>(r->d, bits[bsp]);                                        \
    r += 8;                                                            \
    NEXT();                                                            \
  }
  CONTACT_UNARY(cuop0, lrealops::Add, lrealops::Sqrt)
  CONTACT_UNARY(cuop1, lrealops::Add, lrealops::Abs)
  CONTACT_UNARY(cuop2, lrealops::Sub, lrealops::Sqrt)
  CONTACT_UNARY(cuop3, lrealops::Sub, lrealops::Abs)
  CONTACT_UNARY(cuop4, lrealops::Mul, lrealops::Sqrt)
  CONTACT_UNARY(cuop5, lrealops::Mul, lrealops::Abs)
  CONTACT_UNARY(cuop6, lrealops::Div, lrealops::Sqrt)
  CONTACT_UNARY(cuop7, lrealops::Div, lrealops::Abs)
#undef CONTACT_UNARY
  // The contact's push leaves room for both operators: the second pushes where the first
  // left its operand.
#define CONTACT_TWO_OPS(label, fn, fn2)                                 \
  label : {                                                            \
    CONTACT_PUSH(double)                                               \
    uint16_t* const cells = words + wsp;                               \
    double a, b, x;                                                    \
    std::memcpy(&a, plc_reg + r->a, 8);                                \
    std::memcpy(&b, plc_reg + r->b, 8);                                \
    std::memcpy(&x, plc_reg + r->c, 8);                                \
    const bool first = LrealFn<fn>(a, b);                              \
    const bool ok = LrealFn<fn2>(a, x) && first;                       \
    LrealRungEnd(cells, a, x, r->d, ok, bits[--bsp]);                  \
    CoilAt<0>(r[8].a << 8 | 1u << r[8].b, bits[bsp]);                  \
    r += 9;                                                            \
    NEXT();                                                            \
  }
  CONTACT_TWO_OPS(ctwo0, lrealops::Add, lrealops::Add)
  CONTACT_TWO_OPS(ctwo1, lrealops::Add, lrealops::Sub)
  CONTACT_TWO_OPS(ctwo2, lrealops::Add, lrealops::Mul)
  CONTACT_TWO_OPS(ctwo3, lrealops::Add, lrealops::Div)
  CONTACT_TWO_OPS(ctwo4, lrealops::Sub, lrealops::Add)
  CONTACT_TWO_OPS(ctwo5, lrealops::Sub, lrealops::Sub)
  CONTACT_TWO_OPS(ctwo6, lrealops::Sub, lrealops::Mul)
  CONTACT_TWO_OPS(ctwo7, lrealops::Sub, lrealops::Div)
  CONTACT_TWO_OPS(ctwo8, lrealops::Mul, lrealops::Add)
  CONTACT_TWO_OPS(ctwo9, lrealops::Mul, lrealops::Sub)
  CONTACT_TWO_OPS(ctwo10, lrealops::Mul, lrealops::Mul)
  CONTACT_TWO_OPS(ctwo11, lrealops::Mul, lrealops::Div)
  CONTACT_TWO_OPS(ctwo12, lrealops::Div, lrealops::Add)
  CONTACT_TWO_OPS(ctwo13, lrealops::Div, lrealops::Sub)
  CONTACT_TWO_OPS(ctwo14, lrealops::Div, lrealops::Mul)
  CONTACT_TWO_OPS(ctwo15, lrealops::Div, lrealops::Div)
#undef CONTACT_TWO_OPS
#undef CONTACT_PUSH
  // An LREAL function of the top value, pulled at once (and its power flow to a coil).
#define UNARY_PULL(label, fn, coil)                                 \
  label : {                                                         \
    if (wsp < 4 || bsp == 0) {                                      \
      ++r;                                                          \
      NEXT();                                                       \
    }                                                               \
    uint16_t* const c = words + wsp - 4;                            \
    const double a = LoadCells<double>(c);                          \
    bool ok = lrealops::Finite(a);                                  \
    const double v = fn(a, ok);                                     \
    StoreCells(c, v);                                               \
    std::memcpy(plc_reg + r->a, &v, 8);                             \
    wsp -= 4;                                                       \
    if (!ok) bits[bsp - 1] = 0;                                     \
    if (coil) CoilAt<0>(r->c, bits[--bsp]);                         \
    r += 3 + coil;                                                  \
    NEXT();                                                         \
  }
  UNARY_PULL(sqrt_pull, lrealops::Sqrt, 0)
  UNARY_PULL(abs_pull, lrealops::Abs, 0)
  UNARY_PULL(sqrt_pull_coil, lrealops::Sqrt, 1)
  UNARY_PULL(abs_pull_coil, lrealops::Abs, 1)
#undef UNARY_PULL
#undef PLAIN_COIL
  // Joined boolean rungs; a case the joined record cannot run exactly (a stack too full
  // or too shallow) falls through to its parts.
#define CONTACTS_OPERATOR(I, contacts)                                                              \
  constexpr StackOperator o = kStackOperators[I];                                                   \
  if (bsp + contacts > kBitStackSize || bsp + contacts < o.reads ||                                 \
      (o.depth_change > 0 && bsp + contacts + o.depth_change > kBitStackSize)) {                    \
    ++r;                                                                                            \
    NEXT();                                                                                         \
  }                                                                                                 \
  if constexpr (contacts == 2 && o.reads >= 1 && o.reads <= 2) {                                   \
    const uint32_t k = uint32_t((plc_reg[r->a] & r->d) != 0) | uint32_t((plc_reg[r->b] & r->d >> 8) != 0) << 1; \
    std::memcpy(bits + bsp, &kContactPairs[I][k], 2);                                               \
    bsp += 2;                                                                                       \
  } else {                                                                                          \
    bits[bsp++] = OnMask(plc_reg[r->a] & r->d);                                                     \
    if (contacts == 2) bits[bsp++] = OnMask(plc_reg[r->b] & r->d >> 8);                             \
    o.apply(bits + bsp - o.reads);                                                                  \
  }                                                                                                 \
  bsp += o.depth_change;
#define CCO(I)                  \
  cco##I : {                    \
    CONTACTS_OPERATOR(I, 2)     \
    r += 4;                     \
    NEXT();                     \
  }
  CCO(0)
  CCO(1)
  CCO(2)
  CCO(3)
  CCO(4)
  CCO(5)
  CCO(6)
  CCO(7)
  CCO(8)
  CCO(9)
  CCO(10)
  CCO(11)
  CCO(12)
#undef CCO
  // The coil pops what the operator left; with nothing left (operator 55 on one entry)
  // the coil's own record reports the underflow.
#define OPERATOR_COIL(prefix, I, J, contacts)                                       \
  prefix##I##_##J : {                                                               \
    if (int(bsp) + contacts + kStackOperators[I].depth_change < 1) {                \
      ++r;                                                                          \
      NEXT();                                                                       \
    }                                                                               \
    CONTACTS_OPERATOR(I, contacts)                                                  \
    CoilAt<J>(r->c, bits[--bsp]);                                                   \
    r += 2 + contacts + 1;                                                          \
    NEXT();                                                                         \
  }
#define OPERATOR_COILS(I)                                                                            \
  OPERATOR_COIL(coc, I, 0, 1) OPERATOR_COIL(coc, I, 1, 1) OPERATOR_COIL(coc, I, 2, 1)                \
  OPERATOR_COIL(coc, I, 3, 1) OPERATOR_COIL(coc, I, 4, 1) OPERATOR_COIL(coc, I, 5, 1)                \
  OPERATOR_COIL(ccoc, I, 0, 2) OPERATOR_COIL(ccoc, I, 1, 2) OPERATOR_COIL(ccoc, I, 2, 2)             \
  OPERATOR_COIL(ccoc, I, 3, 2) OPERATOR_COIL(ccoc, I, 4, 2) OPERATOR_COIL(ccoc, I, 5, 2)
  OPERATOR_COILS(0)
  OPERATOR_COILS(1)
  OPERATOR_COILS(2)
  OPERATOR_COILS(3)
  OPERATOR_COILS(4)
  OPERATOR_COILS(5)
  OPERATOR_COILS(6)
  OPERATOR_COILS(7)
  OPERATOR_COILS(8)
  OPERATOR_COILS(9)
  OPERATOR_COILS(10)
  OPERATOR_COILS(11)
  OPERATOR_COILS(12)
#undef OPERATOR_COILS
#undef OPERATOR_COIL
#undef CONTACTS_OPERATOR
  // A boolean rung from its table: the slots its parts leave, the coil's power flow in
  // the lowest; on a stack too full the first contact's record reports the overflow.
#define RUNG(S, J, contacts, deepest)                                      \
  rung_##S##_##J : {                                                       \
    if (bsp > kBitStackSize - deepest) {                                   \
      ++r;                                                                 \
      NEXT();                                                              \
    }                                                                      \
    uint32_t k = RungOn(r->a) | RungOn(r->b) << 1;                         \
    if (contacts == 3) k |= RungOn(r->c) << 2;                             \
    const uint32_t row = arena::rung_tables[r->opcode][k];                 \
    std::memcpy(bits + bsp, &row, 2);                                      \
    if (deepest == 3) bits[bsp + 2] = uint8_t(row >> 16);                  \
    CoilAt<J>(r->d & kRungByte, RungMask(r->d), uint8_t(row));             \
    r += rung_records;                                                     \
    NEXT();                                                                \
  }
  // The entries by record count: the count, a constant here, is the step past the
  // rung's parts.
#define RUNG_ENTRY(N, S, J) \
  rung##N##_##S##_##J :     \
  rung_records = N;         \
  goto rung_##S##_##J;
#define RUNG_COILS(S, contacts, deepest)                                                            \
  RUNG(S, 0, contacts, deepest) RUNG(S, 1, contacts, deepest) RUNG(S, 2, contacts, deepest)          \
  RUNG(S, 3, contacts, deepest) RUNG(S, 4, contacts, deepest) RUNG(S, 5, contacts, deepest)
  RUNG_COILS(0, 2, 2)
  RUNG_COILS(1, 3, 2)
  RUNG_COILS(2, 3, 3)
#define RUNG_ENTRIES(N, S) \
  RUNG_ENTRY(N, S, 0) RUNG_ENTRY(N, S, 1) RUNG_ENTRY(N, S, 2) RUNG_ENTRY(N, S, 3) RUNG_ENTRY(N, S, 4) RUNG_ENTRY(N, S, 5)
#define RUNGS(N) RUNG_ENTRIES(N, 0) RUNG_ENTRIES(N, 1) RUNG_ENTRIES(N, 2)
  RUNGS(6)
  RUNGS(7)
  RUNGS(8)
  RUNGS(9)
  RUNGS(10)
#undef RUNG_ENTRIES
#undef RUNG_ENTRY
#undef RUNGS
#undef RUNG_COILS
#undef RUNG

  // A contact and the instruction that takes its power flow. The contact's slot keeps
  // its value where the instruction pops it.
c_jump : {
  if (bsp == kBitStackSize) {
    ++r;
    NEXT();
  }
  const uint8_t flow = OnMask(plc_reg[r->d] & r->b);
  bits[bsp] = flow;
  if (flow == 0) {
    r += 3;
    NEXT();
  }
  if (r->a != 0 && ++m.backward_jumps > kBackwardJumpLimit) {
    ++r;  // the jump's own record reports the endless loop
    NEXT();
  }
  r = &records[r->c];
  NEXT();
}
  // Taken (the first contact on): its slot keeps 0xFF and the coil is left alone; else
  // the second contact's flow takes the slot and the coil.
jump_over_coil : {
  if (bsp == kBitStackSize) {
    ++r;
    NEXT();
  }
  const uint8_t taken = OnMask(plc_reg[r->a] & r->b);
  const uint8_t flow = OnMask(plc_reg[r->c] & r->b >> 8);
  bits[bsp] = taken | flow;
  uint8_t& q = plc_reg[r->d >> 8];
  const uint8_t mask = uint8_t(r->d & ~taken);
  q = uint8_t((q & ~mask) | (flow & mask));
  r += 5;
  NEXT();
}
  // Skipped (the first contact off): its slot keeps 0, the slot above it is left alone
  // and the coil goes off; else the operator's slots and the coil from the lower. The
  // slot above is stored only when written, never read back: a blend with its old value
  // would chain every skip to the store of the one before.
#define SKIP_TO_COIL(I)                                                                          \
  skip_to_coil##I : {                                                                            \
    if (bsp + 2 > kBitStackSize) {                                                               \
      ++r;                                                                                       \
      NEXT();                                                                                    \
    }                                                                                            \
    const uint8_t on = OnMask(plc_reg[r->a] & r->b);                                             \
    const uint32_t k = uint32_t(on & 1) | uint32_t((plc_reg[r->c] & r->b >> 8) != 0) << 1;       \
    const uint16_t pair = kContactPairs[I][k];                                                   \
    const uint8_t low = uint8_t(pair & on);                                                      \
    bits[bsp] = low;                                                                             \
    if (on != 0) bits[bsp + 1] = uint8_t(pair >> 8);                                             \
    CoilAt<0>(r->d, low);                                                                        \
    r += 6;                                                                                      \
    NEXT();                                                                                      \
  }
  SKIP_TO_COIL(3)
  SKIP_TO_COIL(4)
  SKIP_TO_COIL(7)
  SKIP_TO_COIL(8)
  SKIP_TO_COIL(9)
  SKIP_TO_COIL(10)
#undef SKIP_TO_COIL
c_skip : {
  if (bsp == kBitStackSize) {
    ++r;
    NEXT();
  }
  const uint8_t flow = OnMask(plc_reg[r->d] & r->b);
  bits[bsp++] = flow;
  r = flow == 0 ? &records[r->c] : r + 3;
  NEXT();
}
c_call : {
  if (bsp == kBitStackSize) {
    ++r;
    NEXT();
  }
  const uint8_t flow = OnMask(plc_reg[r->d] & r->b);
  bits[bsp] = flow;
  if (flow == 0) {
    r += 3;
    NEXT();
  }
  if (m.depth == kCallDepth) {
    ++r;
    NEXT();
  }
  m.calls[m.depth++] = r->a;
  r = &records[r->c];
  NEXT();
}
c_ret : {
  if (bsp == kBitStackSize) {
    ++r;
    NEXT();
  }
  const uint8_t flow = OnMask(plc_reg[r->d] & r->b);
  bits[bsp] = flow;
  if (flow == 0) {
    r += 3;
    NEXT();
  }
  if (m.depth == 0) {
    ++r;
    NEXT();
  }
  RETURN();
}
  // A contact's bit (byte << 3 | bit) and a timer or counter.
#define BIT_ON(x) OnMask(plc_reg[(x) >> 3] & (1u << ((x) & 7)))
#define CONTACT_TIMER(I)                               \
  ct##I : {                                            \
    if (bsp == kBitStackSize) {                        \
      ++r;                                             \
      NEXT();                                          \
    }                                                  \
    bits[bsp] = Timer<I>(*r, BIT_ON(r->d));            \
    ++bsp;                                             \
    r += 3;                                            \
    NEXT();                                            \
  }
  CONTACT_TIMER(0)
  CONTACT_TIMER(1)
  CONTACT_TIMER(2)
  CONTACT_TIMER(3)
  CONTACT_TIMER(4)
  CONTACT_TIMER(5)
  CONTACT_TIMER(6)
  CONTACT_TIMER(7)
  CONTACT_TIMER(8)
  CONTACT_TIMER(9)
  CONTACT_TIMER(10)
  CONTACT_TIMER(11)
  CONTACT_TIMER(12)
  CONTACT_TIMER(13)
  CONTACT_TIMER(14)
  CONTACT_TIMER(15)
  CONTACT_TIMER(16)
  CONTACT_TIMER(17)
  CONTACT_TIMER(18)
  CONTACT_TIMER(19)
  CONTACT_TIMER(20)
  CONTACT_TIMER(21)
  CONTACT_TIMER(22)
  CONTACT_TIMER(23)
#undef CONTACT_TIMER
  // The same with the plain coil after the timer: the coil pops what the timer left.
#define CONTACT_TIMER_COIL(I)                                    \
  ctc##I : {                                                     \
    if (bsp == kBitStackSize) {                                  \
      ++r;                                                       \
      NEXT();                                                    \
    }                                                            \
    const uint8_t out = Timer<I>(*r, BIT_ON(r->d));              \
    bits[bsp] = out;                                             \
    CoilAt<0>(ExtraOf(*r).e, out);                               \
    r += 4;                                                      \
    NEXT();                                                      \
  }
  CONTACT_TIMER_COIL(0)
  CONTACT_TIMER_COIL(1)
  CONTACT_TIMER_COIL(2)
  CONTACT_TIMER_COIL(3)
  CONTACT_TIMER_COIL(4)
  CONTACT_TIMER_COIL(5)
  CONTACT_TIMER_COIL(6)
  CONTACT_TIMER_COIL(7)
  CONTACT_TIMER_COIL(8)
  CONTACT_TIMER_COIL(9)
  CONTACT_TIMER_COIL(10)
  CONTACT_TIMER_COIL(11)
  CONTACT_TIMER_COIL(12)
  CONTACT_TIMER_COIL(13)
  CONTACT_TIMER_COIL(14)
  CONTACT_TIMER_COIL(15)
  CONTACT_TIMER_COIL(16)
  CONTACT_TIMER_COIL(17)
  CONTACT_TIMER_COIL(18)
  CONTACT_TIMER_COIL(19)
  CONTACT_TIMER_COIL(20)
  CONTACT_TIMER_COIL(21)
  CONTACT_TIMER_COIL(22)
  CONTACT_TIMER_COIL(23)
#undef CONTACT_TIMER_COIL
c_counter : {
  if (bsp == kBitStackSize) {
    ++r;
    NEXT();
  }
  bits[bsp] = Counter16(*r, r->opcode >= 202, BIT_ON(r->d));
  ++bsp;
  r += 3;
  NEXT();
}
#undef BIT_ON
#define TIMER(I)                   \
  tm##I : {                        \
    if (bsp == 0) goto careful;    \
    uint8_t& top = bits[bsp - 1];  \
    top = Timer<I>(*r, top);       \
    ++r;                           \
    NEXT();                        \
  }
  TIMER(0)
  TIMER(1)
  TIMER(2)
  TIMER(3)
  TIMER(4)
  TIMER(5)
  TIMER(6)
  TIMER(7)
  TIMER(8)
  TIMER(9)
  TIMER(10)
  TIMER(11)
  TIMER(12)
  TIMER(13)
  TIMER(14)
  TIMER(15)
  TIMER(16)
  TIMER(17)
  TIMER(18)
  TIMER(19)
  TIMER(20)
  TIMER(21)
  TIMER(22)
  TIMER(23)
#undef TIMER
#undef NEXT
#undef SYNC
#undef LOAD
#undef RETURN
}
#undef KEEP_DISPATCH_COPIES

}  // namespace logic
