// The interpreter's families outside the hot loop: immediates, locks, debugger
// commands, timers, unsigned arithmetic, bit tests, edges, conversions, waits,
// breakpoints, the bound check, the loop guard and the CT segment.
#include <cstring>

#include "iec_library/iec_string.h"
#include "iec_runtime/conversions.h"
#include "iec_runtime/interpreter.h"
#include "iec_runtime/retain.h"
#include "iec_runtime/var_map.h"
#include "le_bytes.h"
#include "pending_vm_parts.h"
#include "vm_runner.h"

namespace n4vm {
namespace {
constexpr uint32_t kLoopBudget = 1'000'000;
uint32_t K32(const uint16_t* o) { return uint32_t(o[0]) | uint32_t(o[1]) << 16; }
uint64_t K64(const uint16_t* o) { return uint64_t(K32(o)) | uint64_t(K32(o + 2)) << 32; }
}  // namespace

uint8_t* Runner::Typed(uint16_t type, uint32_t i, uint32_t* width, uint8_t* lock_bit) {
  switch (type) {
    case 1: case 10: case 14: *width = 1; *lock_bit = kLk8; return P8(i);
    case 11: case 15: *width = 2; *lock_bit = kLk16; return P16(i);
    case 2: case 3: case 16: *width = 4; *lock_bit = kLk32; return P32(i);
    case 12: case 13: case 17: *width = 8; *lock_bit = kLk64; return P64(i);
    case 4: *width = 4; *lock_bit = kLkTime; return PT(i);
    case 5: {
      uint8_t* r = Str(i);
      *width = r[0] + 3u;
      *lock_bit = kLkStr;
      return r;
    }
    default: Fault(kVmErrInvalidOpcode, type); *width = 0; *lock_bit = 0; return scratch_;
  }
}

uint8_t* Runner::CtBytes(uint32_t offset, uint32_t width, uint32_t arg) {
  if (uint64_t(offset) + width > ct_.n) return Bad(arg);
  return ct_.p + offset;
}

void Runner::Immediate(uint16_t op, const uint16_t* o) {
  // Lock-respecting forms: 263, 264, 268, 272, 280, 316, 405, 409.
  const bool respect = op == 263 || op == 264 || op == 268 || op == 272 || op == 280 || op == 316 || op == 405 ||
                       op == 409;
  uint8_t bytes[8];
  uint32_t width;
  uint8_t lock;
  uint8_t* dst;
  switch (op) {
    case 261: case 262: case 263: case 264:
      bytes[0] = (op == 261 || op == 263) ? 1 : 0; width = 1; lock = kLk8; dst = P8(o[0]); break;
    case 404: case 405: bytes[0] = uint8_t(o[1]); width = 1; lock = kLk8; dst = P8(o[0]); break;
    case 267: case 268: St<uint16_t>(bytes, o[1]); width = 2; lock = kLk16; dst = P16(o[0]); break;
    case 271: case 272: St<uint32_t>(bytes, K32(o + 1)); width = 4; lock = kLk32; dst = P32(o[0]); break;
    case 279: case 280: St<uint32_t>(bytes, K32(o + 1)); width = 4; lock = kLkTime; dst = PT(o[0]); break;
    case 316: case 317: St<uint64_t>(bytes, K64(o + 1)); width = 8; lock = kLk64; dst = P64(o[0]); break;
    default: {  // 408, 409: a counted text
      uint8_t* r = Str(o[0]);
      uint32_t room = uint32_t(o[1]) * 2;
      const uint8_t* text = reinterpret_cast<const uint8_t*>(o + 2);
      if (fault_ || (respect && Locked(o[0], kLkStr))) return;
      if (room == 0 || text[0] + 1u > room) {
        Fault(32, o[0]);
        return;
      }
      if (o[0] == 0 && ct_pending_ != 0) {
        uint8_t* at = CtBytes(ct_pending_ - 1, text[0] + 1u, o[0]);
        ct_pending_ = 0;
        if (!fault_) std::memcpy(at, text, text[0] + 1u);
        return;
      }
      N4VMStr_DBForcePtr(r, text);
      return;
    }
  }
  if (o[0] == 0 && ct_pending_ != 0) {
    dst = CtBytes(ct_pending_ - 1, width, 0);
    ct_pending_ = 0;
  } else if (respect && Locked(o[0], lock)) {
    return;
  }
  std::memcpy(dst, bytes, width);
}

void Runner::LockOp(uint16_t op, const uint16_t* o) {
  uint8_t bit;
  switch (op) {
    case 265: case 266: case 406: case 407: bit = kLk8; break;
    case 269: case 270: bit = kLk16; break;
    case 273: case 274: bit = kLk32; break;
    case 281: case 282: bit = kLkTime; break;
    case 318: case 319: bit = kLk64; break;
    default: bit = kLkStr; break;  // 410, 411
  }
  if (o[0] >= lk_.n) {
    Fault(32, o[0]);
    return;
  }
  const bool lock = op == 265 || op == 406 || op == 269 || op == 273 || op == 281 || op == 318 || op == 410;
  if (lock) N4VMTic_LockVar(db_, o[0], bit);
  else N4VMTic_UnlockVar(db_, o[0], bit);
}

void Runner::Debugger(uint16_t op, const uint16_t* o) {
  switch (op) {
    case 257: SetFlags(0, kStsCycling | kStsStep); break;
    case 258: SetFlags(kStsCycling, kStsStopped | kStsStep); break;
    case 259: SetFlags(kStsOneCycle, kStsStep); break;
    case 525:
      if (!(Flags() & kStsCycling)) SetFlags(kStsOneCycle | kStsStep, 0);
      break;
    case 260: le::Put32(N4VM_AreaPtr(db_, kArStatus) + kStCycleTime, uint32_t(o[0]) << 16 | o[1]); break;
    case 554: N4VMTic_UnlockAllVars(db_); break;
    case 454:
    case 455:
      if (o[0] >= xv_.n || o[0] >= lk_.n) {
        Fault(32, o[0]);
        break;
      }
      if (op == 454) lk_.p[o[0]] |= kLkXv;
      else lk_.p[o[0]] &= uint8_t(~kLkXv);
      break;
    case 533: ct_pending_ = uint32_t(D(o[0])) + 1; break;
    default: break;
  }
}

void Runner::Unsigned(uint16_t op, const uint16_t* o) {
  // Families of four (greater than, greater or equal, multiply, divide), the
  // lock-respecting forms four higher; a division by zero leaves the destination.
  const bool u64 = op >= 556;
  const unsigned base = u64 ? 556 : op >= 498 ? 498 : op >= 490 ? 490 : 482;
  const unsigned k = (op - base) % 4;
  const bool respect = op - base >= 4;
  const bool compare = k < 2;
  uint32_t width = u64 ? 8 : base == 498 ? 4 : base == 490 ? 2 : 1;
  auto ptr = [&](uint32_t i) { return width == 8 ? P64(i) : width == 4 ? P32(i) : width == 2 ? P16(i) : P8(i); };
  auto load = [&](uint32_t i) -> uint64_t {
    const uint8_t* p = ptr(i);
    return width == 8 ? Ld<uint64_t>(p) : width == 4 ? Ld<uint32_t>(p) : width == 2 ? Ld<uint16_t>(p) : *p;
  };
  uint8_t* dst = compare ? P8(o[0]) : ptr(o[0]);
  const uint64_t a = load(o[1]), b = load(o[2]);
  const uint8_t lock = compare ? kLk8 : width == 8 ? kLk64 : width == 4 ? kLk32 : width == 2 ? kLk16 : kLk8;
  if (k == 3 && b == 0 && u64) LogHere(kVmErrDivZero32, o[2]);
  if (respect && Locked(o[0], lock)) return;
  if (compare) {
    *dst = (k == 0 ? a > b : a >= b) ? 1 : 0;
    return;
  }
  uint64_t r;
  if (k == 2) r = a * b;
  else if (b != 0) r = a / b;
  else if (u64) r = ~uint64_t(0);
  else return;
  std::memcpy(dst, &r, width);
}

void Runner::Misc(uint16_t op, const uint16_t* o) {
  switch (op) {
    case 261: case 262: case 263: case 264: case 267: case 268: case 271: case 272: case 279: case 280:
    case 316: case 317: case 404: case 405: case 408: case 409:
      Immediate(op, o);
      return;
    case 265: case 266: case 269: case 270: case 273: case 274: case 281: case 282: case 318: case 319:
    case 406: case 407: case 410: case 411:
      LockOp(op, o);
      return;
    case 257: case 258: case 259: case 260: case 525: case 554: case 454: case 455: case 533:
      Debugger(op, o);
      return;
    case 275: case 276: case 277: case 278: {
      uint8_t* t = PT(o[0]);
      if (fault_ || (op >= 277 && Locked(o[0], kLkTime))) return;
      if (op == 275 || op == 277) N4VMTmr_StartTimer(db_, t);
      else N4VMTmr_StopTimer(db_, t);
      return;
    }
    case 538: case 539: {
      uint8_t* t = CtBytes(uint32_t(D(o[0])), 4, o[0]);
      if (fault_) return;
      if (op == 538) N4VMTmr_StartTimer(db_, t);
      else N4VMTmr_StopTimer(db_, t);
      return;
    }
    case 196: case 197: case 203: case 204: {
      uint8_t* dst = P8(o[0]);
      const uint8_t in = *P8(o[1]) != 0;
      uint8_t* mem = P8(o[2]);
      const bool change = le::U32(N4VM_AreaPtr(db_, kArStatus) + kStBuildFlags) & kBfChange;
      const bool rising = op == 197 || op == 204;
      uint8_t q = change ? 0 : rising ? (in && !*mem) : (!in && *mem);
      if (!((op == 203 || op == 204) && Locked(o[0], kLk8))) *dst = q;
      *mem = in;
      return;
    }
    case 205: case 207: {
      uint32_t width;
      uint8_t lock;
      Typed(o[2], o[0], &width, &lock);
      if (fault_) {
        fault_ = 0;  // a type that is not converted changes nothing
        return;
      }
      if (op == 207 && Locked(o[0], lock)) return;
      if (N4VMCnv_Convert(db_, o) < 0) Fault(32, o[1]);
      return;
    }
    case 482: case 483: case 484: case 485: case 486: case 487: case 488: case 489: case 490: case 491:
    case 492: case 493: case 494: case 495: case 496: case 497: case 498: case 499: case 500: case 501:
    case 502: case 503: case 504: case 505: case 556: case 557: case 558: case 559: case 560: case 561:
    case 562: case 563:
      Unsigned(op, o);
      return;
    case 509: case 510: case 511: case 517: case 518: case 519: {
      const unsigned w = (op - 509) % 8;  // 0 8-bit, 1 16-bit, 2 32-bit
      uint8_t* dst = P8(o[0]);
      uint32_t a = w == 0 ? *P8(o[1]) : w == 1 ? Ld<uint16_t>(P16(o[1])) : Ld<uint32_t>(P32(o[1]));
      uint32_t b = w == 0 ? *P8(o[2]) : w == 1 ? Ld<uint16_t>(P16(o[2])) : Ld<uint32_t>(P32(o[2]));
      if (op >= 517 && Locked(o[0], kLk8)) return;
      *dst = (a & b) != 0;
      return;
    }
    case 513: case 514: case 515: case 521: case 522: case 523: {
      const unsigned w = (op - 513) % 8;
      const uint8_t lock = w == 0 ? kLk8 : w == 1 ? kLk16 : kLk32;
      uint8_t* dst = w == 0 ? P8(o[0]) : w == 1 ? P16(o[0]) : P32(o[0]);
      const bool cond = *P8(o[1]) != 0;
      const uint8_t* m = w == 0 ? P8(o[2]) : w == 1 ? P16(o[2]) : P32(o[2]);
      if (op >= 521 && Locked(o[0], lock)) return;
      const uint32_t bytes = 1u << w;
      uint32_t v = 0, mask = 0;
      std::memcpy(&v, dst, bytes);
      std::memcpy(&mask, m, bytes);
      v = cond ? (v | mask) : (v & ~mask);
      std::memcpy(dst, &v, bytes);
      return;
    }
        // The point is the instruction itself: a resumed run stores it again.
    case 506: SaveResume(pc_); return;
    case 507:
      if (*P8(o[0]) != 0) {
        if (uint8_t* rec = ProgramRecord(top_); rec && top_ != 0) le::Put32(rec + 8, 0);
        return;
      }
      if (top_ != 0) {
        // The resume point stays as 506 stored it; the call stack is kept with it.
        if (uint8_t* rec = ProgramRecord(top_)) le::Put16(rec + 16, uint16_t(depth_));
      }
      End(1);
      return;
    case 508: {
      const bool step = Flags() & kStsStep;
      const uint16_t at = uint16_t((pc_ - base_) * 2);
      if (!step && !n4hook::IsBreakpoint(db_, prog_, at)) return;
      SetFlags(kStsOneCycle | kStsStep, kStsCycling);
      SaveResume(next_);
      uint8_t* s = N4VM_AreaPtr(db_, kArStatus);
      le::Put16(s + kStDebug1, prog_);
      le::Put16(s + kStDebug1 + 2, at);
      End(0);
      return;
    }
    case 421: {
      uint8_t* rec = ProgramRecord(top_);
      if (depth_ != 0 || o[0] <= 1 || rec == nullptr || top_ == 0) return;
      uint16_t previous = le::U16(rec + 20);
      le::Put16(rec + 20, uint16_t((previous + 1u) % o[0]));
      if (previous != o[1]) End(1);
      return;
    }
    case 422: {
      int32_t v = D(o[0]);
      if (!fault_ && (v < int32_t(o[1]) || v > int32_t(o[2]))) Fault(32, o[0]);
      return;
    }
    case 564:
      loop_mark_ = next_;
      loop_prog_ = prog_;
      loop_budget_ = kLoopBudget;
      return;
    case 565:
      if (loop_budget_ > 1 && loop_prog_ == prog_) {
        --loop_budget_;
        JumpBytes(int64_t(loop_mark_) * 2, op);
        return;
      }
      loop_budget_ = 0;
      St<int32_t>(P32(o[0]), 0);
      return;
    case 531: case 532: case 566: case 567: {
      uint32_t disp = op >= 566 ? o[3] : 0;
      bool ok = (op == 531 || op == 566) ? N4VMTic_GetCTSegItem(db_, o[0], o[1], o[2], disp)
                                         : N4VMTic_SetCTSegItem(db_, o[0], o[1], o[2], disp);
      if (!ok) Fault(32, o[2]);
      return;
    }
    case 555:
      if (!N4VMTic_CTMemcpy(db_, o[0], o[1], o[2])) Fault(32, o[2]);
      return;
    case 552: {
      uint32_t width;
      uint8_t lock;
      uint8_t* dst = P32(o[0]);
      uint8_t* item = Typed(o[1], o[2], &width, &lock);
      St<uint32_t>(dst, fault_ ? 0 : uint32_t(item - db_));
      return;
    }
    case 553: {
      uint8_t* dst = P32(o[0]);
      uint8_t* at = CtBytes(uint32_t(D(o[1])), 0, o[1]);
      St<uint32_t>(dst, uint32_t(at - db_));
      return;
    }
    case 568: case 569: {
      N4MapItem item = N4Map_GetByIndex(db_, o[0], o[1]);
      if (item == nullptr) return;
      if (op == 568) {
        N4Map_StampVSI(db_, item);
      } else {
        N4Map_SetVSIDate(db_, item, 0);
        N4Map_SetVSITime(db_, item, 0);
      }
      return;
    }
    case 480: n4hook::SamplerSet(db_, o[0], o + 1); return;
    case 481: n4hook::SamplerCtl(db_, o[0], o[1]); return;
    default: Control(op, o); return;
  }
}

}  // namespace n4vm
