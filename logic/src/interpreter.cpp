// The fetch and dispatch loop, in two parts.
//
// The fast path runs what makes up most of a ladder program: contact words (1024 and
// above), the boolean operators and the coils, inline from their tables (boolean.h).
// It is compiled once per operand form, so the form costs nothing per instruction, and
// it keeps its position as a pointer into the stream and the bit stack depth in locals.
// One bounds check per instruction covers the opcode and its longest boolean operand:
// the fast path only runs while that many words remain, so nothing inside it can read
// past the stream. A contact reads the next word before it pushes: a boolean opcode
// right after it (most operators and coils follow a contact) takes the contact's power
// flow and the entry below it from registers.
//
// The careful path runs one instruction at a time through the opcode table's handlers,
// which check every read themselves and report every fault: every other opcode, every
// case the fast path leaves (a stack too shallow or too full, an operand that names no
// bit) and the last few words of the stream. After it, the fast path takes over again.
#include "interpreter.h"

#include <array>

#include "boolean.h"
#include "ground/regimage.h"
#include "opcode_table.h"

namespace logic {

namespace {

uint16_t WordAt(const uint8_t* p) {
  uint16_t w;
  std::memcpy(&w, p, 2);
  return w;
}

// The power flow a contact word pushes: its bit of the image as an on/off byte. The bit
// is read from the aligned 32-bit word that holds it: its position there is the low five
// bits of the contact word (1024 is a multiple of 32), which the shift takes as it is,
// one operation fewer than a byte and a bit number. The highest contact word's 32-bit
// word lies well inside the image.
static_assert(kFirstContact % 32 == 0 && (0xFFFFu - kFirstContact) / 32 * 4 + 4 <= reg::kImageSize);
inline uint8_t ContactFlow(uint32_t w) {
  uint32_t word;
  std::memcpy(&word, plc_reg + (std::size_t(w >> 5) * 4 - kFirstContact / 8), 4);
  return uint8_t(0u - ((word >> (w & 31)) & 1u));
}

template <bool Form16>
struct Form {
  // Words of a coil's bit operand.
  static constexpr uint32_t kBitWords = Form16 ? 1 : 2;

  // The bit a coil's operand at p names; false when it names none.
  static bool CoilBit(const uint8_t* p, BitRef& r) {
    const uint32_t t = Form16 ? WordAt(p) : WordAt(p) | (uint32_t(WordAt(p + 2)) << 16);
    return BitOfToken(t, r);
  }
};

// The locals of the fast path: the next word to read, the first word it may not run,
// and the bit stack with a copy of its top entry (meaningless while it is empty). The
// stack in memory holds every entry, the top included, whenever an instruction ends, so
// an operation stores only the slots it changes.
struct Hot {
  const uint8_t* pc;
  const uint8_t* end;
  std::size_t bsp;
  uint8_t* bits;
  uint8_t top;

  // The top entry from memory, after a pop; entry 0 of an empty stack.
  uint8_t LoadTop() const { return bits[bsp - (bsp != 0)]; }
};

// The top after an operator that read `reads` entries from base, computed them into v,
// and changed the depth (already in h.bsp) by `change`.
template <int reads, int change>
inline uint8_t NewTop(const Hot& h, const uint8_t* v, const uint8_t* base) {
  constexpr int top = reads + change - 1;  // numbered from base
  if constexpr (top >= 0 && top < reads) {
    return v[top];
  } else if constexpr (top == reads) {
    return base[top];  // the slot above, brought back
  } else {
    return h.LoadTop();
  }
}

// One boolean opcode with its table entry known at compile time, so that its operation
// is inlined. False when the case is left to the careful path. Its operand words lie
// inside the stream.
template <bool Form16, uint16_t Op>
inline bool Boolean(Hot& h) {
  constexpr BooleanEntry e = kBooleanEntries[Op];
  if constexpr (e.kind == BooleanKind::kOperator) {
    constexpr int reads = e.reads, change = e.depth_change;
    if (h.bsp < std::size_t(reads)) return false;
    // The depth never exceeds the stack's size, so only an operator that grows the stack
    // can overflow it.
    if constexpr (change > 0) {
      if (h.bsp + change > kBitStackSize) return false;
    }
    uint8_t* const base = h.bits + h.bsp - reads;
    uint8_t v[3] = {};
    for (int i = 0; i + 1 < reads; ++i) v[i] = base[i];
    if constexpr (reads > 0) v[reads - 1] = h.top;
    e.op(v);
    constexpr std::array<bool, 3> written = SlotsWritten(Op);
    for (int i = 0; i < reads; ++i) {
      if (written[i]) base[i] = v[i];
    }
    h.bsp += change;
    h.top = NewTop<reads, change>(h, v, base);
    return true;
  } else {
    static_assert(e.kind == BooleanKind::kCoil);
    BitRef r;
    if (h.bsp == 0 || !Form<Form16>::CoilBit(h.pc, r)) return false;
    h.pc += 2 * Form<Form16>::kBitWords;
    e.coil(r, h.top);
    --h.bsp;
    h.top = h.LoadTop();
    return true;
  }
}

// A contact followed by the boolean opcode Op: the same as pushing flow and running Op,
// but the contact's entry and the entry below it come from registers rather than from the
// stack in memory, and a coil right after its contact leaves the depth and the top as
// they were. False, with flow pushed, when the case is left to the careful path. The
// stack has room for flow.
template <bool Form16, uint16_t Op>
inline bool AfterContact(Hot& h, uint8_t flow) {
  constexpr BooleanEntry e = kBooleanEntries[Op];
  if constexpr (e.kind == BooleanKind::kOperator) {
    constexpr int reads = e.reads, change = e.depth_change;
    const std::size_t depth = h.bsp + 1;  // with the contact's entry
    if (depth < std::size_t(reads) || (change > 0 && depth + change > kBitStackSize)) {
      h.bits[h.bsp++] = flow;
      h.top = flow;
      return false;
    }
    uint8_t* const base = h.bits + depth - reads;
    uint8_t v[3] = {};
    for (int i = 0; i + 2 < reads; ++i) v[i] = base[i];
    if constexpr (reads >= 2) v[reads - 2] = h.top;
    if constexpr (reads >= 1) v[reads - 1] = flow;
    e.op(v);
    // The slot of the contact's entry is stored also when Op pops it: 56 may bring it
    // back. The slots below it are in memory already.
    if constexpr (reads == 0) h.bits[h.bsp] = flow;
    constexpr std::array<bool, 3> written = SlotsWritten(Op);
    for (int i = 0; i < reads; ++i) {
      if (written[i] || i == reads - 1) base[i] = v[i];
    }
    h.bsp = depth + change;
    h.top = NewTop<reads, change>(h, v, base);
    return true;
  } else {
    static_assert(e.kind == BooleanKind::kCoil);
    // The coil pops the contact's entry: its slot keeps it for 56.
    h.bits[h.bsp] = flow;
    BitRef r;
    if (!Form<Form16>::CoilBit(h.pc, r)) {
      ++h.bsp;
      h.top = flow;
      return false;
    }
    h.pc += 2 * Form<Form16>::kBitWords;
    e.coil(r, flow);
    return true;
  }
}

// The opcodes the fast path runs, and the slot of every word below 1024 in its jump
// table: slot 0 leaves the word to the careful path, slot 1 + i runs kFastOpcodes[i].
inline constexpr uint16_t kFastOpcodes[] = {32, 33, 34, 35, 36, 38, 50, 51, 52, 53,
                                            54, 55, 56, 60, 61, 62, 63, 64, 65};
static_assert(std::size(kFastOpcodes) == std::size(kStackOperators) + std::size(kCoilWrites));

consteval std::array<uint8_t, kFirstContact> FastSlots() {
  std::array<uint8_t, kFirstContact> slots{};
  for (std::size_t i = 0; i < std::size(kFastOpcodes); ++i) {
    // A throw here stops the compilation.
    if (kBooleanEntries[kFastOpcodes[i]].kind == BooleanKind::kNone) throw "not a boolean opcode";
    slots[kFastOpcodes[i]] = uint8_t(1 + i);
  }
  return slots;
}
inline constexpr std::array<uint8_t, kFirstContact> kFastSlots = FastSlots();

// Runs the instruction word w, read with m.ip just after it, through its handler, a
// contact inline. False when the machine stopped.
bool Dispatch(Machine& m, uint16_t w) {
  if (w >= kFirstContact) {
    m.Push(ContactFlow(w));
  } else if (w < kOpcodeCount) {
    kOpcodeHandlers[w](m, w);
  } else {
    m.Fail(Stop::kInvalidOpcode);  // groups 9 to 15
  }
  return !m.Failed();
}

// Runs one instruction at m.ip. False when the machine stopped.
bool Step(Machine& m) {
  const uint16_t w = m.Next();
  return !m.Failed() && Dispatch(m, w);
}

// GCC merges identical code tails into one (cross-jumping), which would fold the fast
// path's copies of its dispatch back into a few shared indirect jumps, which are
// predicted worse: mixed rungs ran slower and less steadily that way.
#if defined(__GNUC__) && !defined(__clang__)
#define KEEP_DISPATCH_COPIES __attribute__((optimize("no-crossjumping")))
#else
#define KEEP_DISPATCH_COPIES
#endif

// Runs the machine from m.ip while instructions start before word fast_end. The
// opcodes go through jump tables of label addresses (a GCC extension), whose targets
// follow the slots: one indirect jump per opcode, without the range check and the table
// arithmetic of a switch. True when it reached fast_end, false when the machine stopped.
template <bool Form16>
KEEP_DISPATCH_COPIES bool RunFast(Machine& m, uint32_t fast_end) {
  static const void* const kTargets[] = {
      &&handler, &&op32, &&op33, &&op34, &&op35, &&op36, &&op38, &&op50, &&op51, &&op52,
      &&op53,    &&op54, &&op55, &&op56, &&op60, &&op61, &&op62, &&op63, &&op64, &&op65,
  };
  static_assert(std::size(kTargets) == 1 + std::size(kFastOpcodes));
  // The same slots, for the instruction after a contact.
  static const void* const kAfterContact[] = {
      &&pushed_then_handler, &&ac32, &&ac33, &&ac34, &&ac35, &&ac36, &&ac38,
      &&ac50,                &&ac51, &&ac52, &&ac53, &&ac54, &&ac55, &&ac56,
      &&ac60,                &&ac61, &&ac62, &&ac63, &&ac64, &&ac65,
  };
  static_assert(std::size(kAfterContact) == std::size(kTargets));
  Hot h{m.code + 2 * std::size_t(m.ip), m.code + 2 * std::size_t(fast_end), m.bsp, m.bits, 0};
  h.top = h.LoadTop();
  uint32_t w;
  uint8_t flow = 0;  // a contact's power flow, not yet pushed

  // Every instruction ends in its own copy of the fetch and dispatch, not in a jump to a
  // shared one: each copy's indirect jump is predicted from the opcode it follows, and a
  // contact after an opcode is one conditional branch.
#define FAST_DISPATCH()                   \
  do {                                    \
    if (h.pc >= h.end) goto reached_end;  \
    w = WordAt(h.pc);                     \
    h.pc += 2;                            \
    if (w >= kFirstContact) goto contact; \
    goto* kTargets[kFastSlots[w]];        \
  } while (false)
  // An opcode on its own, and the same opcode right after a contact.
#define FAST_OPCODE(n)                                         \
  op##n : if (!Boolean<Form16, n>(h)) goto handler;            \
  FAST_DISPATCH();                                             \
  ac##n : if (!AfterContact<Form16, n>(h, flow)) goto handler; \
  FAST_DISPATCH()

  FAST_DISPATCH();

contact:
  // A contact looks at the next instruction before it pushes: a contact after it needs
  // the push, a boolean opcode after it runs with the contact's entry in a register.
  if (h.bsp == kBitStackSize) goto handler;
  flow = ContactFlow(w);
  if (h.pc >= h.end) {
    h.top = flow;
    h.bits[h.bsp++] = flow;
    goto reached_end;
  }
  w = WordAt(h.pc);
  h.pc += 2;
  if (w < kFirstContact) goto* kAfterContact[kFastSlots[w]];
  h.top = flow;
  h.bits[h.bsp++] = flow;
  goto contact;

pushed_then_handler:
  h.top = flow;
  h.bits[h.bsp++] = flow;
  goto handler;

  FAST_OPCODE(32);
  FAST_OPCODE(33);
  FAST_OPCODE(34);
  FAST_OPCODE(35);
  FAST_OPCODE(36);
  FAST_OPCODE(38);
  FAST_OPCODE(50);
  FAST_OPCODE(51);
  FAST_OPCODE(52);
  FAST_OPCODE(53);
  FAST_OPCODE(54);
  FAST_OPCODE(55);
  FAST_OPCODE(56);
  FAST_OPCODE(60);
  FAST_OPCODE(61);
  FAST_OPCODE(62);
  FAST_OPCODE(63);
  FAST_OPCODE(64);
  FAST_OPCODE(65);
#undef FAST_OPCODE

reached_end:
  m.ip = uint32_t((h.pc - m.code) / 2);
  m.bsp = uint8_t(h.bsp);
  return true;

handler:
  // Every other opcode, and every case the fast path leaves (a contact on a full stack,
  // a stack too shallow or too full for an operator, a coil operand that names no bit):
  // the word w, with h.pc just after it, through the careful path, which reports the
  // fault if there is one.
  m.ip = uint32_t((h.pc - m.code) / 2);
  m.bsp = uint8_t(h.bsp);
  if (!Dispatch(m, uint16_t(w))) return false;
  h.pc = m.code + 2 * std::size_t(m.ip);
  h.bsp = m.bsp;
  h.top = h.LoadTop();
  FAST_DISPATCH();
#undef FAST_DISPATCH
}
#undef KEEP_DISPATCH_COPIES

template <bool Form16>
void Run(Machine& m) {
  // The fast path runs an instruction at word i only while i < fast_end: its opcode and
  // a coil's operand then lie inside the stream. The words after it run one by one.
  constexpr uint32_t reach = 1 + Form<Form16>::kBitWords;
  const uint32_t fast_end = m.size >= reach ? m.size - reach + 1 : 0;
  for (;;) {
    if (m.ip < fast_end && !RunFast<Form16>(m, fast_end)) return;
    if (!Step(m)) return;
  }
}

}  // namespace

bool StepCareful(Machine& m) { return Step(m); }

void Interpret(Machine& m) {
  if (m.form16)
    Run<true>(m);
  else
    Run<false>(m);
}

}  // namespace logic
