// The interpreter's run loop. On an image checked against its database (hot_forms.h),
// the hot forms run inline on the areas and code held in locals, checking only what
// depends on run-time values: indexed elements, divisors, absolute jump targets and the
// backward-jump budget. Everything else runs through the careful path (Step): the other
// families, positions the check did not pass, the execution buffer, an image that was
// not checked, and a hot form whose run-time check fails or that meets one of the
// careful path's special cases (a division by zero, a locked destination, the last
// backward jump of the budget). A hot form that goes careful has changed nothing yet,
// so the careful path executes and reports it exactly.
#include <cstdint>

#include "hot_forms.h"
#include "iec_runtime/interpreter.h"
#include "vm_runner.h"

namespace n4vm {
namespace {

// Operand access: the check has put the index inside the area.
template <typename T>
T Get(const Area& a, uint32_t i) {
  return Ld<T>(a.p + sizeof(T) * i);
}
template <typename T>
void Put(const Area& a, uint32_t i, T v) {
  St<T>(a.p + sizeof(T) * i, v);
}

// The careful path's division results where C++ leaves them undefined or x86 traps; a
// zero divisor never comes here.
inline int32_t Quotient(int32_t a, int32_t b) { return (a == INT32_MIN && b == -1) ? INT32_MIN : a / b; }
inline int64_t Quotient(int64_t a, int64_t b) { return (a == INT64_MIN && b == -1) ? INT64_MIN : a / b; }
inline int16_t Quotient(int16_t a, int16_t b) { return int16_t(int32_t(a) / int32_t(b)); }
inline uint8_t Quotient(uint8_t a, uint8_t b) { return uint8_t(a / b); }
inline float Quotient(float a, float b) { return a / b; }
inline double Quotient(double a, double b) { return a / b; }

// The run's areas, held in locals by the loop.
struct Areas {
  Area a8, a16, a32, a64, at, lk;
};

template <typename T, typename F>
[[gnu::always_inline]] inline void Binary(const Area& a, const uint16_t* o, F f) {
  Put<T>(a, o[0], T(f(Get<T>(a, o[1]), Get<T>(a, o[2]))));
}

// False for a zero divisor, which the careful path logs (or leaves).
template <typename T>
[[gnu::always_inline]] inline bool Divide(const Area& a, const uint16_t* o) {
  const T b = Get<T>(a, o[2]);
  if (b == T(0)) return false;
  Put<T>(a, o[0], Quotient(Get<T>(a, o[1]), b));
  return true;
}

template <typename T, typename F>
[[gnu::always_inline]] inline void Unary(const Area& a, const uint16_t* o, F f) {
  Put<T>(a, o[0], T(f(Get<T>(a, o[1]))));
}

template <typename T, typename F>
[[gnu::always_inline]] inline void Compare(const Area& a8, const Area& a, const uint16_t* o, F f) {
  a8.p[o[0]] = f(Get<T>(a, o[1]), Get<T>(a, o[2])) ? 1 : 0;
}

template <typename T>
[[gnu::always_inline]] inline void Move(const Area& a, const uint16_t* o) {
  Put<T>(a, o[0], Get<T>(a, o[1]));
}

// The element base + index of an area, the index a DINT variable; false when outside.
inline bool Element(const Area& a32, uint32_t base, uint32_t index_var, uint32_t count, uint32_t* e) {
  const int64_t at = int64_t(base) + Get<int32_t>(a32, index_var);
  if (at < 0 || at >= int64_t(count)) return false;
  *e = uint32_t(at);
  return true;
}

template <typename T>
[[gnu::always_inline]] inline bool LoadIndexed(const Area& a, const Area& a32, const uint16_t* o) {
  uint32_t e;
  if (!Element(a32, o[1], o[2], a.n, &e)) return false;
  Put<T>(a, o[0], Get<T>(a, e));
  return true;
}

template <typename T>
[[gnu::always_inline]] inline bool StoreIndexed(const Area& a, const Area& a32, const uint16_t* o) {
  uint32_t e;
  if (!Element(a32, o[0], o[1], a.n, &e)) return false;
  Put<T>(a, e, Get<T>(a, o[2]));
  return true;
}

template <typename T>
[[gnu::always_inline]] inline void Constant(const Area& a, uint32_t d, T v) {
  Put<T>(a, d, v);
}

// A kind's length, a constant in each case of the loop: the next position never waits
// for a load.
constexpr uint32_t Words(Kind k) { return kHotTable.words[k]; }
static_assert(Words(kJt) == Words(kJf) && Words(kJat) == Words(kJaf), "conditional jumps share one case");

inline uint32_t K32(const uint16_t* o) { return uint32_t(o[0]) | uint32_t(o[1]) << 16; }
inline uint64_t K64(const uint16_t* o) { return uint64_t(K32(o)) | uint64_t(K32(o + 2)) << 32; }

}  // namespace

void Runner::Loop() {
  // The areas never move during a run. In locals, the compiler keeps them in registers
  // across the stores into the database, which may alias any member.
  const Areas s{a8_, a16_, a32_, a64_, at_, lk_};
  const uint8_t* const checked = HotKinds(image_, image_size_, db_, {a8_.n, a16_.n, a32_.n, a64_.n, at_.n});
  const uint16_t* w;
  const uint8_t* kinds;
  uint32_t nwords, base, pc;
  // A backward jump spends one of the run's budget (its last one is the careful path's
  // to refuse).
  auto spend = [&](uint32_t target) {
    if (target > pc) return true;
    if (jumps_left_ == 0) return false;
    --jumps_left_;
    return true;
  };
  // An absolute target must be even and inside the code.
  auto absolute = [&](uint32_t offset, uint32_t* next) {
    const uint64_t target = uint64_t(base) * 2 + offset;
    if ((target & 1) || target >= uint64_t(nwords) * 2 || !spend(uint32_t(target / 2))) return false;
    *next = uint32_t(target / 2);
    return true;
  };
  // A relative target is even and inside the code (checked with the image).
  auto relative = [&](uint16_t offset, uint32_t next_pc, uint32_t* next) {
    const uint32_t target = uint32_t(int64_t(next_pc) * 2 + int16_t(offset)) / 2;
    if (!spend(target)) return false;
    *next = target;
    return true;
  };
  for (;;) {
    // A new code view (the start, a call, a return): the execution buffer and an image
    // that was not checked run the careful way.
    w = w_;
    nwords = nwords_;
    base = base_;
    pc = pc_;
    kinds = prog_ != 0 ? checked : nullptr;
    if (kinds == nullptr) {
      if (!Step()) return;
      continue;
    }
    for (;;) {
      // Here pc < nwords, and a hot kind at pc has its words and the next opcode inside.
      Kind kind = Kind(kinds[pc]);
      const uint16_t* o = w + pc + 1;
      if (kind == kRespecting) {
        const HotForm& f = kHotTable.form[w[pc]];
        const bool locked = o[0] < s.lk.n && (s.lk.p[o[0]] & f.lock) != 0;
        kind = locked ? kCareful : f.kind;
      }
      switch (kind) {
        // DINT (wrapping), REAL
        case kAddD:
          Binary<int32_t>(s.a32, o, [](int32_t a, int32_t b) { return uint32_t(a) + uint32_t(b); });
          pc += Words(kAddD);
          continue;
        case kSubD:
          Binary<int32_t>(s.a32, o, [](int32_t a, int32_t b) { return uint32_t(a) - uint32_t(b); });
          pc += Words(kSubD);
          continue;
        case kMulD:
          Binary<int32_t>(s.a32, o, [](int32_t a, int32_t b) { return uint32_t(a) * uint32_t(b); });
          pc += Words(kMulD);
          continue;
        case kDivD:
          if (!Divide<int32_t>(s.a32, o)) break;
          pc += Words(kDivD);
          continue;
        case kNegD:
          Unary<int32_t>(s.a32, o, [](int32_t a) { return 0u - uint32_t(a); });
          pc += Words(kNegD);
          continue;
        case kGtD:
          Compare<int32_t>(s.a8, s.a32, o, [](int32_t a, int32_t b) { return a > b; });
          pc += Words(kGtD);
          continue;
        case kGeD:
          Compare<int32_t>(s.a8, s.a32, o, [](int32_t a, int32_t b) { return a >= b; });
          pc += Words(kGeD);
          continue;
        case kEqD:
          Compare<int32_t>(s.a8, s.a32, o, [](int32_t a, int32_t b) { return a == b; });
          pc += Words(kEqD);
          continue;
        case kNeD:
          Compare<int32_t>(s.a8, s.a32, o, [](int32_t a, int32_t b) { return a != b; });
          pc += Words(kNeD);
          continue;
        case kAddR:
          Binary<float>(s.a32, o, [](float a, float b) { return a + b; });
          pc += Words(kAddR);
          continue;
        case kSubR:
          Binary<float>(s.a32, o, [](float a, float b) { return a - b; });
          pc += Words(kSubR);
          continue;
        case kMulR:
          Binary<float>(s.a32, o, [](float a, float b) { return a * b; });
          pc += Words(kMulR);
          continue;
        case kDivR:
          if (!Divide<float>(s.a32, o)) break;
          pc += Words(kDivR);
          continue;
        case kNegR:
          Unary<float>(s.a32, o, [](float a) { return -a; });
          pc += Words(kNegR);
          continue;
        case kGtR:
          Compare<float>(s.a8, s.a32, o, [](float a, float b) { return a > b; });
          pc += Words(kGtR);
          continue;
        case kGeR:
          Compare<float>(s.a8, s.a32, o, [](float a, float b) { return a >= b; });
          pc += Words(kGeR);
          continue;
        case kEqR:
          Compare<float>(s.a8, s.a32, o, [](float a, float b) { return a == b; });
          pc += Words(kEqR);
          continue;
        case kNeR:
          Compare<float>(s.a8, s.a32, o, [](float a, float b) { return a != b; });
          pc += Words(kNeR);
          continue;
        // TIME: addition wraps, subtraction stops at 0.
        case kAddT:
          Binary<uint32_t>(s.at, o, [](uint32_t a, uint32_t b) { return a + b; });
          pc += Words(kAddT);
          continue;
        case kSubT:
          Binary<uint32_t>(s.at, o, [](uint32_t a, uint32_t b) { return a < b ? 0u : a - b; });
          pc += Words(kSubT);
          continue;
        case kGtT:
          Compare<uint32_t>(s.a8, s.at, o, [](uint32_t a, uint32_t b) { return a > b; });
          pc += Words(kGtT);
          continue;
        case kGeT:
          Compare<uint32_t>(s.a8, s.at, o, [](uint32_t a, uint32_t b) { return a >= b; });
          pc += Words(kGeT);
          continue;
        case kEqT:
          Compare<uint32_t>(s.a8, s.at, o, [](uint32_t a, uint32_t b) { return a == b; });
          pc += Words(kEqT);
          continue;
        case kNeT:
          Compare<uint32_t>(s.a8, s.at, o, [](uint32_t a, uint32_t b) { return a != b; });
          pc += Words(kNeT);
          continue;
        // BOOL
        case kOr:
          Binary<uint8_t>(s.a8, o, [](uint8_t a, uint8_t b) { return a != 0 || b != 0; });
          pc += Words(kOr);
          continue;
        case kAnd:
          Binary<uint8_t>(s.a8, o, [](uint8_t a, uint8_t b) { return a != 0 && b != 0; });
          pc += Words(kAnd);
          continue;
        case kXor:
          Binary<uint8_t>(s.a8, o, [](uint8_t a, uint8_t b) { return (a != 0) != (b != 0); });
          pc += Words(kXor);
          continue;
        case kNot:
          Unary<uint8_t>(s.a8, o, [](uint8_t a) { return a == 0; });
          pc += Words(kNot);
          continue;
        case kEqB:
          Compare<uint8_t>(s.a8, s.a8, o, [](uint8_t a, uint8_t b) { return (a != 0) == (b != 0); });
          pc += Words(kEqB);
          continue;
        case kNeB:
          Compare<uint8_t>(s.a8, s.a8, o, [](uint8_t a, uint8_t b) { return (a != 0) != (b != 0); });
          pc += Words(kNeB);
          continue;
        // LINT (wrapping), LREAL
        case kAddL:
          Binary<int64_t>(s.a64, o, [](int64_t a, int64_t b) { return uint64_t(a) + uint64_t(b); });
          pc += Words(kAddL);
          continue;
        case kSubL:
          Binary<int64_t>(s.a64, o, [](int64_t a, int64_t b) { return uint64_t(a) - uint64_t(b); });
          pc += Words(kSubL);
          continue;
        case kMulL:
          Binary<int64_t>(s.a64, o, [](int64_t a, int64_t b) { return uint64_t(a) * uint64_t(b); });
          pc += Words(kMulL);
          continue;
        case kDivL:
          if (!Divide<int64_t>(s.a64, o)) break;
          pc += Words(kDivL);
          continue;
        case kNegL:
          Unary<int64_t>(s.a64, o, [](int64_t a) { return 0u - uint64_t(a); });
          pc += Words(kNegL);
          continue;
        case kGtL:
          Compare<int64_t>(s.a8, s.a64, o, [](int64_t a, int64_t b) { return a > b; });
          pc += Words(kGtL);
          continue;
        case kGeL:
          Compare<int64_t>(s.a8, s.a64, o, [](int64_t a, int64_t b) { return a >= b; });
          pc += Words(kGeL);
          continue;
        case kEqL:
          Compare<int64_t>(s.a8, s.a64, o, [](int64_t a, int64_t b) { return a == b; });
          pc += Words(kEqL);
          continue;
        case kNeL:
          Compare<int64_t>(s.a8, s.a64, o, [](int64_t a, int64_t b) { return a != b; });
          pc += Words(kNeL);
          continue;
        case kAddLR:
          Binary<double>(s.a64, o, [](double a, double b) { return a + b; });
          pc += Words(kAddLR);
          continue;
        case kSubLR:
          Binary<double>(s.a64, o, [](double a, double b) { return a - b; });
          pc += Words(kSubLR);
          continue;
        case kMulLR:
          Binary<double>(s.a64, o, [](double a, double b) { return a * b; });
          pc += Words(kMulLR);
          continue;
        case kDivLR:
          if (!Divide<double>(s.a64, o)) break;
          pc += Words(kDivLR);
          continue;
        case kNegLR:
          Unary<double>(s.a64, o, [](double a) { return -a; });
          pc += Words(kNegLR);
          continue;
        case kGtLR:
          Compare<double>(s.a8, s.a64, o, [](double a, double b) { return a > b; });
          pc += Words(kGtLR);
          continue;
        case kGeLR:
          Compare<double>(s.a8, s.a64, o, [](double a, double b) { return a >= b; });
          pc += Words(kGeLR);
          continue;
        case kEqLR:
          Compare<double>(s.a8, s.a64, o, [](double a, double b) { return a == b; });
          pc += Words(kEqLR);
          continue;
        case kNeLR:
          Compare<double>(s.a8, s.a64, o, [](double a, double b) { return a != b; });
          pc += Words(kNeLR);
          continue;
        // INT (16-bit, wrapping), SINT (an unsigned byte)
        case kAddI:
          Binary<int16_t>(s.a16, o, [](int16_t a, int16_t b) { return int32_t(a) + int32_t(b); });
          pc += Words(kAddI);
          continue;
        case kSubI:
          Binary<int16_t>(s.a16, o, [](int16_t a, int16_t b) { return int32_t(a) - int32_t(b); });
          pc += Words(kSubI);
          continue;
        case kMulI:
          Binary<int16_t>(s.a16, o, [](int16_t a, int16_t b) { return int32_t(a) * int32_t(b); });
          pc += Words(kMulI);
          continue;
        case kDivI:
          if (!Divide<int16_t>(s.a16, o)) break;
          pc += Words(kDivI);
          continue;
        case kNegI:
          Unary<int16_t>(s.a16, o, [](int16_t a) { return 0 - int32_t(a); });
          pc += Words(kNegI);
          continue;
        case kGtI:
          Compare<int16_t>(s.a8, s.a16, o, [](int16_t a, int16_t b) { return a > b; });
          pc += Words(kGtI);
          continue;
        case kGeI:
          Compare<int16_t>(s.a8, s.a16, o, [](int16_t a, int16_t b) { return a >= b; });
          pc += Words(kGeI);
          continue;
        case kEqI:
          Compare<int16_t>(s.a8, s.a16, o, [](int16_t a, int16_t b) { return a == b; });
          pc += Words(kEqI);
          continue;
        case kNeI:
          Compare<int16_t>(s.a8, s.a16, o, [](int16_t a, int16_t b) { return a != b; });
          pc += Words(kNeI);
          continue;
        case kAddSI:
          Binary<uint8_t>(s.a8, o, [](uint8_t a, uint8_t b) { return unsigned(a) + unsigned(b); });
          pc += Words(kAddSI);
          continue;
        case kSubSI:
          Binary<uint8_t>(s.a8, o, [](uint8_t a, uint8_t b) { return unsigned(a) - unsigned(b); });
          pc += Words(kSubSI);
          continue;
        case kMulSI:
          Binary<uint8_t>(s.a8, o, [](uint8_t a, uint8_t b) { return unsigned(a) * unsigned(b); });
          pc += Words(kMulSI);
          continue;
        case kDivSI:
          if (!Divide<uint8_t>(s.a8, o)) break;
          pc += Words(kDivSI);
          continue;
        case kNegSI:
          Unary<uint8_t>(s.a8, o, [](uint8_t a) { return 0u - a; });
          pc += Words(kNegSI);
          continue;
        case kGtSI:
          Compare<uint8_t>(s.a8, s.a8, o, [](uint8_t a, uint8_t b) { return a > b; });
          pc += Words(kGtSI);
          continue;
        case kGeSI:
          Compare<uint8_t>(s.a8, s.a8, o, [](uint8_t a, uint8_t b) { return a >= b; });
          pc += Words(kGeSI);
          continue;
        case kEqSI:
          Compare<uint8_t>(s.a8, s.a8, o, [](uint8_t a, uint8_t b) { return a == b; });
          pc += Words(kEqSI);
          continue;
        case kNeSI:
          Compare<uint8_t>(s.a8, s.a8, o, [](uint8_t a, uint8_t b) { return a != b; });
          pc += Words(kNeSI);
          continue;
        // Copies, indexed reads and writes
        case kMov8:
          Move<uint8_t>(s.a8, o);
          pc += Words(kMov8);
          continue;
        case kMov16:
          Move<uint16_t>(s.a16, o);
          pc += Words(kMov16);
          continue;
        case kMov32:
          Move<uint32_t>(s.a32, o);
          pc += Words(kMov32);
          continue;
        case kMov64:
          Move<uint64_t>(s.a64, o);
          pc += Words(kMov64);
          continue;
        case kMovT:
          Move<uint32_t>(s.at, o);
          pc += Words(kMovT);
          continue;
        case kLdx8:
          if (!LoadIndexed<uint8_t>(s.a8, s.a32, o)) break;
          pc += Words(kLdx8);
          continue;
        case kLdx16:
          if (!LoadIndexed<uint16_t>(s.a16, s.a32, o)) break;
          pc += Words(kLdx16);
          continue;
        case kLdx32:
          if (!LoadIndexed<uint32_t>(s.a32, s.a32, o)) break;
          pc += Words(kLdx32);
          continue;
        case kLdx64:
          if (!LoadIndexed<uint64_t>(s.a64, s.a32, o)) break;
          pc += Words(kLdx64);
          continue;
        case kLdxT:
          if (!LoadIndexed<uint32_t>(s.at, s.a32, o)) break;
          pc += Words(kLdxT);
          continue;
        case kStx8:
          if (!StoreIndexed<uint8_t>(s.a8, s.a32, o)) break;
          pc += Words(kStx8);
          continue;
        case kStx16:
          if (!StoreIndexed<uint16_t>(s.a16, s.a32, o)) break;
          pc += Words(kStx16);
          continue;
        case kStx32:
          if (!StoreIndexed<uint32_t>(s.a32, s.a32, o)) break;
          pc += Words(kStx32);
          continue;
        case kStx64:
          if (!StoreIndexed<uint64_t>(s.a64, s.a32, o)) break;
          pc += Words(kStx64);
          continue;
        case kStxT:
          if (!StoreIndexed<uint32_t>(s.at, s.a32, o)) break;
          pc += Words(kStxT);
          continue;
        // Immediates
        case kSet1:
          Constant<uint8_t>(s.a8, o[0], 1);
          pc += Words(kSet1);
          continue;
        case kSet0:
          Constant<uint8_t>(s.a8, o[0], 0);
          pc += Words(kSet0);
          continue;
        case kImm8:
          Constant<uint8_t>(s.a8, o[0], uint8_t(o[1]));
          pc += Words(kImm8);
          continue;
        case kImm16:
          Constant<uint16_t>(s.a16, o[0], o[1]);
          pc += Words(kImm16);
          continue;
        case kImm32:
          Constant<uint32_t>(s.a32, o[0], K32(o + 1));
          pc += Words(kImm32);
          continue;
        case kImm64:
          Constant<uint64_t>(s.a64, o[0], K64(o + 1));
          pc += Words(kImm64);
          continue;
        case kImmT:
          Constant<uint32_t>(s.at, o[0], K32(o + 1));
          pc += Words(kImmT);
          continue;
        // Jumps: relative to the next instruction, or absolute in the program.
        case kJt:
        case kJf:
          if ((s.a8.p[o[0]] != 0) != (kind == kJt)) {
            pc += Words(kJt);
            continue;
          }
          if (!relative(o[1], pc + Words(kJt), &pc)) break;
          continue;
        case kJmp:
          if (!relative(o[0], pc + Words(kJmp), &pc)) break;
          continue;
        case kJa:
          if (!absolute(o[0], &pc)) break;
          continue;
        case kJaf:
        case kJat:
          if ((s.a8.p[o[0]] != 0) != (kind == kJat)) {
            pc += Words(kJat);
            continue;
          }
          if (!absolute(o[1], &pc)) break;
          continue;
        case kJeq:
          if (Get<int32_t>(s.a32, o[0]) != Get<int32_t>(s.a32, o[1])) {
            pc += Words(kJeq);
            continue;
          }
          if (!absolute(o[2], &pc)) break;
          continue;
        case kCareful:
        case kRespecting:
        case kKinds: break;
      }
      break;  // to the careful path, which executes and reports the instruction at pc
    }
    pc_ = pc;
    if (!Step()) return;
  }
}

}  // namespace n4vm
