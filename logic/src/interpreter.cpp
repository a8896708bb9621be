// The hot path. Contact words (1024 and above) are recognised before any dispatch, and
// the boolean operators and coils run inline from their tables (boolean.h), with the
// instruction pointer and the bit stack depth held in locals. Every other opcode, and
// every case the fast path leaves (a stack too shallow or too full, an operand that
// names no bit, the end of the stream), goes through the opcode table's handler, which
// also reports the fault.
#include "interpreter.h"

#include "boolean.h"
#include "kernel/regimage.h"
#include "opcode_table.h"

namespace logic {

namespace {

struct Hot {
  const uint8_t* code;
  uint32_t size;
  bool form16;
  uint32_t ip;
  uint32_t bsp;
  uint8_t* bits;
};

// One boolean opcode with its table entry known at compile time, so that its operation
// is inlined. False when the case is left to the handler.
template <uint16_t Op>
inline bool Boolean(Hot& h) {
  constexpr BooleanEntry e = kBooleanEntries[Op];
  if constexpr (e.kind == BooleanKind::kOperator) {
    if (h.bsp < e.reads || h.bsp + e.depth_change > kBitStackSize) return false;
    e.op(h.bits + h.bsp - e.reads);
    h.bsp += e.depth_change;
    return true;
  } else {
    static_assert(e.kind == BooleanKind::kCoil);
    const uint32_t words = h.form16 ? 1 : 2;
    if (h.bsp == 0 || h.size - h.ip < words) return false;
    uint16_t lo;
    std::memcpy(&lo, h.code + 2 * std::size_t(h.ip), 2);
    const uint32_t t = h.form16 ? lo : UTIL_GetDword(h.code + 2 * std::size_t(h.ip));
    BitRef r;
    if (!BitOfToken(t, r)) return false;
    h.ip += words;
    e.coil(r, h.bits[--h.bsp]);
    return true;
  }
}

}  // namespace

void Interpret(Machine& m) {
  Hot h{m.code, m.size, m.form16, m.ip, m.bsp, m.bits};
  for (;;) {
    if (h.ip >= h.size) {
      m.ip = h.ip;
      m.bsp = uint8_t(h.bsp);
      m.Fail(Stop::kRanOffEnd);
      return;
    }
    uint16_t w;
    std::memcpy(&w, h.code + 2 * std::size_t(h.ip), 2);
    ++h.ip;
    if (w >= kFirstContact && h.bsp < kBitStackSize) {
      const uint32_t bit = w - kFirstContact;
      h.bits[h.bsp++] = OnMask(plc_reg[bit >> 3] & on_mask[bit & 7]);
      continue;
    }
    bool done = false;
    switch (w) {
      case 32: done = Boolean<32>(h); break;
      case 33: done = Boolean<33>(h); break;
      case 34: done = Boolean<34>(h); break;
      case 35: done = Boolean<35>(h); break;
      case 36: done = Boolean<36>(h); break;
      case 38: done = Boolean<38>(h); break;
      case 50: done = Boolean<50>(h); break;
      case 51: done = Boolean<51>(h); break;
      case 52: done = Boolean<52>(h); break;
      case 53: done = Boolean<53>(h); break;
      case 54: done = Boolean<54>(h); break;
      case 55: done = Boolean<55>(h); break;
      case 56: done = Boolean<56>(h); break;
      case 60: done = Boolean<60>(h); break;
      case 61: done = Boolean<61>(h); break;
      case 62: done = Boolean<62>(h); break;
      case 63: done = Boolean<63>(h); break;
      case 64: done = Boolean<64>(h); break;
      case 65: done = Boolean<65>(h); break;
      default: break;
    }
    if (done) continue;
    m.ip = h.ip;
    m.bsp = uint8_t(h.bsp);
    if (w >= kFirstContact) {
      m.Fail(Stop::kBitStackOverflow);
    } else if (w < kOpcodeCount) {
      kOpcodeHandlers[w](m, w);
    } else {
      m.Fail(Stop::kInvalidOpcode);  // groups 9 to 15
    }
    if (m.stop != Stop::kRunning) return;
    h.ip = m.ip;
    h.bsp = m.bsp;
  }
}

}  // namespace logic
