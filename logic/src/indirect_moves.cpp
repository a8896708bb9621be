// Indirect and array block copies.
//
// Plain form: three fields (for 97: D, P, n) of word references and a u16 count, the
// pointer form over words. Typed form (two zero words first): a u16 type and a u16 flags
// word, then the fields of the form the flags select:
//   type   1 bytes   2, 3 two-word elements   4 four-word elements   5 one-word elements
//   flags  bit 0 source through a pointer     bit 1 destination through a pointer
//          bit 2 source is an array element   bit 3 destination is an array element
// Type 5 ignores the flags and always uses array elements. Any other type ends the
// instruction after the four header words. Flags that select neither form read the
// pointer form's fields and turn the power flow off.
#include "indirect_moves.h"

#include "moves.h"
#include "word_stack.h"

namespace logic {

namespace {

constexpr uint32_t kRCount = 50240;
constexpr uint16_t kSourcePointer = 1, kDestPointer = 2, kSourceArray = 4, kDestArray = 8;

// Byte offset of R k, 1 <= k <= 50240.
constexpr uint32_t RByte(uint32_t k) { return reg::kOffR + 2 * (k - 1); }

// What one unit of the count and one array element are.
struct Unit {
  bool bytes;    // type 1: n counts bytes, an index counts bytes
  uint32_t e;    // words per element (types 2 to 5)
};
constexpr Unit kPlainWords{false, 1};

bool UnitOfType(uint16_t type, Unit& u) {
  switch (type) {
    case 1: u = {true, 1}; return true;
    case 2:
    case 3: u = {false, 2}; return true;
    case 4: u = {false, 4}; return true;
    case 5: u = {false, 1}; return true;
    default: return false;
  }
}

// The pointer bound: k names R k, and k + e n - 1 (bytes: k + n / 2 - 1) must not pass
// R50240. The bound counts whole elements although n counts the words copied, so a
// pointer near the end of R is refused for a count that alone would fit.
bool PointerOk(uint16_t k, uint16_t n, Unit u) {
  if (k == 0) return false;
  const uint64_t last = u.bytes ? uint64_t(k) + n / 2 - 1 : uint64_t(k) + uint64_t(u.e) * n - 1;
  return last <= kRCount;
}

// Element v of the array at byte offset base.
uint64_t Element(uint32_t base, uint16_t v, Unit u) { return u.bytes ? uint64_t(base) + v : base + 2ull * u.e * v; }

// D, S and array bases are byte references for byte units, word references otherwise.
uint32_t PlainOperand(Machine& m, Unit u) { return u.bytes ? ByteOperand(m) : WordOperand(m); }

// The unit and the flags of the instruction: the typed header when there is one (false
// when its type ends the instruction), else the plain form's word pointers.
bool Header(Machine& m, uint16_t plain_flags, Unit& u, uint16_t& flags) {
  u = kPlainWords;
  flags = plain_flags;
  if (!TypedForm(m)) return true;
  const uint16_t type = Imm16(m);
  flags = Imm16(m);
  if (m.Failed() || !UnitOfType(type, u)) return false;
  if (type == 5) flags = kSourceArray | kDestArray;
  return true;
}

}  // namespace

void OpMoveFromIndirect(Machine& m, uint16_t) {
  Unit u;
  uint16_t flags;
  if (!Header(m, kSourcePointer, u, flags)) return;
  if (flags & kSourceArray) {
    const uint32_t d = PlainOperand(m, u);
    const uint32_t base = PlainOperand(m, u);
    const uint16_t n = Imm16(m);
    const uint32_t x = WordOperand(m);
    if (!m.Failed()) CheckedCopy(m, d, Element(base, RegWord(x), u), n, u.bytes);
    return;
  }
  const uint32_t d = PlainOperand(m, u);
  const uint32_t p = WordOperand(m);
  const uint16_t n = Imm16(m);
  if (m.Failed()) return;
  const uint16_t k = RegWord(p);
  if (!(flags & kSourcePointer) || !PointerOk(k, n, u)) return PowerOff(m);
  CheckedCopy(m, d, RByte(k), n, u.bytes);
}

void OpMoveToIndirect(Machine& m, uint16_t) {
  Unit u;
  uint16_t flags;
  if (!Header(m, kDestPointer, u, flags)) return;
  if (flags & kDestArray) {
    const uint32_t base = PlainOperand(m, u);
    const uint32_t s = PlainOperand(m, u);
    const uint16_t n = Imm16(m);
    const uint32_t x = WordOperand(m);
    if (!m.Failed()) CheckedCopy(m, Element(base, RegWord(x), u), s, n, u.bytes);
    return;
  }
  const uint32_t p = WordOperand(m);
  const uint32_t s = PlainOperand(m, u);
  const uint16_t n = Imm16(m);
  if (m.Failed()) return;
  const uint16_t k = RegWord(p);
  if (!(flags & kDestPointer) || !PointerOk(k, n, u)) return PowerOff(m);
  CheckedCopy(m, RByte(k), s, n, u.bytes);
}

void OpMoveIndirect(Machine& m, uint16_t) {
  Unit u;
  uint16_t flags;
  if (!Header(m, kSourcePointer | kDestPointer, u, flags)) return;
  if ((flags & (kSourceArray | kDestArray)) == (kSourceArray | kDestArray)) {
    const uint32_t dbase = PlainOperand(m, u);
    const uint32_t sbase = PlainOperand(m, u);
    const uint16_t n = Imm16(m);
    const uint32_t x = WordOperand(m);  // source index
    const uint32_t y = WordOperand(m);  // destination index
    if (!m.Failed()) CheckedCopy(m, Element(dbase, RegWord(y), u), Element(sbase, RegWord(x), u), n, u.bytes);
    return;
  }
  const uint32_t p = WordOperand(m);
  const uint32_t q = WordOperand(m);
  const uint16_t n = Imm16(m);
  if (m.Failed()) return;
  const uint16_t d = RegWord(p), s = RegWord(q);
  const bool pointers = (flags & (kSourcePointer | kDestPointer)) == (kSourcePointer | kDestPointer);
  if (!pointers || !PointerOk(s, n, u) || !PointerOk(d, n, u)) return PowerOff(m);
  CheckedCopy(m, RByte(d), RByte(s), n, u.bytes);
}

}  // namespace logic
