// The fetch and dispatch loop, in two parts.
//
// The fast path runs what makes up most of a ladder program: contact words (1024 and
// above), the boolean operators and the coils, inline from their tables (boolean.h).
// It is compiled once per operand form, so the form costs nothing per instruction, and
// it keeps its position as a pointer into the stream and the bit stack depth in locals.
// One bounds check per instruction covers the opcode and its longest boolean operand:
// the fast path only runs while that many words remain, so nothing inside it can read
// past the stream.
//
// The careful path runs one instruction at a time through the opcode table's handlers,
// which check every read themselves and report every fault: every other opcode, every
// case the fast path leaves (a stack too shallow or too full, an operand that names no
// bit) and the last few words of the stream. After it, the fast path takes over again.
#include "interpreter.h"

#include <array>

#include "boolean.h"
#include "kernel/regimage.h"
#include "opcode_table.h"

namespace logic {

namespace {

uint16_t WordAt(const uint8_t* p) {
  uint16_t w;
  std::memcpy(&w, p, 2);
  return w;
}

// The power flow a contact word pushes: its bit of the image as an on/off byte.
inline uint8_t ContactFlow(uint32_t w) {
  const uint32_t byte = plc_reg[std::size_t(w >> 3) - kFirstContact / 8];
  return uint8_t(0u - ((byte >> (w & 7)) & 1u));
}

template <bool Form16>
struct Form {
  // Words of a coil's bit operand.
  static constexpr uint32_t kBitWords = Form16 ? 1 : 2;

  // The bit a coil's operand at p names; false when it names none. A 16-bit form word of
  // 1024 or above always names a bit of the image.
  static bool CoilBit(const uint8_t* p, BitRef& r) {
    if constexpr (Form16) {
      const uint32_t t = WordAt(p);
      if (t < kFirstToken) return false;
      r = {(t >> 3) - kFirstToken / 8, uint8_t(t & 7)};
      return true;
    } else {
      return BitOfToken(WordAt(p) | (uint32_t(WordAt(p + 2)) << 16), r);
    }
  }
};

// The locals of the fast path: the next word to read, the first word it may not run,
// and the bit stack with a copy of its top entry (meaningless while it is empty).
struct Hot {
  const uint8_t* pc;
  const uint8_t* end;
  std::size_t bsp;
  uint8_t* bits;
  uint8_t top;

  // The top entry from memory, after a pop; entry 0 of an empty stack.
  uint8_t LoadTop() const { return bits[bsp - (bsp != 0)]; }
};

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
    for (int i = 0; i < reads; ++i) base[i] = v[i];
    h.bsp += change;
    constexpr int top = reads + change - 1;  // the new top, numbered from base
    if constexpr (top >= 0 && top < reads) {
      h.top = v[top];
    } else if constexpr (top == reads) {
      h.top = base[top];  // the slot above, brought back
    } else {
      h.top = h.LoadTop();
    }
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

// Runs one instruction at m.ip through its handler, a contact inline. False when the
// machine stopped.
bool Step(Machine& m) {
  const uint16_t w = m.Next();
  if (m.Failed()) return false;
  if (w >= kFirstContact) {
    if (m.bsp == kBitStackSize) {
      m.Fail(Stop::kBitStackOverflow);
      return false;
    }
    m.bits[m.bsp++] = ContactFlow(w);
  } else if (w < kOpcodeCount) {
    kOpcodeHandlers[w](m, w);
  } else {
    m.Fail(Stop::kInvalidOpcode);  // groups 9 to 15
  }
  return !m.Failed();
}

// Runs the machine from m.ip while instructions start before word fast_end. The
// opcodes go through a jump table of label addresses (a GCC extension), whose targets
// follow the slots: one indirect jump per opcode, without the range check and the table
// arithmetic of a switch. True when it reached fast_end, false when the machine stopped.
template <bool Form16>
bool RunFast(Machine& m, uint32_t fast_end) {
  static const void* const kTargets[] = {
      &&handler, &&op32, &&op33, &&op34, &&op35, &&op36, &&op38, &&op50, &&op51, &&op52,
      &&op53,    &&op54, &&op55, &&op56, &&op60, &&op61, &&op62, &&op63, &&op64, &&op65,
  };
  static_assert(std::size(kTargets) == 1 + std::size(kFastOpcodes));
  Hot h{m.code + 2 * std::size_t(m.ip), m.code + 2 * std::size_t(fast_end), m.bsp, m.bits, 0};
  h.top = h.LoadTop();
  uint32_t w;

next:
  if (h.pc >= h.end) {
    m.ip = uint32_t((h.pc - m.code) / 2);
    m.bsp = uint8_t(h.bsp);
    return true;
  }
  w = WordAt(h.pc);
  h.pc += 2;
  if (w < kFirstContact) {
    const uint8_t slot = kFastSlots[w];
    if (slot == 0) goto handler;
    goto *kTargets[slot];
  }
  if (h.bsp == kBitStackSize) goto handler;
  h.top = ContactFlow(w);
  h.bits[h.bsp++] = h.top;
  goto next;

op32:
  if (Boolean<Form16, 32>(h)) goto next;
  goto handler;
op33:
  if (Boolean<Form16, 33>(h)) goto next;
  goto handler;
op34:
  if (Boolean<Form16, 34>(h)) goto next;
  goto handler;
op35:
  if (Boolean<Form16, 35>(h)) goto next;
  goto handler;
op36:
  if (Boolean<Form16, 36>(h)) goto next;
  goto handler;
op38:
  if (Boolean<Form16, 38>(h)) goto next;
  goto handler;
op50:
  if (Boolean<Form16, 50>(h)) goto next;
  goto handler;
op51:
  if (Boolean<Form16, 51>(h)) goto next;
  goto handler;
op52:
  if (Boolean<Form16, 52>(h)) goto next;
  goto handler;
op53:
  if (Boolean<Form16, 53>(h)) goto next;
  goto handler;
op54:
  if (Boolean<Form16, 54>(h)) goto next;
  goto handler;
op55:
  if (Boolean<Form16, 55>(h)) goto next;
  goto handler;
op56:
  if (Boolean<Form16, 56>(h)) goto next;
  goto handler;
op60:
  if (Boolean<Form16, 60>(h)) goto next;
  goto handler;
op61:
  if (Boolean<Form16, 61>(h)) goto next;
  goto handler;
op62:
  if (Boolean<Form16, 62>(h)) goto next;
  goto handler;
op63:
  if (Boolean<Form16, 63>(h)) goto next;
  goto handler;
op64:
  if (Boolean<Form16, 64>(h)) goto next;
  goto handler;
op65:
  if (Boolean<Form16, 65>(h)) goto next;
  goto handler;

handler:
  // Every other opcode, and every case the fast path leaves (a contact on a full stack,
  // a stack too shallow or too full for an operator, a coil operand that names no bit):
  // the word w, with h.pc just after it, through the opcode table's handler, which
  // reports the fault if there is one.
  m.ip = uint32_t((h.pc - m.code) / 2);
  m.bsp = uint8_t(h.bsp);
  if (w >= kFirstContact) {
    m.Fail(Stop::kBitStackOverflow);
    return false;
  }
  if (w >= kOpcodeCount) {
    m.Fail(Stop::kInvalidOpcode);  // groups 9 to 15
    return false;
  }
  kOpcodeHandlers[w](m, w);
  if (m.Failed()) return false;
  h.pc = m.code + 2 * std::size_t(m.ip);
  h.bsp = m.bsp;
  h.top = h.LoadTop();
  goto next;
}

template <bool Form16>
void Run(Machine& m) {
  // The fast path runs an instruction at word i only while i < fast_end: its opcode and
  // a coil's operand then lie inside the stream. The words after it run one by one.
  constexpr uint32_t reach = 1 + Form<Form16>::kBitWords;
  const uint32_t fast_end = m.size >= reach ? m.size - reach + 1 : 0;
  for (;;) {
    // The fast path keeps the depth within the stack; a machine handed over with a
    // deeper one is left to Step, which refuses it.
    if (m.ip < fast_end && m.bsp <= kBitStackSize && !RunFast<Form16>(m, fast_end)) return;
    if (!Step(m)) return;
  }
}

}  // namespace

void Interpret(Machine& m) {
  if (m.form16)
    Run<true>(m);
  else
    Run<false>(m);
}

}  // namespace logic
