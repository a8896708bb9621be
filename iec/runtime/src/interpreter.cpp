// The interpreter's careful path: each instruction's extent is decoded from the operand
// table and checked against the code view before it executes, every operand with it.
// The arithmetic, compare, copy, indexed and jump families are here, the rarer families
// in vm_ops_*.cpp; the run loop (run_loop.cpp) takes its hot forms inline and hands
// everything else, and every instruction whose checks do not all pass, to this path.
#include "iec_runtime/interpreter.h"

#include <cmath>
#include <limits>

#include "iec_library/iec_string.h"
#include "le_bytes.h"
#include "vm_runner.h"

namespace n4vm {
namespace {

uint32_t g_jump_budget = 50'000'000;
uint32_t g_call_position = 0;

constexpr uint32_t kReal1E37 = 0x7CF0BDC2;

// Division as the unit defines it where C++ leaves it undefined or x86 traps.
int32_t DivD(int32_t a, int32_t b) { return (a == INT32_MIN && b == -1) ? INT32_MIN : a / b; }
int64_t DivL(int64_t a, int64_t b) { return (a == INT64_MIN && b == -1) ? INT64_MIN : a / b; }

Area AreaOf(uint8_t* db, int area) {
  DbAreaDesc* d = N4VM_Area(db, area);
  return {db + d->address, d->allocated};
}

}  // namespace

Runner::Runner(uint8_t* db, const uint8_t* code, uint32_t code_size)
    : db_(db), image_(code), image_size_(code_size), db_bytes_(N4VM_GetDBBytes(db)), jumps_left_(g_jump_budget) {
  a8_ = AreaOf(db, kArData8);
  a16_ = AreaOf(db, kArData16);
  a32_ = AreaOf(db, kArData32);
  a64_ = AreaOf(db, kArData64);
  at_ = AreaOf(db, kArTime);
  lk_ = AreaOf(db, kArLocks);
  sp_ = AreaOf(db, kArStringPtrs);
  xv_ = AreaOf(db, kArXV);
  steps_ = AreaOf(db, kArSteps);
  trans_ = AreaOf(db, kArTrans);
  progs_ = AreaOf(db, kArPrograms);
  progs_.n = N4VM_Area(db, kArPrograms)->used;
  stack_ = AreaOf(db, kArCallStack);
  inst_ = AreaOf(db, kArInstances);
  cust_ = AreaOf(db, kArCustomFuncs);
  exec_ = AreaOf(db, kArExecBuffer);
  DbAreaDesc* ct = N4VM_Area(db, kArCt);
  ct_ = {db + ct->address, ct->raw_size};
  depth_limit_ = N4VM_Status16(db, kStCallDepth);
}

uint16_t Runner::Flags() const { return le::U16(N4VM_AreaPtr(db_, kArStatus) + kStFlags); }
void Runner::SetFlags(uint16_t set, uint16_t clear) {
  uint8_t* s = N4VM_AreaPtr(db_, kArStatus) + kStFlags;
  le::Put16(s, uint16_t((le::U16(s) & ~clear) | set));
}

uint8_t* Runner::Str(uint32_t i) {
  if (i >= sp_.n) return Bad(i);
  uint8_t* r = N4VMStr_Record(db_, i);
  if (r != nullptr) return r;
  empty_[0] = empty_[1] = empty_[2] = 0;
  return empty_;
}

uint32_t Runner::Element(uint32_t base, uint32_t index_var, uint32_t count) {
  int64_t e = int64_t(base) + D(index_var);
  if (e < 0 || e >= int64_t(count)) {
    Fault(32, index_var);
    return count;  // out of range: the accessor answers with the scratch cell
  }
  return uint32_t(e);
}

uint32_t Runner::ProgramStart(uint16_t program) {
  if (program == 0) return 0;
  uint8_t* rec = ProgramRecord(program);
  if (rec == nullptr) {
    Fault(32, program);
    return 0;
  }
  uint32_t off = le::U32(rec);
  if ((off & 1) || off >= image_size_) {
    Fault(32, program);
    return 0;
  }
  return off / 2;
}

bool Runner::Enter(uint16_t program) {
  if (program == 0) {
    w_ = reinterpret_cast<const uint16_t*>(exec_.p);
    nwords_ = exec_.n / 2;
  } else {
    w_ = reinterpret_cast<const uint16_t*>(image_);
    nwords_ = image_size_ / 2;
  }
  prog_ = program;
  base_ = ProgramStart(program);
  return fault_ == 0;
}

void Runner::JumpBytes(int64_t target, uint16_t op) {
  if ((target & 1) || target < 0 || target >= int64_t(nwords_) * 2) {
    Fault(32, op);
    return;
  }
  uint32_t t = uint32_t(target / 2);
  if (t <= pc_) {
    if (jumps_left_ == 0) {
      Fault(kVmErrInvalidOpcode, op);
      return;
    }
    --jumps_left_;
  }
  next_ = t;
}

void Runner::SaveResume(uint32_t at) {
  uint8_t* rec = ProgramRecord(top_);
  if (top_ == 0 || rec == nullptr) return;
  le::Put32(rec + 8, at - base_);
  le::Put16(rec + 16, uint16_t(depth_));
  le::Put16(rec + 22, prog_);
}

// Families by operand type. The lock-respecting twin of an opcode skips its store when
// the destination's lock bit is set.
#define N4_BIN(PLAIN, LOCKED, PTR, LOCK, T, EXPR)          \
  case PLAIN:                                              \
  case LOCKED: {                                           \
    uint8_t* dst = PTR(o[0]);                              \
    const T a = Ld<T>(PTR(o[1])), b = Ld<T>(PTR(o[2]));    \
    if (op == LOCKED && Locked(o[0], LOCK)) break;         \
    St<T>(dst, T(EXPR));                                   \
    break;                                                 \
  }
#define N4_UN(PLAIN, LOCKED, PTR, LOCK, T, EXPR)           \
  case PLAIN:                                              \
  case LOCKED: {                                           \
    uint8_t* dst = PTR(o[0]);                              \
    const T a = Ld<T>(PTR(o[1]));                          \
    if (op == LOCKED && Locked(o[0], LOCK)) break;         \
    St<T>(dst, T(EXPR));                                   \
    break;                                                 \
  }
#define N4_CMP(PLAIN, LOCKED, PTR, T, EXPR)                \
  case PLAIN:                                              \
  case LOCKED: {                                           \
    uint8_t* dst = P8(o[0]);                               \
    const T a = Ld<T>(PTR(o[1])), b = Ld<T>(PTR(o[2]));    \
    if (op == LOCKED && Locked(o[0], kLk8)) break;         \
    *dst = (EXPR) ? 1 : 0;                                 \
    break;                                                 \
  }
#define N4_STRCMP(PLAIN, LOCKED, EXPR)                     \
  case PLAIN:                                              \
  case LOCKED: {                                           \
    uint8_t* dst = P8(o[0]);                               \
    int c = N4VMStr_Compare(Str(o[1]), Str(o[2]));         \
    if (op == LOCKED && Locked(o[0], kLk8)) break;         \
    *dst = (EXPR) ? 1 : 0;                                 \
    break;                                                 \
  }
// Indexed read: destination = base[index]; indexed write: base[index] = source.
#define N4_LDX(PLAIN, LOCKED, PTR, AREA, LOCK, W)          \
  case PLAIN:                                              \
  case LOCKED: {                                           \
    uint8_t* dst = PTR(o[0]);                              \
    const uint8_t* src = PTR(Element(o[1], o[2], AREA.n)); \
    if (op == LOCKED && Locked(o[0], LOCK)) break;         \
    std::memmove(dst, src, W);                             \
    break;                                                 \
  }
#define N4_STX(PLAIN, LOCKED, PTR, AREA, LOCK, W)          \
  case PLAIN:                                              \
  case LOCKED: {                                           \
    uint32_t e = Element(o[0], o[1], AREA.n);              \
    uint8_t* dst = PTR(e);                                 \
    const uint8_t* src = PTR(o[2]);                        \
    if (op == LOCKED && Locked(e, LOCK)) break;            \
    std::memmove(dst, src, W);                             \
    break;                                                 \
  }
#define N4_MOV(PLAIN, LOCKED, PTR, LOCK, W)                \
  case PLAIN:                                              \
  case LOCKED: {                                           \
    uint8_t* dst = PTR(o[0]);                              \
    const uint8_t* src = PTR(o[1]);                        \
    if (op == LOCKED && Locked(o[0], LOCK)) break;         \
    std::memmove(dst, src, W);                             \
    break;                                                 \
  }

void Runner::Execute(uint16_t op, const uint16_t* o) {
  switch (op) {
    // DINT
    N4_UN(1, 110, P32, kLk32, int32_t, 0u - uint32_t(a))
    N4_BIN(4, 113, P32, kLk32, int32_t, uint32_t(a) * uint32_t(b))
    N4_BIN(8, 117, P32, kLk32, int32_t, uint32_t(a) + uint32_t(b))
    N4_BIN(12, 120, P32, kLk32, int32_t, uint32_t(a) - uint32_t(b))
    case 6:
    case 115: {
      uint8_t* dst = P32(o[0]);
      const int32_t a = Ld<int32_t>(P32(o[1])), b = Ld<int32_t>(P32(o[2]));
      if (b == 0) LogHere(kVmErrDivZero32, o[2]);
      if (op == 115 && Locked(o[0], kLk32)) break;
      St<int32_t>(dst, b == 0 ? INT32_MAX : DivD(a, b));
      break;
    }
    N4_CMP(19, 126, P32, int32_t, a > b)
    N4_CMP(27, 134, P32, int32_t, a >= b)
    N4_CMP(31, 138, P32, int32_t, a == b)
    N4_CMP(36, 143, P32, int32_t, a != b)
    N4_MOV(45, 152, P32, kLk32, 4)
    N4_LDX(56, 162, P32, a32_, kLk32, 4)
    N4_STX(61, 167, P32, a32_, kLk32, 4)
    // REAL
    N4_UN(2, 111, P32, kLk32, float, -a)
    N4_BIN(5, 114, P32, kLk32, float, a * b)
    N4_BIN(9, 118, P32, kLk32, float, a + b)
    N4_BIN(13, 121, P32, kLk32, float, a - b)
    case 7:
    case 116: {
      uint8_t* dst = P32(o[0]);
      const float a = Ld<float>(P32(o[1])), b = Ld<float>(P32(o[2]));
      if (b == 0.0f) LogHere(kVmErrDivZero32, o[2]);
      if (op == 116 && Locked(o[0], kLk32)) break;
      if (b == 0.0f) St<uint32_t>(dst, kReal1E37);
      else St<float>(dst, a / b);
      break;
    }
    N4_CMP(20, 127, P32, float, a > b)
    N4_CMP(28, 135, P32, float, a >= b)
    N4_CMP(32, 139, P32, float, a == b)
    N4_CMP(37, 144, P32, float, a != b)
    N4_MOV(46, 153, P32, kLk32, 4)
    N4_LDX(57, 163, P32, a32_, kLk32, 4)
    N4_STX(62, 168, P32, a32_, kLk32, 4)
    // TIME: addition wraps, subtraction stops at 0.
    N4_BIN(10, 283, PT, kLkTime, uint32_t, a + b)
    N4_BIN(14, 284, PT, kLkTime, uint32_t, a < b ? 0u : a - b)
    N4_CMP(21, 129, PT, uint32_t, a > b)
    N4_CMP(29, 137, PT, uint32_t, a >= b)
    N4_CMP(33, 142, PT, uint32_t, a == b)
    N4_CMP(38, 147, PT, uint32_t, a != b)
    N4_MOV(47, 155, PT, kLkTime, 4)
    N4_LDX(58, 164, PT, at_, kLkTime, 4)
    N4_STX(63, 169, PT, at_, kLkTime, 4)
    // BOOL
    N4_UN(3, 112, P8, kLk8, uint8_t, a == 0)
    N4_BIN(41, 148, P8, kLk8, uint8_t, (a != 0) || (b != 0))
    N4_BIN(42, 149, P8, kLk8, uint8_t, (a != 0) && (b != 0))
    N4_BIN(43, 150, P8, kLk8, uint8_t, (a != 0) != (b != 0))
    N4_CMP(35, 141, P8, uint8_t, (a != 0) == (b != 0))
    N4_CMP(40, 146, P8, uint8_t, (a != 0) != (b != 0))
    N4_MOV(44, 151, P8, kLk8, 1)
    N4_LDX(55, 161, P8, a8_, kLk8, 1)
    N4_STX(60, 166, P8, a8_, kLk8, 1)
    // STRING
    case 11:
    case 119: {
      uint8_t* dst = Str(o[0]);
      const uint8_t *a = Str(o[1]), *b = Str(o[2]);
      if (fault_ || (op == 119 && Locked(o[0], kLkStr))) break;
      N4VMStr_Cat(dst, a, b);
      break;
    }
    N4_STRCMP(22, 128, c > 0)
    N4_STRCMP(30, 136, c >= 0)
    N4_STRCMP(34, 140, c == 0)
    N4_STRCMP(39, 145, c != 0)
    case 48:
    case 154: {
      uint8_t* dst = Str(o[0]);
      const uint8_t* src = Str(o[1]);
      if (fault_ || (op == 154 && Locked(o[0], kLkStr))) break;
      N4VMStr_CopyPtr(dst, src);
      break;
    }
    case 59:
    case 165: {
      uint8_t* dst = Str(o[0]);
      const uint8_t* src = Str(Element(o[1], o[2], sp_.n));
      if (fault_ || (op == 165 && Locked(o[0], kLkStr))) break;
      N4VMStr_CopyPtr(dst, src);
      break;
    }
    case 64:
    case 256: {
      uint32_t e = Element(o[0], o[1], sp_.n);
      uint8_t* dst = Str(e);
      const uint8_t* src = Str(o[2]);
      if (fault_ || (op == 256 && Locked(e, kLkStr))) break;
      N4VMStr_CopyPtr(dst, src);
      break;
    }
    // LINT (even = lock-respecting)
    N4_UN(289, 288, P64, kLk64, int64_t, 0u - uint64_t(a))
    N4_BIN(291, 290, P64, kLk64, int64_t, uint64_t(a) * uint64_t(b))
    N4_BIN(295, 294, P64, kLk64, int64_t, uint64_t(a) + uint64_t(b))
    N4_BIN(297, 296, P64, kLk64, int64_t, uint64_t(a) - uint64_t(b))
    case 292:
    case 293: {
      uint8_t* dst = P64(o[0]);
      const int64_t a = Ld<int64_t>(P64(o[1])), b = Ld<int64_t>(P64(o[2]));
      if (b == 0) LogHere(kVmErrDivZero64, o[2]);
      if (op == 292 && Locked(o[0], kLk64)) break;
      St<int64_t>(dst, b == 0 ? INT64_MAX : DivL(a, b));
      break;
    }
    N4_CMP(301, 300, P64, int64_t, a > b)
    N4_CMP(305, 304, P64, int64_t, a >= b)
    N4_CMP(307, 306, P64, int64_t, a == b)
    N4_CMP(309, 308, P64, int64_t, a != b)
    N4_MOV(311, 310, P64, kLk64, 8)
    N4_LDX(313, 312, P64, a64_, kLk64, 8)
    N4_STX(315, 314, P64, a64_, kLk64, 8)
    // LREAL
    N4_UN(321, 320, P64, kLk64, double, -a)
    N4_BIN(323, 322, P64, kLk64, double, a * b)
    N4_BIN(327, 326, P64, kLk64, double, a + b)
    N4_BIN(329, 328, P64, kLk64, double, a - b)
    case 324:
    case 325: {
      uint8_t* dst = P64(o[0]);
      const double a = Ld<double>(P64(o[1])), b = Ld<double>(P64(o[2]));
      if (b == 0.0) LogHere(kVmErrDivZero64, o[2]);
      if (op == 324 && Locked(o[0], kLk64)) break;
      St<double>(dst, b == 0.0 ? 1.0E307 : a / b);
      break;
    }
    N4_CMP(333, 332, P64, double, a > b)
    N4_CMP(337, 336, P64, double, a >= b)
    N4_CMP(339, 338, P64, double, a == b)
    N4_CMP(341, 340, P64, double, a != b)
    N4_MOV(343, 342, P64, kLk64, 8)
    N4_LDX(345, 344, P64, a64_, kLk64, 8)
    N4_STX(347, 346, P64, a64_, kLk64, 8)
    // INT: 16-bit signed, wrapping; a division by zero leaves the destination.
    N4_UN(349, 348, P16, kLk16, int16_t, 0 - int32_t(a))
    N4_BIN(351, 350, P16, kLk16, int16_t, int32_t(a) * int32_t(b))
    N4_BIN(355, 354, P16, kLk16, int16_t, int32_t(a) + int32_t(b))
    N4_BIN(357, 356, P16, kLk16, int16_t, int32_t(a) - int32_t(b))
    case 352:
    case 353: {
      uint8_t* dst = P16(o[0]);
      const int16_t a = Ld<int16_t>(P16(o[1])), b = Ld<int16_t>(P16(o[2]));
      if (b == 0 || (op == 352 && Locked(o[0], kLk16))) break;
      St<int16_t>(dst, int16_t(int32_t(a) / int32_t(b)));
      break;
    }
    N4_CMP(361, 360, P16, int16_t, a > b)
    N4_CMP(365, 364, P16, int16_t, a >= b)
    N4_CMP(367, 366, P16, int16_t, a == b)
    N4_CMP(369, 368, P16, int16_t, a != b)
    N4_MOV(371, 370, P16, kLk16, 2)
    N4_LDX(373, 372, P16, a16_, kLk16, 2)
    N4_STX(375, 374, P16, a16_, kLk16, 2)
    // SINT: an unsigned byte everywhere.
    N4_UN(377, 376, P8, kLk8, uint8_t, 0u - a)
    N4_BIN(379, 378, P8, kLk8, uint8_t, unsigned(a) * unsigned(b))
    N4_BIN(383, 382, P8, kLk8, uint8_t, unsigned(a) + unsigned(b))
    N4_BIN(385, 384, P8, kLk8, uint8_t, unsigned(a) - unsigned(b))
    case 380:
    case 381: {
      uint8_t* dst = P8(o[0]);
      const uint8_t a = *P8(o[1]), b = *P8(o[2]);
      if (b == 0 || (op == 380 && Locked(o[0], kLk8))) break;
      *dst = uint8_t(a / b);
      break;
    }
    N4_CMP(389, 388, P8, uint8_t, a > b)
    N4_CMP(393, 392, P8, uint8_t, a >= b)
    N4_CMP(395, 394, P8, uint8_t, a == b)
    N4_CMP(397, 396, P8, uint8_t, a != b)
    N4_MOV(399, 398, P8, kLk8, 1)
    N4_LDX(401, 400, P8, a8_, kLk8, 1)
    N4_STX(403, 402, P8, a8_, kLk8, 1)
    // Jumps and returns.
    case 65:
      if (*P8(o[0]) != 0) JumpRelative(o[1], op);
      break;
    case 66:
      if (*P8(o[0]) == 0) JumpRelative(o[1], op);
      break;
    case 67: JumpRelative(o[0], op); break;
    case 528: JumpAbsolute(o[0], op); break;
    case 529:
      if (*P8(o[0]) == 0) JumpAbsolute(o[1], op);
      break;
    case 530:
      if (*P8(o[0]) != 0) JumpAbsolute(o[1], op);
      break;
    case 544:
      if (D(o[0]) == D(o[1])) JumpAbsolute(o[2], op);
      break;
    case 543: {
      uint32_t selector = uint16_t(D(o[0]));
      if (selector < o[1]) JumpAbsolute(o[2 + selector], op);
      break;
    }
    case 68:
    case 234: Return(); break;
    case 526: case 527: case 534: case 542: break;
    default: Misc(op, o); break;
  }
}

#undef N4_BIN
#undef N4_UN
#undef N4_CMP
#undef N4_STRCMP
#undef N4_LDX
#undef N4_STX
#undef N4_MOV

int Runner::Run(unsigned program) {
  // The code is read as aligned 16-bit words.
  if ((reinterpret_cast<uintptr_t>(image_) & 1) || image_ == nullptr) return 0;
  top_ = uint16_t(program);
  uint16_t start = uint16_t(program);
  uint32_t resume = 0;
  uint8_t* status = N4VM_AreaPtr(db_, kArStatus);
  le::Put16(status + kStDebug1, 0);
  le::Put16(status + kStDebug1 + 2, 0);
  if (program != 0) {
    uint8_t* rec = ProgramRecord(top_);
    if (rec == nullptr) {
      N4VM_LogError(db_, kVmErrOutOfRange, uint16_t(program), program);
      return 0;
    }
    stack_base_ = le::U16(rec + 18);
    resume = le::U32(rec + 8);
    depth_ = le::U16(rec + 16);
    // A saved stack that no longer fits is dropped: the program starts over.
    if (depth_ > depth_limit_ || stack_base_ + depth_ > stack_.n) depth_ = resume = 0;
    if (depth_ > 0) start = le::U16(rec + 22);
    le::Put32(rec + 8, 0);
    le::Put16(rec + 16, 0);
  }
  if (Enter(start)) {
    pc_ = base_ + resume;
    if (pc_ < nwords_) Loop();
    else Fault(32, 0);
  }
  if (fault_ != 0) {
    N4VM_LogError(db_, uint16_t(fault_), fault_arg_, Position());
    stop_vm_ = true;
    result_ = 0;
  }
  if (stop_vm_ && top_ != 0) N4VMTic_StopOnError(db_);
  N4VM_Area(db_, kArCallStack)->used = uint16_t(depth_);
  return result_;
}

bool Runner::Step() {
  const uint16_t op = w_[pc_];
  if (!IsValid(op)) {
    Fault(kVmErrInvalidOpcode, op);
    return false;
  }
  const OpForm& f = Form(op);
  uint32_t len = 1u + f.fixed;
  if (f.count_at >= 0) {
    uint32_t at = pc_ + 1 + uint32_t(f.count_at);
    len += at < nwords_ ? w_[at] : 0;
  }
  if (uint64_t(pc_) + len > nwords_) {
    Fault(32, op);
    return false;
  }
  next_ = pc_ + len;
  Execute(op, w_ + pc_ + 1);
  if (halt_ || fault_) return false;
  pc_ = next_;
  if (pc_ >= nwords_) {
    Fault(32, 0);
    return false;
  }
  return true;
}

bool Runner::BlockStopped() {
  if ((Flags() & 0x000F) != 2) return false;
  End(0);
  return true;
}

void Runner::Return() {
  if (depth_ == 0) {
    End(1);
    return;
  }
  --depth_;
  const uint8_t* frame = stack_.p + 4 * (stack_base_ + depth_);
  uint16_t caller = le::U16(frame), offset = le::U16(frame + 2);
  if (!Enter(caller)) return;
  JumpBytes(int64_t(base_) * 2 + offset, 68);
}

void Runner::CallProgram(uint16_t program) {
  if (program == 0 || program >= progs_.n) {
    Fault(32, program);
    return;
  }
  if (depth_ >= depth_limit_ || stack_base_ + depth_ >= stack_.n) {
    LogHere(kVmErrCallStack, program);
    stop_vm_ = true;
    End(0);
    return;
  }
  uint8_t* frame = stack_.p + 4 * (stack_base_ + depth_);
  le::Put16(frame, prog_);
  le::Put16(frame + 2, uint16_t((next_ - base_) * 2));
  ++depth_;
  if (Enter(program)) next_ = base_;
}


void SetCallPosition(uint32_t position) { g_call_position = position; }

}  // namespace n4vm

int N4VMTic_Run(uint8_t* db, const uint8_t* code, uint32_t code_size, unsigned program) {
  if (db == nullptr || code == nullptr) return 0;
  n4vm::Runner runner(db, code, code_size);
  return runner.Run(program);
}

void N4VMTic_StopOnError(uint8_t* db) {
  uint8_t* s = N4VM_AreaPtr(db, kArStatus) + kStFlags;
  le::Put16(s, uint16_t((le::U16(s) & ~0x000F) | kStsStopped));
}
uint32_t N4VMTic_CallPosition() { return n4vm::g_call_position; }
void N4VMTic_SetJumpBudget(uint32_t jumps) { n4vm::g_jump_budget = jumps; }
void N4VMTic_Init() {}
void N4VMTic_Exit() {}
void N4VMTic_ExeCtrl() {}
