// The decoder of the threaded form: reads each instruction's operands with the careful
// interpreter's own operand readers, so a record resolves exactly the offset the handler
// would, and an operand the handler would refuse leaves the instruction to the handler.
#include <algorithm>
#include <bit>
#include <cstring>

#include "boolean.h"
#include "opcode_map.h"
#include "ground/tablestore.h"
#include "operands.h"
#include "record_operands.h"
#include "timers.h"
#include "threaded.h"
#include "threaded_arena.h"

namespace logic {

namespace arena {

Threaded records[kMaxRecords];
Extra extra[kMaxRecords];
uint32_t index[kMaxWords + 1];
uint32_t count = 0;
const uint8_t* stream = nullptr;
uint32_t words = 0;
bool form16 = true;
bool valid = false;
DecodeStats stats;
uint32_t rung_tables[kMaxRungTables][8];
uint32_t rung_table_count = 0;

}  // namespace arena

namespace {

using namespace arena;

// Positions still to decode in this decoding, and the records to patch at its end.
constexpr uint32_t kWorkCap = 2 * kMaxWords + 2;
uint32_t g_work[kWorkCap];
uint32_t g_work_count = 0;
// One run's records before they are joined and stored.
constexpr uint32_t kRunCap = 4096;
Record g_run[kRunCap];

// Opcodes that read no operand from the stream: their handler runs on the stacks alone.
constexpr bool OperandLess(uint16_t op) {
  return (op >= 120 && op <= 137) || (op >= 140 && op <= 158) || (op >= 160 && op <= 177) ||
         (op >= 192 && op <= 194) || (op >= 280 && op <= 288) || op == 108 || op == 109;
}

const TimerRow* TimerOf(uint16_t op) {
  for (const TimerRow& t : kTimerKinds)
    if (op == t.opcode || op == t.opcode + 1) return &t;
  return nullptr;
}

// The LREAL instruction: the commonest sub-opcodes run inline; the others through the
// handler, their operands read here to find the next instruction.
void DecodeLreal(Machine& s, Record& r) {
  const uint16_t sub = Imm16(s);
  r.b = sub;
  r.kind = Rec::kHandlerOperands;
  switch (sub) {
    case 0: case 1: case 2: case 3: case 4: case 5: r.kind = Rec::kLrealCompare; break;
    case 16: r.kind = Rec::kLrealAdd; break;
    case 17: r.kind = Rec::kLrealSub; break;
    case 18: r.kind = Rec::kLrealMul; break;
    case 19: r.kind = Rec::kLrealDiv; break;
    case 21: r.kind = Rec::kLrealSqrt; break;
    case 22: r.kind = Rec::kLrealAbs; break;
    case 32: WordOperand(s, 1); break;
    case 33: case 34: WordOperand(s, 2); break;
    case 35: case 36: case 37: WordOperand(s, 4); break;
    case 38:
      WordOperand(s, 4);
      ByteOperand(s);
      break;
    case 39:
      ByteOperand(s);
      WordOperand(s, 4);
      for (int i = 0; i < 12; ++i) Imm16(s);  // an unused word, the length, the format
      break;
    case 48:
      WordOperand(s, 4);
      WordOperand(s, 4);
      break;
    case 49:
      WordOperand(s, 4);
      for (int i = 0; i < 4; ++i) Imm16(s);
      break;
    default: break;  // no operands
  }
  r.d = s.ip;
}

bool IsCoil(uint16_t op) { return op < kBooleanOpcodes && kBooleanEntries[op].kind == BooleanKind::kCoil; }

// Decodes the instruction at p (p <= words) into r; the position after it in next.
// False when the run ends with it (the machine's next position is known only at run
// time).
bool DecodeOne(uint32_t p, Record& r, uint32_t& next) {
  r = Record{Rec::kCareful, 0, p, 0, 0, 0, 0};
  if (p >= words) return false;  // the careful interpreter reports running off the end
  // The careful operand readers on a machine of the decoder's own, which no scan sees.
  static Machine s;
  s.Reset(stream, words, form16);
  s.ip = p;
  const uint16_t w = s.Next();
  r.opcode = w;
  if (w >= kFirstContact) {
    r.kind = Rec::kContact;
    r.a = uint32_t(w - kFirstContact) / 8;
    r.b = 1u << (w % 8);
    next = s.ip;
    return true;
  }
  bool ends = false;
  switch (w) {
    case 31: {
      const BitRef b = BitOperand(s);
      r = {Rec::kContact, w, p, b.byte, uint32_t(1u << b.bit), 0, 0};
      break;
    }
    case 80: r.kind = Rec::kPushWord, r.a = WordOperand(s, 1); break;
    case 83: r.kind = Rec::kPushDouble, r.a = WordOperand(s, 2); break;
    case 81: r.kind = Rec::kPushImm, r.a = Imm16(s); break;
    case 84: r.kind = Rec::kPushImm32, r.a = Imm32(s); break;
    case 82: r.kind = Rec::kPullWord, r.a = WordOperand(s, 1); break;
    case 85: r.kind = Rec::kPullDouble, r.a = WordOperand(s, 2); break;
    case 540: r.kind = Rec::kPushQuad, r.a = WordOperand(s, 4); break;
    case 541:
      r.kind = Rec::kPushImm64;
      r.a = Imm32(s);
      r.b = Imm32(s);
      break;
    case 542: r.kind = Rec::kPullQuad, r.a = WordOperand(s, 4); break;
    case 543: DecodeLreal(s, r); break;
    case 90:
      r.kind = Rec::kMoveWord;
      r.a = WordOperand(s);
      r.b = WordOperand(s);
      break;
    case 92:
      r.kind = Rec::kMoveImm;
      r.a = WordOperand(s);
      r.b = Imm16(s);
      break;
    case 9: r.kind = Rec::kEnd, ends = true; break;
    case 74: r.kind = Rec::kReturn; break;
    case 68: case 71: case 69: case 73: case 70: {
      const int32_t off = w == 68 || w == 69 ? Offset32(s) : w == 70 ? Offset16Unsigned(s) : Offset16Signed(s);
      const int64_t target = int64_t(s.ip) + off;
      // A target outside the stream is the handler's fault to report, when it is taken.
      if (s.Failed() || target < 0 || target >= int64_t(words)) return false;
      r.kind = w == 70 ? Rec::kSkipIfOff : (w == 69 || w == 73) ? Rec::kCall : Rec::kJump;
      r.c = uint32_t(target);  // a word until the patch turns it into a record
      r.d = s.ip;              // a call's return position
      r.a = r.c < r.d;         // a jump backward
      break;
    }
    default:
      if (w < kBooleanOpcodes && kBooleanEntries[w].kind == BooleanKind::kOperator) {
        r.kind = Rec::kOperator;
      } else if (IsCoil(w)) {
        const BitRef b = BitOperand(s);
        r.kind = Rec::kCoil;
        r.a = b.byte;
        r.b = b.bit;
      } else if (OperandLess(w)) {
        r.kind = Rec::kHandler;
        switch (w) {
          case 124: r.kind = Rec::kAddDint; break;
          case 125: r.kind = Rec::kSubDint; break;
          case 126: r.kind = Rec::kMulDint; break;
          case 128: r.kind = Rec::kAddReal; break;
          case 129: r.kind = Rec::kSubReal; break;
          case 130: r.kind = Rec::kMulReal; break;
          case 131: r.kind = Rec::kDivReal; break;
          case 120: r.kind = Rec::kAddInt; break;
          case 121: r.kind = Rec::kSubInt; break;
          case 122: r.kind = Rec::kMulInt; break;
          case 123: r.kind = Rec::kDivInt; break;
          default:
            if (w >= 160 && w <= 165) r.kind = Rec::kCompareInt;
            if (w >= 166 && w <= 171) r.kind = Rec::kCompareDint;
            if (w >= 172 && w <= 177) r.kind = Rec::kCompareReal;
        }
      } else if (const TimerRow* t = TimerOf(w)) {
        // Timers run inline, each row with its own code; one whose record or preset the
        // careful handler would refuse stays with it (its handler reads the operands
        // again; reading them here tells where the next instruction starts).
        BitRef reset{0, 0};
        if (t->kind == TimerKind::kAccumulating) reset = BitOperand(s);
        r.kind = Rec::kHandlerOperands;
        bool inline_ok;
        uint32_t record, preset;
        if (t->wide) {
          RecordOperands<true> ops;
          inline_ok = ops.Read(s, w & 1);
          record = ops.record;
          preset = ops.immediate ? uint32_t(ops.immediate_preset) : ops.preset_at;
        } else {
          RecordOperands<false> ops;
          inline_ok = ops.Read(s, w & 1);
          record = ops.record;
          preset = ops.immediate ? uint32_t(ops.immediate_preset) : ops.preset_at;
        }
        if (inline_ok) {
          r.kind = Rec::kTimer;
          r.a = record;
          r.b = preset;
          r.c = reset.byte << 3 | reset.bit;
        }
        r.d = s.ip;
      } else if (w >= 200 && w <= 203) {
        const BitRef reset = BitOperand(s);
        RecordOperands<false> ops;
        r.kind = Rec::kHandlerOperands;
        if (ops.Read(s, w & 1) && ops.immediate) {
          r.kind = Rec::kCounter16;
          r.a = ops.record;
          r.b = uint32_t(ops.immediate_preset);
          r.c = reset.byte << 3 | reset.bit;
        }
        r.d = s.ip;
      } else {
        return false;  // its operands are the handler's to read
      }
  }
  if (s.Failed()) {
    r = Record{Rec::kCareful, w, p, 0, 0, 0, 0};
    return false;
  }
  next = s.ip;
  return !ends;
}

// The place of an operator or coil in its table of the boolean family.
template <class Table>
uint16_t Place(const Table& table, uint16_t op) {
  uint16_t i = 0;
  while (table[i].opcode != op) ++i;
  return i;
}

// The rung tables of this decoding by their contents (a table number plus one, 0 free).
constexpr uint32_t kRungSlots = 2 * kMaxRungTables;
uint16_t g_rung_slots[kRungSlots];

// The number of the rung table with these rows, made now when no rung had it before;
// -1 when the tables are full.
int RungTable(const uint32_t (&rows)[8]) {
  uint32_t h = 2166136261u;
  for (uint32_t v : rows) h = (h ^ v) * 16777619u;
  for (uint32_t i = h % kRungSlots;; i = (i + 1) % kRungSlots) {
    const uint16_t t = g_rung_slots[i];
    if (t == 0) {
      if (rung_table_count == kMaxRungTables) return -1;
      std::memcpy(rung_tables[rung_table_count], rows, sizeof rows);
      g_rung_slots[i] = uint16_t(++rung_table_count);
      return int(rung_table_count - 1);
    }
    if (std::memcmp(rung_tables[t - 1], rows, sizeof rows) == 0) return t - 1;
  }
}

// A bit as the joined boolean records other than the rungs keep it: byte << 8 | mask.
uint32_t ByteMask(uint32_t byte, uint32_t mask) { return byte << 8 | mask; }

// A boolean rung whose operators read only what its own two or three contacts pushed,
// ending in a coil that pops the rung's first slot: everything it leaves (its slots and
// the coil's power flow) follows from its contacts alone, so it runs from a table made
// here. The shape of two contacts and one operator is left to its own kinds.
uint32_t JoinRung(const Record* run, uint32_t n, Record& j) {
  constexpr uint32_t kMaxParts = 9;
  uint32_t contacts = 0, depth = 0, deepest = 0, i = 0;
  for (; i < n && i < kMaxParts; ++i) {
    const Record& r = run[i];
    if (r.kind == Rec::kContact) {
      if (contacts == 3) return 0;
      ++contacts;
      deepest = std::max(deepest, ++depth);
    } else if (r.kind == Rec::kOperator) {
      const StackOperator& o = kStackOperators[Place(kStackOperators, r.opcode)];
      if (o.reads == 0 || o.reads > depth) return 0;
      depth += o.depth_change;
    } else {
      break;
    }
  }
  if (i == n || i == kMaxParts || run[i].kind != Rec::kCoil || depth != 1 || contacts < 2 || deepest < 2 ||
      (contacts == 2 && i == 3) || i + 2 < kMinRungRecords)
    return 0;
  static_assert(kMaxParts + 1 == kMaxRungRecords);
  uint32_t rows[8] = {};
  for (uint32_t k = 0; k < (1u << contacts); ++k) {
    uint8_t slots[3] = {};
    uint32_t d = 0, c = 0;
    for (uint32_t p = 0; p < i; ++p) {
      if (run[p].kind == Rec::kContact) {
        slots[d++] = (k >> c++ & 1) ? 0xFF : 0;
      } else {
        const StackOperator& o = kStackOperators[Place(kStackOperators, run[p].opcode)];
        o.apply(slots + d - o.reads);
        d += o.depth_change;
      }
    }
    rows[k] = slots[0] | slots[1] << 8 | slots[2] << 16;
  }
  const int table = RungTable(rows);
  if (table < 0) return 0;
  const uint32_t shape = contacts == 2 ? 0 : deepest == 2 ? 1 : 2;
  uint32_t bits[3] = {};
  for (uint32_t p = 0, c = 0; p < i; ++p)
    if (run[p].kind == Rec::kContact) bits[c++] = run[p].b << 24 | run[p].a;
  const uint32_t count = i + 2;  // the joined record, the contacts and operators, the coil
  const Rec kind =
      Rec(uint16_t(Rec::kRungBase) + 18 * (count - kMinRungRecords) + 6 * shape + Place(kCoilWrites, run[i].opcode));
  j = {kind, uint16_t(table), run[0].ip, bits[0], bits[1], bits[2], 1u << (24 + run[i].b) | run[i].a};
  return i + 1;
}
uint16_t TimerPlace(uint16_t op) {
  uint16_t i = 0;
  while (kTimerKinds[i].opcode != (op & ~1u)) ++i;
  return i;
}
// A contact's bit, byte << 3 | bit.
uint32_t PackedBit(const Record& contact) { return contact.a << 3 | uint32_t(std::countr_zero(contact.b)); }

// The numeric operators that join with their transfers, in the order of their kinds,
// and the types they work on: 0 INT, 1 DINT, 2 REAL, 3 LREAL.
constexpr Rec kNumOpKinds[kNumOps] = {
    Rec::kAddInt,  Rec::kSubInt,  Rec::kMulInt,  Rec::kDivInt,   Rec::kAddDint,  Rec::kSubDint,  Rec::kMulDint,
    Rec::kAddReal, Rec::kSubReal, Rec::kMulReal, Rec::kDivReal, Rec::kLrealAdd, Rec::kLrealSub, Rec::kLrealMul,
    Rec::kLrealDiv,
};
int NumOpIndex(Rec k) {
  for (int i = 0; i < kNumOps; ++i)
    if (kNumOpKinds[i] == k) return i;
  return -1;
}
int TypeOfOp(int op) { return op < 0 ? -1 : op < 4 ? 0 : op < 7 ? 1 : op < 11 ? 2 : 3; }
int CompareType(Rec k) {
  switch (k) {
    case Rec::kCompareInt: return 0;
    case Rec::kCompareDint: return 1;
    case Rec::kCompareReal: return 2;
    case Rec::kLrealCompare: return 3;
    default: return -1;
  }
}
// A compare's relation as the set of orders in which it holds: 1 below, 2 equal, 4
// above, 8 unordered (a NaN). INT, DINT and REAL compares come in the order == != < >
// <= >=, the LREAL compare's sub-opcodes in the order == != > < >= <=.
uint32_t RelationMask(const Record& compare) {
  constexpr uint8_t kByOpcode[] = {2, 13, 1, 4, 3, 6}, kBySub[] = {2, 13, 4, 1, 6, 3};
  if (compare.kind == Rec::kLrealCompare) return kBySub[compare.b];
  const uint16_t first = compare.kind == Rec::kCompareInt ? 160 : compare.kind == Rec::kCompareDint ? 166 : 172;
  return kByOpcode[compare.opcode - first];
}
struct NumTransfers {
  Rec push, push_imm, pull;
};
// The transfers of a type; kinds no record has where there are none (no type, or an
// LREAL immediate, which takes two fields).
NumTransfers TransfersOf(int type) {
  switch (type) {
    case 0: return {Rec::kPushWord, Rec::kPushImm, Rec::kPullWord};
    case 1: case 2: return {Rec::kPushDouble, Rec::kPushImm32, Rec::kPullDouble};
    case 3: return {Rec::kPushQuad, Rec::kKinds, Rec::kPullQuad};
    default: return {Rec::kKinds, Rec::kKinds, Rec::kKinds};
  }
}

// A numeric shape of `parts` records joined with the plain coil after it, when there is
// one: its kind moved by `offset`, the coil's bit in d >> 1.
uint32_t WithCoil(const Record* run, uint32_t n, uint32_t parts, uint16_t offset, Record& j) {
  if (n <= parts || run[parts].kind != Rec::kCoil || run[parts].opcode != 38) return parts;
  j.kind = Rec(uint16_t(j.kind) + offset);
  j.d |= ByteMask(run[parts].a, 1u << run[parts].b) << 1;
  return parts + 1;
}

// The place among the contact-led kinds (kContactNumBase) of a numeric shape's kind; -1
// for a shape without one.
int ContactNumPlace(Rec kind) {
  const struct {
    Rec first;
    uint16_t n;
  } kRanges[] = {{Rec::kPushPushOpBase, kNumOps},
                 {Rec::kPushPushOpPullBase, kNumOps},
                 {Rec::kPushPushOpPullCoilBase, kNumOps},
                 {Rec::kPushPushCompareCoilBase, 4}};
  int place = 0;
  for (const auto& range : kRanges) {
    const int k = int(kind) - int(range.first);
    if (k >= 0 && k < range.n) return place + k;
    place += range.n;
  }
  return -1;
}

// The joined shape that starts at run[i], with the number of parts it covers; 0 when
// none does.
uint32_t Join(const Record* run, uint32_t n, Record& j) {
  const Record& r0 = run[0];
  // Boolean rungs.
  if (const uint32_t parts = JoinRung(run, n, j); parts != 0) return parts;
  if (n >= 4 && r0.kind == Rec::kContact &&
      (run[1].kind == Rec::kPushWord || run[1].kind == Rec::kPushDouble || run[1].kind == Rec::kPushQuad)) {
    const uint32_t parts = Join(run + 1, n - 1, j);
    const int place = ContactNumPlace(j.kind);
    if (parts != 0 && place >= 0) {
      j.ip = r0.ip;
      j.e = ByteMask(r0.a, r0.b);
      // An LREAL result through a square root or absolute value, pulled, to a plain coil.
      const int op = int(j.kind) - int(Rec::kPushPushOpBase) - 11;
      const Record* u = run + 1 + parts;
      if (op >= 0 && op < 4 && n >= parts + 4 && (u[0].kind == Rec::kLrealSqrt || u[0].kind == Rec::kLrealAbs) &&
          u[1].kind == Rec::kPullQuad && u[2].kind == Rec::kCoil && u[2].opcode == 38) {
        j.kind = Rec(uint16_t(Rec::kContactUnaryBase) + 2 * op + (u[0].kind == Rec::kLrealAbs));
        j.c = u[1].a;
        j.d = ByteMask(u[2].a, 1u << u[2].b);
        return parts + 4;
      }
      // A second LREAL operator on the result with a pushed register, pulled, to a plain coil.
      const int op2 = n >= parts + 5 && u[0].kind == Rec::kPushQuad ? NumOpIndex(u[1].kind) - 11 : -1;
      if (op >= 0 && op < 4 && op2 >= 0 && op2 < 4 && u[2].kind == Rec::kPullQuad && u[3].kind == Rec::kCoil &&
          u[3].opcode == 38) {
        j.kind = Rec(uint16_t(Rec::kContactTwoOpBase) + 4 * op + op2);
        j.c = u[0].a;
        j.d = u[2].a;
        return parts + 5;
      }
      j.kind = Rec(uint16_t(Rec::kContactNumBase) + place);
      return parts + 1;
    }
  }
  if (n >= 3 && r0.kind == Rec::kContact && run[1].kind == Rec::kContact && run[2].kind == Rec::kOperator) {
    const uint16_t op = Place(kStackOperators, run[2].opcode);
    if (n >= 4 && run[3].kind == Rec::kCoil) {
      const uint16_t coil = Place(kCoilWrites, run[3].opcode);
      j = {Rec(uint16_t(Rec::kContactContactOpCoilBase) + 6 * op + coil), run[2].opcode, r0.ip, r0.a, run[1].a,
           ByteMask(run[3].a, 1u << run[3].b), r0.b | run[1].b << 8};
      return 4;
    }
    j = {Rec(uint16_t(Rec::kContactContactOpBase) + op), run[2].opcode, r0.ip, r0.a, run[1].a, 0, r0.b | run[1].b << 8};
    return 3;
  }
  if (n >= 3 && r0.kind == Rec::kContact && run[1].kind == Rec::kOperator && run[2].kind == Rec::kCoil) {
    const uint16_t op = Place(kStackOperators, run[1].opcode), coil = Place(kCoilWrites, run[2].opcode);
    j = {Rec(uint16_t(Rec::kContactOpCoilBase) + 6 * op + coil), run[1].opcode, r0.ip, r0.a, 0,
         ByteMask(run[2].a, 1u << run[2].b), r0.b};
    return 3;
  }
  // A contact and a jump over a contact and its coil to the instruction after them.
  if (n >= 5 && r0.kind == Rec::kContact && run[1].kind == Rec::kJump && run[2].kind == Rec::kContact &&
      run[3].kind == Rec::kCoil && run[3].opcode == 38 && run[1].c == run[4].ip && run[1].c > run[1].d) {
    j = {Rec::kJumpOverCoil, run[1].opcode, r0.ip, r0.a, r0.b | run[2].b << 8, run[2].a, ByteMask(run[3].a, 1u << run[3].b)};
    return 4;
  }
  // A contact and a skip over a contact and an operator on both to the coil after them.
  if (n >= 5 && r0.kind == Rec::kContact && run[1].kind == Rec::kSkipIfOff && run[2].kind == Rec::kContact &&
      run[3].kind == Rec::kOperator && run[4].kind == Rec::kCoil && run[4].opcode == 38 && run[1].c == run[4].ip) {
    const uint16_t op = Place(kStackOperators, run[3].opcode);
    if (kStackOperators[op].reads == 2 && kStackOperators[op].depth_change == -1) {
      j = {Rec(uint16_t(Rec::kSkipToCoilBase) + op), run[1].opcode, r0.ip, r0.a, r0.b | run[2].b << 8, run[2].a,
           ByteMask(run[4].a, 1u << run[4].b)};
      return 5;
    }
  }
  // A contact and the instruction that takes its power flow.
  if (n >= 2 && r0.kind == Rec::kContact) {
    const Record& r1 = run[1];
    Rec kind = Rec::kCareful;
    switch (r1.kind) {
      case Rec::kJump: kind = Rec::kContactJump; break;
      case Rec::kSkipIfOff: kind = Rec::kContactSkip; break;
      case Rec::kCall: kind = Rec::kContactCall; break;
      case Rec::kReturn: kind = Rec::kContactReturn; break;
      case Rec::kTimer:
        if (n >= 3 && run[2].kind == Rec::kCoil && run[2].opcode == 38) {
          j = {Rec(uint16_t(Rec::kContactTimerCoilBase) + TimerPlace(r1.opcode)), r1.opcode, r0.ip, r1.a, r1.b, r1.c,
               PackedBit(r0), ByteMask(run[2].a, 1u << run[2].b)};
          return 3;
        }
        kind = Rec(uint16_t(Rec::kContactTimerBase) + TimerPlace(r1.opcode));
        break;
      case Rec::kCounter16: kind = Rec::kContactCounter; break;
      default: break;
    }
    if (kind != Rec::kCareful) {
      j = {kind, r1.opcode, r0.ip, r1.a, r1.b, r1.c, PackedBit(r0)};
      // A flow instruction takes the contact as byte d and mask b; a call its return
      // position in a, a jump whether it leads backward.
      if (r1.kind == Rec::kJump || r1.kind == Rec::kSkipIfOff || r1.kind == Rec::kCall || r1.kind == Rec::kReturn) {
        j.b = r0.b;
        j.d = r0.a;
        j.a = r1.kind == Rec::kCall ? r1.d : uint32_t(r1.c < r1.d);
      }
      return 2;
    }
  }
  if (n >= 2 && r0.kind == Rec::kContact && run[1].kind == Rec::kCoil) {
    j = {Rec::kContactCoil, run[1].opcode, r0.ip, r0.a, r0.b, ByteMask(run[1].a, 1u << run[1].b), 0};
    return 2;
  }
  if (n >= 2 && r0.kind == Rec::kContact && run[1].kind == Rec::kOperator) {
    j = {Rec::kContactOperator, run[1].opcode, r0.ip, r0.a, r0.b, 0, 0};
    return 2;
  }
  if (n >= 4 && r0.kind == Rec::kPushWord && (run[1].kind == Rec::kPushWord || run[1].kind == Rec::kPushImm) &&
      run[2].kind == Rec::kCompareInt && run[3].kind == Rec::kCoil && run[3].opcode != 38) {
    j = {Rec::kIntCompareCoil, run[2].opcode, r0.ip, r0.a, run[1].a, run[3].a << 3 | run[3].b,
         uint32_t(run[3].opcode) << 1 | (run[1].kind == Rec::kPushImm)};
    return 4;
  }
  if (n >= 2 && (r0.kind == Rec::kLrealSqrt || r0.kind == Rec::kLrealAbs) && run[1].kind == Rec::kPullQuad) {
    j = {Rec(uint16_t(Rec::kUnaryPullBase) + (r0.kind == Rec::kLrealAbs)), r0.opcode, r0.ip, run[1].a, 0, 0, 0};
    if (n < 3 || run[2].kind != Rec::kCoil || run[2].opcode != 38) return 2;
    j.kind = Rec(uint16_t(j.kind) + 2);
    j.c = ByteMask(run[2].a, 1u << run[2].b);
    return 3;
  }
  // Pushes, an operator or compare and a pull of one type.
  if (n >= 3) {
    const int op = NumOpIndex(run[2].kind), compare = CompareType(run[2].kind);
    const NumTransfers t = TransfersOf(op >= 0 ? TypeOfOp(op) : compare);
    const bool pushes = (op >= 0 || compare >= 0) && r0.kind == t.push &&
                        (run[1].kind == t.push || run[1].kind == t.push_imm);
    const uint32_t imm = run[1].kind == t.push_imm;
    if (pushes && op >= 0 && n >= 4 && run[3].kind == t.pull) {
      j = {Rec(uint16_t(Rec::kPushPushOpPullBase) + op), run[2].opcode, r0.ip, r0.a, run[1].a, run[3].a, imm};
      return WithCoil(run, n, 4, uint16_t(Rec::kPushPushOpPullCoilBase) - uint16_t(Rec::kPushPushOpPullBase), j);
    }
    if (pushes && op >= 0) {
      j = {Rec(uint16_t(Rec::kPushPushOpBase) + op), run[2].opcode, r0.ip, r0.a, run[1].a, 0, imm};
      return 3;
    }
    if (pushes) {
      j = {Rec(uint16_t(Rec::kPushPushCompareBase) + compare), run[2].opcode, r0.ip, r0.a, run[1].a,
           RelationMask(run[2]), imm};
      return WithCoil(run, n, 3, uint16_t(Rec::kPushPushCompareCoilBase) - uint16_t(Rec::kPushPushCompareBase), j);
    }
    const int op1 = NumOpIndex(run[1].kind);
    const NumTransfers t1 = TransfersOf(TypeOfOp(op1));
    if (op1 >= 0 && (r0.kind == t1.push || r0.kind == t1.push_imm) && run[2].kind == t1.pull) {
      j = {Rec(uint16_t(Rec::kPushOpPullBase) + op1), run[1].opcode, r0.ip, 0, r0.a, run[2].a,
           uint32_t(r0.kind == t1.push_imm)};
      return WithCoil(run, n, 3, uint16_t(Rec::kPushOpPullCoilBase) - uint16_t(Rec::kPushOpPullBase), j);
    }
  }
  return 0;
}

// The kind that runs an operator, a coil or a contact-coil pair inline.
Record Specialise(Record r) {
  if (r.kind == Rec::kOperator) r.kind = Rec(uint16_t(Rec::kOperatorBase) + Place(kStackOperators, r.opcode));
  if (r.kind == Rec::kCoil) r.kind = Rec(uint16_t(Rec::kCoilBase) + Place(kCoilWrites, r.opcode));
  if (r.kind == Rec::kContactCoil) r.kind = Rec(uint16_t(Rec::kContactCoilBase) + Place(kCoilWrites, r.opcode));
  if (r.kind == Rec::kContactOperator)
    r.kind = Rec(uint16_t(Rec::kContactOperatorBase) + Place(kStackOperators, r.opcode));
  if (r.kind == Rec::kTimer) r.kind = Rec(uint16_t(Rec::kTimerBase) + TimerPlace(r.opcode));
  return r;
}

void Put(const Record& r) {
  records[count] = r;
  // The contact-led numeric kinds keep their contact in the record, in place of a
  // position no one asks them.
  if (r.kind >= Rec::kContactNumBase && r.kind < Rec::kKinds) records[count].ip = r.e;
  extra[count++] = {r.e};
}

// Stores a run of n records: joined shapes first, each followed by its parts. A link
// takes no position: the position it leads to keeps its own record.
bool Store(const Record* run, uint32_t n) {
  for (uint32_t i = 0; i < n;) {
    Record j;
    uint32_t parts = Join(run + i, n - i, j);
    if (count + 1 + (parts == 0 ? 1 : parts) > kMaxRecords) return false;
    if (parts != 0) {
      index[j.ip] = count + 1;
      Put(Specialise(j));
      ++stats.joined;
    }
    const uint32_t first_part = parts != 0 ? 1 : 0;
    if (parts == 0) parts = 1;
    for (uint32_t k = 0; k < parts; ++k) {
      const Record& r = run[i + k];
      if (k >= first_part && r.kind != Rec::kGoto) index[r.ip] = count + 1;
      stats.careful += r.kind == Rec::kCareful;
      Put(Specialise(r));
    }
    i += parts;
  }
  return true;
}

bool Queue(uint32_t p) {
  if (g_work_count == kWorkCap) return false;
  g_work[g_work_count++] = p;
  return true;
}

// Decodes runs from every position on the work list. A run ends at an instruction that
// decides at run time where the machine goes on, at a position decoded before (a link),
// or when the run buffer is full (a link to the position that continues it).
bool Drain() {
  while (g_work_count != 0) {
    uint32_t p = g_work[--g_work_count];
    if (index[p] != 0) continue;
    uint32_t n = 0;
    for (;;) {
      if (index[p] != 0 || n == kRunCap - 1) {
        g_run[n++] = Record{Rec::kGoto, 0, p, 0, 0, p, 0};
        if (index[p] == 0 && !Queue(p)) return false;
        break;
      }
      uint32_t next = p;
      Record& r = g_run[n++];
      const bool more = DecodeOne(p, r, next);
      const bool targets = r.kind == Rec::kJump || r.kind == Rec::kSkipIfOff || r.kind == Rec::kCall;
      if (targets && index[r.c] == 0 && !Queue(r.c)) return false;
      if (!more) break;
      p = next;
    }
    if (!Store(g_run, n)) return false;
  }
  return true;
}

// Turns the target words of the records from first on into record numbers.
void Patch(uint32_t first) {
  for (uint32_t i = first; i < count; ++i) {
    Threaded& r = records[i];
    switch (r.kind) {
      case Rec::kJump: case Rec::kSkipIfOff: case Rec::kCall: case Rec::kGoto:
      case Rec::kContactJump: case Rec::kContactSkip: case Rec::kContactCall:
        r.c = index[r.c] - 1;
        break;
      default: break;
    }
  }
}

}  // namespace

bool DecodeProgram(const uint8_t* s, uint32_t n, bool form_16bit) {
  valid = false;
  if (n > kMaxWords) return false;
  stream = s;
  words = n;
  form16 = form_16bit;
  count = 0;
  std::memset(index, 0, sizeof(uint32_t) * (std::size_t(n) + 1));
  stats = DecodeStats{.decodes = stats.decodes + 1};
  rung_table_count = 0;
  std::memset(g_rung_slots, 0, sizeof g_rung_slots);
  g_work_count = 0;
  g_work[g_work_count++] = 0;
  if (!Drain()) return false;
  Patch(0);
  stats.records = count;
  valid = true;
  return true;
}

void DropDecoded() { valid = false; }

uint32_t DecodeAt(uint32_t p) {
  if (!valid || p > words) return 0;
  if (index[p] != 0) return index[p];
  const uint32_t first = count;
  g_work_count = 0;
  g_work[g_work_count++] = p;
  if (!Drain()) {
    // The arena is full: what was stored stays, unpatched records are undone.
    for (uint32_t i = first; i < count; ++i)
      if (records[i].ip <= words && index[records[i].ip] > first) index[records[i].ip] = 0;
    count = first;
    return 0;
  }
  Patch(first);
  stats.records = count;
  return index[p];
}

const DecodeStats& DecodedStats() { return stats; }

}  // namespace logic
