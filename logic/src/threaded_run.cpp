// The runner of the threaded form. Each record checks what its careful handler would
// check at run time (a stack depth, a call depth) before it changes anything; where a
// check fails, the careful handler runs the instruction instead and reports the fault
// with its own position and state. A joined record whose case it cannot run falls
// through to the records of its parts.
#include "boolean.h"
#include "interpreter.h"
#include "kernel/regimage.h"
#include "opcode_table.h"
#include "threaded_arena.h"

namespace logic {

namespace {

using arena::records;

// The record for the machine's position, the careful interpreter stepping on where no
// record can be had; nullptr when the machine stopped.
const Record* Resume(Machine& m) {
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

}  // namespace

void RunDecoded(Machine& m) {
  const Record* r = Resume(m);
  if (r == nullptr) return;
  for (;;) {
    switch (r->kind) {
      case Rec::kCareful:
      careful:
        m.ip = r->ip;
        if (!StepCareful(m) || (r = Resume(m)) == nullptr) return;
        break;
      case Rec::kHandler:
        m.ip = r->ip + 1;
        kOpcodeHandlers[r->opcode](m, r->opcode);
        if (m.Failed()) return;
        if (m.ip == r->ip + 1) {
          ++r;
        } else if ((r = Resume(m)) == nullptr) {
          return;
        }
        break;
      case Rec::kContact:
        if (m.bsp == kBitStackSize) goto careful;
        m.bits[m.bsp++] = OnMask(plc_reg[r->a] & r->b);
        ++r;
        break;
      case Rec::kOperator: {
        const BooleanEntry& e = kBooleanEntries[r->opcode];
        if (m.bsp < e.reads || m.bsp + e.depth_change > int(kBitStackSize)) goto careful;
        e.op(m.bits + m.bsp - e.reads);
        m.bsp = uint8_t(m.bsp + e.depth_change);
        ++r;
        break;
      }
      case Rec::kCoil:
        if (m.bsp == 0) goto careful;
        kBooleanEntries[r->opcode].coil(BitRef{r->a, uint8_t(r->b)}, m.bits[--m.bsp]);
        ++r;
        break;
      case Rec::kContactCoil: {
        if (m.bsp == kBitStackSize) {
          ++r;  // the contact's own record reports the overflow
          break;
        }
        // The coil pops the contact's entry; its slot keeps it, as a push and pop leave it.
        const uint8_t flow = OnMask(plc_reg[r->a] & r->b);
        m.bits[m.bsp] = flow;
        kBooleanEntries[r->opcode].coil(BitRef{r->c, uint8_t(r->d)}, flow);
        r += 1 + kJoinedParts;
        break;
      }
      case Rec::kPushWord:
        if (m.wsp == kWordStackSize) goto careful;
        m.words[m.wsp++] = RegWord(r->a);
        ++r;
        break;
      case Rec::kPushDouble:
        if (m.wsp + 2u > kWordStackSize) goto careful;
        m.words[m.wsp] = RegWord(r->a);
        m.words[m.wsp + 1] = RegWord(r->a + 2);
        m.wsp = uint8_t(m.wsp + 2);
        ++r;
        break;
      case Rec::kPushImm:
        if (m.wsp == kWordStackSize) goto careful;
        m.words[m.wsp++] = uint16_t(r->a);
        ++r;
        break;
      case Rec::kPushImm32:
        if (m.wsp + 2u > kWordStackSize) goto careful;
        m.words[m.wsp] = uint16_t(r->a);
        m.words[m.wsp + 1] = uint16_t(r->a >> 16);
        m.wsp = uint8_t(m.wsp + 2);
        ++r;
        break;
      case Rec::kPullWord:
        if (m.wsp == 0) goto careful;
        SetRegWord(r->a, m.words[--m.wsp]);
        ++r;
        break;
      case Rec::kPullDouble:
        if (m.wsp < 2) goto careful;
        m.wsp = uint8_t(m.wsp - 2);
        SetRegWord(r->a, m.words[m.wsp]);
        SetRegWord(r->a + 2, m.words[m.wsp + 1]);
        ++r;
        break;
      case Rec::kMoveWord:
        SetRegWord(r->a, RegWord(r->b));
        ++r;
        break;
      case Rec::kMoveImm:
        SetRegWord(r->a, uint16_t(r->b));
        ++r;
        break;
      case Rec::kJump:
        if (m.bsp == 0) goto careful;
        r = m.bits[--m.bsp] ? &records[r->c] : r + 1;
        break;
      case Rec::kSkipIfOff:
        if (m.bsp == 0) goto careful;
        r = m.bits[m.bsp - 1] == 0 ? &records[r->c] : r + 1;
        break;
      case Rec::kCall:
        if (m.bsp == 0) goto careful;
        if (m.bits[m.bsp - 1] == 0) {
          --m.bsp;
          ++r;
          break;
        }
        if (m.depth == kCallDepth) goto careful;
        --m.bsp;
        m.calls[m.depth++] = r->d;
        r = &records[r->c];
        break;
      case Rec::kReturn:
        if (m.bsp == 0) goto careful;
        if (m.bits[m.bsp - 1] == 0) {
          --m.bsp;
          ++r;
          break;
        }
        if (m.depth == 0) goto careful;
        --m.bsp;
        m.ip = m.calls[--m.depth];
        if ((r = Resume(m)) == nullptr) return;
        break;
      case Rec::kEnd:
        m.ip = r->ip + 1;
        m.Fail(Stop::kEnd);
        return;
      case Rec::kGoto:
        r = &records[r->c];
        break;
      case Rec::kIntOpPull: {
        if (m.wsp + 2u > kWordStackSize || m.bsp == 0) {
          ++r;
          break;
        }
        const int16_t a = int16_t(RegWord(r->a)), b = int16_t(RegWord(r->b));
        int16_t v;
        const bool ok = IntOp(r->opcode, a, b, v);
        // The cells stay in the stack's memory above its top, as the parts leave them.
        m.words[m.wsp] = uint16_t(v);
        m.words[m.wsp + 1] = uint16_t(b);
        SetRegWord(r->c, uint16_t(v));
        if (!ok) m.bits[m.bsp - 1] = 0;
        r += 5;
        break;
      }
      case Rec::kIntCompareCoil: {
        if (m.wsp + 2u > kWordStackSize || m.bsp == 0) {
          ++r;
          break;
        }
        const int16_t a = int16_t(RegWord(r->a));
        const int16_t b = int16_t(r->d & 1 ? uint16_t(r->b) : RegWord(r->b));
        const uint8_t holds = IntCompare(r->opcode, a, b);
        m.words[m.wsp] = uint16_t(a);
        m.words[m.wsp + 1] = uint16_t(b);
        m.bits[--m.bsp] = holds;
        kBooleanEntries[r->d >> 1].coil(BitRef{r->c >> 3, uint8_t(r->c & 7)}, holds);
        r += 5;
        break;
      }
    }
  }
}

}  // namespace logic
