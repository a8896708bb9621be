// The interpreter's run loop. The hot forms (arithmetic, compares, copies, indexed
// access, immediates and jumps of the fixed-width types) run inline on the areas and
// code held in locals, with the same checks as the careful path: the instruction and the
// opcode after it lie inside the code, every operand index inside its area, every
// computed element and jump target inside its area or code. An instruction that fails
// one of them, or that would take the careful path's special cases (a division by
// zero, an immediate for the CT segment, the last jump of the budget), has changed
// nothing yet and runs through the careful path (Step), which reports it exactly.
#include <cstdint>
#include <initializer_list>

#include "iec_runtime/interpreter.h"
#include "opcode_table.h"
#include "vm_runner.h"

namespace n4vm {
namespace {

// The hot forms: one kind for an opcode and its lock-respecting twin.
enum Kind : uint8_t {
  kCareful,
  kAddD, kSubD, kMulD, kDivD, kNegD, kGtD, kGeD, kEqD, kNeD,
  kAddR, kSubR, kMulR, kDivR, kNegR, kGtR, kGeR, kEqR, kNeR,
  kAddT, kSubT, kGtT, kGeT, kEqT, kNeT,
  kOr, kAnd, kXor, kNot, kEqB, kNeB,
  kAddL, kSubL, kMulL, kDivL, kNegL, kGtL, kGeL, kEqL, kNeL,
  kAddLR, kSubLR, kMulLR, kDivLR, kNegLR, kGtLR, kGeLR, kEqLR, kNeLR,
  kAddI, kSubI, kMulI, kDivI, kNegI, kGtI, kGeI, kEqI, kNeI,
  kAddSI, kSubSI, kMulSI, kDivSI, kNegSI, kGtSI, kGeSI, kEqSI, kNeSI,
  kMov8, kMov16, kMov32, kMov64, kMovT,
  kLdx8, kLdx16, kLdx32, kLdx64, kLdxT,
  kStx8, kStx16, kStx32, kStx64, kStxT,
  kSet1, kSet0, kImm8, kImm16, kImm32, kImm64, kImmT,
  kJt, kJf, kJmp, kJa, kJaf, kJat, kJeq,
};

struct HotEntry {
  uint16_t plain, respecting;  // the same opcode twice where there is no twin
  Kind kind;
};

constexpr HotEntry kHot[] = {
    {8, 117, kAddD}, {12, 120, kSubD}, {4, 113, kMulD}, {6, 115, kDivD}, {1, 110, kNegD},
    {19, 126, kGtD}, {27, 134, kGeD}, {31, 138, kEqD}, {36, 143, kNeD},
    {9, 118, kAddR}, {13, 121, kSubR}, {5, 114, kMulR}, {7, 116, kDivR}, {2, 111, kNegR},
    {20, 127, kGtR}, {28, 135, kGeR}, {32, 139, kEqR}, {37, 144, kNeR},
    {10, 283, kAddT}, {14, 284, kSubT}, {21, 129, kGtT}, {29, 137, kGeT}, {33, 142, kEqT}, {38, 147, kNeT},
    {41, 148, kOr}, {42, 149, kAnd}, {43, 150, kXor}, {3, 112, kNot}, {35, 141, kEqB}, {40, 146, kNeB},
    {295, 294, kAddL}, {297, 296, kSubL}, {291, 290, kMulL}, {293, 292, kDivL}, {289, 288, kNegL},
    {301, 300, kGtL}, {305, 304, kGeL}, {307, 306, kEqL}, {309, 308, kNeL},
    {327, 326, kAddLR}, {329, 328, kSubLR}, {323, 322, kMulLR}, {325, 324, kDivLR}, {321, 320, kNegLR},
    {333, 332, kGtLR}, {337, 336, kGeLR}, {339, 338, kEqLR}, {341, 340, kNeLR},
    {355, 354, kAddI}, {357, 356, kSubI}, {351, 350, kMulI}, {353, 352, kDivI}, {349, 348, kNegI},
    {361, 360, kGtI}, {365, 364, kGeI}, {367, 366, kEqI}, {369, 368, kNeI},
    {383, 382, kAddSI}, {385, 384, kSubSI}, {379, 378, kMulSI}, {381, 380, kDivSI}, {377, 376, kNegSI},
    {389, 388, kGtSI}, {393, 392, kGeSI}, {395, 394, kEqSI}, {397, 396, kNeSI},
    {44, 151, kMov8}, {399, 398, kMov8}, {371, 370, kMov16}, {45, 152, kMov32}, {46, 153, kMov32},
    {311, 310, kMov64}, {343, 342, kMov64}, {47, 155, kMovT},
    {55, 161, kLdx8}, {401, 400, kLdx8}, {373, 372, kLdx16}, {56, 162, kLdx32}, {57, 163, kLdx32},
    {313, 312, kLdx64}, {345, 344, kLdx64}, {58, 164, kLdxT},
    {60, 166, kStx8}, {403, 402, kStx8}, {375, 374, kStx16}, {61, 167, kStx32}, {62, 168, kStx32},
    {315, 314, kStx64}, {347, 346, kStx64}, {63, 169, kStxT},
    {261, 263, kSet1}, {262, 264, kSet0}, {404, 405, kImm8}, {267, 268, kImm16}, {271, 272, kImm32},
    {317, 316, kImm64}, {279, 280, kImmT},
    {65, 65, kJt}, {66, 66, kJf}, {67, 67, kJmp}, {528, 528, kJa}, {529, 529, kJaf}, {530, 530, kJat},
    {544, 544, kJeq},
};

// Per opcode: its hot kind, its length in words (the operand table's), so the loop
// checks an instruction's extent with one comparison, and whether it respects locks.
struct HotForm {
  Kind kind = kCareful;
  uint8_t words = 1;
  bool respect = false;
};
struct HotTable {
  HotForm form[kOpMax + 1] = {};
  constexpr HotTable() {
    for (const HotEntry& e : kHot) {
      for (uint16_t op : {e.plain, e.respecting}) {
        form[op].kind = e.kind;
        form[op].words = uint8_t(1 + table::kTable.form[op].fixed);
        form[op].respect = op == e.respecting && e.respecting != e.plain;
      }
    }
  }
};
constexpr HotTable kHotTable;

constexpr bool EveryHotFormIsFixed() {
  for (const HotEntry& e : kHot)
    for (uint16_t op : {e.plain, e.respecting})
      if (!IsValid(op) || table::kTable.form[op].count_at >= 0) return false;
  return true;
}
static_assert(EveryHotFormIsFixed(), "a hot form has a fixed operand list");

// Operand access on the locals: the caller has checked the index against the area.
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
  bool Locked(uint32_t i, uint8_t bit) const { return i < lk.n && (lk.p[i] & bit) != 0; }
};

// Each form answers false, having changed nothing, when an operand is outside its area.
template <typename T, typename F>
[[gnu::always_inline]] inline bool Binary(const Areas& s, const Area& a, uint8_t bit, bool respect,
                                          const uint16_t* o, F f) {
  const uint32_t d = o[0], x = o[1], y = o[2];
  if (d >= a.n || x >= a.n || y >= a.n) return false;
  const T r = T(f(Get<T>(a, x), Get<T>(a, y)));
  if (!(respect && s.Locked(d, bit))) Put<T>(a, d, r);
  return true;
}

template <typename T>
[[gnu::always_inline]] inline bool Divide(const Areas& s, const Area& a, uint8_t bit, bool respect,
                                          const uint16_t* o) {
  const uint32_t d = o[0], x = o[1], y = o[2];
  if (d >= a.n || x >= a.n || y >= a.n) return false;
  const T b = Get<T>(a, y);
  if (b == T(0)) return false;  // logged (or left) by the careful path
  const T r = Quotient(Get<T>(a, x), b);
  if (!(respect && s.Locked(d, bit))) Put<T>(a, d, r);
  return true;
}

template <typename T, typename F>
[[gnu::always_inline]] inline bool Unary(const Areas& s, const Area& a, uint8_t bit, bool respect,
                                         const uint16_t* o, F f) {
  const uint32_t d = o[0], x = o[1];
  if (d >= a.n || x >= a.n) return false;
  const T r = T(f(Get<T>(a, x)));
  if (!(respect && s.Locked(d, bit))) Put<T>(a, d, r);
  return true;
}

template <typename T, typename F>
[[gnu::always_inline]] inline bool Compare(const Areas& s, const Area& a, bool respect, const uint16_t* o, F f) {
  const uint32_t d = o[0], x = o[1], y = o[2];
  if (d >= s.a8.n || x >= a.n || y >= a.n) return false;
  const uint8_t r = f(Get<T>(a, x), Get<T>(a, y)) ? 1 : 0;
  if (!(respect && s.Locked(d, kLk8))) s.a8.p[d] = r;
  return true;
}

template <typename T>
[[gnu::always_inline]] inline bool Move(const Areas& s, const Area& a, uint8_t bit, bool respect, const uint16_t* o) {
  const uint32_t d = o[0], x = o[1];
  if (d >= a.n || x >= a.n) return false;
  if (!(respect && s.Locked(d, bit))) Put<T>(a, d, Get<T>(a, x));
  return true;
}

// The element base + index of an area, the index a DINT variable; false when outside.
inline bool Element(const Areas& s, uint32_t base, uint32_t index_var, uint32_t count, uint32_t* e) {
  if (index_var >= s.a32.n) return false;
  const int64_t at = int64_t(base) + Get<int32_t>(s.a32, index_var);
  if (at < 0 || at >= int64_t(count)) return false;
  *e = uint32_t(at);
  return true;
}

template <typename T>
[[gnu::always_inline]] inline bool LoadIndexed(const Areas& s, const Area& a, uint8_t bit, bool respect,
                                               const uint16_t* o) {
  uint32_t e;
  const uint32_t d = o[0];
  if (d >= a.n || !Element(s, o[1], o[2], a.n, &e)) return false;
  if (!(respect && s.Locked(d, bit))) Put<T>(a, d, Get<T>(a, e));
  return true;
}

template <typename T>
[[gnu::always_inline]] inline bool StoreIndexed(const Areas& s, const Area& a, uint8_t bit, bool respect,
                                                const uint16_t* o) {
  uint32_t e;
  const uint32_t x = o[2];
  if (x >= a.n || !Element(s, o[0], o[1], a.n, &e)) return false;
  if (!(respect && s.Locked(e, bit))) Put<T>(a, e, Get<T>(a, x));
  return true;
}

// Index 0 may be the CT segment's (after a CT-offset command): the careful path decides.
template <typename T>
[[gnu::always_inline]] inline bool Constant(const Areas& s, const Area& a, uint8_t bit, bool respect, uint32_t d,
                                             T v) {
  if (d == 0 || d >= a.n) return false;
  if (!(respect && s.Locked(d, bit))) Put<T>(a, d, v);
  return true;
}

inline uint32_t K32(const uint16_t* o) { return uint32_t(o[0]) | uint32_t(o[1]) << 16; }
inline uint64_t K64(const uint16_t* o) { return uint64_t(K32(o)) | uint64_t(K32(o + 2)) << 32; }

}  // namespace

void Runner::Loop() {
  // The areas never move during a run. In locals, the compiler keeps them in registers
  // across the stores into the database, which may alias any member.
  const Areas s{a8_, a16_, a32_, a64_, at_, lk_};
  const uint16_t* w = w_;
  uint32_t nwords = nwords_, base = base_, pc = pc_;
  // A jump to a byte position of the code view: even and inside it; a backward jump
  // spends one of the run's budget (its last one is the careful path's to refuse).
  auto jump = [&](int64_t target, uint32_t* next) {
    if ((target & 1) || target < 0 || target >= int64_t(nwords) * 2) return false;
    const uint32_t t = uint32_t(target / 2);
    if (t <= pc) {
      if (jumps_left_ == 0) return false;
      --jumps_left_;
    }
    *next = t;
    return true;
  };
  for (;;) {
    // Here pc < nwords.
    const uint16_t op = w[pc];
    HotForm f = kHotTable.form[op <= kOpMax ? op : 0];
    // The instruction, and the opcode after it, inside the code.
    if (nwords - pc <= f.words) f.kind = kCareful;
    const uint16_t* o = w + pc + 1;
    const bool r = f.respect;
    uint32_t next = pc + f.words;
    bool done = false;
    switch (f.kind) {
      // DINT (wrapping), REAL
      case kAddD: done = Binary<int32_t>(s, s.a32, kLk32, r, o, [](int32_t a, int32_t b) { return uint32_t(a) + uint32_t(b); }); break;
      case kSubD: done = Binary<int32_t>(s, s.a32, kLk32, r, o, [](int32_t a, int32_t b) { return uint32_t(a) - uint32_t(b); }); break;
      case kMulD: done = Binary<int32_t>(s, s.a32, kLk32, r, o, [](int32_t a, int32_t b) { return uint32_t(a) * uint32_t(b); }); break;
      case kDivD: done = Divide<int32_t>(s, s.a32, kLk32, r, o); break;
      case kNegD: done = Unary<int32_t>(s, s.a32, kLk32, r, o, [](int32_t a) { return 0u - uint32_t(a); }); break;
      case kGtD: done = Compare<int32_t>(s, s.a32, r, o, [](int32_t a, int32_t b) { return a > b; }); break;
      case kGeD: done = Compare<int32_t>(s, s.a32, r, o, [](int32_t a, int32_t b) { return a >= b; }); break;
      case kEqD: done = Compare<int32_t>(s, s.a32, r, o, [](int32_t a, int32_t b) { return a == b; }); break;
      case kNeD: done = Compare<int32_t>(s, s.a32, r, o, [](int32_t a, int32_t b) { return a != b; }); break;
      case kAddR: done = Binary<float>(s, s.a32, kLk32, r, o, [](float a, float b) { return a + b; }); break;
      case kSubR: done = Binary<float>(s, s.a32, kLk32, r, o, [](float a, float b) { return a - b; }); break;
      case kMulR: done = Binary<float>(s, s.a32, kLk32, r, o, [](float a, float b) { return a * b; }); break;
      case kDivR: done = Divide<float>(s, s.a32, kLk32, r, o); break;
      case kNegR: done = Unary<float>(s, s.a32, kLk32, r, o, [](float a) { return -a; }); break;
      case kGtR: done = Compare<float>(s, s.a32, r, o, [](float a, float b) { return a > b; }); break;
      case kGeR: done = Compare<float>(s, s.a32, r, o, [](float a, float b) { return a >= b; }); break;
      case kEqR: done = Compare<float>(s, s.a32, r, o, [](float a, float b) { return a == b; }); break;
      case kNeR: done = Compare<float>(s, s.a32, r, o, [](float a, float b) { return a != b; }); break;
      // TIME: addition wraps, subtraction stops at 0.
      case kAddT: done = Binary<uint32_t>(s, s.at, kLkTime, r, o, [](uint32_t a, uint32_t b) { return a + b; }); break;
      case kSubT: done = Binary<uint32_t>(s, s.at, kLkTime, r, o, [](uint32_t a, uint32_t b) { return a < b ? 0u : a - b; }); break;
      case kGtT: done = Compare<uint32_t>(s, s.at, r, o, [](uint32_t a, uint32_t b) { return a > b; }); break;
      case kGeT: done = Compare<uint32_t>(s, s.at, r, o, [](uint32_t a, uint32_t b) { return a >= b; }); break;
      case kEqT: done = Compare<uint32_t>(s, s.at, r, o, [](uint32_t a, uint32_t b) { return a == b; }); break;
      case kNeT: done = Compare<uint32_t>(s, s.at, r, o, [](uint32_t a, uint32_t b) { return a != b; }); break;
      // BOOL
      case kOr: done = Binary<uint8_t>(s, s.a8, kLk8, r, o, [](uint8_t a, uint8_t b) { return a != 0 || b != 0; }); break;
      case kAnd: done = Binary<uint8_t>(s, s.a8, kLk8, r, o, [](uint8_t a, uint8_t b) { return a != 0 && b != 0; }); break;
      case kXor: done = Binary<uint8_t>(s, s.a8, kLk8, r, o, [](uint8_t a, uint8_t b) { return (a != 0) != (b != 0); }); break;
      case kNot: done = Unary<uint8_t>(s, s.a8, kLk8, r, o, [](uint8_t a) { return a == 0; }); break;
      case kEqB: done = Compare<uint8_t>(s, s.a8, r, o, [](uint8_t a, uint8_t b) { return (a != 0) == (b != 0); }); break;
      case kNeB: done = Compare<uint8_t>(s, s.a8, r, o, [](uint8_t a, uint8_t b) { return (a != 0) != (b != 0); }); break;
      // LINT (wrapping), LREAL
      case kAddL: done = Binary<int64_t>(s, s.a64, kLk64, r, o, [](int64_t a, int64_t b) { return uint64_t(a) + uint64_t(b); }); break;
      case kSubL: done = Binary<int64_t>(s, s.a64, kLk64, r, o, [](int64_t a, int64_t b) { return uint64_t(a) - uint64_t(b); }); break;
      case kMulL: done = Binary<int64_t>(s, s.a64, kLk64, r, o, [](int64_t a, int64_t b) { return uint64_t(a) * uint64_t(b); }); break;
      case kDivL: done = Divide<int64_t>(s, s.a64, kLk64, r, o); break;
      case kNegL: done = Unary<int64_t>(s, s.a64, kLk64, r, o, [](int64_t a) { return 0u - uint64_t(a); }); break;
      case kGtL: done = Compare<int64_t>(s, s.a64, r, o, [](int64_t a, int64_t b) { return a > b; }); break;
      case kGeL: done = Compare<int64_t>(s, s.a64, r, o, [](int64_t a, int64_t b) { return a >= b; }); break;
      case kEqL: done = Compare<int64_t>(s, s.a64, r, o, [](int64_t a, int64_t b) { return a == b; }); break;
      case kNeL: done = Compare<int64_t>(s, s.a64, r, o, [](int64_t a, int64_t b) { return a != b; }); break;
      case kAddLR: done = Binary<double>(s, s.a64, kLk64, r, o, [](double a, double b) { return a + b; }); break;
      case kSubLR: done = Binary<double>(s, s.a64, kLk64, r, o, [](double a, double b) { return a - b; }); break;
      case kMulLR: done = Binary<double>(s, s.a64, kLk64, r, o, [](double a, double b) { return a * b; }); break;
      case kDivLR: done = Divide<double>(s, s.a64, kLk64, r, o); break;
      case kNegLR: done = Unary<double>(s, s.a64, kLk64, r, o, [](double a) { return -a; }); break;
      case kGtLR: done = Compare<double>(s, s.a64, r, o, [](double a, double b) { return a > b; }); break;
      case kGeLR: done = Compare<double>(s, s.a64, r, o, [](double a, double b) { return a >= b; }); break;
      case kEqLR: done = Compare<double>(s, s.a64, r, o, [](double a, double b) { return a == b; }); break;
      case kNeLR: done = Compare<double>(s, s.a64, r, o, [](double a, double b) { return a != b; }); break;
      // INT (16-bit, wrapping), SINT (an unsigned byte)
      case kAddI: done = Binary<int16_t>(s, s.a16, kLk16, r, o, [](int16_t a, int16_t b) { return int32_t(a) + int32_t(b); }); break;
      case kSubI: done = Binary<int16_t>(s, s.a16, kLk16, r, o, [](int16_t a, int16_t b) { return int32_t(a) - int32_t(b); }); break;
      case kMulI: done = Binary<int16_t>(s, s.a16, kLk16, r, o, [](int16_t a, int16_t b) { return int32_t(a) * int32_t(b); }); break;
      case kDivI: done = Divide<int16_t>(s, s.a16, kLk16, r, o); break;
      case kNegI: done = Unary<int16_t>(s, s.a16, kLk16, r, o, [](int16_t a) { return 0 - int32_t(a); }); break;
      case kGtI: done = Compare<int16_t>(s, s.a16, r, o, [](int16_t a, int16_t b) { return a > b; }); break;
      case kGeI: done = Compare<int16_t>(s, s.a16, r, o, [](int16_t a, int16_t b) { return a >= b; }); break;
      case kEqI: done = Compare<int16_t>(s, s.a16, r, o, [](int16_t a, int16_t b) { return a == b; }); break;
      case kNeI: done = Compare<int16_t>(s, s.a16, r, o, [](int16_t a, int16_t b) { return a != b; }); break;
      case kAddSI: done = Binary<uint8_t>(s, s.a8, kLk8, r, o, [](uint8_t a, uint8_t b) { return unsigned(a) + unsigned(b); }); break;
      case kSubSI: done = Binary<uint8_t>(s, s.a8, kLk8, r, o, [](uint8_t a, uint8_t b) { return unsigned(a) - unsigned(b); }); break;
      case kMulSI: done = Binary<uint8_t>(s, s.a8, kLk8, r, o, [](uint8_t a, uint8_t b) { return unsigned(a) * unsigned(b); }); break;
      case kDivSI: done = Divide<uint8_t>(s, s.a8, kLk8, r, o); break;
      case kNegSI: done = Unary<uint8_t>(s, s.a8, kLk8, r, o, [](uint8_t a) { return 0u - a; }); break;
      case kGtSI: done = Compare<uint8_t>(s, s.a8, r, o, [](uint8_t a, uint8_t b) { return a > b; }); break;
      case kGeSI: done = Compare<uint8_t>(s, s.a8, r, o, [](uint8_t a, uint8_t b) { return a >= b; }); break;
      case kEqSI: done = Compare<uint8_t>(s, s.a8, r, o, [](uint8_t a, uint8_t b) { return a == b; }); break;
      case kNeSI: done = Compare<uint8_t>(s, s.a8, r, o, [](uint8_t a, uint8_t b) { return a != b; }); break;
      // Copies, indexed reads and writes
      case kMov8: done = Move<uint8_t>(s, s.a8, kLk8, r, o); break;
      case kMov16: done = Move<uint16_t>(s, s.a16, kLk16, r, o); break;
      case kMov32: done = Move<uint32_t>(s, s.a32, kLk32, r, o); break;
      case kMov64: done = Move<uint64_t>(s, s.a64, kLk64, r, o); break;
      case kMovT: done = Move<uint32_t>(s, s.at, kLkTime, r, o); break;
      case kLdx8: done = LoadIndexed<uint8_t>(s, s.a8, kLk8, r, o); break;
      case kLdx16: done = LoadIndexed<uint16_t>(s, s.a16, kLk16, r, o); break;
      case kLdx32: done = LoadIndexed<uint32_t>(s, s.a32, kLk32, r, o); break;
      case kLdx64: done = LoadIndexed<uint64_t>(s, s.a64, kLk64, r, o); break;
      case kLdxT: done = LoadIndexed<uint32_t>(s, s.at, kLkTime, r, o); break;
      case kStx8: done = StoreIndexed<uint8_t>(s, s.a8, kLk8, r, o); break;
      case kStx16: done = StoreIndexed<uint16_t>(s, s.a16, kLk16, r, o); break;
      case kStx32: done = StoreIndexed<uint32_t>(s, s.a32, kLk32, r, o); break;
      case kStx64: done = StoreIndexed<uint64_t>(s, s.a64, kLk64, r, o); break;
      case kStxT: done = StoreIndexed<uint32_t>(s, s.at, kLkTime, r, o); break;
      // Immediates
      case kSet1: done = Constant<uint8_t>(s, s.a8, kLk8, r, o[0], 1); break;
      case kSet0: done = Constant<uint8_t>(s, s.a8, kLk8, r, o[0], 0); break;
      case kImm8: done = Constant<uint8_t>(s, s.a8, kLk8, r, o[0], uint8_t(o[1])); break;
      case kImm16: done = Constant<uint16_t>(s, s.a16, kLk16, r, o[0], o[1]); break;
      case kImm32: done = Constant<uint32_t>(s, s.a32, kLk32, r, o[0], K32(o + 1)); break;
      case kImm64: done = Constant<uint64_t>(s, s.a64, kLk64, r, o[0], K64(o + 1)); break;
      case kImmT: done = Constant<uint32_t>(s, s.at, kLkTime, r, o[0], K32(o + 1)); break;
      // Jumps: relative to the next instruction, or absolute in the program.
      case kJt:
      case kJf:
        done = o[0] < s.a8.n;
        if (done && (s.a8.p[o[0]] != 0) == (f.kind == kJt)) done = jump(int64_t(next) * 2 + int16_t(o[1]), &next);
        break;
      case kJmp: done = jump(int64_t(next) * 2 + int16_t(o[0]), &next); break;
      case kJa: done = jump(int64_t(base) * 2 + o[0], &next); break;
      case kJaf:
      case kJat:
        done = o[0] < s.a8.n;
        if (done && (s.a8.p[o[0]] != 0) == (f.kind == kJat)) done = jump(int64_t(base) * 2 + o[1], &next);
        break;
      case kJeq:
        done = o[0] < s.a32.n && o[1] < s.a32.n;
        if (done && Get<int32_t>(s.a32, o[0]) == Get<int32_t>(s.a32, o[1])) done = jump(int64_t(base) * 2 + o[2], &next);
        break;
      case kCareful: done = false; break;
    }
    if (done) {
      pc = next;
      continue;
    }
    pc_ = pc;
    if (!Step()) return;
    w = w_;
    nwords = nwords_;
    base = base_;
    pc = pc_;
  }
}

}  // namespace n4vm
