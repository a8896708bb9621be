// The interpreter's calls (standard functions, custom functions, block instances,
// sub-programs), SFC steps and transitions, program control and the external-variable
// pointers.
#include <cstdio>
#include <cstring>

#include "iec_library/iec_string.h"
#include "iec_library/stf.h"
#include "iec_runtime/blocks.h"
#include "iec_runtime/interpreter.h"
#include "iec_runtime/runtime.h"
#include "le_bytes.h"
#include "vm_runner.h"

namespace n4vm {

uint8_t* Runner::XvItem(uint32_t x, uint32_t width) {
  if (x >= xv_.n) return Bad(x);
  uint32_t off = le::U32(xv_.p + 4 * x);
  if (off == 0 || uint64_t(off) + width > db_bytes_) return Bad(x);
  return db_ + off;
}

uint8_t* Runner::XvString(uint32_t x) {
  // A string's external pointer names its slot in the string table.
  uint8_t* slot = XvItem(x, 4);
  if (fault_) return scratch_;
  DbAreaDesc* sp = N4VM_Area(db_, kArStringPtrs);
  uint32_t off = uint32_t(slot - db_);
  if (off < sp->address || (off - sp->address) % 4 != 0) return Bad(x);
  uint8_t* r = N4VMStr_Record(db_, (off - sp->address) / 4);
  return r ? r : Bad(x);
}

void Runner::External(uint16_t op, const uint16_t* o) {
  // Six types per group: 8-bit, 16-bit, 32-bit, 64-bit, TIME, string.
  static constexpr uint32_t kWidth[6] = {1, 2, 4, 8, 4, 0};
  static constexpr uint8_t kLock[6] = {kLk8, kLk16, kLk32, kLk64, kLkTime, kLkStr};
  auto local = [&](unsigned t, uint32_t i) -> uint8_t* {
    switch (t) {
      case 0: return P8(i);
      case 1: return P16(i);
      case 2: return P32(i);
      case 3: return P64(i);
      case 4: return PT(i);
      default: return Str(i);
    }
  };
  auto ext = [&](unsigned t, uint32_t x) { return t == 5 ? XvString(x) : XvItem(x, kWidth[t]); };
  auto copy = [&](unsigned t, uint8_t* dst, const uint8_t* src) {
    if (fault_) return;
    if (t == 5) N4VMStr_CopyPtr(dst, src);
    else std::memmove(dst, src, kWidth[t]);
  };
  auto protected_xv = [&](uint32_t x) { return x < lk_.n && (lk_.p[x] & kLkXv) != 0; };
  if (op >= 424 && op <= 429) {  // read
    unsigned t = op - 424;
    copy(t, local(t, o[0]), ext(t, o[1]));
  } else if (op >= 442 && op <= 447) {
    unsigned t = op - 442;
    uint8_t* dst = local(t, o[0]);
    const uint8_t* src = ext(t, o[1]);
    if (!Locked(o[0], kLock[t])) copy(t, dst, src);
  } else if ((op >= 430 && op <= 435) || (op >= 448 && op <= 453)) {  // write
    unsigned t = (op - 430) % 18;
    uint8_t* dst = ext(t, o[0]);
    const uint8_t* src = local(t, o[1]);
    if (protected_xv(o[0]) || (op >= 448 && Locked(o[0], kLock[t]))) return;
    copy(t, dst, src);
  } else if (op >= 436 && op <= 441) {  // immediates
    unsigned t = op - 436;
    uint8_t* dst = ext(t, o[0]);
    if (fault_ || protected_xv(o[0])) return;
    if (t == 5) {
      const uint8_t* text = reinterpret_cast<const uint8_t*>(o + 2);
      if (o[1] == 0 || text[0] + 1u > uint32_t(o[1]) * 2) {
        Fault(32, o[0]);
        return;
      }
      N4VMStr_DBForcePtr(dst, text);
    } else if (t == 0) {
      *dst = uint8_t(o[1]);
    } else {
      std::memcpy(dst, o + 1, kWidth[t]);
    }
  } else {  // 456..479: indexed through the pointer table, xv[base + index]
    const bool respect = op >= 468;
    const unsigned k = (op - 456) % 12;
    const unsigned t = k % 6;
    if (k < 6) {  // read: destination, base, index
      uint8_t* dst = local(t, o[0]);
      const uint8_t* src = ext(t, Element(o[1], o[2], xv_.n));
      if (!(respect && Locked(o[0], kLock[t]))) copy(t, dst, src);
    } else {  // write: base, index, source
      uint32_t e = Element(o[0], o[1], xv_.n);
      uint8_t* dst = ext(t, e);
      const uint8_t* src = local(t, o[2]);
      if (protected_xv(e) || (respect && Locked(e, kLock[t]))) return;
      copy(t, dst, src);
    }
  }
}

void Runner::Calls(uint16_t op, const uint16_t* o) {
  SetCallPosition(Position());
  switch (op) {
    case 285:
      if (N4VMStf_Execute(db_, o) == 0) {
        stop_vm_ = true;
        End(0);
      }
      return;
    case 286:
    case 536: {
      if (o[0] >= cust_.n) {
        Fault(32, o[0]);
        return;
      }
      N4BlockHandler h = N4VMFbl_Handler(le::U32(cust_.p + kCustomRecord * o[0] + 16));
      if (h == nullptr) h = N4VMFCust_null;
      if (op == 286) {
        h(kFbExecute, db_, nullptr, nullptr, o + 1);
        BlockStopped();
      } else if (h(kFbTypesOk, db_, nullptr, nullptr, o + 1) == 0) {
        N4EVSTRACE("Argument type not supported by function\n");
        Fault(kVmErrInvalidOpcode, o[0]);
      }
      return;
    }
    case 287:
    case 535:
    case 537: {
      uint32_t instance = o[0];
      if (op == 535) {
        uint8_t* at = CtBytes(uint32_t(D(o[0])), 4, o[0]);
        if (fault_) return;
        instance = Ld<uint32_t>(at);
        if (instance == 0 || instance >= inst_.n) {
          N4EVSTRACE("Invalid FB index encoutered: %u\n", unsigned(instance));
          Fault(32, uint16_t(instance));
          return;
        }
      } else if (instance == 0 || instance >= inst_.n) {
        Fault(32, instance);
        return;
      }
      const uint8_t* rec = inst_.p + kInstanceRecord * instance;
      N4BlockHandler h = N4VMFbl_Handler(le::U32(rec + 4));
      if (h == nullptr) h = N4VMFbl_null;
      uint32_t cls = le::U32(rec + 8), data = le::U32(rec + 12);
      uint8_t* cd = cls ? db_ + cls : nullptr;
      uint8_t* id = data ? db_ + data : nullptr;
      if (op == 537) {
        if (h(kFbTypesOk, db_, cd, id, o + 1) == 0) {
          N4EVSTRACE("Argument type not supported by function block\n");
          Fault(kVmErrInvalidOpcode, o[0]);
        }
        return;
      }
      h(kFbExecute, db_, cd, id, o + 1);
      BlockStopped();
      return;
    }
    default:  // 423
      CallProgram(o[0]);
      return;
  }
}

void Runner::Sfc(uint16_t op, const uint16_t* o) {
  uint8_t* s = N4VM_AreaPtr(db_, kArStatus);
  const uint32_t now = le::U32(s + kStLastTick);
  uint8_t* rec = ProgramRecord(prog_);
  const bool kill = rec != nullptr && prog_ != 0 && (le::U16(rec + 12) & 0x20);
  auto state = [&](uint32_t e) { return le::U16(StepRec(e) + 8); };
  auto set_state = [&](uint32_t e, uint16_t v) { le::Put16(StepRec(e) + 8, v); };
  auto value = [&](uint32_t r) { return le::U16(TransRec(r)) != 0; };
  auto pause_at_breakpoint = [&](uint32_t r) {
    if (le::U16(TransRec(r) + 2) == 0 || fault_) return;
    SetFlags(0, kStsCycling | kStsStep);
    SaveResume(next_);
    End(0);
  };
  switch (op) {
    case 412: {  // step, entry, exit, skip
      uint8_t* st = StepRec(o[0]);
      if (fault_) return;
      uint16_t v = le::U16(st + 8);
      if (v == 0) {
        JumpAbsolute(o[3], op);
      } else if (v == 3 || (v == 1 && kill)) {
        le::Put16(st + 8, 0);
        JumpAbsolute(o[2], op);
      } else if (v == 1) {
        le::Put32(st, le::U32(st) + (now + kDayMs - le::U32(st + 4)) % kDayMs);
        le::Put32(st + 4, now);
      } else {
        le::Put16(st + 8, 1);
        le::Put32(st, 0);
        le::Put32(st + 4, now);
        JumpAbsolute(o[1], op);
      }
      return;
    }
    case 413:
    case 417: {  // transition with its source steps
      const uint32_t n = op == 413 ? o[2] : 1;
      const uint16_t* steps = op == 413 ? o + 3 : o + 2;
      bool enabled = !kill;
      for (uint32_t k = 0; k < n && enabled; ++k) enabled = state(steps[k]) == 1;
      if (fault_ || enabled) return;
      le::Put16(TransRec(o[0]), 0);
      JumpRelative(o[1], op);
      return;
    }
    case 414:
    case 415: {
      if (!value(o[0]) || fault_) return;
      for (uint32_t k = 0; k < o[1]; ++k) set_state(o[2 + k], op == 414 ? 3 : 2);
      pause_at_breakpoint(o[0]);
      return;
    }
    case 418:
      if (!value(o[0]) || fault_) return;
      set_state(o[1], 3);
      set_state(o[2], 2);
      pause_at_breakpoint(o[0]);
      return;
    case 416:
    case 419: {
      if (rec == nullptr || prog_ == 0 || le::U16(rec + 12) != 16) return;
      le::Put16(rec + 12, 1);
      if (op == 416) {
        for (uint32_t k = 0; k < o[0]; ++k) set_state(o[1 + k], 2);
      } else {
        set_state(o[0], 2);
        le::Put32(StepRec(o[0]), 0);
      }
      return;
    }
    case 420: {
      if (!kill) return;
      for (uint32_t k = 0; k < o[0]; ++k) {
        uint8_t* child = ProgramRecord(o[1 + k]);
        if (child == nullptr) {
          Fault(32, o[1 + k]);
          return;
        }
        if (le::U16(child + 12) & 0x01) le::Put16(child + 12, uint16_t(le::U16(child + 12) | 0x20));
      }
      le::Put16(rec + 12, 0);
      End(1);
      return;
    }
    case 107: {
      uint8_t* t = TransRec(o[0]);
      le::Put16(t, *P8(o[1]) != 0);
      return;
    }
    case 208: {
      uint8_t* dst = P8(o[0]);
      *dst = state(o[1]) == 1;
      return;
    }
    case 209: {
      uint8_t* dst = PT(o[0]);
      St<uint32_t>(dst, le::U32(StepRec(o[1])));
      return;
    }
    case 540: N4VMTic_SetSfcBreakS(db_, o[0], o[1]); return;
    case 541: N4VMTic_SetSfcBreakT(db_, o[0], o[1]); return;
    case 547: {
      uint8_t* st = StepRec(o[0]);
      le::Put16(st + 8, o[1]);
      if (o[1] == 1) {
        le::Put32(st, 0);
        le::Put32(st + 4, now);
      }
      return;
    }
    case 548: {
      uint8_t* st = StepRec(o[0]);
      le::Put32(st, Ld<uint32_t>(PT(o[1])));
      le::Put32(st + 4, now);
      return;
    }
    case 549:
      if (value(o[0])) pause_at_breakpoint(o[0]);
      return;
    case 550:
      if (!value(o[0]) && !fault_) JumpRelative(o[1], op);
      return;
    default:  // 545, 546, 551: the current program's flags
      if (rec == nullptr || prog_ == 0) {
        if (op == 551) *P8(o[0]) = 0;
        return;
      }
      if (op == 545) le::Put16(rec + 12, uint16_t(le::U16(rec + 12) | o[0]));
      else if (op == 546) le::Put16(rec + 12, uint16_t(le::U16(rec + 12) & ~o[0]));
      else *P8(o[0]) = (le::U16(rec + 12) & o[1]) != 0;
      return;
  }
}

void Runner::ProgramControl(uint16_t op, const uint16_t* o) {
  uint16_t p = op == 200 ? uint16_t(D(o[1])) : op == 193 ? o[1] : o[0];
  uint8_t* rec = ProgramRecord(p);
  if (rec == nullptr || p == 0) {
    Fault(32, p);
    return;
  }
  uint16_t flags = le::U16(rec + 12);
  switch (op) {
    case 187: le::Put16(rec + 12, le::U16(rec + 14) != 0 ? 16 : 1); return;
    case 188:
      if (flags == 1) le::Put16(rec + 12, 3);
      return;
    case 189:
      if (flags & 0x01) le::Put16(rec + 12, uint16_t(flags | 0x20));
      return;
    case 190:
      if (flags == 3) le::Put16(rec + 12, 1);
      return;
    default: {  // 193, 200
      int32_t v = (flags & 0x02) ? 2 : (flags & 0x11) ? 1 : 0;
      St<int32_t>(P32(o[0]), v);
      return;
    }
  }
}

void Runner::Control(uint16_t op, const uint16_t* o) {
  if (op >= 424 && op <= 479 && op != 454 && op != 455) return External(op, o);
  switch (op) {
    case 285: case 286: case 287: case 423: case 535: case 536: case 537: Calls(op, o); return;
    case 187: case 188: case 189: case 190: case 193: case 200: ProgramControl(op, o); return;
    default: Sfc(op, o); return;
  }
}

}  // namespace n4vm
